#include "ConsoleFixture.h"

#include <QHash>
#include <QtTest>

#include <memory>

namespace {

const QString Sep = QStringLiteral("==========");
const QString HeadingValues = QStringLiteral("========== Liste des valeurs possibles ==========");
const QString HeadingCurrent = QStringLiteral("========== Valeur actuelle ==========");
const QString HeadingOperations = QStringLiteral("========== Opérations possibles ==========");
const QString Question = QStringLiteral("Etes-vous certain d'affecter un '?' (=?) à la commande ?");

// The indices of the set flags, as "0123".
QString flagString(const Sound4Console::OperationFlags& flags) {
    QString out;
    for (int k = 0; k < Sound4Console::NbOperations; ++k) {
        if (flags[k]) {
            out += QString::number(k);
        }
    }
    return out;
}

// Stands for the unit: each line the console sends it is answered with the given
// bytes, during the wait that follows the send, through the program's reading of
// the unit's answers.
void unitAnswers(ConsoleFixture& c, int unit, const QHash<QByteArray, QByteArray>& answers) {
    auto handled = std::make_shared<qsizetype>(0);
    c.f.events.setOnEvents([&c, unit, answers, handled] {
        const QList<QByteArray>& sent = c.telnet(unit).sent;
        while (*handled < sent.size()) {
            const QByteArray answer = answers.value(sent.at((*handled)++));
            if (!answer.isEmpty()) {
                c.telnet(unit).arrive(answer);
            }
        }
    });
}

// The section "rds" chosen in the unit's section list and one command chosen in
// its command list.
void chooseRdsCommand(ConsoleFixture& c, int unit, const QString& name, const QString& operations) {
    c.setup.ComboSound4Section[unit].addItem(QStringLiteral("rds"));
    c.setup.ComboSound4Section[unit].setSelection(0);
    c.fillCommands(unit, {{name, QStringLiteral("Program service name"), operations}});
    c.setup.ComboSound4SectionDetail[unit].setSelection(0);
}

// The rows of the detail after its operations heading, without the closing row.
QStringList operationLines(const ListField& detail) {
    const QStringList rows = detail.rows();
    const qsizetype from = rows.indexOf(HeadingOperations);
    if (from < 0 || rows.isEmpty() || rows.last() != Sep) {
        return {QStringLiteral("<no operations block>")};
    }
    return rows.mid(from + 1, rows.size() - from - 2);
}

qsizetype sentOnAnyUnit(ConsoleFixture& c) {
    qsizetype n = 0;
    for (int i = 0; i < Sound4Console::NbSound4; ++i) {
        n += c.telnet(i).sent.size();
    }
    return n;
}

} // namespace

class TestSound4Console : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void operationFlagsAndLabels_data();
    void operationFlagsAndLabels();
    void sectionListIsAskedFor();
    void disconnectedUnitIsLeftAlone_data();
    void disconnectedUnitIsLeftAlone();
    void commandsOfASection_data();
    void commandsOfASection();
    void commandDetailReadsValueThenListsOperations();
    void explorationFromSectionsToDetail();
    void namesGoBackAsTheUnitWroteThem();
    void commandDetailOperationLines_data();
    void commandDetailOperationLines();
    void commandDetailUsesItsOwnUnitsCommand();
    void commandDetailGoesOnAfterFailedSends();
    void unitOutsideTheUnitsIsError9_data();
    void unitOutsideTheUnitsIsError9();
    void manualCommandIsTrimmedLoggedAndEncoded();
    void manualCommandAskingForValueIsConfirmed_data();
    void manualCommandAskingForValueIsConfirmed();
    void blankManualCommandDoesNothing_data();
    void blankManualCommandDoesNothing();
    void manualCommandOnClosedSessionIsReported();
    void manualCommandWithoutUnitIsError9();
    void purgerEmptiesTelnetListOnly();
};

