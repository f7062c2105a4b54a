#include "ProgramProcess.h"
#include "RefusingPort.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

// The real program as systemd runs it: it reports to a notification socket of the
// test, and its trace lines go to standard error, for the journal or plainly.
namespace {

const QString SettingsFolder = QStringLiteral("/c/Mirevox/Ondelia/Settings/KZ3_Trelvo");

// A datagram socket like systemd's NOTIFY_SOCKET, under a folder of the test.
class NotifySocket {
public:
    explicit NotifySocket(const QString& path) : m_fd(::socket(AF_UNIX, SOCK_DGRAM, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray native = QFile::encodeName(path);
        if (m_fd < 0 || size_t(native.size()) >= sizeof address.sun_path) {
            return;
        }
        memcpy(address.sun_path, native.constData(), size_t(native.size()));
        m_bound = ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~NotifySocket() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    NotifySocket(const NotifySocket&) = delete;
    NotifySocket& operator=(const NotifySocket&) = delete;

    bool bound() const { return m_bound; }
    // Every state update received so far, in order.
    const QList<QByteArray>& read() {
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n < 0) {
                return m_messages;
            }
            m_messages << QByteArray(buffer, qsizetype(n)).trimmed();
        }
    }
    // Waits (events running) until the update arrives; false when it did not.
    bool waitFor(const QByteArray& message) {
        for (int i = 0; i < 600; ++i) {
            if (read().contains(message)) {
                return true;
            }
            QTest::qWait(50);
        }
        return false;
    }

private:
    int m_fd;
    bool m_bound = false;
    QList<QByteArray> m_messages;
};

void writeSettings(const QString& root, const QByteArray& text) {
    QVERIFY(QDir().mkpath(root + SettingsFolder));
    QFile ini(root + SettingsFolder + QStringLiteral("/KZ3_Trelvo.Ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write(text);
}

// The lines of every daily file, without their line ends.
QList<QByteArray> logLines(const QString& root) {
    QList<QByteArray> lines;
    const QDir dir(root + QStringLiteral("/c/AudioLog/Histo_KZ3_Trelvo"));
    for (const QString& name : dir.entryList({QStringLiteral("*.Log")}, QDir::Files, QDir::Name)) {
        QFile f(dir.filePath(name));
        if (f.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : f.readAll().split('\n')) {
                lines << (line.endsWith('\r') ? line.chopped(1) : line);
            }
        }
    }
    return lines;
}

QByteArray lineEndingWith(const QList<QByteArray>& lines, const QByteArray& end) {
    for (const QByteArray& line : lines) {
        if (line.endsWith(end)) {
            return line;
        }
    }
    return QByteArray();
}

QProcessEnvironment cleanEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"NOTIFY_SOCKET", "WATCHDOG_USEC", "WATCHDOG_PID", "JOURNAL_STREAM"}) {
        env.remove(QString::fromLatin1(name));
    }
    return env;
}

} // namespace

