#include "FakeTelnetConnection.h"
#include "model/FrmSetup.h"
#include "sound4/Sound4Link.h"

#include <QtTest>

// A unit's one session state, and the flags and login caption that follow from it.
class TestSound4Unit : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void flagsFollowTheState_data();
    void flagsFollowTheState();
};

using State = Sound4Unit::State;
Q_DECLARE_METATYPE(QList<State>)

void TestSound4Unit::flagsFollowTheState_data() {
    QTest::addColumn<QList<State>>("path");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("loggedIn");
    QTest::addColumn<bool>("pending");
    QTest::addColumn<QString>("caption");
    QTest::newRow("new session") << QList<State>{State::Connecting, State::Connected} << true
                                 << false << false << "Logout";
    QTest::newRow("login written")
        << QList<State>{State::Connecting, State::Connected, State::LoggingIn} << true << false
        << true << "Logout";
    QTest::newRow("login acknowledged")
        << QList<State>{State::Connected, State::LoggingIn, State::LoggedIn} << true << true
        << false << "Logout";
    QTest::newRow("login not acknowledged")
        << QList<State>{State::Connected, State::LoggingIn, State::Connected} << true << false
        << false << "Logout";
    QTest::newRow("logged out") << QList<State>{State::LoggedIn, State::LoggingOut,
                                                State::Disconnected}
                                << false << false << false << "Login";
    QTest::newRow("dropped while logged in")
        << QList<State>{State::LoggedIn, State::Disconnected} << false << false << false << "Login";
}

void TestSound4Unit::flagsFollowTheState() {
    QFETCH(QList<State>, path);
    QFETCH(bool, connected);
    QFETCH(bool, loggedIn);
    QFETCH(bool, pending);
    QFETCH(QString, caption);
    Sound4UnitState flags;
    FrmSetup setup;
    Sound4Link link([] { return std::make_unique<FakeTelnetConnection>(); }, flags, setup);
    setup.CommandSound4Login[2].setCaption(QStringLiteral("Login"));
    for (const State state : path) {
        link.setState(2, state);
    }
    QCOMPARE(link.state(2), path.last());
    QCOMPARE(flags.PbBSound4Connected[2], connected);
    QCOMPARE(flags.PbBSound4LoggedIn[2], loggedIn);
    QCOMPARE(flags.PbBSound4LoginPending[2], pending);
    QCOMPARE(setup.CommandSound4Login[2].caption(), caption);
    QVERIFY(!flags.PbBSound4Connected[1]); // the other units stay as they are
}

QTEST_GUILESS_MAIN(TestSound4Unit)
#include "tst_sound4unit.moc"
