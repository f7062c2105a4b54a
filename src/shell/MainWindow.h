#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

class Program;

// The main window's procedures: its layout in twips, its tab switching, the flash
// of an incident alert and its menu entries. The view calls them and shows what
// they set in Frm_Main; they work the same without one.
class MainWindow final : public QObject {
    Q_OBJECT

public:
    // The revision history: a page of the program's folder and its copy on the
    // maker's release server.
    static inline const QString RevisionsFile = QStringLiteral("KZ3_TRELVO_Revisions.htm");
    // The release server's address is not known here: a reserved name stands in for
    // it, in this one place, until a station's maker gives the real one.
    static inline const QString ReleaseServer = QStringLiteral("https://releases.ondelia.example");
    static inline const QString OnlineRevisionsPath =
        QStringLiteral("/KZ/Releases/KZ_34/Histo_Revisions/KZ3_Trelvo_Revisions.htm");
    static inline const QString QuitQuestion = QStringLiteral("Voulez-vous quitter le programme ?");

    // Unload modes of Form_QueryUnload.
    static constexpr qint16 FormControlMenu = 0; // the user's close box or control menu
    static constexpr qint16 FormCode = 1;        // the program unloads the window

    explicit MainWindow(Program& program);

    // Widens the tab strip to the window and lays out the current tab; a minimised
    // window keeps its layout.
    void Form_Resize();
    // Lays out the controls of the current tab; nothing before the settings window
    // is loaded.
    void ResizeCurrentOngletMain();
    // Lays out the tab now shown; looking at "Incidents" acknowledges the alert.
    void SftTabsMain_Switched();
    // Every 100 ms while an alert is on: the window's flash state flips.
    void TimerFlash_Timer();

    // "Options...": shows the settings window, or hides it when it is shown.
    void Mnu01Options_Click();
    // "Log technique...": picks a log file of the program's log folder and opens it.
    void Mnu01Log_Click();
    // The revision history: 0 the local page, 1 the online page.
    void MnuWhatNews_Click(qint16 index);
    // "A propos...": shows the About window, not modal; errors are ignored.
    void Mnu99APropos_Click();
    // "Mise en veille": the standby, unless the quit is confirmed.
    void Mnu01Veille_Click();
    // "Changer d'utilisateur...": the user change; where users are mandatory and no
    // authorised user results, the program quits (unloadRequested).
    void Mnu01User_Click();
    // "Quitter".
    void MnuQuitter_Click();
    // Asks to quit; on Yes, marks the quit and asks for the unload.
    void Quitter();
    // Before the window closes. The user's close box asks to quit (Quitter) and
    // refuses (cancel 1) unless the quit was confirmed; a confirmed quit has raised
    // unloadRequested, and the shutdown its receiver runs closes the window. Any
    // other mode lets the window close without a question.
    void Form_QueryUnload(qint16& cancel, qint16 unloadMode);

    bool flashState() const { return m_flash; }
    static QString onlineRevisionsAddress() { return ReleaseServer + OnlineRevisionsPath; }

Q_SIGNALS:
    // The quit is confirmed: the caller runs the shutdown.
    void unloadRequested();
    // The About window was shown, not modal, owned by the main window.
    void aboutRequested();

private:
    Program& m_program;
    bool m_flash = false; // lives as long as the window: the next alert starts from it
};
