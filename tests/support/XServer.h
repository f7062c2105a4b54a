#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

// A real X server for the windowed program: Xvfb on a display number it picks
// itself (so that tests can run side by side), with the openbox window manager
// when it is installed, and on request a notification area (trayer).
class XServer {
public:
    XServer() {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) {
            return;
        }
        m_server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"),
                              QStringLiteral("-screen"), QStringLiteral("0"),
                              QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                              QStringLiteral("tcp")});
        QByteArray out;
        for (int i = 0; i < 100 && !out.contains('\n'); ++i) {
            m_server.waitForReadyRead(100);
            out += m_server.readAllStandardOutput();
        }
        bool ok = false;
        const int number = out.trimmed().toInt(&ok);
        if (ok) {
            m_display = QStringLiteral(":%1").arg(number);
        }
        const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        if (!m_display.isEmpty() && !openbox.isEmpty()) {
            m_manager.setProcessEnvironment(environment());
            m_manager.start(openbox, {});
            m_manager.waitForStarted(5000);
        }
    }
    ~XServer() {
        for (QProcess* p : {&m_tray, &m_manager, &m_server}) {
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(3000)) {
                    p->kill();
                    p->waitForFinished(3000);
                }
            }
        }
    }
    // A notification area at the top right of the screen, Debian's trayer; false
    // when it is not installed or its panel does not come up. Now and then a client
    // that connects while the window manager starts is refused the display, so a
    // panel that ends at once is started again.
    bool startTray() {
        const QString trayer = QStandardPaths::findExecutable(QStringLiteral("trayer"));
        if (m_display.isEmpty() || trayer.isEmpty()) {
            return false;
        }
        for (int attempt = 0; attempt < 5; ++attempt) {
            if (startTrayOnce(trayer)) {
                return true;
            }
            qWarning("trayer ended (%d): %s", m_tray.exitCode(),
                     m_tray.readAllStandardError().constData());
        }
        return false;
    }
    // ":n", or empty when no server could be started.
    const QString& display() const { return m_display; }
    // The environment of a program that opens its windows on this server.
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("DISPLAY"), m_display);
        return env;
    }
    // The text of the server's window tree (xwininfo), with every window's title.
    QString windowTree() const {
        QProcess info;
        info.setProcessEnvironment(environment());
        info.start(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
        info.waitForFinished(5000);
        return QString::fromUtf8(info.readAllStandardOutput());
    }

private:
    bool startTrayOnce(const QString& trayer) {
        m_tray.setProcessEnvironment(environment());
        m_tray.start(trayer,
                     {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                      QStringLiteral("right"), QStringLiteral("--widthtype"),
                      QStringLiteral("request"), QStringLiteral("--height"), QStringLiteral("24"),
                      QStringLiteral("--SetDockType"), QStringLiteral("true"),
                      QStringLiteral("--transparent"), QStringLiteral("false")});
        for (int i = 0; i < 100; ++i) {
            if (windowTree().contains(QStringLiteral("\"panel\": (\"panel\" \"trayer\")"))) {
                return true;
            }
            if (m_tray.state() == QProcess::NotRunning || m_tray.waitForFinished(100)) {
                return false;
            }
        }
        return false;
    }

    QProcess m_server;
    QProcess m_manager;
    QProcess m_tray;
    QString m_display;
};
