#include "shell/ConfigurationCheck.h"

#include "base/Blanks.h"
#include "base/NumberReading.h"
#include "base/TextFormat.h"
#include "incidents/AlertMailer.h"
#include "incidents/Sound4OutageAlert.h"
#include "platform/SmtpClient.h"
#include "shell/OfflineSetup.h"
#include "shell/Program.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QTextStream>

namespace {

const QString EmailSection = QStringLiteral("Email");

QString quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString twoDigits(int n) {
    return N2S(n, 2, 0, QStringLiteral("0"));
}

} // namespace

ConfigurationCheck::ConfigurationCheck(Program& program, QTextStream& out)
    : m_program(program), m_out(out) {}

std::optional<quint16> ConfigurationCheck::portNumber(const QString& text, int min) {
    const QString digits = text.trimmed();
    if (digits.isEmpty() || digits.size() > 5) {
        return std::nullopt;
    }
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return std::nullopt;
        }
    }
    const int n = digits.toInt();
    if (n < min || n > 65535) {
        return std::nullopt;
    }
    return quint16(n);
}

bool ConfigurationCheck::localAddress(const QString& address, QString& reason) {
    const QList<QHostAddress> mine = QNetworkInterface::allAddresses();
    const auto isMine = [&mine](const QHostAddress& a) {
        if (a == QHostAddress::AnyIPv4 || a == QHostAddress::AnyIPv6 || a.isLoopback()) {
            return true;
        }
        for (const QHostAddress& m : mine) {
            if (m.isEqual(a, QHostAddress::TolerantConversion)) {
                return true;
            }
        }
        return false;
    };
    const QString text = address.trimmed();
    QHostAddress parsed;
    if (parsed.setAddress(text)) {
        if (isMine(parsed)) {
            return true;
        }
        reason = QStringLiteral("is not an address of this computer");
        return false;
    }
    const QHostInfo info = QHostInfo::fromName(text);
    if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
        reason = QStringLiteral("is an unknown name");
        return false;
    }
    for (const QHostAddress& a : info.addresses()) {
        if (isMine(a)) {
            return true;
        }
    }
    reason = QStringLiteral("names no address of this computer");
    return false;
}

void ConfigurationCheck::unusable(const QString& where, const QString& what) {
    m_unusable << where + QStringLiteral(": ") + what;
    m_out << "  unusable: " << what << Qt::endl;
}

int ConfigurationCheck::run(const QString& commandLine) {
    OfflineSetup(m_program).prepare(commandLine);
    m_out << "Root: " << m_program.paths.root() << Qt::endl;
    checkSite();
    // The settings as the program loads them, into controls of their own: the
    // program's settings window would open the listeners it ticks.
    FrmSetup read;
    m_setup = &read;
    Settings settings(m_program.state, read, m_program.ini, m_program.errors, m_program.trace,
                      m_program.platform.events, m_program.sessions, m_program.dialogs,
                      m_program.settings.settingsFile(), m_program.settings.peripheralsFile());
    settings.InitSettings();
    settings.InitSettingsPeripheriques(false);
    m_out << "Settings: " << settings.settingsFile() << Qt::endl;
    m_out << "Peripherals: " << settings.peripheralsFile() << Qt::endl;
    checkUnits();
    checkListeners();
    checkEmitters();
    checkMail();
    m_setup = nullptr;
    if (m_unusable.isEmpty()) {
        m_out << "Every value can be used." << Qt::endl;
        return 0;
    }
    m_out << m_unusable.size() << (m_unusable.size() == 1 ? " value" : " values")
          << " cannot be used:" << Qt::endl;
    for (const QString& line : m_unusable) {
        m_out << "  " << line << Qt::endl;
    }
    return 1;
}

