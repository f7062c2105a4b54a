#pragma once

#include "platform/Screen.h"

#include <QGuiApplication>
#include <QScreen>

// The desktop's primary screen, read at each call: a screen can change while the
// program runs.
class QtScreen final : public Screen {
public:
    QSize sizeInPixels() const override {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? screen->geometry().size() : QSize(1920, 1080);
    }
    double twipsPerPixel() const override {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
        return dpi > 0 ? 1440.0 / dpi : 15.0;
    }
};