class TestHeadlessService : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void notifiesTheServiceManager_data() {
        QTest::addColumn<QString>("watchdogPid"); // empty: not set
        QTest::addColumn<bool>("beats");
        QTest::newRow("watchdog for this process") << QString() << true;
        QTest::newRow("watchdog of another process") << QStringLiteral("1") << false;
    }
    void notifiesTheServiceManager() {
        QFETCH(QString, watchdogPid);
        QFETCH(bool, beats);
        QTemporaryDir root;
        QTemporaryDir sockets;
        writeSettings(root.path(), "[Peripheriques_Reseau_Reception_UDP_1]\r\nIP=127.0.0.1\r\n"
                                   "Port=0\r\nActif=1\r\n");
        const QString socketPath = sockets.path() + QStringLiteral("/notify");
        NotifySocket notify(socketPath);
        QVERIFY(notify.bound());
        QProcessEnvironment env = cleanEnvironment();
        env.insert(QStringLiteral("NOTIFY_SOCKET"), socketPath);
        env.insert(QStringLiteral("WATCHDOG_USEC"), QStringLiteral("2000000"));
        if (!watchdogPid.isEmpty()) {
            env.insert(QStringLiteral("WATCHDOG_PID"), watchdogPid);
        }
        ProgramProcess program(
            {QStringLiteral("--headless"), QStringLiteral("--root"), root.path()}, "(headless)",
            env);

        QVERIFY(notify.waitFor("READY=1"));
        // Ready once started: the listener was open when it said so.
        QVERIFY(program.waitUntilRunning());
        QVERIFY(program.listenerPort(1) != 0);
        QCOMPARE(notify.read().first(), QByteArray("READY=1"));

        // Half of 2 s: about one beat a second; counted loosely over 4 s.
        const auto beatCount = [&notify] { return notify.read().count("WATCHDOG=1"); };
        const qsizetype before = beatCount();
        QTest::qWait(4000);
        const qsizetype during = beatCount() - before;
        if (beats) {
            QVERIFY2(during >= 2, qPrintable(QString::number(during)));
        } else {
            QCOMPARE(beatCount(), 0);
        }

        program.process().terminate(); // SIGTERM
        QVERIFY(program.process().waitForFinished(30000));
        QCOMPARE(program.process().exitCode(), 0);
        QVERIFY(notify.waitFor("STOPPING=1"));
        QCOMPARE(notify.read().count("READY=1"), 1);
    }

    void traceLinesOnStandardError_data() {
        QTest::addColumn<bool>("option");  // --log-stderr
        QTest::addColumn<bool>("journal"); // JOURNAL_STREAM names standard error
        QTest::newRow("--log-stderr") << true << false;
        QTest::newRow("journal") << false << true;
        QTest::newRow("journal and --log-stderr") << true << true;
        QTest::newRow("neither") << false << false;
    }
    void traceLinesOnStandardError() {
        QFETCH(bool, option);
        QFETCH(bool, journal);
        RefusingPort off; // unit 0 cannot be reached: an incident at start
        QTemporaryDir root;
        QTemporaryDir outputs;
        writeSettings(root.path(), "[Sound4]\r\nIP_0=127.0.0.1\r\nPort_0=" +
                                       QByteArray::number(off.port()) + "\r\nConnected_0=1\r\n");
        const QString errFile = outputs.path() + QStringLiteral("/stderr");
        QVERIFY(QFile(errFile).open(QIODevice::WriteOnly));
        QProcessEnvironment env = cleanEnvironment();
        if (journal) {
            struct stat info {};
            QCOMPARE(::stat(QFile::encodeName(errFile).constData(), &info), 0);
            env.insert(QStringLiteral("JOURNAL_STREAM"),
                       QString::number(qulonglong(info.st_dev)) + QLatin1Char(':') +
                           QString::number(qulonglong(info.st_ino)));
        }
        QStringList args{QStringLiteral("--headless"), QStringLiteral("--root"), root.path()};
        if (option) {
            args << QStringLiteral("--log-stderr");
        }
        QProcess program;
        program.setProcessEnvironment(env);
        program.setStandardErrorFile(errFile, QIODevice::Append);
        program.start(QStringLiteral(TRELVO_EXE_PATH), args);
        QByteArray out;
        for (int i = 0; i < 300 && !out.contains("(headless)"); ++i) {
            program.waitForReadyRead(100);
            out += program.readAllStandardOutput();
        }
        QVERIFY(out.contains("(headless)"));
        program.terminate();
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), 0);

        QFile err(errFile);
        QVERIFY(err.open(QIODevice::ReadOnly));
        const QList<QByteArray> stderrLines = err.readAll().split('\n');
        const QList<QByteArray> fileLines = logLines(root.path());
        const QByteArray incident = lineEndingWith(stderrLines, "Unable to connect to Sound4 #1");
        const QByteArray ordinary = lineEndingWith(stderrLines, "FrmMain: Init General: Start");
        if (!option && !journal) {
            QVERIFY(incident.isEmpty());
            QVERIFY(ordinary.isEmpty());
            QVERIFY(!lineEndingWith(fileLines, "FrmMain: Init General: Start").isEmpty());
            return;
        }
        QVERIFY(!incident.isEmpty());
        QVERIFY(!ordinary.isEmpty());
        QByteArray incidentText = incident;
        QByteArray ordinaryText = ordinary;
        if (journal) {
            QVERIFY(incident.startsWith("<3>"));
            QVERIFY(ordinary.startsWith("<6>"));
            incidentText = incident.mid(3);
            ordinaryText = ordinary.mid(3);
        } else {
            QVERIFY(!incident.startsWith('<'));
            QVERIFY(!ordinary.startsWith('<'));
        }
        // The daily file holds the very same lines.
        QVERIFY(fileLines.contains(incidentText));
        QVERIFY(fileLines.contains(ordinaryText));
        // And the last lines of the stop reached standard error too.
        QVERIFY(!lineEndingWith(stderrLines, "FrmSetup: Form_Unload: End").isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestHeadlessService)
#include "tst_headless_service.moc"
