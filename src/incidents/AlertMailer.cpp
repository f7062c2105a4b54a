#include "incidents/AlertMailer.h"

#include "base/AppVersion.h"
#include "base/Clock.h"
#include "base/ErrorTrap.h"
#include "base/NumberReading.h"
#include "base/TraceSink.h"
#include "base/UptimeCounter.h"
#include "config/IniAccess.h"
#include "model/FrmSetup.h"
#include "model/Frm_Main.h"
#include "model/ProgramState.h"
#include "platform/DialogsHost.h"
#include "system/OffThread.h"
#include "system/SystemInfo.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

const QString Caller = QStringLiteral("Lib_Sound4:EnvoiMail");
const QString EmailSection = QStringLiteral("Email");
const QString Crlf = QStringLiteral("\r\n");

constexpr std::array<qint32, 17> ResellerStations{39,  57,  76,  79,  80,  93,  99,  118, 122,
                                                  139, 158, 168, 171, 174, 184, 192, 195};

// The session's steps, as the trace lines and the error report name them.
constexpr qint32 StepOpen = 100;
constexpr qint32 StepSend = 110;
constexpr qint32 StepClose = 120;

// Clears the busy flag however the call ends.
struct BusyFlag {
    explicit BusyFlag(bool& flag) : m_flag(flag) { m_flag = true; }
    ~BusyFlag() { m_flag = false; }
    BusyFlag(const BusyFlag&) = delete;
    BusyFlag& operator=(const BusyFlag&) = delete;

private:
    bool& m_flag;
};

// A whole number within [0, max] from the leading number of a setting, or none.
std::optional<qint64> settingNumber(const QString& text, qint64 max) {
    const std::optional<double> v = Val(text);
    if (!v || !std::isfinite(*v) || *v < 1 || *v > double(max)) {
        return std::nullopt;
    }
    return qint64(RoundHalfEven(*v));
}

} // namespace

AlertMailer::AlertMailer(Parts parts) : m_parts(std::move(parts)) {}

bool AlertMailer::isResellerStation(qint32 stationNumber) {
    return std::find(ResellerStations.begin(), ResellerStations.end(), stationNumber) !=
           ResellerStations.end();
}

bool AlertMailer::EstCeUneRadioRevendeur() const {
    return isResellerStation(m_parts.state.PbINoRadio);
}

QString AlertMailer::LibDuree(double seconds) {
    qint64 s = 0;
    if (std::isfinite(seconds) && seconds > 0) {
        s = qint64(RoundHalfEven(std::min(seconds, 9.0e15)));
    }
    qint64 minutes = s / 60;
    const qint64 secs = s % 60;
    qint64 hours = 0;
    qint64 days = 0;
    if (minutes >= 60) {
        hours = minutes / 60;
        minutes %= 60;
        if (hours >= 24) {
            days = hours / 24;
            hours %= 24;
        }
    }
    QString text;
    if (days >= 1) {
        text = QString::number(days) + QStringLiteral(" J ") + QString::number(hours) +
               QStringLiteral(" H ");
    } else if (hours >= 1) {
        text = QString::number(hours) + QStringLiteral(" H ");
    }
    return text + QString::number(minutes) + QStringLiteral(" Min ") + QString::number(secs) +
           QStringLiteral(" Sec");
}

