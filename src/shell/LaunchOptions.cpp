#include "shell/LaunchOptions.h"

LaunchOptions LaunchOptions::parse(const QStringList& arguments) {
    LaunchOptions options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            options.help = true;
        } else if (arg == QLatin1String("--version")) {
            options.version = true;
        } else if (arg == QLatin1String("--headless")) {
            options.headless = true;
        } else if (arg == QLatin1String("--log-stderr")) {
            options.logStderr = true;
        } else if (arg == QLatin1String("--test-mail")) {
            options.testMail = true;
        } else if (arg == QLatin1String("--check-config")) {
            options.checkConfig = true;
        } else if (arg == QLatin1String("--root")) {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).trimmed().isEmpty()) {
                options.error = QStringLiteral("--root needs a folder");
                return options;
            }
            options.root = arguments.at(++i);
        } else if (arg.startsWith(QLatin1String("--root="))) {
            options.root = arg.mid(7);
            if (options.root.trimmed().isEmpty()) {
                options.error = QStringLiteral("--root needs a folder");
                return options;
            }
        } else if (arg.startsWith(QLatin1String("--"))) {
            options.error = QStringLiteral("unknown option: ") + arg;
            return options;
        } else {
            options.stationSwitches << arg;
        }
    }
    if (options.testMail && options.checkConfig) {
        options.error = QStringLiteral("--test-mail and --check-config cannot be combined");
    }
    return options;
}

QString LaunchOptions::usage() {
    return QStringLiteral(
        "Usage: KZ3_Trelvo [--headless] [--root DIR] [--log-stderr] [/Instance=n] [/Wait=ms]\n"
        "                  [/IP=a.b.c.d] [/Veille=True]\n"
        "       KZ3_Trelvo --test-mail [--root DIR] [/Instance=n]\n"
        "       KZ3_Trelvo --check-config [--root DIR] [/Instance=n]\n"
        "       KZ3_Trelvo --help | --version\n"
        "\n"
        "Relays the on-air player's UDP messages to up to four Sound4 processors.\n"
        "\n"
        "  --headless      run without windows; SIGTERM or SIGINT stop it cleanly.\n"
        "                  Without it the windows open when a desktop is there\n"
        "                  (DISPLAY or WAYLAND_DISPLAY), else the program runs headless\n"
        "  --root DIR      root folder of the Windows path space (C:\\ is DIR/c/);\n"
        "                  default $TRELVO_ROOT, else $XDG_DATA_HOME/trelvo\n"
        "  --log-stderr    every trace line on standard error too, plain, as in the\n"
        "                  daily file; under systemd (JOURNAL_STREAM set) this is on and\n"
        "                  each line starts with its priority, <3> for an incident, <6>\n"
        "                  for any other line\n"
        "  --test-mail     send the test mail of the \"Tester\" button to the addresses\n"
        "                  of the settings file through its relay, say what happened,\n"
        "                  exit 0 when the relay took it, 1 otherwise\n"
        "  --check-config  read the site, settings and peripherals files (never written)\n"
        "                  and print what each unit, listener and emitter would do and\n"
        "                  every value that cannot be used; exit 1 when there is one\n"
        "  --version       print the version (YYYY.MMDD.HHMM) and exit\n"
        "  --help          print this help and exit\n"
        "  /Instance=n     instance 1 to 10 (also /I=n)\n"
        "  /Wait=ms        wait this many milliseconds before starting\n"
        "  /IP=a.b.c.d     recorded in the trace log\n"
        "  /Veille=True    start in standby\n"
        "\n"
        "The settings are in C:\\Mirevox\\Ondelia\\Settings\\KZ3_Trelvo\\KZ3_Trelvo.Ini under the\n"
        "root (DIR/c/Mirevox/Ondelia/Settings/KZ3_Trelvo/), the trace log in\n"
        "DIR/c/AudioLog/Histo_KZ3_Trelvo/ unless the site says otherwise.\n"
        "\n"
        "Exit status: 0 stopped normally; 2 bad option; 3 another copy runs on the same\n"
        "root; 4 the start-up was given up; 5 users are mandatory and none was chosen;\n"
        "--test-mail and --check-config: 0 mail taken or configuration usable, 1 not.\n");
}
