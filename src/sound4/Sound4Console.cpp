#include "sound4/Sound4Console.h"

#include "base/Blanks.h"
#include "base/ErrorTrap.h"
#include "base/TextFormat.h"
#include "base/TraceSink.h"
#include "model/FrmSetup.h"
#include "model/Frm_Main.h"
#include "model/Sound4UnitState.h"
#include "platform/DialogsHost.h"
#include "sound4/Sound4Sessions.h"
#include "system/Waits.h"

namespace {

const QString Module = QStringLiteral("FrmSetup:");
const QString Separator = QStringLiteral("==========");

// Marker, label and operation-line suffix of each operation flag, in flag order.
struct OperationKind {
    const char16_t* label;
    const char16_t* suffix;
};
constexpr std::array<OperationKind, Sound4Console::NbOperations> Kinds{{
    {u"Get, ", u"?"},
    {u"Set, ", u"=xxx"},
    {u"Alerte On, ", u"!"},
    {u"Alerte Off, ", u"*"},
    {u"Add, ", u"+=xxx"},
    {u"Remove, ", u"-=xxx"},
    {u"Dimensions, ", u"'"},
}};

enum Flag { Get = 0, Set = 1, AlerteOn = 2, AlerteOff = 3, Add = 4, Remove = 5, Dimensions = 6 };

// Removes every occurrence of the marker; true when there was one.
bool takeMarker(QString& text, QStringView marker) {
    if (!text.contains(marker, Qt::CaseInsensitive)) {
        return false;
    }
    text.remove(marker.toString(), Qt::CaseInsensitive);
    return true;
}

// The text of a combo: its chosen row, empty when none is chosen.
QString selectedText(const ListField& list) {
    const int row = list.selection();
    return row >= 0 && row < list.count() ? list.at(row) : QString();
}

// The row at a position, empty when the list has no such row.
QString rowAt(const ListField& list, int row) {
    return row >= 0 && row < list.count() ? list.at(row) : QString();
}

// Exploration commands are built from names the unit wrote itself, which the
// reading of its answers turned into characters byte for byte (Windows-1252). They
// go back the same way, so the unit gets its own bytes: no UTF-8 conversion, no
// ampersand rule.
QByteArray asBuilt(const QString& text) {
    return toWindows1252(text);
}

} // namespace

Sound4Console::Sound4Console(Sound4UnitState& state, FrmSetup& setup, Frm_Main& frmMain,
                             Sound4Sessions& sessions, Waits& waits, DialogsHost& dialogs,
                             TraceSink& trace, ErrorReporter& errors)
    : m_state(state), m_setup(setup), m_frmMain(frmMain), m_sessions(sessions), m_waits(waits),
      m_dialogs(dialogs), m_trace(trace), m_errors(errors) {
    // A command chosen in a command list, by the operator or by the reading of the
    // unit's answer that selects the first command, runs the list's click.
    for (int i = 0; i < NbSound4; ++i) {
        connect(&m_setup.ComboSound4SectionDetail[i], &ListField::selectionChanged, this,
                [this, i](int row) {
                    if (row >= 0) {
                        ComboSound4SectionDetail_Click(static_cast<qint16>(i));
                    }
                });
    }
}

bool Sound4Console::validUnit(qint16 unit, ErrorTrap& trap) const {
    if (unit >= 0 && unit < NbSound4) {
        return true;
    }
    trap.fail(AppError::subscriptOutOfRange());
    return false;
}

bool Sound4Console::sendLine(qint16 unit, const QByteArray& text, ErrorTrap& trap) {
    const Sound4Request request =
        text.toLower().startsWith("help") ? Sound4Request::Help : Sound4Request::Console;
    return !trap.fail(m_sessions.Sound4Send(unit, text + QByteArrayLiteral("\r\n"), request));
}

void Sound4Console::addTelnetRow(const QString& row) {
    m_setup.ListeTelNet.addCapped(row);
}

void Sound4Console::setHelpFlags(qint16 unit, bool liste, bool section, bool detail) {
    m_state.PbBSound4HelpListe[unit] = liste;
    m_state.PbBSound4HelpSection[unit] = section;
    m_state.PbBSound4HelpDetail[unit] = detail;
}

