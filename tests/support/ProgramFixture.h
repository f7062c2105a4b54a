#pragma once

#include "FakeDesktop.h"
#include "FakeHostInfo.h"
#include "FakePower.h"
#include "FakeTelnetConnection.h"
#include "FakeUdpSocket.h"
#include "ManualClock.h"
#include "ManualEventPump.h"
#include "platform/LinuxProcessControl.h"
#include "platform/Screen.h"
#include "shell/Program.h"

#include <QFile>
#include <QTemporaryDir>

// The whole program on a temporary root, a manual clock and fake desktop, power and
// host; the start-up folder is mounted inside the root, never the real one.
struct ProgramFixture {
    QTemporaryDir root;
    ManualClock clock;
    ManualEventPump events{clock};
    FakeHostInfo host;
    LinuxProcessControl processes;
    FakeDesktop desktop;
    FakePower power;
    FixedScreen screen;
    Program program;

    static ProgramLaunch launchFor(const QString& root) {
        ProgramLaunch launch;
        launch.root = root;
        launch.shortcut.executable = QStringLiteral("/usr/local/bin/KZ3_Trelvo");
        launch.shortcut.explicitRoot = root;
        launch.version.major = 2024;
        launch.version.minor = 131;
        launch.version.revision = 905;
        launch.version.productName = QStringLiteral("Trelvo");
        return launch;
    }

    // mail: the alert mail a test records; none, the program's own stand-in.
    // dialogs: the answers a test scripts; none, the headless answers.
    // btrieve: the data-file engine a test scripts; none, the engine on the root's files.
    explicit ProgramFixture(AlertMail* mail = nullptr, DialogsHost* dialogs = nullptr,
                            BtrieveEngine* btrieve = nullptr)
        : program(launchFor(root.path()),
                  ProgramPlatform{clock, events, host, processes, desktop, power, screen,
                                  [] { return std::make_unique<FakeTelnetConnection>(); },
                                  [] { return std::make_unique<FakeUdpSocket>(); }, dialogs, mail,
                                  btrieve}) {
        program.paths.addMount(PathSpace::startupFolder(), autostartFolder());
        host.name = QStringLiteral("studio1");
    }

    FakeTelnetConnection& telnet(int unit) {
        return static_cast<FakeTelnetConnection&>(*program.sound4Link.connection(unit));
    }

    QString autostartFolder() const { return root.path() + QStringLiteral("/autostart"); }

    QString readNative(const QString& windowsPath) {
        QFile f(program.paths.toNative(windowsPath));
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
    }
};