void TestSound4Console::operationFlagsAndLabels_data() {
    QTest::addColumn<QString>("operations");
    QTest::addColumn<QString>("flags");
    QTest::addColumn<QString>("labels");

    QTest::newRow("none") << QString() << QString() << QString();
    QTest::newRow("letters only") << "(RW)" << QString() << QString();
    QTest::newRow("get") << "(?)"
                         << "0"
                         << "Get";
    QTest::newRow("get set") << "(?=)"
                             << "01"
                             << "Get, Set";
    QTest::newRow("add is not set") << "(+=)"
                                    << "4"
                                    << "Add";
    QTest::newRow("remove is not set") << "(-=)"
                                       << "5"
                                       << "Remove";
    QTest::newRow("add remove") << "(+=-=)"
                                << "45"
                                << "Add, Remove";
    QTest::newRow("get add") << "(?+=)"
                             << "04"
                             << "Get, Add";
    QTest::newRow("set beside add") << "(=+=)"
                                    << "14"
                                    << "Set, Add";
    QTest::newRow("alert on brings off") << "(!)"
                                         << "23"
                                         << "Alerte On, Alerte Off";
    QTest::newRow("alert off alone") << "(*)"
                                     << "3"
                                     << "Alerte Off";
    QTest::newRow("alert both") << "(*!)"
                                << "23"
                                << "Alerte On, Alerte Off";
    QTest::newRow("dimensions") << "(')"
                                << "6"
                                << "Dimensions";
    QTest::newRow("get set alert") << "(?=!)"
                                   << "0123"
                                   << "Get, Set, Alerte On, Alerte Off";
    QTest::newRow("all") << "(?=!*+=-=')"
                         << "0123456"
                         << "Get, Set, Alerte On, Alerte Off, Add, Remove, Dimensions";
}

void TestSound4Console::operationFlagsAndLabels() {
    QFETCH(QString, operations);
    QFETCH(QString, flags);
    QFETCH(QString, labels);

    const Sound4Console::Operations found = Sound4Console::operationsOf(operations);
    QCOMPARE(flagString(found.flags), flags);
    QCOMPARE(found.labels, labels);

    // The program's flags follow, whatever they held before.
    ConsoleFixture c;
    c.state.PbBSound4Operations.fill(true);
    QString out = QStringLiteral("stale");
    c.console.OperationsLib(operations, out);
    QCOMPARE(flagString(c.state.PbBSound4Operations), flags);
    QCOMPARE(out, labels);
}

void TestSound4Console::sectionListIsAskedFor() {
    ConsoleFixture c;
    c.connectUnit(1);
    c.setup.ComboSound4Section[1].addItem(QStringLiteral("old"));
    c.state.PbBSound4HelpSection[1] = true;
    c.state.PbBSound4HelpDetail[1] = true;

    c.console.CommandSound4Help_Click(1);

    QCOMPARE(c.telnet(1).sent, QList<QByteArray>{"help\r\n"});
    QVERIFY(c.setup.ComboSound4Section[1].isEmpty());
    QCOMPARE(c.setup.ListeTelNet.rows(), QStringList{Sep});
    QVERIFY(c.state.PbBSound4HelpListe[1]);
    QVERIFY(!c.state.PbBSound4HelpSection[1]);
    QVERIFY(!c.state.PbBSound4HelpDetail[1]);
    QVERIFY(c.reports.empty());
}

void TestSound4Console::disconnectedUnitIsLeftAlone_data() {
    QTest::addColumn<int>("button");
    QTest::newRow("Liste") << 0;
    QTest::newRow("Détail of the section") << 1;
    QTest::newRow("Détail of the command") << 2;
}