void Sound4Console::CommandSound4Help_Click(qint16 unit) {
    ErrorTrap trap(m_errors, Module + QStringLiteral("CommandSound4Help_Click"));
    trap.at(10);
    if (!validUnit(unit, trap) || !m_state.PbBSound4Connected[unit]) {
        return;
    }
    trap.at(20);
    setHelpFlags(unit, true, false, false);
    trap.at(30);
    m_setup.ComboSound4Section[unit].clear();
    trap.at(40);
    addTelnetRow(Separator);
    trap.at(50);
    sendLine(unit, QByteArrayLiteral("help"), trap);
}

void Sound4Console::CommandSound4HelpSection_Click(qint16 unit) {
    ErrorTrap trap(m_errors, Module + QStringLiteral("CommandSound4HelpSection_Click"));
    trap.at(10);
    if (!validUnit(unit, trap) || !m_state.PbBSound4Connected[unit] ||
        m_setup.ComboSound4Section[unit].isEmpty()) {
        return;
    }
    trap.at(20);
    m_setup.ComboSound4SectionDetail[unit].clear();
    m_setup.ComboSound4SectionDetailLib[unit].clear();
    m_setup.ComboSound4SectionDetailOperation[unit].clear();
    trap.at(30);
    setHelpFlags(unit, false, true, false);
    trap.at(40);
    addTelnetRow(Separator);
    trap.at(50);
    const QString section = selectedText(m_setup.ComboSound4Section[unit]);
    sendLine(unit, asBuilt(QStringLiteral("help ") + section), trap);
}

void Sound4Console::ComboSound4SectionDetail_Click(qint16 unit) {
    ErrorTrap trap(m_errors, Module + QStringLiteral("ComboSound4SectionDetail_Click"));
    trap.at(10);
    if (!validUnit(unit, trap)) {
        return;
    }
    const ListField& commands = m_setup.ComboSound4SectionDetail[unit];
    const int p = commands.selection();
    trap.at(20);
    QString labels;
    OperationsLib(rowAt(m_setup.ComboSound4SectionDetailOperation[unit], p), labels);
    trap.at(30);
    TexteDescriptionCommande.setText(commandDescription(
        rowAt(commands, p), rowAt(m_setup.ComboSound4SectionDetailLib[unit], p), labels));
}

Sound4Console::Operations Sound4Console::operationsOf(const QString& operations) {
    Operations result;
    OperationFlags& flags = result.flags;
    QString s = operations;
    // Longer markers first, each removed once seen, so that the "=" of "+=" is not
    // also read as Set.
    flags[Add] = takeMarker(s, u"+=");
    flags[Remove] = takeMarker(s, u"-=");
    flags[Set] = takeMarker(s, u"=");
    flags[Get] = takeMarker(s, u"?");
    if (takeMarker(s, u"!")) {
        // An alert that can be raised can also be cleared.
        takeMarker(s, u"*");
        flags[AlerteOn] = true;
        flags[AlerteOff] = true;
    } else {
        flags[AlerteOff] = takeMarker(s, u"*");
    }
    flags[Dimensions] = takeMarker(s, u"'");

    for (int k = 0; k < NbOperations; ++k) {
        if (flags[k]) {
            result.labels += QString::fromUtf16(Kinds[k].label);
        }
    }
    result.labels.chop(2); // the trailing ", " (nothing to chop when empty)
    return result;
}

void Sound4Console::OperationsLib(const QString& operations, QString& labels) {
    const Operations found = operationsOf(operations);
    m_state.PbBSound4Operations = found.flags;
    labels = found.labels;
}

QString Sound4Console::operationSuffix(int k) {
    return k >= 0 && k < NbOperations ? QString::fromUtf16(Kinds[k].suffix) : QString();
}

QString Sound4Console::commandDescription(const QString& command, const QString& description,
                                          const QString& labels) {
    return command + QStringLiteral(" : ") + description + QStringLiteral(" | Opérations: ") +
           labels;
}

