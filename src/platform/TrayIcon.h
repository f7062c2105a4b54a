#pragma once

#include <QObject>
#include <QString>

// The program's icon in the desktop's notification area, with its pop-up menu. A
// right click on the icon opens the menu ("Afficher", "A propos..."); a left click
// or a double click does nothing. The menu's entries are signalled; what they do is
// the standby's business.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    enum class Look {
        Normal, // the program's icon
        Alert,  // an incident arrived while the windows were hidden
    };

    explicit TrayIcon(QObject* parent = nullptr) : QObject(parent) {}

    // Whether the desktop has a notification area to show the icon in now.
    virtual bool isAvailable() const = 0;
    // Shows the icon with its tip and look, or changes them when it is shown.
    virtual void show(const QString& tip, Look look) = 0;
    virtual void hide() = 0;
    virtual bool isShown() const = 0;

Q_SIGNALS:
    void showRequested();  // "Afficher"
    void aboutRequested(); // "A propos..."
};
