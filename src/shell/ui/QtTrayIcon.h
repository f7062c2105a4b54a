#pragma once

#include "platform/TrayIcon.h"

#include <QMenu>
#include <QSystemTrayIcon>

class ButtonField;
class FrmSysTray;
class QAction;

// The notification-area icon on the desktop's system tray, with the tray window's
// pop-up menu "Flottant": a right click on the icon opens it, a left click or a
// double click does nothing.
class QtTrayIcon final : public TrayIcon {
    Q_OBJECT

public:
    explicit QtTrayIcon(FrmSysTray& model, QObject* parent = nullptr);

    bool isAvailable() const override;
    void show(const QString& tip, Look look) override;
    void hide() override;
    bool isShown() const override;

    QSystemTrayIcon& icon() { return m_icon; }
    QMenu& menu() { return m_menu; }
    Look look() const { return m_look; }

private:
    QAction* addEntry(ButtonField& field, const QString& name);

    QMenu m_menu;
    QSystemTrayIcon m_icon;
    Look m_look = Look::Normal;
};