void ConfigurationCheck::checkSite() {
    ProgramState& state = m_program.state;
    SiteConfiguration& site = m_program.site;
    IniAccess& ini = m_program.ini;
    const QString config = state.PbSFichierConfig;
    const qint16 bases = site.DetermineDossierConfig_Bases_Nombre(config);
    // A site of several bases starts on the base chosen last, else the first.
    qint16 number = 1;
    if (bases > 1) {
        const qint32 last = Settings::leadingNumber(
            ini.LectureIni(config, QStringLiteral("Site"), QStringLiteral("NoBase"), QString()));
        number = last >= 1 && last <= bases ? qint16(last) : qint16(1);
    }
    m_out << "Site: " << config << ", " << bases << (bases == 1 ? " base" : " bases")
          << ", station " << quoted(state.PbSIdRadio) << Qt::endl;
    const QString folder = site.DetermineDossierConfig_Bases_Dossier(config, number, true);
    const QString system = folder + QStringLiteral("KZ3_Systeme.ini");
    QString section = QStringLiteral("Base_") + twoDigits(number);
    if (isBlank(ini.LectureIni(system, section, QStringLiteral("Lib"), QString()))) {
        section = QStringLiteral("Base_01"); // a system file of that base alone
    }
    const auto folderKey = [&](const QString& key, const QString& defaultValue) {
        return CheckRep(ini.LectureIni(system, section, key, defaultValue));
    };
    const QString label = ini.LectureIni(system, section, QStringLiteral("Lib"),
                                         QStringLiteral("Base ") + QString::number(number));
    const QString log = folderKey(QStringLiteral("Dossier_Log"), QStringLiteral("C:\\AudioLog\\"));
    const QString data = folderKey(QStringLiteral("Dossier_Data"), QStringLiteral("C:\\KZ_Data\\"));
    const QString where = QStringLiteral("Base ") + QString::number(number);
    m_out << where << " " << quoted(label) << ": " << system << ", log " << log
          << "Histo_KZ3_Trelvo\\, data " << data << Qt::endl;
    const QFileInfo dataFolder(m_program.paths.toNative(data));
    const QFileInfo database(m_program.paths.toNative(data + QStringLiteral("FRAD000.bt6")));
    if (!dataFolder.isDir()) {
        unusable(where, QStringLiteral("data folder ") + data +
                            QStringLiteral(" (Dossier_Data of [") + section +
                            QStringLiteral("]) does not exist"));
    } else if (!database.isFile()) {
        unusable(where, QStringLiteral("data folder ") + data +
                            QStringLiteral(" holds no database (FRAD000.bt6)"));
    }
}

void ConfigurationCheck::checkUnits() {
    const FrmSetup& setup = *m_setup;
    const QString file = m_program.settings.settingsFile();
    for (int i = 0; i < FrmSetup::NbSound4; ++i) {
        const QString where = QStringLiteral("Sound4 ") + QString::number(i + 1);
        const QString host = setup.TexteSound4IP[i].text();
        if (isBlank(host)) {
            m_out << where << ": off (no address)" << Qt::endl;
            continue;
        }
        const QString portText = setup.TexteSound4Port[i].text();
        const std::optional<quint16> port = portNumber(portText, 1);
        const bool atStart =
            m_program.ini.LectureIni(file, QStringLiteral("Sound4"),
                                     QStringLiteral("Connected_") + QString::number(i),
                                     QStringLiteral("0")) == u"1";
        const QString user = trimBlanks(setup.TexteSound4User[i].text());
        m_out << where << ": connect to " << host << ':' << portText
              << (user.isEmpty() ? QStringLiteral(", no login (no user)")
                                 : QStringLiteral(", login as ") + user)
              << (atStart ? ", at start" : ", on Login") << Qt::endl;
        if (!port) {
            unusable(where, QStringLiteral("port ") + quoted(portText) + QStringLiteral(" (Port_") +
                                QString::number(i) + QStringLiteral(") is not a port number"));
        }
    }
}

void ConfigurationCheck::checkListeners() {
    const FrmSetup& setup = *m_setup;
    for (int i = 0; i < FrmSetup::NbUdp; ++i) {
        const QString where = QStringLiteral("Listener ") + QString::number(i);
        const QString section = QStringLiteral("[Peripheriques_Reseau_Reception_UDP_") +
                                QString::number(i) + QLatin1Char(']');
        if (setup.CheckUDPInActif[i].value() != 1) {
            m_out << where << ": off" << Qt::endl;
            continue;
        }
        const QString address = setup.TexteUDPIPSource[i].text();
        const QString portText = setup.TexteUDPPortSource[i].text();
        m_out << where << ": bind " << address << ':'
              << (isBlank(portText) ? QStringLiteral("(a port of the system's choosing)")
                                    : portText)
              << (i == 0   ? ", raw Sound4 commands"
                  : i == 1 ? ", player messages"
                           : "")
              << Qt::endl;
        QString reason;
        if (isBlank(address)) {
            unusable(where,
                     QStringLiteral("no listening address (IP of ") + section + QLatin1Char(')'));
        } else if (!localAddress(address, reason)) {
            unusable(where, QStringLiteral("address ") + quoted(address) +
                                QStringLiteral(" (IP of ") + section + QStringLiteral(") ") +
                                reason);
        }
        if (!isBlank(portText) && !portNumber(portText, 0)) {
            unusable(where, QStringLiteral("port ") + quoted(portText) +
                                QStringLiteral(" (Port of ") + section +
                                QStringLiteral(") is not a port number"));
        }
    }
}

