#include "ProgramFixture.h"

#include <QtTest>

namespace {

// Unit 0 connected on its fake connection.
struct ReceiverFixture : ProgramFixture {
    ProgramState& state = program.state;
    FrmSetup& setup = program.frmSetup;

    ReceiverFixture() { telnet(0).setState(TelnetConnection::Connected); }
    // The telnet rows without their time and unit prefix.
    QStringList telnetRows() const {
        QStringList rows;
        for (const QString& row : program.frmSetup.ListeTelNet.rows()) {
            rows << row.mid(QStringLiteral("09:05:03:042 :0: ").size());
        }
        return rows;
    }
};

} // namespace

class TestSound4Receiver : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void splitsLines_data();
    void splitsLines();
    void loginAcknowledgedFromFragments();
    void answerLines();
    void helpListings();
    void notConnectedLeavesDataUnread();
    void dropForgetsTheTail();
    void overLongLineKeepsItsEnd();
};

void TestSound4Receiver::splitsLines_data() {
    QTest::addColumn<QList<QByteArray>>("blocks");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("two lines") << QList<QByteArray>{"a\r\nb\r\n"} << QStringList{"a", "b"};
    QTest::newRow("tail waits for its end") << QList<QByteArray>{"a\r\nb"} << QStringList{"a"};
    QTest::newRow("tail completed")
        << QList<QByteArray>{"a\r\nb", "c\r\n"} << QStringList{"a", "bc"};
    QTest::newRow("LF inside and blanks")
        << QList<QByteArray>{"  x\ny  \r\n\r\n   \r\n"} << QStringList{"x y"};
    QTest::newRow("livewire protected")
        << QList<QByteArray>{"livewire+ on\r\n"} << QStringList{"LIVEWIRE+ on"};
    QTest::newRow("star equals") << QList<QByteArray>{"x *= y\r\n"} << QStringList{"x += y"};
    QTest::newRow("separator shown whole")
        << QList<QByteArray>{"a + b\r\n"} << QStringList{"a + b"};
}

void TestSound4Receiver::splitsLines() {
    QFETCH(QList<QByteArray>, blocks);
    QFETCH(QStringList, rows);
    ReceiverFixture f;
    f.setup.ListeTelNet.clear();
    for (const QByteArray& block : blocks) {
        f.telnet(0).arrive(block);
    }
    QCOMPARE(f.telnetRows(), rows);
}

void TestSound4Receiver::loginAcknowledgedFromFragments() {
    ReceiverFixture f;
    f.state.PbBSound4LoginPending[0] = true;
    const QByteArray answer("OK : LOGIN\r\n");
    for (char byte : answer) {
        QCOMPARE(f.state.PbBSound4LoggedIn[0], byte == '\n'); // complete once its CR came
        f.telnet(0).arrive(QByteArray(1, byte));
    }
    QVERIFY(f.state.PbBSound4LoggedIn[0]);
    QVERIFY(!f.state.PbBSound4LoginPending[0]);
}

void TestSound4Receiver::answerLines() {
    ReceiverFixture f;
    f.setup.ListeTelNet.clear();
    f.state.PbBSound4PlayerResult[0] = true;
    f.telnet(0).arrive("+first\r\n");
    QVERIFY(f.state.PbBSound4PlayerResult[0]);
    f.telnet(0).arrive("second \xc3\xa9\r\nafter\r\n");
    QCOMPARE(f.setup.ListeResultat.rows(),
             (QStringList{QStringLiteral("+first"), QStringLiteral("second \u00e9")}));
    QVERIFY(!f.state.PbBSound4PlayerResult[0]);
    QCOMPARE(f.telnetRows(), QStringList{"after"}); // answers are not telnet traffic
    const QString log = f.program.frmMainBis.ListeLogTemp.rows().join('\n');
    QVERIFY(log.contains(QStringLiteral(":TELNET: Result: +first\n")));
    f.state.PbBSound4TestResult[0] = true;
    f.telnet(0).arrive("OK\r\n");
    QVERIFY(!f.state.PbBSound4TestResult[0]);
}

