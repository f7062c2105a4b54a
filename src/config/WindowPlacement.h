#pragma once

#include <QString>

#include <vector>

class ErrorReporter;
class EventPump;
class FormField;
class FrmMsg;
class IniAccess;
class Screen;
class SiteConfiguration;

// The small window services every window shares: its saved place, taken back at
// the next start; always-on-top windows taken down while a system dialog is shown;
// the busy cursor; the start-up progress window kept on top of everything.
//
// Positions are kept per instance in NomFichierSettings("_Positions", ".Ini"),
// section "FrmPos", keys form name + "_Left" / "_Top" + suffix, in twips.
class WindowPlacement {
public:
    static inline const QString Section = QStringLiteral("FrmPos");

    WindowPlacement(SiteConfiguration& site, IniAccess& ini, const Screen& screen,
                    EventPump& events, ErrorReporter& errors);

    // The loaded windows, in load order: those AfficherMessageBoxOuInputBox goes
    // through.
    void addForm(FormField& form);
    void removeForm(FormField& form);
    const std::vector<FormField*>& forms() const { return m_forms; }

    // Puts the window at its saved position, kept within reach of the screen. A
    // suffix that is not blank is prefixed with "_", in the caller's variable too.
    void PositionFeuille(FormField& form, QString& suffix);
    // Saves the window's position, only while it is neither minimised nor maximised:
    // a window closed minimised keeps the position saved before.
    void PositionFeuilleSauvegarde(FormField& form, QString& suffix);

    // Always on top (Tag "1") or a normal window again (Tag "0"), without moving it.
    void AfficherAuDessus(FormField& form, bool state);
    // Before a system dialog (true): the visible windows kept on top are taken down,
    // marked "-1"; after it (false): those are put back on top.
    void AfficherMessageBoxOuInputBox(bool before);

    // The busy cursor on the window, shown at once.
    void SablierOn(FormField& form);
    void SablierOff(FormField& form);

    // A Linux desktop has no taskbar or desktop window a program may hide: the
    // panels and the desktop belong to the session, so both do nothing.
    void AfficherBarreDeTache(bool show);
    void AfficherBureau(bool show);

    // The start-up progress window's load: on top of everything, at the top of the
    // screen and centred across it. Its rounded corners are the view's business.
    void loadProgressWindow(FrmMsg& progress);
    // Its unload: hidden, no longer on top, no longer a loaded window.
    void unloadProgressWindow(FrmMsg& progress);

    // The key suffix as the callers pass it: "_" + suffix unless it is blank.
    static QString keySuffix(const QString& suffix);

private:
    QString positionsFile();

    SiteConfiguration& m_site;
    IniAccess& m_ini;
    const Screen& m_screen;
    EventPump& m_events;
    ErrorReporter& m_errors;
    std::vector<FormField*> m_forms;
};