void TestSound4Console::disconnectedUnitIsLeftAlone() {
    QFETCH(int, button);
    ConsoleFixture c;
    // The session would take the text: only the program's flag says "not connected".
    c.connectUnit(2);
    c.state.PbBSound4Connected[2] = false;
    chooseRdsCommand(c, 2, QStringLiteral("ps"), QStringLiteral("(?=)"));
    c.setup.ListeSectionCommande.addItem(QStringLiteral("earlier detail"));
    const QStringList commands = c.setup.ComboSound4SectionDetail[2].rows();

    switch (button) {
    case 0:
        c.console.CommandSound4Help_Click(2);
        break;
    case 1:
        c.console.CommandSound4HelpSection_Click(2);
        break;
    default:
        c.console.CommandSound4DetailCommande_Click(2);
        break;
    }

    QVERIFY(c.telnet(2).sent.isEmpty());
    QCOMPARE(c.setup.ComboSound4Section[2].rows(), QStringList{QStringLiteral("rds")});
    QCOMPARE(c.setup.ComboSound4SectionDetail[2].rows(), commands);
    QCOMPARE(c.setup.ListeSectionCommande.rows(), QStringList{QStringLiteral("earlier detail")});
    QVERIFY(c.setup.ListeTelNet.isEmpty());
    QVERIFY(!c.state.PbBSound4HelpListe[2] && !c.state.PbBSound4HelpSection[2] &&
            !c.state.PbBSound4HelpDetail[2]);
    QVERIFY(c.reports.empty());
}

void TestSound4Console::commandsOfASection_data() {
    QTest::addColumn<QStringList>("sections");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<QByteArrayList>("sent");

    QTest::newRow("no section listed") << QStringList() << -1 << QByteArrayList();
    QTest::newRow("none chosen") << QStringList{"rds", "CH1"} << -1 << QByteArrayList{"help \r\n"};
    QTest::newRow("one chosen") << QStringList{"rds", "CH1"} << 1 << QByteArrayList{"help CH1\r\n"};
}

void TestSound4Console::commandsOfASection() {
    QFETCH(QStringList, sections);
    QFETCH(int, chosen);
    QFETCH(QByteArrayList, sent);
    ConsoleFixture c;
    c.connectUnit(0);
    for (const QString& s : sections) {
        c.setup.ComboSound4Section[0].addItem(s);
    }
    c.setup.ComboSound4Section[0].setSelection(chosen);
    c.fillCommands(0,
                   {{QStringLiteral("old"), QStringLiteral("Old command"), QStringLiteral("(?)")}});
    c.state.PbBSound4HelpListe[0] = true;

    c.console.CommandSound4HelpSection_Click(0);

    QCOMPARE(c.telnet(0).sent, sent);
    const bool asked = !sent.isEmpty();
    QCOMPARE(c.setup.ComboSound4SectionDetail[0].isEmpty(), asked);
    QCOMPARE(c.setup.ComboSound4SectionDetailLib[0].isEmpty(), asked);
    QCOMPARE(c.setup.ComboSound4SectionDetailOperation[0].isEmpty(), asked);
    QCOMPARE(c.state.PbBSound4HelpSection[0], asked);
    QCOMPARE(c.state.PbBSound4HelpListe[0], !asked);
    QCOMPARE(c.setup.ListeTelNet.rows(), asked ? QStringList{Sep} : QStringList());
}

void TestSound4Console::commandDetailReadsValueThenListsOperations() {
    ConsoleFixture c;
    c.connectUnit(0);
    chooseRdsCommand(c, 0, QStringLiteral("ps"), QStringLiteral("(?=)"));
    c.setup.ListeSectionCommande.addItem(QStringLiteral("earlier detail"));
    unitAnswers(c, 0,
                {{"help rds.ps\r\n", "ps: Program service name\r\nValues: 8 characters\r\n"},
                 {"rds.ps?\r\n", "rds.ps=MORNING\r\n"}});
    const qint64 start = c.program.uptime.TickCountMilliSec();

    c.console.CommandSound4DetailCommande_Click(0);

    QCOMPARE(c.telnet(0).sent, (QList<QByteArray>{"help rds.ps\r\n", "rds.ps?\r\n"}));
    QCOMPARE(c.setup.ListeSectionCommande.rows(),
             (QStringList{HeadingValues, QStringLiteral("ps: Program service name"),
                          QStringLiteral("Values: 8 characters"), HeadingCurrent,
                          QStringLiteral("rds.ps=MORNING"), HeadingOperations,
                          QStringLiteral("rds.ps?"), QStringLiteral("rds.ps=xxx"), Sep}));
    QCOMPARE(c.setup.ListeTelNet.rows().count(Sep), 3);
    QVERIFY(c.program.uptime.TickCountMilliSec() - start > 2 * Sound4Console::DetailWaitMs);
    QVERIFY(c.reports.empty());

    // The detail is over: what the unit writes now is no longer part of it.
    QVERIFY(!c.state.PbBSound4HelpDetail[0]);
    c.telnet(0).arrive("rds.ps=EVENING\r\n");
    QCOMPARE(c.setup.ListeSectionCommande.count(), 9);
}

