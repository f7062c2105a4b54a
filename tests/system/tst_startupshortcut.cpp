#include "ManualClock.h"
#include "RecordingReporter.h"
#include "RecordingTrace.h"
#include "base/UptimeCounter.h"
#include "model/ProgramState.h"
#include "platform/PathSpace.h"
#include "system/FileOperations.h"
#include "system/StartupShortcut.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The start-up folder mounted onto a temporary autostart folder.
struct Fixture {
    QTemporaryDir root;
    QString autostart = root.path() + QStringLiteral("/autostart");
    QString entryFile = autostart + QStringLiteral("/Ondelia - Trelvo.desktop");
    PathSpace paths{root.path()};
    ProgramState state;
    RecordingTrace trace;
    RecordingReporter errors;
    ManualClock clock;
    UptimeCounter uptime{clock};
    FileOperations files{paths, trace, errors, uptime};
    StartupShortcut shortcut{state,
                             paths,
                             trace,
                             errors,
                             files,
                             {QStringLiteral("/opt/trelvo/bin/KZ3_Trelvo"),
                              QStringLiteral("/srv/radio root"), QString()}};

    Fixture() { paths.addMount(PathSpace::startupFolder(), autostart); }

    void create(qint32 delay) {
        shortcut.CreateShortCutStartUp(true, delay, QStringLiteral("Lib_Public:GestionDesErreurs"));
    }
    QString entryText() const {
        QFile f(entryFile);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
};

} // namespace

class TestStartupShortcut : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void delayIsClamped_data();
    void delayIsClamped();
    void entryIsWrittenReplacedAndRemoved();
    void failures();
    void execQuoting();
};

void TestStartupShortcut::delayIsClamped_data() {
    QTest::addColumn<qint32>("delay");
    QTest::addColumn<qint32>("clamped");
    QTest::newRow("500") << 500 << 1000;
    QTest::newRow("200000") << 200000 << 120000;
    QTest::newRow("10000") << 10000 << 10000;
}

void TestStartupShortcut::delayIsClamped() {
    QFETCH(qint32, delay);
    QFETCH(qint32, clamped);
    Fixture f;
    f.shortcut.CreateShortCutStartUp(true, delay, QStringLiteral("Test:Clamp"));
    QCOMPARE(delay, clamped);
    QVERIFY(f.entryText().contains(" /Wait=" + QString::number(clamped) + "\n"));
}

void TestStartupShortcut::entryIsWrittenReplacedAndRemoved() {
    Fixture f;
    f.create(10000);
    QVERIFY(!f.entryText().contains("\nPath="));
    QVERIFY(QDir(f.root.path()).mkpath("c/Mirevox/Ondelia")); // the program's folder
    f.create(10000);
    QCOMPARE(f.entryText(),
             "[Desktop Entry]\n"
             "Type=Application\n"
             "Name=Ondelia - Trelvo\n"
             "Exec=/opt/trelvo/bin/KZ3_Trelvo --root \"/srv/radio root\" /Wait=10000\n"
             "Path=" +
                 f.root.path() +
                 "/c/Mirevox/Ondelia\n"
                 "Icon=/opt/trelvo/bin/KZ3_Trelvo\n"
                 "Comment=Lancer le Trelvo Ondelia\n"
                 "X-Trelvo-TargetPath=C:\\\\Mirevox\\\\Ondelia\\\\KZ3_Trelvo.exe\n"
                 "X-Trelvo-Arguments=\\s/Wait=10000\n"
                 "X-Trelvo-WorkingDirectory=C:\\\\Mirevox\\\\Ondelia\n"
                 "X-Trelvo-IconLocation=C:\\\\Mirevox\\\\Ondelia\\\\KZ3_Trelvo.exe\n");
    f.create(30000);
    QVERIFY(f.entryText().contains(" /Wait=30000\n"));
    QCOMPARE(QDir(f.autostart).entryList(QDir::Files).size(), 1);

    qint32 delay = 0;
    f.shortcut.CreateShortCutStartUp(false, delay, QStringLiteral("Test:Remove"));
    QVERIFY(!QFile::exists(f.entryFile));
    f.shortcut.CreateShortCutStartUp(false, delay, QStringLiteral("Test:Remove")); // none left
    QVERIFY(f.trace.lines().isEmpty());
    QVERIFY(f.errors.empty());
}

void TestStartupShortcut::failures() {
    // Something that cannot be replaced stands where the entry goes: traced only.
    Fixture busy;
    QVERIFY(QDir().mkpath(busy.entryFile));
    busy.create(10000);
    QCOMPARE(
        busy.trace.messages(),
        QStringList{"Err: Unable to create the shortcut: " + PathSpace::startupFolder() +
                    "\\Ondelia - Trelvo.desktop |Source: Lib_Systeme:CreateShortCutStartUp:40"});
    QVERIFY(busy.trace.incidents().isEmpty());
    QVERIFY(busy.errors.empty());

    // The start-up folder cannot be created: reported on behalf of the caller.
    Fixture blocked;
    QFile blocker(blocked.autostart);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    blocked.create(10000);
    QCOMPARE(blocked.errors.reports().size(), 1);
    const auto& r = blocked.errors.reports().front();
    QCOMPARE(r.caller, "Lib_Public:GestionDesErreurs>Lib_Systeme:CreateShortCutStartUp");
    QCOMPARE(r.error.number, 76);
    QVERIFY(blocked.trace.lines().isEmpty());
}

void TestStartupShortcut::execQuoting() {
    QCOMPARE(StartupShortcut::quoteExecArgument("/usr/bin/KZ3_Trelvo"), "/usr/bin/KZ3_Trelvo");
    QCOMPARE(StartupShortcut::quoteExecArgument("/srv/a\"b$c\\d"), "\"/srv/a\\\"b\\$c\\\\d\"");
    QCOMPARE(StartupShortcut::quoteExecArgument("/srv/100%"), "/srv/100%%");
    QCOMPARE(StartupShortcut::quoteExecArgument(""), "\"\"");
}

QTEST_GUILESS_MAIN(TestStartupShortcut)
#include "tst_startupshortcut.moc"
