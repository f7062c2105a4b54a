#pragma once

#include <QMetaObject>
#include <QString>
#include <QtGlobal>

class DialogsHost;
class ErrorReporter;
class Frm_Main;
struct ProgramState;

// The main window's incident alert. The trace log adds each incident row to
// ListeIncidents(0) and sets CheckIncidents(0) to 1; that change runs the alert at
// once, inside the logging call: the caption turns to "Err: " + the normal caption,
// the window flashes and the "Incidents" tab becomes available (not selected: the
// operator chooses when to look). Looking at the tab acknowledges the alert; the
// "Purger" button empties the list and brings the window back to its start state.
// The alert works the same without any window.
class IncidentAlert {
public:
    static inline const QString IncidentsTab = QStringLiteral("Incidents");
    static inline const QString AlertPrefix = QStringLiteral("Err: ");
    static inline const QString PurgeQuestion =
        QStringLiteral("Voulez-vous purger la liste des incidents ?");

    IncidentAlert(ProgramState& state, Frm_Main& frmMain, DialogsHost& dialogs,
                  ErrorReporter& errors);
    ~IncidentAlert();
    IncidentAlert(const IncidentAlert&) = delete;
    IncidentAlert& operator=(const IncidentAlert&) = delete;

    // Runs when the value of CheckIncidents(index) changes; only a value of 1 alerts,
    // and the handler puts it back to 0. Before the main window has finished loading
    // the tab stays unavailable and CheckIncidentsFeuilleNonChargee remembers it.
    void CheckIncidents_Click(qint16 index);
    // "Purger": asks first; on Yes, ClearIncidents.
    void CommandIncidentsPurge_Click(qint16 index);
    // Empties the list, stops the flashing, shows the normal caption, makes the
    // "Incidents" tab unavailable and selects the first tab.
    void ClearIncidents(qint16 index);
    // At the end of the main window's load, once PbBFrmMainChargee is set: an
    // incident flagged before runs its alert now that the window is complete.
    void replayAtLoadEnd();

    // The operator looks at the "Incidents" tab: no more flashing, the normal
    // caption; the rows stay.
    void acknowledge();

    // The caption without the alert, kept in Frm_Main::NormalCaption. Setting it
    // keeps the alert's prefix on the shown caption while the alert is on.
    QString normalCaption() const;
    QString alertCaption() const;
    void setNormalCaption(const QString& caption);
    bool alertShown() const { return m_alertShown; }

    // Makes the first tab captioned "Incidents" available or not; none: nothing.
    void setIncidentsTabAvailable(bool available);

private:
    void showCaption(bool alert);

    ProgramState& m_state;
    Frm_Main& m_frmMain;
    DialogsHost& m_dialogs;
    ErrorReporter& m_errors;
    bool m_alertShown = false;
    QMetaObject::Connection m_signal;
};