void TestSound4Console::explorationFromSectionsToDetail() {
    ConsoleFixture c;
    c.connectUnit(1);

    c.console.CommandSound4Help_Click(1);
    c.telnet(1).arrive("Section 'rds': RDS encoder\r\nSection 'CH1 to CH8': Channels\r\n");
    QCOMPARE(c.setup.ComboSound4Section[1].count(), 9);
    QCOMPARE(c.setup.ComboSound4Section[1].selection(), 0);

    c.console.CommandSound4HelpSection_Click(1);
    c.telnet(1).arrive("-ps (?=) : Program service name\r\n-alarm (!) : Silence alarm\r\n");
    QCOMPARE(c.setup.ComboSound4SectionDetail[1].rows(),
             (QStringList{QStringLiteral("ps"), QStringLiteral("alarm")}));
    // The first command is chosen by the reading of the answer, which runs the click.
    QCOMPARE(flagString(c.state.PbBSound4Operations), QStringLiteral("01"));
    QCOMPARE(c.console.TexteDescriptionCommande.text(),
             QStringLiteral("ps : Program service name | Opérations: Get, Set"));

    c.setup.ComboSound4SectionDetail[1].setSelection(1);
    unitAnswers(c, 1, {{"help rds.alarm\r\n", "Raised when the input is silent\r\n"}});
    c.console.CommandSound4DetailCommande_Click(1);

    QCOMPARE(c.telnet(1).sent,
             (QList<QByteArray>{"help\r\n", "help rds\r\n", "help rds.alarm\r\n"}));
    QCOMPARE(c.setup.ListeSectionCommande.rows(),
             (QStringList{HeadingValues, QStringLiteral("Raised when the input is silent"),
                          HeadingOperations, QStringLiteral("rds.alarm!"),
                          QStringLiteral("rds.alarm*"), Sep}));
    QVERIFY(c.reports.empty());
}

void TestSound4Console::namesGoBackAsTheUnitWroteThem() {
    ConsoleFixture c;
    c.connectUnit(0);
    c.console.CommandSound4Help_Click(0);
    c.telnet(0).arrive("Section 'caf\xc3\xa9 & co': Odd name\r\n");

    c.console.CommandSound4HelpSection_Click(0);

    QCOMPARE(c.telnet(0).sent.last(), QByteArray("help caf\xc3\xa9 & co\r\n"));
}

void TestSound4Console::commandDetailOperationLines_data() {
    QTest::addColumn<QString>("operations");
    QTest::addColumn<QByteArrayList>("sent");
    QTest::addColumn<QStringList>("lines");

    const QByteArray help = "help rds.ps\r\n";
    QTest::newRow("get set") << "(?=)" << QByteArrayList{help, "rds.ps?\r\n"}
                             << QStringList{"rds.ps?", "rds.ps=xxx"};
    QTest::newRow("add only") << "(+=)" << QByteArrayList{help} << QStringList{"rds.ps+=xxx"};
    QTest::newRow("alert on") << "(!)" << QByteArrayList{help} << QStringList{"rds.ps!", "rds.ps*"};
    QTest::newRow("alert off") << "(*)" << QByteArrayList{help} << QStringList{"rds.ps*"};
    QTest::newRow("dimensions remove")
        << "(-=')" << QByteArrayList{help} << QStringList{"rds.ps-=xxx", "rds.ps'"};
    QTest::newRow("none") << "(RW)" << QByteArrayList{help} << QStringList();
}

