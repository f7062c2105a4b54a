#include "ProgramProcess.h"
#include "SimulatorProcess.h"
#include "XServer.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// The standby as a station sees it: the real executable on a real X server with a
// window manager and a real notification area (trayer), driven with the mouse.
namespace {

const QString SettingsFolder = QStringLiteral("/c/Mirevox/Ondelia/Settings/KZ3_Trelvo");
const QString MainWindows = QStringLiteral("Ondelia: Trelvo");

// The root of a station whose listener 1 is open and whose unit 0, when there is a
// port for it, is the simulator.
bool prepareRoot(const QString& root, quint16 simPort) {
    if (!QDir().mkpath(root + SettingsFolder) ||
        !QDir().mkpath(root + QStringLiteral("/c/KZ_Data"))) {
        return false;
    }
    QFile ini(root + SettingsFolder + QStringLiteral("/KZ3_Trelvo.Ini"));
    QFile data(root + QStringLiteral("/c/KZ_Data/FRAD000.bt6")); // no question at start
    if (!ini.open(QIODevice::WriteOnly) || !data.open(QIODevice::WriteOnly)) {
        return false;
    }
    if (simPort != 0) {
        ini.write("[Sound4]\r\nIP_0=127.0.0.1\r\nPort_0=" + QByteArray::number(simPort) +
                  "\r\nPW_0=ravin\r\nConnected_0=1\r\n");
    }
    ini.write("[Peripheriques_Reseau_Reception_UDP_1]\r\nIP=127.0.0.1\r\nPort=0\r\nActif=1\r\n");
    data.write(QByteArray(512, '\0'));
    return true;
}

QString run(const XServer& x, const QString& program, const QStringList& arguments) {
    QProcess p;
    p.setProcessEnvironment(x.environment());
    p.start(program, arguments);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The shown windows whose title matches the pattern.
QStringList shownWindows(const XServer& x, const QString& pattern) {
    return run(x, QStringLiteral("xdotool"),
               {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                pattern})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The program's icon embedded in trayer's panel: the id of the first window of the
// program's class below the panel, "" when there is none.
QString iconWindow(const XServer& x) {
    const QStringList lines = x.windowTree().split(QLatin1Char('\n'));
    const QRegularExpression indent(QStringLiteral("^\\s*"));
    qsizetype panelIndent = -1;
    for (const QString& line : lines) {
        const qsizetype depth = indent.match(line).capturedLength();
        if (panelIndent < 0) {
            if (line.contains(QStringLiteral("\"panel\": (\"panel\" \"trayer\")"))) {
                panelIndent = depth;
            }
            continue;
        }
        if (depth <= panelIndent && !line.trimmed().isEmpty()) {
            break;
        }
        if (line.contains(QStringLiteral("(\"KZ3_Trelvo\" \"KZ3_Trelvo\")"))) {
            return line.trimmed().section(QLatin1Char(' '), 0, 0);
        }
    }
    return QString();
}

// A click of the given button in a window, at a point of it.
void click(const XServer& x, const QString& window, int px, int py, int button, int repeat = 1) {
    run(x, QStringLiteral("xdotool"),
        {QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(px),
         QString::number(py), QStringLiteral("click"), QStringLiteral("--repeat"),
         QString::number(repeat), QString::number(button)});
}

QSize geometry(const XServer& x, const QString& window) {
    const QString text =
        run(x, QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), window});
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("Geometry: (\\d+)x(\\d+)")).match(text);
    return QSize(size.captured(1).toInt(), size.captured(2).toInt());
}

} // namespace

