#pragma once

#include "FakeDesktop.h"
#include "FakeHostInfo.h"
#include "FakePower.h"
#include "OffsetClock.h"
#include "platform/LinuxProcessControl.h"
#include "platform/LinuxUdpSocket.h"
#include "platform/QtEventPump.h"
#include "platform/Screen.h"
#include "platform/SocketTelnetConnection.h"
#include "shell/Program.h"

#include <QTemporaryDir>

// The whole program on real sockets and the real event loop, on a temporary root;
// the clock is the real one, which a test may move forward at once. Desktop, power
// and host facts stay fakes, and the start-up folder is mounted inside the root.
struct RealProgramFixture {
    QTemporaryDir root;
    OffsetClock clock;
    QtEventPump events;
    FakeHostInfo host;
    LinuxProcessControl processes;
    FakeDesktop desktop;
    FakePower power;
    FixedScreen screen;
    Program program;

    static ProgramLaunch launchFor(const QString& root) {
        ProgramLaunch launch;
        launch.root = root;
        return launch;
    }

    RealProgramFixture()
        : program(launchFor(root.path()),
                  ProgramPlatform{clock, events, host, processes, desktop, power, screen,
                                  [] { return std::make_unique<SocketTelnetConnection>(); },
                                  [] { return std::make_unique<LinuxUdpSocket>(); }, nullptr,
                                  nullptr}) {
        program.paths.addMount(PathSpace::startupFolder(),
                               root.path() + QStringLiteral("/autostart"));
    }

    // A unit's row pointing at a local peer.
    void configureUnit(int unit, quint16 port, const QString& serial, const QString& user,
                       const QString& password) {
        FrmSetup& s = program.frmSetup;
        s.TexteSound4IP[unit].setText(QStringLiteral("127.0.0.1"));
        s.TexteSound4Port[unit].setText(QString::number(port));
        s.TexteSound4NoSerie[unit].setText(serial);
        s.TexteSound4User[unit].setText(user);
        s.TexteSound4PW[unit].setText(password);
    }
    // Opens a player listener on a loopback port of the system's choosing and
    // returns that port (0 when the listener did not open).
    quint16 listen(int listener) {
        FrmSetup& s = program.frmSetup;
        s.TexteUDPIPSource[listener].setText(QStringLiteral("127.0.0.1"));
        s.TexteUDPPortSource[listener].setText(QStringLiteral("0"));
        s.CheckUDPInActif[listener].setValue(1);
        return quint16(program.reception.SocketWrenchUDPIn[size_t(listener)]->localPort());
    }
    // The trace lines, held in memory until the settings window loads.
    QString log() const { return program.frmMainBis.ListeLogTemp.rows().join('\n'); }
};
