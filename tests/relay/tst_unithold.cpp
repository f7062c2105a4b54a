#include "relay/UnitHold.h"
#include "sound4/AwaitedAnswers.h"

#include <QtTest>

// What waits for a unit and what settles it: its hold (raw commands in order, only the
// newest programme-service name and radio text, the oldest dropped and counted beyond
// its capacity) and the answers that complete its requests.
class TestUnitHold : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keepsWhatIsWorthSending_data();
    void keepsWhatIsWorthSending();
    void settlesAnswersInOrder_data();
    void settlesAnswersInOrder();
};

namespace {

HeldMessage held(const QString& command) {
    return {0, command, HeldMessage::kindOf(command), command};
}

} // namespace

// "+x" appends x; "<x y" puts x, y back at the head (written, then lost).
void TestUnitHold::keepsWhatIsWorthSending_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("dropped");
    QTest::newRow("raw in order") << QStringList{"+a=1", "+b=2", "+c=3"}
                                  << QStringList{"a=1", "b=2", "c=3"} << 0;
    QTest::newRow("newer ps replaces older") << QStringList{"+rds.ps=OLD", "+a=1", "+rds.ps=NEW"}
                                             << QStringList{"a=1", "rds.ps=NEW"} << 0;
    QTest::newRow("ps and rt apart") << QStringList{"+rds.ps=P", "+rds.rt=R", "+RDS.PS=Q"}
                                     << QStringList{"rds.rt=R", "RDS.PS=Q"} << 0;
    QTest::newRow("full: oldest dropped") << QStringList{"+a=1", "+b=2", "+c=3", "+d=4", "+e=5"}
                                          << QStringList{"c=3", "d=4", "e=5"} << 2;
    QTest::newRow("put back before newer")
        << QStringList{"+c=3", "<a=1 b=2"} << QStringList{"a=1", "b=2", "c=3"} << 0;
    QTest::newRow("put back ps older than held one")
        << QStringList{"+rds.ps=NEW", "<rds.ps=OLD a=1"} << QStringList{"a=1", "rds.ps=NEW"} << 0;
    QTest::newRow("put back keeps only its newest ps")
        << QStringList{"<rds.ps=A rds.ps=B"} << QStringList{"rds.ps=B"} << 0;
    QTest::newRow("put back beyond capacity")
        << QStringList{"+c=3", "+d=4", "<a=1 b=2"} << QStringList{"b=2", "c=3", "d=4"} << 1;
}

void TestUnitHold::keepsWhatIsWorthSending() {
    QFETCH(QStringList, steps);
    QFETCH(QStringList, expected);
    QFETCH(int, dropped);
    UnitHold hold(3);
    for (const QString& step : steps) {
        if (step.startsWith(QLatin1Char('+'))) {
            hold.append(held(step.mid(1)));
        } else {
            std::deque<HeldMessage> older;
            for (const QString& command : step.mid(1).split(QLatin1Char(' '))) {
                older.push_back(held(command));
            }
            hold.putBack(older);
        }
    }
    QCOMPARE(hold.takeDropped(), qsizetype(dropped));
    QStringList left;
    while (!hold.isEmpty()) {
        left << hold.takeFirst().message;
    }
    QCOMPARE(left, expected);
}

// Requests written in order (P player, C console, H help, L login, O logout), then
// the unit's lines: which requests each line completes.
void TestUnitHold::settlesAnswersInOrder_data() {
    QTest::addColumn<QString>("requests");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QString>("completed"); // one letter per completing line, "-" none
    QTest::addColumn<QString>("loginLost"); // "!" where the answer says so
    QTest::newRow("player answers") << "PP" << QByteArrayList{"OK", "ERROR : bad value"} << "PP"
                                    << "..";
    QTest::newRow("continuation lines") << "P" << QByteArrayList{"+ 1", "+ 2", "3"} << "--P"
                                        << "...";
    QTest::newRow("nothing awaited") << "" << QByteArrayList{"Section 'rds': RDS", "OK"} << "--"
                                     << "..";
    QTest::newRow("help listing between player commands")
        << "PHP" << QByteArrayList{"OK", "Section 'rds': RDS", "Section 'preset': P", "OK", "OK"}
        << "P--HP"
        << ".....";
    QTest::newRow("login acknowledgement is no answer to a command")
        << "LP" << QByteArrayList{"OK : LOGIN", "OK"} << "LP"
        << "..";
    QTest::newRow("stray login line while a command waits")
        << "P" << QByteArrayList{"OK : LOGOUT", "OK"} << "-P"
        << "..";
    QTest::newRow("login required")
        << "PP" << QByteArrayList{"ERROR : Login required", "ERROR : Login required"} << "PP"
        << "!!";
    QTest::newRow("login refused") << "L" << QByteArrayList{"ERROR : LOGIN refused"} << "L"
                                   << "!";
    QTest::newRow("help refused") << "H" << QByteArrayList{"ERROR : Unknown section 'x'"} << "H"
                                  << ".";
    QTest::newRow("console then logout") << "CO" << QByteArrayList{"42", "OK : LOGOUT"} << "CO"
                                         << "..";
}

void TestUnitHold::settlesAnswersInOrder() {
    QFETCH(QString, requests);
    QFETCH(QByteArrayList, lines);
    QFETCH(QString, completed);
    QFETCH(QString, loginLost);
    const QHash<QChar, Sound4Request> kinds{
        {u'P', Sound4Request::Player}, {u'C', Sound4Request::Console}, {u'H', Sound4Request::Help},
        {u'L', Sound4Request::Login},  {u'O', Sound4Request::Logout},
    };
    const QHash<Sound4Request, QChar> letters{
        {Sound4Request::Player, u'P'}, {Sound4Request::Console, u'C'}, {Sound4Request::Help, u'H'},
        {Sound4Request::Login, u'L'},  {Sound4Request::Logout, u'O'},
    };
    AwaitedAnswers awaited;
    QList<quint64> tickets;
    for (const QChar c : requests) {
        tickets << awaited.expect(kinds.value(c));
    }
    QString got;
    QString lost;
    QList<quint64> settled;
    for (const QByteArray& line : lines) {
        const std::optional<Sound4Answer> answer = awaited.settle(line);
        got += answer ? letters.value(answer->request) : u'-';
        lost += answer && answer->loginRequired ? u'!' : u'.';
        if (answer) {
            settled << answer->ticket;
        }
    }
    QCOMPARE(got, completed);
    QCOMPARE(lost, loginLost);
    QCOMPARE(settled, tickets.mid(0, settled.size())); // oldest first
}

QTEST_GUILESS_MAIN(TestUnitHold)
#include "tst_unithold.moc"