void TestSound4Console::commandDetailOperationLines() {
    QFETCH(QString, operations);
    QFETCH(QByteArrayList, sent);
    QFETCH(QStringList, lines);
    ConsoleFixture c;
    c.connectUnit(0);
    chooseRdsCommand(c, 0, QStringLiteral("ps"), operations);

    c.console.CommandSound4DetailCommande_Click(0);

    QCOMPARE(c.telnet(0).sent, sent);
    QCOMPARE(operationLines(c.setup.ListeSectionCommande), lines);
    QCOMPARE(c.setup.ListeSectionCommande.rows().contains(HeadingCurrent), sent.size() == 2);
}

void TestSound4Console::commandDetailUsesItsOwnUnitsCommand() {
    ConsoleFixture c;
    c.connectUnit(0);
    c.connectUnit(1);
    chooseRdsCommand(c, 0, QStringLiteral("ps"), QStringLiteral("(?=)"));
    // A command chosen afterwards in another unit's list.
    chooseRdsCommand(c, 1, QStringLiteral("alarm"), QStringLiteral("(!)"));
    QCOMPARE(flagString(c.state.PbBSound4Operations), QStringLiteral("23"));

    c.console.CommandSound4DetailCommande_Click(0);

    QCOMPARE(c.telnet(0).sent, (QList<QByteArray>{"help rds.ps\r\n", "rds.ps?\r\n"}));
    QCOMPARE(operationLines(c.setup.ListeSectionCommande),
             (QStringList{QStringLiteral("rds.ps?"), QStringLiteral("rds.ps=xxx")}));
    QVERIFY(c.telnet(1).sent.isEmpty());
}

void TestSound4Console::commandDetailGoesOnAfterFailedSends() {
    ConsoleFixture c;
    // Flagged connected, but the session is closed: both sends fail.
    c.state.PbBSound4Connected[2] = true;
    chooseRdsCommand(c, 2, QStringLiteral("ps"), QStringLiteral("(?)"));

    c.console.CommandSound4DetailCommande_Click(2);

    QVERIFY(c.telnet(2).sent.isEmpty());
    QCOMPARE(c.reports.reports().size(), 2);
    for (const RecordingReporter::Report& r : c.reports.reports()) {
        QCOMPARE(r.caller, QStringLiteral("FrmSetup:CommandSound4DetailCommande_Click"));
        QVERIFY(r.error.isError());
    }
    QVERIFY(c.reports.reports().at(0).line < c.reports.reports().at(1).line);
    QCOMPARE(c.setup.ListeSectionCommande.rows(),
             (QStringList{HeadingValues, HeadingCurrent, HeadingOperations,
                          QStringLiteral("rds.ps?"), Sep}));
    QVERIFY(!c.state.PbBSound4HelpDetail[2]);
}

void TestSound4Console::unitOutsideTheUnitsIsError9_data() {
    QTest::addColumn<QString>("procedure");
    QTest::addColumn<int>("unit");
    QTest::newRow("Liste -1") << "CommandSound4Help_Click" << -1;
    QTest::newRow("Liste 4") << "CommandSound4Help_Click" << 4;
    QTest::newRow("section 4") << "CommandSound4HelpSection_Click" << 4;
    QTest::newRow("command list -1") << "ComboSound4SectionDetail_Click" << -1;
    QTest::newRow("command 4") << "CommandSound4DetailCommande_Click" << 4;
}

