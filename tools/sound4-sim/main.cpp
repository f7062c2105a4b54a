// sound4-sim: a telnet server that answers like Sound4 units, for rehearsals and tests.

#include "Sound4Server.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

int fail(const QString& message) {
    std::fprintf(stderr, "sound4-sim: %s\n", qPrintable(message));
    return 2;
}

const char* const description =
    R"(Simulated Sound4 units: a telnet server speaking their command dialect.

Each unit listens on its own port, from --port on (--port 0: an ephemeral port
each). At start one line "listening on <address>:<port>" is printed per unit, in
unit order. Values live in memory, per unit, for as long as the process runs.

Dialect: "login [serial,]user,password" answers "OK : LOGIN" or
"ERROR : LOGIN refused"; "logout" (with or without line end) answers
"OK : LOGOUT"; "help", "help <section>", "help <section>.<command>";
"<section>.<command>?" reads a value, "=v" sets it, "+=v" and "-=v" add to and
remove from a list, "!" and "*" switch an alert on and off, "'" gives the
dimension of a list. Errors start with "ERROR : ".)";

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sound4-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(description));
    parser.addHelpOption();
    const QCommandLineOption listen(QStringLiteral("listen"),
                                    QStringLiteral("Address to listen on (default 127.0.0.1)."),
                                    QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Port of the first unit (default 3003, 0: "
                                                 "ephemeral)."),
                                  QStringLiteral("port"), QStringLiteral("3003"));
    const QCommandLineOption units(QStringLiteral("units"),
                                   QStringLiteral("Number of units, 1 to 4 (default 1)."),
                                   QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption user(QStringLiteral("user"),
                                  QStringLiteral("User accepted at login (default admin)."),
                                  QStringLiteral("user"), QStringLiteral("admin"));
    const QCommandLineOption password(QStringLiteral("password"),
                                      QStringLiteral("Password accepted at login (default "
                                                     "empty)."),
                                      QStringLiteral("password"));
    const QCommandLineOption serial(QStringLiteral("serial"),
                                    QStringLiteral("Serial the login must carry (default: any "
                                                   "or none)."),
                                    QStringLiteral("serial"));
    const QCommandLineOption record(QStringLiteral("record"),
                                    QStringLiteral("Append every received line to this file, "
                                                   "or to stdout with -."),
                                    QStringLiteral("file"));
    const QCommandLineOption dropAfter(QStringLiteral("drop-after"),
                                       QStringLiteral("Close every session once it has received "
                                                      "n lines (the n-th is not answered)."),
                                       QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption refuseLogin(QStringLiteral("refuse-login"),
                                         QStringLiteral("Refuse every login."));
    const QCommandLineOption delay(QStringLiteral("delay"),
                                   QStringLiteral("Send each answer this many ms late."),
                                   QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption fragment(QStringLiteral("fragment"),
                                      QStringLiteral("Send answers in chunks of k bytes, 5 ms "
                                                     "apart."),
                                      QStringLiteral("k"), QStringLiteral("0"));
    const QCommandLineOption badUtf8(QStringLiteral("bad-utf8"),
                                     QStringLiteral("End value answers with invalid UTF-8 bytes "
                                                    "(C3 28)."));
    const QCommandLineOption negotiate(QStringLiteral("negotiate"),
                                       QStringLiteral("Negotiate telnet options (DO TTYPE, WILL "
                                                      "ECHO, WILL SGA) and print the terminal "
                                                      "type."));
    const QCommandLineOption timestamps(QStringLiteral("timestamps"),
                                        QStringLiteral("Start each recorded line with the "
                                                       "monotonic clock in microseconds."));
    const QCommandLineOption reset(QStringLiteral("reset"),
                                   QStringLiteral("Reset every connection as soon as it is "
                                                  "accepted."));
    const QCommandLineOption refuseFor(QStringLiteral("refuse-for"),
                                       QStringLiteral("Refuse connections for this many ms after "
                                                      "the start, then accept them (and print "
                                                      "\"accepting connections\")."),
                                       QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption loginLapses(QStringLiteral("login-lapses"),
                                         QStringLiteral("A login lapses after n more received "
                                                        "lines: later commands are answered "
                                                        "\"ERROR : Login required\"."),
                                         QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption answerEvery(QStringLiteral("answer-every"),
                                         QStringLiteral("Answer only every n-th command after "
                                                        "the login."),
                                         QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption noLineEnds(QStringLiteral("no-line-ends"),
                                        QStringLiteral("Send this many MiB without a line end on "
                                                       "each session."),
                                        QStringLiteral("MiB"), QStringLiteral("0"));
    const QCommandLineOption iac(QStringLiteral("iac"),
                                 QStringLiteral("Send this many MiB of telnet DO requests on "
                                                "each session."),
                                 QStringLiteral("MiB"), QStringLiteral("0"));
    const QCommandLineOption flood(QStringLiteral("flood"),
                                   QStringLiteral("Send short lines as fast as the client takes "
                                                  "them, on each session."));
    const QCommandLineOption neverRead(QStringLiteral("never-read"),
                                       QStringLiteral("Never read what the client sends."));
    parser.addOptions({listen,     port,       units,       user,      password,    serial,
                       record,     dropAfter,  refuseLogin, delay,     fragment,    badUtf8,
                       negotiate,  timestamps, reset,       refuseFor, loginLapses, answerEvery,
                       noLineEnds, iac,        flood,       neverRead});
    parser.process(app);

    sound4sim::ServerOptions options;
    const auto number = [&](const QCommandLineOption& option, int min, int max, int* out) {
        bool ok = false;
        *out = parser.value(option).toInt(&ok);
        return ok && *out >= min && *out <= max;
    };
    int portNumber = 0;
    int streamMiB = 0;
    int iacMiB = 0;
    if (!options.address.setAddress(parser.value(listen))) {
        return fail(QStringLiteral("bad address: ") + parser.value(listen));
    }
    if (!number(port, 0, 65535, &portNumber) || !number(units, 1, 4, &options.units) ||
        !number(dropAfter, 0, 1000000, &options.dropAfter) ||
        !number(delay, 0, 600000, &options.delayMs) ||
        !number(fragment, 0, 65536, &options.fragment) ||
        !number(refuseFor, 0, 3600000, &options.refuseForMs) ||
        !number(loginLapses, 0, 1000000, &options.loginLapses) ||
        !number(answerEvery, 0, 1000000, &options.answerEvery) ||
        !number(noLineEnds, 0, 100000, &streamMiB) || !number(iac, 0, 100000, &iacMiB)) {
        return fail(QStringLiteral("bad number in the options, see --help"));
    }
    if (portNumber != 0 && portNumber + options.units - 1 > 65535) {
        return fail(QStringLiteral("ports beyond 65535"));
    }
    options.port = static_cast<quint16>(portNumber);
    options.record = parser.value(record);
    options.negotiate = parser.isSet(negotiate);
    options.timestamps = parser.isSet(timestamps);
    options.reset = parser.isSet(reset);
    options.flood = parser.isSet(flood);
    options.neverRead = parser.isSet(neverRead);
    options.noLineEnds = qint64(streamMiB) * 1024 * 1024;
    options.iacBytes = qint64(iacMiB) * 1024 * 1024;
    options.dialect.user = parser.value(user).toUtf8();
    options.dialect.password = parser.value(password).toUtf8();
    options.dialect.serial = parser.value(serial).toUtf8();
    options.dialect.refuseLogin = parser.isSet(refuseLogin);
    options.dialect.badUtf8 = parser.isSet(badUtf8);

    // SIGTERM and SIGINT end the event loop through a pipe; a client that vanishes mid-write
    // must not kill the process.
    if (::pipe(signalPipe) != 0) {
        return fail(QStringLiteral("cannot create the signal pipe"));
    }
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app,
                     [] { QCoreApplication::quit(); });
    std::signal(SIGTERM, onTerminationSignal);
    std::signal(SIGINT, onTerminationSignal);
    std::signal(SIGPIPE, SIG_IGN);

    int status = 0;
    {
        sound4sim::Sound4Server server(options);
        QString error;
        if (!server.start(&error)) {
            return fail(error);
        }
        for (const quint16 listening : server.ports()) {
            sound4sim::printLine("listening on " + options.address.toString().toUtf8() + ':' +
                                 QByteArray::number(listening));
        }
        status = QCoreApplication::exec();
    }
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    return status;
}
