#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

// A real X server for the windowed program: Xvfb on a display number it picks
// itself (so that tests can run side by side), with the openbox window manager
// when it is installed.
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
        for (QProcess* p : {&m_manager, &m_server}) {
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(3000)) {
                    p->kill();
                    p->waitForFinished(3000);
                }
            }
        }
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
    QProcess m_server;
    QProcess m_manager;
    QString m_display;
};