void TestSound4Receiver::helpListings() {
    ReceiverFixture f;
    f.state.PbBSound4HelpListe[0] = true;
    f.telnet(0).arrive("Section 'rds': RDS encoder\r\nSection 'CH1 to CH8': Inputs\r\n"
                       "Section 'ch1 to ch8': x\r\nno section here\r\n");
    QStringList expected{"rds"};
    for (int i = 1; i <= 8; ++i) {
        expected << QStringLiteral("CH%1").arg(i);
    }
    expected << "ch1 to ch8";
    QCOMPARE(f.setup.ComboSound4Section[0].rows(), expected);
    QCOMPARE(f.setup.ComboSound4Section[0].selection(), 0);

    f.state.PbBSound4HelpListe[0] = false;
    f.state.PbBSound4HelpSection[0] = true;
    f.telnet(0).arrive(
        "-ps (RW) : Program service name\r\n-rt (?=) no colon\r\n-pi (R) : PI code\r\n");
    QCOMPARE(f.setup.ComboSound4SectionDetail[0].rows(), (QStringList{"ps", "pi"}));
    QCOMPARE(f.setup.ComboSound4SectionDetailLib[0].rows(),
             (QStringList{"Program service name", "PI code"}));
    QCOMPARE(f.setup.ComboSound4SectionDetailOperation[0].rows(), (QStringList{"(RW)", "(R)"}));
    QCOMPARE(f.setup.ComboSound4SectionDetail[0].selection(), 0);

    f.state.PbBSound4HelpSection[0] = false;
    f.state.PbBSound4HelpDetail[0] = true;
    f.telnet(0).arrive("Values: 8 chars \xc3\xa9\r\n  \r\n");
    QCOMPARE(f.setup.ListeSectionCommande.rows(),
             QStringList{QStringLiteral("Values: 8 chars \u00e9")});
}

void TestSound4Receiver::notConnectedLeavesDataUnread() {
    ReceiverFixture f;
    f.state.PbBSound4Connected[0] = false;
    f.setup.ListeTelNet.clear();
    f.telnet(0).arrive("hello\r\n");
    QVERIFY(f.setup.ListeTelNet.isEmpty());
    QCOMPARE(f.telnet(0).pending, QByteArray("hello\r\n"));
}

void TestSound4Receiver::dropForgetsTheTail() {
    ReceiverFixture f;
    f.state.PbBSound4LoginPending[0] = true;
    f.telnet(0).arrive("OK : LO");
    f.telnet(0).drop();
    f.telnet(0).setState(TelnetConnection::Connected);
    f.telnet(0).arrive("GIN\r\n");
    QVERIFY(!f.state.PbBSound4LoggedIn[0]);
}

// A unit that writes far more than a line may hold before its line end: what ends
// the line (here the login's answer) is still read, once, and the lines after it.
void TestSound4Receiver::overLongLineKeepsItsEnd() {
    ReceiverFixture f;
    f.setup.ListeTelNet.clear();
    f.state.PbBSound4LoginPending[0] = true;
    for (int i = 0; i < 20; ++i) {
        f.telnet(0).arrive(QByteArray(16 * 1024, 'x'));
    }
    QVERIFY(!f.state.PbBSound4LoggedIn[0]);
    f.telnet(0).arrive("yyOK : LOGIN\r\nnext\r\n");
    QVERIFY(f.state.PbBSound4LoggedIn[0]);
    const QStringList rows = f.telnetRows();
    QCOMPARE(rows.size(), 2);
    QVERIFY(rows.first().endsWith(QStringLiteral("xxyyOK : LOGIN")));
    QCOMPARE(rows.last(), QStringLiteral("next"));
    const QString log = f.program.frmMainBis.ListeLogTemp.rows().join('\n');
    QCOMPARE(log.count(QStringLiteral("a line longer than 65536 bytes")), 1);
}

QTEST_GUILESS_MAIN(TestSound4Receiver)
#include "tst_sound4receiver.moc"