AlertMailer::Setup AlertMailer::readSetup(const QString& file) {
    const auto read = [this, &file](const QString& key, const QString& defaultValue = QString()) {
        return m_parts.ini.LectureIni(file, EmailSection, key, defaultValue);
    };
    Setup s;
    s.sender = {read(Keys::SenderAddress), read(Keys::SenderName, DefaultSenderName)};
    s.support[0] = {read(Keys::Support1Address), read(Keys::Support1Name)};
    s.support[1] = {read(Keys::Support2Address), read(Keys::Support2Name)};
    s.reseller = {read(Keys::ResellerAddress), read(Keys::ResellerName)};
    SmtpClient::Relay& r = s.relay;
    r.host = read(Keys::Host).trimmed();
    r.port = quint16(settingNumber(read(Keys::Port), 65535).value_or(0));
    r.account = read(Keys::Account);
    r.password = read(Keys::Password);
    r.timeoutMs =
        qint32(
            settingNumber(read(Keys::Timeout), MaxTimeoutSeconds).value_or(DefaultTimeoutSeconds)) *
        1000;
    // A relay that takes the account as sender needs no sender address of its own.
    if (s.sender.address.trimmed().isEmpty() && r.account.contains(QLatin1Char('@'))) {
        s.sender.address = r.account;
    }
    const QString security = read(Keys::Security);
    if (const std::optional<SmtpClient::Security> known = SmtpClient::securityFrom(security)) {
        r.security = *known;
    } else {
        s.problem = QStringLiteral("Unknown SMTP security '") + security +
                    QStringLiteral("' (Email, ") + Keys::Security +
                    QStringLiteral(": none, starttls or tls)");
    }
    if (r.host.isEmpty()) {
        s.problem = QStringLiteral("No SMTP relay set (Email, ") + Keys::Host + QLatin1Char(')');
    }
    return s;
}

QString AlertMailer::body(const QString& message, const QDateTime& now) {
    ProgramState& state = m_parts.state;
    const double uptime = double(m_parts.uptime.TickCountMilliSec()) / 1000.0;
    const double running = double(state.PbDDateDemarrage.secsTo(now));
    QString text = message;
    text.replace(QLatin1Char('|'), Crlf);
    const QStringList lines{
        QStringLiteral("Radio: ") + state.PbSIdRadio,
        QStringLiteral("Ordinateur: ") + m_parts.system.ComputerName(),
        QStringLiteral("OS: ") + m_parts.system.GetOSDisplayString(),
        QStringLiteral("Mémoire: ") + QString::number(m_parts.system.GetMemoryUsage()) +
            QStringLiteral(" Mo"),
        QString(),
        QStringLiteral("Date du poste: ") + now.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")),
        QStringLiteral("Poste démarré depuis: ") + LibDuree(uptime),
        QStringLiteral("Application démarrée depuis: ") + LibDuree(running),
        QString(),
        QStringLiteral("Application: ") + state.PbSDossierApplication +
            QStringLiteral("KZ3_Trelvo.exe"),
        QStringLiteral("Version: ") + m_parts.version.VersionApplication(),
        QString(),
        QStringLiteral("Message: ") + text,
    };
    return lines.join(Crlf) + Crlf;
}

bool AlertMailer::sessionStep(ErrorTrap& trap, qint32 step, SmtpClient& smtp,
                              const std::function<AppError()>& call) {
    trap.at(step);
    AppError error;
    runOffThread(m_parts.events, [&error, &call] { error = call(); });
    if (!error) {
        return true;
    }
    runOffThread(m_parts.events, [&smtp] { smtp.close(); });
    if (error.number == SmtpClient::NotConnectedError) {
        m_parts.trace.line(
            QStringLiteral("Err: -2147418113: Connection to the server not active |Sub: ") +
            Caller + QLatin1Char(':') + QString::number(step));
    } else {
        trap.fail(error);
    }
    return false;
}

