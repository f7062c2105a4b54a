#pragma once

#include "model/Fields.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>

class DialogsHost;
class ErrorReporter;
class ErrorTrap;
class FrmSetup;
class Frm_Main;
class Sound4Sessions;
class TraceSink;
class Waits;
struct Sound4UnitState;

// The settings window's Sound4 console: lists a unit's sections, the commands of a
// section and the detail of one command by sending the unit's own "help" commands,
// and sends a command typed by hand. It only sends: the answers come back through
// the unit's telnet session, and the awaited-answer flags of the unit (help list,
// help section, help detail, test result) tell the receiving side which list they
// belong to.
//
// Every procedure traps its failures under "FrmSetup:" and its name: a failed send
// is reported with the line reached and the procedure goes on; a unit outside 0 to
// 3 is reported as error 9 and nothing else is done.
class Sound4Console final : public QObject {
    Q_OBJECT

public:
    static constexpr int NbSound4 = 4;
    // Get, Set, Alerte On, Alerte Off, Add, Remove, Dimensions.
    static constexpr int NbOperations = 7;
    // Each step of a command's detail waits this long for the unit's answer.
    static constexpr qint32 DetailWaitMs = 500;

    using OperationFlags = std::array<bool, NbOperations>;
    struct Operations {
        OperationFlags flags{};
        QString labels; // "Get, Set, ...", empty when no flag is set
    };

    Sound4Console(Sound4UnitState& state, FrmSetup& setup, Frm_Main& frmMain,
                  Sound4Sessions& sessions, Waits& waits, DialogsHost& dialogs, TraceSink& trace,
                  ErrorReporter& errors);

    // "Liste" of unit i: asks a connected unit for its sections.
    void CommandSound4Help_Click(qint16 unit);
    // "Détail" beside the section list: asks for the commands of the chosen section.
    void CommandSound4HelpSection_Click(qint16 unit);
    // A command chosen in the unit's command list: its operations become the
    // program's PbBSound4Operations and its one-line description is built. Runs
    // whenever the list's selection moves to a command, by the user or by code.
    void ComboSound4SectionDetail_Click(qint16 unit);
    // "Détail" beside the command list: help on the command, its current value when
    // it can be read, and the operation lines it accepts, in ListeSectionCommande.
    // Waits twice DetailWaitMs at most, letting events (and the answers) run.
    void CommandSound4DetailCommande_Click(qint16 unit);
    // Sets PbBSound4Operations from an operation string such as "(?=!)".
    void OperationsLib(const QString& operations, QString& labels);
    // "Envoyer": sends TexteCommandeATester, trimmed and UTF-8 encoded, to the unit
    // chosen in ComboSound4NoCart; a command holding "=?" is confirmed first.
    void CommandSound4CommandeATester_Click();
    // "Purger": empties ListeTelNet.
    void CommandSound4Purger_Click();

    // The flags and labels of an operation string, without touching the program.
    static Operations operationsOf(const QString& operations);
    // What follows "section.command" in the operation line of flag k ("?", "=xxx", ...).
    static QString operationSuffix(int k);
    // "command : description | Opérations: labels".
    static QString commandDescription(const QString& command, const QString& description,
                                      const QString& labels);

    // The one-line description of the command chosen last in any unit's command
    // list, kept for a view that wants to show it (the window shows it nowhere).
    TextField TexteDescriptionCommande;

private:
    bool validUnit(qint16 unit, ErrorTrap& trap) const;
    // Sends the text and CR LF to the unit; a failure is reported. True when sent.
    bool sendLine(qint16 unit, const QByteArray& text, ErrorTrap& trap);
    void addTelnetRow(const QString& row);
    void setHelpFlags(qint16 unit, bool liste, bool section, bool detail);

    Sound4UnitState& m_state;
    FrmSetup& m_setup;
    Frm_Main& m_frmMain;
    Sound4Sessions& m_sessions;
    Waits& m_waits;
    DialogsHost& m_dialogs;
    TraceSink& m_trace;
    ErrorReporter& m_errors;
};