void Sound4Console::CommandSound4DetailCommande_Click(qint16 unit) {
    ErrorTrap trap(m_errors, Module + QStringLiteral("CommandSound4DetailCommande_Click"));
    trap.at(10);
    if (!validUnit(unit, trap) || !m_state.PbBSound4Connected[unit] ||
        m_setup.ComboSound4Section[unit].isEmpty() ||
        m_setup.ComboSound4SectionDetail[unit].isEmpty()) {
        return;
    }
    const ListField& commands = m_setup.ComboSound4SectionDetail[unit];
    const QString command =
        selectedText(m_setup.ComboSound4Section[unit]) + QLatin1Char('.') + selectedText(commands);
    // The operations of the command being detailed, this unit's chosen command, read
    // once: another unit's choice, or a choice made during the waits, does not
    // change the lines of this detail.
    const OperationFlags operations =
        operationsOf(rowAt(m_setup.ComboSound4SectionDetailOperation[unit], commands.selection()))
            .flags;
    ListField& detail = m_setup.ListeSectionCommande;

    trap.at(20);
    setHelpFlags(unit, false, false, true);
    trap.at(30);
    detail.clear();
    trap.at(40);
    addTelnetRow(Separator);
    detail.addItem(QStringLiteral("========== Liste des valeurs possibles =========="));
    trap.at(50);
    sendLine(unit, asBuilt(QStringLiteral("help ") + command), trap);
    m_waits.WaitOnDuration(DetailWaitMs);
    trap.at(60);
    addTelnetRow(Separator);
    if (operations[Get]) {
        trap.at(70);
        detail.addItem(QStringLiteral("========== Valeur actuelle =========="));
        m_state.PbBSound4HelpDetail[unit] = true;
        sendLine(unit, asBuilt(command + QLatin1Char('?')), trap);
        m_waits.WaitOnDuration(DetailWaitMs);
    }
    trap.at(80);
    detail.addItem(QStringLiteral("========== Opérations possibles =========="));
    trap.at(90);
    for (int k = 0; k < NbOperations; ++k) {
        if (operations[k]) {
            detail.addItem(command + operationSuffix(k));
        }
    }
    trap.at(100);
    addTelnetRow(Separator);
    detail.addItem(Separator);
    trap.at(110);
    m_state.PbBSound4HelpDetail[unit] = false; // later answer lines are not shown
}

void Sound4Console::CommandSound4CommandeATester_Click() {
    ErrorTrap trap(m_errors, Module + QStringLiteral("CommandSound4CommandeATester_Click"));
    trap.at(10);
    const int chosen = m_setup.ComboSound4NoCart.selection();
    const QString text = m_setup.TexteCommandeATester.text();
    trap.at(20);
    if (isBlank(text)) {
        return;
    }
    trap.at(30);
    if (chosen < 0 || chosen >= NbSound4) {
        trap.fail(AppError::subscriptOutOfRange());
        return;
    }
    const qint16 unit = static_cast<qint16>(chosen);
    trap.at(40);
    if (text.contains(QStringLiteral("=?"), Qt::CaseInsensitive)) {
        const DialogsHost::Answer answer = m_dialogs.ask(
            m_frmMain.Caption.text(),
            QStringLiteral("Etes-vous certain d'affecter un '?' (=?) à la commande ?"),
            DialogsHost::Buttons::YesNo, DialogsHost::Icon::Question, DialogsHost::Answer::No);
        if (answer != DialogsHost::Answer::Yes) {
            return;
        }
    }
    trap.at(50);
    m_state.PbBSound4TestResult[unit] = true;
    m_setup.ListeResultat.clear();
    trap.at(60);
    const QString command = trimBlanks(text);
    m_trace.line(QStringLiteral("TELNET: Manual Send: ") + command);
    trap.at(70);
    if (!sendLine(unit, UTF8_Encode_System(command), trap)) {
        // Nothing was sent, so no answer is coming: a line the unit writes later
        // (its login acknowledgement after a reconnection) is no result of it.
        m_state.PbBSound4TestResult[unit] = false;
    }
}

void Sound4Console::CommandSound4Purger_Click() {
    m_setup.ListeTelNet.clear();
}