void TestSound4Console::unitOutsideTheUnitsIsError9() {
    QFETCH(QString, procedure);
    QFETCH(int, unit);
    ConsoleFixture c;
    for (int i = 0; i < Sound4Console::NbSound4; ++i) {
        c.connectUnit(i);
        chooseRdsCommand(c, i, QStringLiteral("ps"), QStringLiteral("(?=)"));
    }
    c.state.PbBSound4Operations.fill(false);
    const qint16 u = static_cast<qint16>(unit);

    if (procedure == QLatin1String("CommandSound4Help_Click")) {
        c.console.CommandSound4Help_Click(u);
    } else if (procedure == QLatin1String("CommandSound4HelpSection_Click")) {
        c.console.CommandSound4HelpSection_Click(u);
    } else if (procedure == QLatin1String("ComboSound4SectionDetail_Click")) {
        c.console.ComboSound4SectionDetail_Click(u);
    } else {
        c.console.CommandSound4DetailCommande_Click(u);
    }

    QCOMPARE(c.reports.reports().size(), 1);
    QCOMPARE(c.reports.reports().at(0).caller, QStringLiteral("FrmSetup:") + procedure);
    QCOMPARE(c.reports.reports().at(0).error.number, 9);
    QCOMPARE(sentOnAnyUnit(c), 0);
    QVERIFY(c.setup.ListeTelNet.isEmpty());
    QCOMPARE(flagString(c.state.PbBSound4Operations), QString());
}

void TestSound4Console::manualCommandIsTrimmedLoggedAndEncoded() {
    ConsoleFixture c;
    c.connectUnit(2);
    c.setup.ComboSound4NoCart.setSelection(2); // item "3"
    c.setup.TexteCommandeATester.setText(QStringLiteral("  rds.ps=Café  "));
    c.setup.ListeResultat.addItem(QStringLiteral("previous answer"));

    c.console.CommandSound4CommandeATester_Click();

    QCOMPARE(c.telnet(2).sent, QList<QByteArray>{"rds.ps=Caf\xc3\xa9\r\n"});
    QCOMPARE(sentOnAnyUnit(c), 1);
    QCOMPARE(c.trace.messages(), QStringList{QStringLiteral("TELNET: Manual Send: rds.ps=Café")});
    QVERIFY(c.trace.incidents().isEmpty());
    QVERIFY(c.state.PbBSound4TestResult[2]);
    QVERIFY(c.setup.ListeResultat.isEmpty());
    QVERIFY(c.dialogs.questions.isEmpty());
    QVERIFY(c.reports.empty());
}

void TestSound4Console::manualCommandAskingForValueIsConfirmed_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("sent");
    QTest::newRow("no") << int(DialogsHost::Answer::No) << false;
    QTest::newRow("yes") << int(DialogsHost::Answer::Yes) << true;
}

void TestSound4Console::manualCommandAskingForValueIsConfirmed() {
    QFETCH(int, answer);
    QFETCH(bool, sent);
    ConsoleFixture c;
    c.connectUnit(0);
    c.setup.ComboSound4NoCart.setSelection(0);
    c.setup.TexteCommandeATester.setText(QStringLiteral("rds.ps=?"));
    c.setup.ListeResultat.addItem(QStringLiteral("previous answer"));
    c.dialogs.answers = {DialogsHost::Answer(answer)};

    c.console.CommandSound4CommandeATester_Click();

    QCOMPARE(c.dialogs.questions.size(), 1);
    const ScriptedDialogs::Question& q = c.dialogs.questions.at(0);
    QCOMPARE(q.title, QStringLiteral("Ondelia: Trelvo - 2024.0131.0905 - STUDIO1"));
    QCOMPARE(q.text, Question);
    QVERIFY(q.buttons == DialogsHost::Buttons::YesNo);
    QVERIFY(q.icon == DialogsHost::Icon::Question);
    QVERIFY(q.safeAnswer == DialogsHost::Answer::No);

    QCOMPARE(c.telnet(0).sent, sent ? QList<QByteArray>{"rds.ps=?\r\n"} : QList<QByteArray>());
    QCOMPARE(c.setup.ListeResultat.isEmpty(), sent);
    QCOMPARE(c.state.PbBSound4TestResult[0], sent);
    QCOMPARE(c.trace.messages().isEmpty(), !sent);
}

void TestSound4Console::blankManualCommandDoesNothing_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("chosen");
    QTest::newRow("empty") << QString() << 1;
    QTest::newRow("blanks") << "    " << 1;
    QTest::newRow("blanks, no unit chosen") << "  " << -1;
}

