#include "RecordingReporter.h"
#include "relay/PlayerMessage.h"

#include <QtTest>

class TestPlayerMessage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void extraireBalise_data();
    void extraireBalise();
    void extraireBaliseLongMessages();
    void unitNumber_data();
    void unitNumber();
    void command_data();
    void command();
};

void TestPlayerMessage::extraireBalise_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("defaut");
    QTest::addColumn<QString>("expected");

    const QString sd4 = QStringLiteral("<SD4:");
    QTest::newRow("empty message") << "" << sd4 << "dflt"
                                   << "dflt";
    QTest::newRow("blanks only") << "   " << sd4 << "dflt"
                                 << "dflt";
    QTest::newRow("empty value") << "<SD4:>" << sd4 << "dflt"
                                 << "";
    QTest::newRow("unterminated") << "<SD4:abc" << sd4 << ""
                                  << "";
    QTest::newRow("unterminated keeps default") << "<SD4:abc" << sd4 << "dflt"
                                                << "dflt";
    QTest::newRow("inner <") << "<SD4:a<b>" << sd4 << ""
                             << "a<b";
    QTest::newRow("first >") << "<SD4:x>y>" << sd4 << ""
                             << "x";
    QTest::newRow("case ignored") << "<sd4:rds.ps=X>" << sd4 << ""
                                  << "rds.ps=X";
    QTest::newRow("untrimmed") << "xx<sd4: preset.load=3 >" << sd4 << ""
                               << " preset.load=3 ";
    QTest::newRow("first of two") << "<SD4:one><SD4:two>" << sd4 << ""
                                  << "one";
    QTest::newRow("absent") << "<RDS:PS>" << sd4 << "d"
                            << "d";
    QTest::newRow("fields in any order")
        << "<NoSound4:2>xx<SD4:cmd>" << QStringLiteral("<NoSound4:") << "0"
        << "2";
    QTest::newRow("tab is not blank") << "\t" << sd4 << "d"
                                      << "d";
    QTest::newRow("CR LF kept") << "<Msg:a\r\nb>" << QStringLiteral("<Msg:") << ""
                                << "a\r\nb";
    QTest::newRow("> only before the tag") << "a><SD4:b" << sd4 << "d"
                                           << "d";
    QTest::newRow("empty tag") << "abc>def"
                               << ""
                               << "d"
                               << "abc";
    QTest::newRow("tag holding >") << "<a>b:c"
                                   << "<a>b:"
                                   << "d"
                                   << "d";
}

void TestPlayerMessage::extraireBalise() {
    QFETCH(QString, message);
    QFETCH(QString, tag);
    QFETCH(QString, defaut);
    QFETCH(QString, expected);
    RecordingReporter errors;
    QCOMPARE(ExtraireBalise(message, tag, defaut, errors), expected);
}

void TestPlayerMessage::extraireBaliseLongMessages() {
    RecordingReporter errors;
    // A field early in a long message is found; one beyond the 16-bit positions is
    // reported as an overflow and gives the default.
    const QString early = QStringLiteral("<SD4:abc>") + QString(40000, QLatin1Char('x'));
    QCOMPARE(ExtraireBalise(early, QStringLiteral("<SD4:"), QString(), errors),
             QStringLiteral("abc"));
    QVERIFY(errors.empty());

    const QString late = QString(40000, QLatin1Char('x')) + QStringLiteral("<SD4:abc>");
    QCOMPARE(ExtraireBalise(late, QStringLiteral("<SD4:"), QStringLiteral("d"), errors),
             QStringLiteral("d"));
    QCOMPARE(errors.reports().size(), 1);
    QCOMPARE(errors.reports().front().caller, QStringLiteral("Lib_Public:ExtraireBalise"));
    QCOMPARE(errors.reports().front().error.number, 6);
}

void TestPlayerMessage::unitNumber_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("expected"); // -99999: no result (overflow)
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("plain") << "2" << 2;
    QTest::newRow("blanks around") << " 2 " << 2;
    QTest::newRow("1.5 rounds to even 2") << "1.5" << 2;
    QTest::newRow("2.5 rounds to even 2") << "2.5" << 2;
    QTest::newRow("0.5 rounds to 0") << "0.5" << 0;
    QTest::newRow("3abc") << "3abc" << 3;
    QTest::newRow("x") << "x" << 0;
    QTest::newRow("negative") << "-1" << -1;
    QTest::newRow("five") << "5" << 5;
    QTest::newRow("tab and LF skipped") << "\t1\n" << 1;
    QTest::newRow("largest") << "32767" << 32767;
    QTest::newRow("overflow") << "32768" << -99999;
    QTest::newRow("huge") << "1e400" << -99999;
}