void ConfigurationCheck::checkEmitters() {
    const FrmSetup& setup = *m_setup;
    for (int i = 0; i < FrmSetup::NbUdp; ++i) {
        const QString where = QStringLiteral("Emitter ") + QString::number(i);
        const QString section = QStringLiteral("[Peripheriques_Reseau_Emission_UDP_") +
                                QString::number(i) + QLatin1Char(']');
        if (setup.CheckUDPOutActif[i].value() != 1) {
            m_out << where << ": off" << Qt::endl;
            continue;
        }
        const QString address = setup.TexteUDPIPCible[i].text();
        const QString port1 = setup.TexteUDPPortCible[i].text();
        const QString port2 = setup.TexteUDPPortBCible[i].text();
        const bool second = !isBlank(port2) && Val(port2).value_or(0.0) != 0.0;
        m_out << where << ": send to " << address << ':' << port1
              << (second ? QStringLiteral(" and ") + address + QLatin1Char(':') + port2 : QString())
              << Qt::endl;
        if (isBlank(address)) {
            unusable(where,
                     QStringLiteral("no target address (IP of ") + section + QLatin1Char(')'));
        }
        if (!portNumber(port1, 1)) {
            unusable(where, QStringLiteral("port ") + quoted(port1) +
                                QStringLiteral(" (Port1 of ") + section +
                                QStringLiteral(") is not a port number"));
        }
        if (!isBlank(port2) && !portNumber(port2, 0)) {
            unusable(where, QStringLiteral("port ") + quoted(port2) +
                                QStringLiteral(" (Port2 of ") + section +
                                QStringLiteral(") is not a port number"));
        }
    }
}

void ConfigurationCheck::checkMail() {
    const QString file = m_program.settings.settingsFile();
    const auto email = [this, &file](const QString& key) {
        return m_program.ini.LectureIni(file, EmailSection, key, QString());
    };
    const QString where = QStringLiteral("Mail");
    const QString host = email(AlertMailer::Keys::Host).trimmed();
    const QString port = email(AlertMailer::Keys::Port);
    const QString security = email(AlertMailer::Keys::Security);
    const bool alert = m_setup->CheckEmail[0].value() == 1;
    if (host.isEmpty()) {
        m_out << where << ": off (no relay, Smtp_Serveur)" << Qt::endl;
    } else {
        m_out << where << ": relay " << host
              << (isBlank(port) ? QString() : QLatin1Char(':') + port) << ", to "
              << quoted(m_setup->TexteEmailsAdresses.text()) << ", unit-down alert "
              << (alert ? "on" : "off") << Qt::endl;
    }
    if (!isBlank(port) && !portNumber(port, 1)) {
        unusable(where, QStringLiteral("port ") + quoted(port) +
                            QStringLiteral(" (Smtp_Port of [Email]) is not a port number"));
    }
    if (!SmtpClient::securityFrom(security)) {
        unusable(where,
                 QStringLiteral("security ") + quoted(security) +
                     QStringLiteral(" (Smtp_Securite of [Email]) is not none, starttls or tls"));
    }
    for (const QString& key : {Sound4OutageAlert::AlertDelayKey, Sound4OutageAlert::BackDelayKey}) {
        const QString value = email(key);
        bool ok = false;
        const qint64 seconds = value.trimmed().toLongLong(&ok);
        if (!isBlank(value) &&
            (!ok || seconds < 0 || seconds > Sound4OutageAlert::MaxDelaySeconds)) {
            unusable(where, quoted(value) + QStringLiteral(" (") + key +
                                QStringLiteral(" of [Email]) is not a number of seconds"));
        }
    }
}