void TestSound4Console::blankManualCommandDoesNothing() {
    QFETCH(QString, text);
    QFETCH(int, chosen);
    ConsoleFixture c;
    c.connectUnit(1);
    c.setup.ComboSound4NoCart.setSelection(chosen);
    c.setup.TexteCommandeATester.setText(text);
    c.setup.ListeResultat.addItem(QStringLiteral("previous answer"));

    c.console.CommandSound4CommandeATester_Click();

    QCOMPARE(sentOnAnyUnit(c), 0);
    QCOMPARE(c.setup.ListeResultat.rows(), QStringList{QStringLiteral("previous answer")});
    QVERIFY(!c.state.PbBSound4TestResult[1]);
    QVERIFY(c.trace.messages().isEmpty());
    QVERIFY(c.reports.empty());
}

void TestSound4Console::manualCommandOnClosedSessionIsReported() {
    ConsoleFixture c;
    c.setup.ComboSound4NoCart.setSelection(1);
    c.setup.TexteCommandeATester.setText(QStringLiteral("rds.ps?"));
    c.setup.ListeResultat.addItem(QStringLiteral("previous answer"));

    c.console.CommandSound4CommandeATester_Click();

    QCOMPARE(c.trace.messages(), QStringList{QStringLiteral("TELNET: Manual Send: rds.ps?")});
    QCOMPARE(c.reports.reports().size(), 1);
    QCOMPARE(c.reports.reports().at(0).caller,
             QStringLiteral("FrmSetup:CommandSound4CommandeATester_Click"));
    QVERIFY(c.reports.reports().at(0).error.isError());
    QVERIFY(c.setup.ListeResultat.isEmpty());
    // Nothing went out, so no answer is awaited from the unit.
    QVERIFY(!c.state.PbBSound4TestResult[1]);
}

void TestSound4Console::manualCommandWithoutUnitIsError9() {
    ConsoleFixture c;
    c.connectUnit(0);
    c.setup.ComboSound4NoCart.setSelection(-1);
    c.setup.TexteCommandeATester.setText(QStringLiteral("rds.ps=?"));
    c.setup.ListeResultat.addItem(QStringLiteral("previous answer"));

    c.console.CommandSound4CommandeATester_Click();

    QCOMPARE(c.reports.reports().size(), 1);
    QCOMPARE(c.reports.reports().at(0).error.number, 9);
    QVERIFY(c.dialogs.questions.isEmpty());
    QCOMPARE(sentOnAnyUnit(c), 0);
    QVERIFY(c.trace.messages().isEmpty());
    QCOMPARE(c.setup.ListeResultat.rows(), QStringList{QStringLiteral("previous answer")});
}

void TestSound4Console::purgerEmptiesTelnetListOnly() {
    ConsoleFixture c;
    c.setup.ListeTelNet.addItem(QStringLiteral("09:05:03:042 :0: Connected"));
    c.setup.ListeTelNet.addItem(Sep);
    c.setup.ListeResultat.addItem(QStringLiteral("OK"));
    c.setup.ListeSectionCommande.addItem(HeadingValues);
    c.setup.ComboSound4Section[0].addItem(QStringLiteral("rds"));
    c.setup.TexteCommandeATester.setText(QStringLiteral("rds.ps?"));

    c.console.CommandSound4Purger_Click();

    QVERIFY(c.setup.ListeTelNet.isEmpty());
    QCOMPARE(c.setup.ListeResultat.rows(), QStringList{QStringLiteral("OK")});
    QCOMPARE(c.setup.ListeSectionCommande.rows(), QStringList{HeadingValues});
    QCOMPARE(c.setup.ComboSound4Section[0].rows(), QStringList{QStringLiteral("rds")});
    QCOMPARE(c.setup.TexteCommandeATester.text(), QStringLiteral("rds.ps?"));
}

QTEST_GUILESS_MAIN(TestSound4Console)
#include "tst_sound4console.moc"