void TestPlayerMessage::unitNumber() {
    QFETCH(QString, value);
    QFETCH(int, expected);
    const std::optional<qint16> unit = readUnitNumber(value);
    if (expected == -99999) {
        QVERIFY(!unit.has_value());
    } else {
        QVERIFY(unit.has_value());
        QCOMPARE(int(*unit), expected);
    }
}

void TestPlayerMessage::command_data() {
    QTest::addColumn<int>("listener");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<int>("unit");

    const int nothing = int(PlayerCommand::Action::Nothing);
    const int send = int(PlayerCommand::Action::Send);
    const int unknown = int(PlayerCommand::Action::RdsItemUnknown);
    QTest::newRow("raw to unit 1")
        << 0 << "<SD4:rds.ps=HELLO><NoSound4:1>" << send << "rds.ps=HELLO" << 1;
    QTest::newRow("raw trimmed, unit 2")
        << 0 << "<NoSound4:2>xx<sd4: preset.load=3 >" << send << "preset.load=3" << 2;
    QTest::newRow("raw without unit") << 0 << "<SD4:x?>" << send << "x?" << 0;
    QTest::newRow("raw empty unit field") << 0 << "<SD4:x?><NoSound4:>" << send << "x?" << 0;
    QTest::newRow("raw unit out of range kept") << 0 << "<SD4:a><NoSound4:5>" << send << "a" << 5;
    QTest::newRow("raw empty") << 0 << "<SD4:>" << nothing << "" << 0;
    QTest::newRow("raw blanks") << 0 << "<SD4:   >" << nothing << "" << 0;
    QTest::newRow("raw unterminated") << 0 << "<SD4:abc" << nothing << "" << 0;
    QTest::newRow("raw ignores RDS") << 0 << "<RDS:PS><Msg:X>" << nothing << "" << 0;
    QTest::newRow("rds rt") << 1 << "<RDS:rt><Msg:Now playing: Song>" << send
                            << "rds.rt=Now playing: Song" << 0;
    QTest::newRow("rds ps") << 1 << "<RDS:PS><Msg:MORNING>" << send << "rds.ps=MORNING" << 0;
    QTest::newRow("rds keeps leading blanks")
        << 1 << "<RDS:PS><Msg:  A  >" << send << "rds.ps=  A" << 0;
    QTest::newRow("rds ignores unit")
        << 1 << "<RDS:PS><Msg:A><NoSound4:2>" << send << "rds.ps=A" << 0;
    QTest::newRow("rds blank around item") << 1 << "<RDS: PS><Msg:A>" << unknown << "" << 0;
    QTest::newRow("rds TA") << 1 << "<RDS:TA><Msg:A>" << unknown << "" << 0;
    QTest::newRow("rds missing item") << 1 << "<Msg:A>" << unknown << "" << 0;
    QTest::newRow("rds no text") << 1 << "<RDS:PS>" << nothing << "" << 0;
    QTest::newRow("rds blank text") << 1 << "<RDS:PS><Msg:  >" << nothing << "" << 0;
    QTest::newRow("rds ignores SD4") << 1 << "<SD4:rds.ps=X>" << nothing << "" << 0;
    QTest::newRow("listener 5") << 5 << "<SD4:rds.ps=X>" << nothing << "" << 0;
    QTest::newRow("listener out of range") << 12 << "<SD4:rds.ps=X>" << nothing << "" << 0;
}

void TestPlayerMessage::command() {
    QFETCH(int, listener);
    QFETCH(QString, message);
    QFETCH(int, action);
    QFETCH(QString, sent);
    QFETCH(int, unit);
    RecordingReporter errors;
    const PlayerCommand cmd = playerCommandFor(qint16(listener), message, errors);
    QCOMPARE(int(cmd.action), action);
    if (cmd.action == PlayerCommand::Action::Send) {
        QCOMPARE(cmd.commandToSend(), sent);
        QVERIFY(cmd.unit.has_value());
        QCOMPARE(int(*cmd.unit), unit);
    }
    QVERIFY(errors.empty());
}

QTEST_GUILESS_MAIN(TestPlayerMessage)
#include "tst_playermessage.moc"
