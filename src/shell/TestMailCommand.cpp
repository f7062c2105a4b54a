#include "shell/TestMailCommand.h"

#include "base/Blanks.h"
#include "incidents/AlertMailer.h"
#include "shell/OfflineSetup.h"
#include "shell/Program.h"

#include <QTextStream>

TestMailCommand::TestMailCommand(Program& program, QTextStream& out)
    : m_program(program), m_out(out) {
    m_program.trace.setMirror(this);
}

TestMailCommand::~TestMailCommand() {
    m_program.trace.setMirror(nullptr);
}

void TestMailCommand::traceLine(const QString&, const QString& message, bool) {
    m_out << message << Qt::endl;
}

int TestMailCommand::run(const QString& commandLine) {
    OfflineSetup(m_program).prepare(commandLine);
    Settings& settings = m_program.settings;
    settings.InitSettings();

    const QString file = settings.settingsFile();
    const auto email = [this, &file](const QString& key) {
        return m_program.ini.LectureIni(file, QStringLiteral("Email"), key, QString());
    };
    const QString relay = email(AlertMailer::Keys::Host).trimmed();
    const QString port = email(AlertMailer::Keys::Port).trimmed();
    const QString security = email(AlertMailer::Keys::Security).trimmed();
    m_out << "Settings: " << file << Qt::endl;
    m_out << "To: " << m_program.frmSetup.TexteEmailsAdresses.text() << Qt::endl;
    m_out << "Relay: " << (relay.isEmpty() ? QStringLiteral("(none)") : relay)
          << (port.isEmpty() ? QString() : QLatin1Char(':') + port)
          << (security.isEmpty() ? QString() : QStringLiteral(" (") + security + QLatin1Char(')'))
          << Qt::endl;

    const bool sent = m_program.mailer.CommandEmailTest_Click();
    m_out << (sent ? "Test mail sent: the relay took it." : "Test mail not sent.") << Qt::endl;
    return sent ? 0 : 1;
}
