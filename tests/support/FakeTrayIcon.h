#pragma once

#include "platform/TrayIcon.h"

// A notification area for tests: records what the icon shows; the test chooses the
// menu's entries.
class FakeTrayIcon final : public TrayIcon {
public:
    bool available = true;
    bool shown = false;
    QString tip;
    Look look = Look::Normal;
    int shows = 0; // calls of show, changes of tip or look included

    bool isAvailable() const override { return available; }
    void show(const QString& newTip, Look newLook) override {
        shown = true;
        tip = newTip;
        look = newLook;
        ++shows;
    }
    void hide() override { shown = false; }
    bool isShown() const override { return shown; }

    void chooseShow() { Q_EMIT showRequested(); }
    void chooseAbout() { Q_EMIT aboutRequested(); }
};
