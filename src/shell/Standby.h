#pragma once

#include <QMetaObject>
#include <QObject>
#include <QString>

class FormField;
class Program;
class TrayIcon;

// The standby: every shown window of the program is hidden and only an icon stays
// in the desktop's notification area, while the program goes on relaying. The
// icon's menu brings the windows back ("Afficher") or shows the about box.
//
// An incident during the standby runs its alert as always; the windows stay hidden
// and the icon takes the alert's look, with the alert caption as its tip, until
// "Afficher". Without a notification area the windows are minimised instead. With
// no icon at all (the program without windows) the standby hides the window models
// only, which changes nothing anyone sees.
class Standby final : public QObject {
    Q_OBJECT

public:
    static inline const QString ForcedTip = QStringLiteral("Ondelia: Sound4");

    explicit Standby(Program& program);
    ~Standby() override;
    Standby(const Standby&) = delete;
    Standby& operator=(const Standby&) = delete;

    // The icon to show; none (the default): no notification area at all. Its menu's
    // entries run MnuAfficher_Click and MnuAbout_Click.
    void setTrayIcon(TrayIcon* tray);
    TrayIcon* trayIcon() const { return m_tray; }

    // Shows the icon with the tip and, when asked, hides every shown window of the
    // program, remembering them in ListeFrm.
    void MiseEnVeille(FormField& window, bool hideWindows, const QString& tip);
    // The main window's standby, with the tip "Ondelia: Sound4".
    void MiseEnVeilleForcee();
    // Every 100 ms while enabled: once the main window is shown, the standby asked
    // for on the command line; then the timer stops. Nothing while quitting.
    void TimerVeille_Timer();

    // Leaves the standby: the main window first, then every window that was shown,
    // each with the focus; the icon goes.
    void AfficherFeuille();
    void MnuAfficher_Click();
    void MnuAbout_Click();
    // The tray window's unload, with the main window's: the icon goes. The windows
    // of a closing program are not shown again.
    void Form_Unload();

private:
    void CheckIncidentsEnVeille(int value);
    void minimiseInstead();
    void showIcon(const QString& tip, bool alert);
    void removeIcon();

    Program& m_program;
    TrayIcon* m_tray = nullptr;
    QMetaObject::Connection m_incidents;
};