class TestWindowedTray : public QObject {
    Q_OBJECT

private:
    // An X server with a notification area and the tool that drives the mouse.
    static bool desktop(XServer& x) {
        return !x.display().isEmpty() &&
               !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty() &&
               x.startTray();
    }

private Q_SLOTS:
    void standbyAtStartAndBackFromTheIconsMenu() {
        XServer x;
        if (!desktop(x)) {
            if (qEnvironmentVariable("CI") == QLatin1String("true")) {
                QFAIL("no notification area (apt install xvfb xdotool trayer)");
            }
            QSKIP("Xvfb, xdotool or trayer is not installed");
        }
        SimulatorProcess sim({QStringLiteral("--password"), QStringLiteral("ravin")});
        QVERIFY(sim.port() != 0);
        QTemporaryDir root;
        QVERIFY(prepareRoot(root.path(), sim.port()));

        ProgramProcess program(
            {QStringLiteral("--root"), root.path(), QStringLiteral("/Veille=True")}, "(windows)",
            x.environment());
        QVERIFY2(program.waitUntilRunning(), program.process().readAllStandardError().constData());
        // The icon comes into the notification area and every window goes.
        QTRY_VERIFY_WITH_TIMEOUT(!iconWindow(x).isEmpty(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(shownWindows(x, MainWindows).isEmpty(), 10000);
        QVERIFY(
            x.windowTree().contains(QStringLiteral("\"Ondelia: Trelvo - "))); // hidden, not gone

        // The relay goes on meanwhile.
        QTRY_VERIFY_WITH_TIMEOUT(sim.received().contains("login admin,ravin"), 10000);
        ProgramProcess::send(program.listenerPort(1), QByteArrayLiteral("<RDS:PS><Msg:VEILLE>"));
        QTRY_VERIFY_WITH_TIMEOUT(sim.received().contains("rds.ps=VEILLE"), 10000);

        // A left click and a double click do nothing; a right click opens the menu.
        const QString icon = iconWindow(x);
        click(x, icon, 11, 11, 1);
        click(x, icon, 11, 11, 1, 2);
        click(x, icon, 11, 11, 3);
        QTRY_VERIFY_WITH_TIMEOUT(!shownWindows(x, QStringLiteral("^Flottant$")).isEmpty(), 10000);
        QVERIFY(shownWindows(x, MainWindows).isEmpty());
        QCOMPARE(iconWindow(x), icon);

        // "Afficher", the first entry, in the upper half of the menu.
        const QString menu = shownWindows(x, QStringLiteral("^Flottant$")).first();
        const QSize size = geometry(x, menu);
        QVERIFY(size.height() > 0);
        click(x, menu, size.width() / 2, size.height() / 4, 1);
        QTRY_VERIFY_WITH_TIMEOUT(!shownWindows(x, QStringLiteral("^Ondelia: Trelvo - ")).isEmpty(),
                                 10000);
        QTRY_VERIFY_WITH_TIMEOUT(iconWindow(x).isEmpty(), 10000);
        // The settings window was loaded hidden: it stays hidden.
        QVERIFY(shownWindows(x, QStringLiteral("^Options: ")).isEmpty());

        program.process().terminate();
        QVERIFY(program.process().waitForFinished(30000));
        QCOMPARE(program.process().exitCode(), 0);
    }

    void stoppedInStandbyLeavesNoIcon() {
        XServer x;
        if (!desktop(x)) {
            if (qEnvironmentVariable("CI") == QLatin1String("true")) {
                QFAIL("no notification area (apt install xvfb xdotool trayer)");
            }
            QSKIP("Xvfb, xdotool or trayer is not installed");
        }
        QTemporaryDir root;
        QVERIFY(prepareRoot(root.path(), 0));
        ProgramProcess program(
            {QStringLiteral("--root"), root.path(), QStringLiteral("/Veille=True")}, "(windows)",
            x.environment());
        QVERIFY2(program.waitUntilRunning(), program.process().readAllStandardError().constData());
        QTRY_VERIFY_WITH_TIMEOUT(!iconWindow(x).isEmpty(), 10000);

        program.process().terminate(); // SIGTERM, as a session that logs off
        QVERIFY(program.process().waitForFinished(30000));
        QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.process().exitCode(), 0);
        QVERIFY(iconWindow(x).isEmpty());
        QVERIFY(!x.windowTree().contains(QStringLiteral("\"Ondelia: Trelvo - ")));
    }
};

QTEST_GUILESS_MAIN(TestWindowedTray)
#include "tst_windowed_tray.moc"