bool AlertMailer::EnvoiMail(qint32 kind, const QString& recipients, const QString& message,
                            const QString& subject, bool support) {
    if (m_busy) {
        return false;
    }
    const BusyFlag busy(m_busy);
    if (!support && recipients.trimmed().isEmpty()) {
        return false;
    }
    ErrorTrap trap(m_parts.errors, Caller);
    trap.at(30);
    const QDateTime now = m_parts.clock.localDateTime();
    const Setup setup = readSetup(m_parts.settingsFile());
    MailMessage mail;
    mail.date = now;
    mail.from = setup.sender;

    trap.at(40);
    const bool reseller = EstCeUneRadioRevendeur();
    if (kind == KindTest) {
        mail.to = MailMessage::recipientsList(recipients);
        if (reseller) {
            mail.bcc = {setup.reseller};
        } else {
            mail.bcc = {setup.support[0], setup.support[1]};
        }
    } else if (support) {
        mail.to = {setup.support[0], setup.support[1]};
    } else {
        mail.to = MailMessage::recipientsList(recipients);
        if (reseller) {
            mail.bcc = {setup.reseller};
        }
    }

    trap.at(60);
    mail.body = body(message, now);
    trap.at(70);
    mail.subject = subject;
    if (subject.trimmed().isEmpty()) {
        mail.subject = m_parts.main.Caption.text();
        mail.subject.remove(QStringLiteral("Ondelia: "), Qt::CaseInsensitive);
    }

    trap.at(80);
    bool failed = false;
    const QList<QByteArray> envelope = mail.envelopeRecipients();
    const QString problem =
        !setup.problem.isEmpty()
            ? setup.problem
            : (envelope.isEmpty() ? QStringLiteral("No recipient for this mail") : QString());
    if (!problem.isEmpty()) {
        m_parts.trace.line(QStringLiteral("Warning: Mail: ") + problem + QStringLiteral(" |Sub: ") +
                           Caller);
        failed = true;
    } else {
        const QString sender = setup.sender.address.trimmed();
        const QString domain = sender.contains(QLatin1Char('@'))
                                   ? sender.section(QLatin1Char('@'), -1)
                                   : m_parts.system.ComputerName();
        const QByteArray bytes = mail.toBytes(domain);
        const QByteArray from = mail.envelopeSender();
        const std::unique_ptr<SmtpClient> smtp = m_parts.makeSmtp();
        const SmtpClient::Relay& relay = setup.relay;
        SmtpClient& client = *smtp;
        failed |=
            !sessionStep(trap, StepOpen, client, [&client, &relay] { return client.open(relay); });
        failed |= !sessionStep(trap, StepSend, client, [&client, &from, &envelope, &bytes] {
            return client.send(from, envelope, bytes);
        });
        failed |= !sessionStep(trap, StepClose, client, [&client] { return client.close(); });
    }

    trap.at(90);
    if (kind == KindTest) {
        const QString text =
            failed ? QStringLiteral("Un problème est survenu lors de l'envoi du mail.\r\n\r\n"
                                    "Vérifiez votre paramétrage.")
                   : QStringLiteral("Vérifiez dans votre boite mail si vous recevez bien ce mail "
                                    "de test.\r\n\r\nPensez à vérifier dans vos spams.");
        m_parts.dialogs.ask(m_parts.main.Caption.text(), text, DialogsHost::Buttons::Ok,
                            failed ? DialogsHost::Icon::Warning : DialogsHost::Icon::Information,
                            DialogsHost::Answer::Ok);
    } else if (failed) {
        m_parts.trace.line(QStringLiteral("Err: Mail: Not sended"));
    }
    return !failed;
}

bool AlertMailer::CommandEmailTest_Click() {
    ErrorTrap trap(m_parts.errors, QStringLiteral("FrmSetup:CommandEmailTest_Click"));
    trap.at(10);
    const QString addresses = m_parts.setup.TexteEmailsAdresses.text();
    if (addresses.trimmed().isEmpty()) {
        m_parts.dialogs.ask(
            m_parts.main.Caption.text(),
            QStringLiteral("Veuillez renseigner un ou plusieurs emails (séparés pas des ;)."),
            DialogsHost::Buttons::Ok, DialogsHost::Icon::Warning, DialogsHost::Answer::Ok);
        return false;
    }
    trap.at(20);
    return EnvoiMail(KindTest, addresses, QStringLiteral("Test d'envoi de mail."), QString(), true);
}
