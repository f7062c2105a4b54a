#include "settings/Settings.h"

#include "base/ErrorTrap.h"
#include "base/NumberReading.h"
#include "base/TraceSink.h"
#include "config/IniAccess.h"
#include "model/FrmSetup.h"
#include "model/ProgramState.h"
#include "platform/DialogsHost.h"
#include "platform/EventPump.h"
#include "sound4/Sound4Sessions.h"

#include <algorithm>
#include <limits>

namespace {

const QString Sound4Section = QStringLiteral("Sound4");
const QString EmailSection = QStringLiteral("Email");
const QString GeneralOutSection = QStringLiteral("General_Out");
const QString Zero = QStringLiteral("0");
const QString One = QStringLiteral("1");

QString key(const char* prefix, int i) {
    return QLatin1String(prefix) + QString::number(i);
}
QString listenerSection(int i) {
    return key("Peripheriques_Reseau_Reception_UDP_", i);
}
QString emitterSection(int i) {
    return key("Peripheriques_Reseau_Emission_UDP_", i);
}
QString caller(const char* procedure) {
    return QStringLiteral("FrmSetup:") + QLatin1String(procedure);
}

} // namespace

Settings::Settings(ProgramState& state, FrmSetup& setup, IniAccess& ini, ErrorReporter& errors,
                   TraceSink& trace, EventPump& events, Sound4Sessions& sessions,
                   DialogsHost& dialogs, QString settingsFile, QString peripheralsFile)
    : m_state(state), m_setup(setup), m_ini(ini), m_errors(errors), m_trace(trace),
      m_events(events), m_sessions(sessions), m_dialogs(dialogs),
      m_settingsFile(std::move(settingsFile)), m_peripheralsFile(std::move(peripheralsFile)) {
    connectChangeSignals();
}

void Settings::connectChangeSignals() {
    const auto options = [this] { m_state.PbBOptionsModifiees = true; };
    const auto peripherals = [this] { m_state.PbBPeripheriquesModifies = true; };
    for (int i = 0; i < FrmSetup::NbSound4; ++i) {
        for (TextField* t : {&m_setup.TexteSound4IP[i], &m_setup.TexteSound4Port[i],
                             &m_setup.TexteSound4NoSerie[i], &m_setup.TexteSound4User[i],
                             &m_setup.TexteSound4PW[i]}) {
            connect(t, &TextField::textChanged, this, options);
        }
        connect(&m_setup.CheckSound4AutoLogin[i], &CheckField::clicked, this, options);
    }
    connect(&m_setup.TexteEmailsAdresses, &TextField::textChanged, this, options);
    for (CheckField& c : m_setup.CheckEmail) {
        connect(&c, &CheckField::clicked, this, options);
    }
    for (int i = 0; i < FrmSetup::NbUdp; ++i) {
        for (TextField* t : {&m_setup.TexteUDPIPSource[i], &m_setup.TexteUDPPortSource[i],
                             &m_setup.TexteUDPIPCible[i], &m_setup.TexteUDPPortCible[i],
                             &m_setup.TexteUDPPortBCible[i]}) {
            connect(t, &TextField::textChanged, this, peripherals);
        }
        connect(&m_setup.CheckUDPInActif[i], &CheckField::clicked, this, peripherals);
        connect(&m_setup.CheckUDPOutActif[i], &CheckField::clicked, this, peripherals);
    }
}

qint32 Settings::leadingNumber(const QString& text) {
    const double v = Val(text).value_or(0.0);
    constexpr double lo = std::numeric_limits<qint32>::min();
    constexpr double hi = std::numeric_limits<qint32>::max();
    return ToInt32(std::clamp(v, lo, hi)).value_or(v < 0 ? qint32(lo) : qint32(hi));
}

void Settings::InitSettings() {
    ErrorTrap trap(m_errors, caller("InitSettings"));
    const IniSnapshot ini = m_ini.snapshot(m_settingsFile); // one read of the file
    trap.at(10);
    for (int i = 0; i < FrmSetup::NbSound4; ++i) {
        trap.at(20);
        m_setup.TexteSound4IP[i].setText(ini.LectureIni(Sound4Section, key("IP_", i), {}));
        m_setup.TexteSound4Port[i].setText(
            ini.LectureIni(Sound4Section, key("Port_", i), QStringLiteral("3003")));
        m_setup.TexteSound4NoSerie[i].setText(
            ini.LectureIni(Sound4Section, key("NoSerie_", i), {}));
        m_setup.TexteSound4User[i].setText(
            ini.LectureIni(Sound4Section, key("User_", i), QStringLiteral("admin")));
        m_setup.TexteSound4PW[i].setText(
            ini.LectureIni(Sound4Section, key("PW_", i), QStringLiteral("ravin")));
        m_setup.CheckSound4AutoLogin[i].setValue(
            checkValue(ini.LectureIni(Sound4Section, key("AutoLogin_", i), Zero)));
    }
    trap.at(30);
    m_setup.TexteEmailsAdresses.setText(ini.LectureIni(EmailSection, QStringLiteral("Emails"), {}));
    trap.at(40);
    for (int i = 0; i < FrmSetup::NbEmailChecks; ++i) {
        // Anything but exactly "0", an empty value included, ticks the box.
        const QString v = ini.LectureIni(EmailSection, key("Check_", i), Zero);
        m_setup.CheckEmail[i].setValue(v == Zero ? 0 : 1);
    }
    trap.at(50);
    m_state.PbBOptionsModifiees = false; // last: the controls just raised their signals
}

bool Settings::holdsPeripherals(const QString& file) {
    const QStringList sections = m_ini.sectionNames(file);
    for (int i = 0; i < FrmSetup::NbUdp; ++i) {
        for (const QString& s : {listenerSection(i), emitterSection(i)}) {
            if (sections.contains(s, Qt::CaseInsensitive)) {
                return true;
            }
        }
    }
    return false;
}

void Settings::InitSettingsPeripheriques(bool writeAllowed) {
    ErrorTrap trap(m_errors, caller("InitSettingsPeripheriques"));
    trap.at(5);
    const bool migrate =
        IniAccess::profilePath(m_peripheralsFile)
                .compare(IniAccess::profilePath(LegacyPeripheralsFile), Qt::CaseInsensitive) != 0 &&
        !holdsPeripherals(m_peripheralsFile) && holdsPeripherals(LegacyPeripheralsFile);
    const QString& p = migrate ? LegacyPeripheralsFile : m_peripheralsFile;
    const IniSnapshot ini = m_ini.snapshot(p); // one read of the file
    const QString ip = QStringLiteral("IP");
    const QString actif = QStringLiteral("Actif");
    trap.at(10);
    for (int i = 0; i < FrmSetup::NbUdp; ++i) {
        const QString s = listenerSection(i);
        m_setup.TexteUDPIPSource[i].setText(ini.LectureIni(s, ip, {}));
        m_setup.TexteUDPPortSource[i].setText(ini.LectureIni(s, QStringLiteral("Port"), {}));
        // Last: ticking opens the listener on the address and port just loaded.
        m_setup.CheckUDPInActif[i].setValue(checkValue(ini.LectureIni(s, actif, Zero)));
    }
    trap.at(20);
    for (int i = 0; i < FrmSetup::NbUdp; ++i) {
        const QString s = emitterSection(i);
        m_setup.TexteUDPIPCible[i].setText(ini.LectureIni(s, ip, {}));
        m_setup.TexteUDPPortCible[i].setText(
            ini.LectureIni(s, QStringLiteral("Port1"), QString::number(96 + i)));
        m_setup.TexteUDPPortBCible[i].setText(ini.LectureIni(s, QStringLiteral("Port2"), {}));
        m_setup.CheckUDPOutActif[i].setValue(checkValue(ini.LectureIni(s, actif, Zero)));
    }
    trap.at(30);
    if (migrate && writeAllowed) {
        SaveSettingsPeripheriques();
        m_trace.line(QStringLiteral("Settings: Peripherals read from ") + LegacyPeripheralsFile +
                     QStringLiteral(" and written to ") + m_peripheralsFile);
    }
    trap.at(40);
    m_state.PbBPeripheriquesModifies = false;
}

bool Settings::saveAll(const QString& file, const QList<ProfileFile::Entry>& entries) {
    if (m_ini.EcritureIniAll(file, entries)) {
        return true;
    }
    const QString text =
        QStringLiteral("Les options n'ont pas pu \u00eatre enregistr\u00e9es dans ") + file +
        QStringLiteral(" : le fichier ne peut pas \u00eatre \u00e9crit.");
    m_trace.line(QStringLiteral("Err: Settings: not saved, the file cannot be written: ") + file,
                 true);
    m_dialogs.ask(QStringLiteral("Trelvo"), text, DialogsHost::Buttons::Ok,
                  DialogsHost::Icon::Critical, DialogsHost::Answer::Ok);
    return false;
}

bool Settings::SaveSettings() {
    ErrorTrap trap(m_errors, caller("SaveSettings"));
    QList<ProfileFile::Entry> entries;
    const auto put = [&entries](const QString& section, const QString& name, const QString& value) {
        entries.append(ProfileFile::Entry{section, name, value});
    };
    trap.at(10);
    for (int i = 0; i < FrmSetup::NbSound4; ++i) {
        put(Sound4Section, key("IP_", i), m_setup.TexteSound4IP[i].text());
        put(Sound4Section, key("Port_", i), m_setup.TexteSound4Port[i].text());
        put(Sound4Section, key("NoSerie_", i), m_setup.TexteSound4NoSerie[i].text());
        put(Sound4Section, key("User_", i), m_setup.TexteSound4User[i].text());
        put(Sound4Section, key("PW_", i), m_setup.TexteSound4PW[i].text());
        put(Sound4Section, key("AutoLogin_", i),
            QString::number(m_setup.CheckSound4AutoLogin[i].value()));
    }
    trap.at(20);
    put(EmailSection, QStringLiteral("Emails"), m_setup.TexteEmailsAdresses.text());
    trap.at(30);
    for (int i = 0; i < FrmSetup::NbEmailChecks; ++i) {
        put(EmailSection, key("Check_", i), QString::number(m_setup.CheckEmail[i].value()));
    }
    trap.at(40);
    if (!saveAll(m_settingsFile, entries)) {
        return false; // still edited: nothing was saved
    }
    m_state.PbBOptionsModifiees = false;
    return true;
}

bool Settings::SaveSettingsPeripheriques() {
    ErrorTrap trap(m_errors, caller("SaveSettingsPeripheriques"));
    const QString ip = QStringLiteral("IP");
    const QString actif = QStringLiteral("Actif");
    QList<ProfileFile::Entry> entries;
    const auto put = [&entries](const QString& section, const QString& name, const QString& value) {
        entries.append(ProfileFile::Entry{section, name, value});
    };
    trap.at(10);
    for (int i = 0; i < FrmSetup::NbUdp; ++i) {
        const QString s = listenerSection(i);
        put(s, actif, m_setup.CheckUDPInActif[i].value() == 1 ? One : Zero);
        put(s, ip, m_setup.TexteUDPIPSource[i].text());
        put(s, QStringLiteral("Port"), m_setup.TexteUDPPortSource[i].text());
    }
    trap.at(20);
    for (int i = 0; i < FrmSetup::NbUdp; ++i) {
        const QString s = emitterSection(i);
        put(s, actif, m_setup.CheckUDPOutActif[i].value() == 1 ? One : Zero);
        put(s, ip, m_setup.TexteUDPIPCible[i].text());
        put(s, QStringLiteral("Port1"), m_setup.TexteUDPPortCible[i].text());
        put(s, QStringLiteral("Port2"), m_setup.TexteUDPPortBCible[i].text());
    }
    trap.at(30);
    if (!saveAll(m_peripheralsFile, entries)) {
        return false;
    }
    m_state.PbBPeripheriquesModifies = false;
    return true;
}

void Settings::saveEdited() {
    m_events.processPendingEvents();
    if (m_state.PbBOptionsModifiees) {
        SaveSettings();
    }
    if (m_state.PbBPeripheriquesModifies) {
        SaveSettingsPeripheriques();
    }
}

void Settings::CommandSave_Click() {
    ErrorTrap trap(m_errors, caller("CommandSave_Click"));
    trap.at(10);
    saveEdited();
}

void Settings::saveAtUnload(DialogsHost& dialogs, const QString& title) {
    ErrorTrap trap(m_errors, caller("Form_Unload"));
    trap.at(10);
    if (m_state.PbBOptionsModifiees || m_state.PbBPeripheriquesModifies) {
        trap.at(20);
        if (dialogs.ask(title, QStringLiteral("Voulez-vous enregistrer les options ?"),
                        DialogsHost::Buttons::YesNo, DialogsHost::Icon::Question,
                        DialogsHost::Answer::No) == DialogsHost::Answer::Yes) {
            saveEdited();
        }
    }
    trap.at(30);
    m_state.PbBOptionsModifiees = false;
    m_state.PbBPeripheriquesModifies = false;
    trap.at(40);
    saveConnectedKeys();
}

void Settings::InitNbBase() {
    ErrorTrap trap(m_errors, caller("InitNbBase"));
    trap.at(10);
    const qint32 n = leadingNumber(
        m_ini.LectureIni(m_settingsFile, GeneralOutSection, QStringLiteral("NbZones"), One));
    m_state.PbINbBase = qint16(std::clamp<qint32>(n, MinBases, MaxBases));
    trap.at(20);
    m_trace.line(QStringLiteral("PbINbBase: ") + QString::number(m_state.PbINbBase) +
                 QStringLiteral("/A"));
}

void Settings::saveConnectedKeys() {
    ErrorTrap trap(m_errors, caller("saveConnectedKeys"));
    trap.at(10);
    QList<ProfileFile::Entry> entries;
    for (int i = 0; i < ProgramState::NbSound4; ++i) {
        entries.append(ProfileFile::Entry{Sound4Section, key("Connected_", i),
                                          m_state.PbBSound4Connected[i] ? One : Zero});
    }
    m_ini.EcritureIniAll(m_settingsFile, entries);
}

void Settings::reconnectSavedUnits() {
    ErrorTrap trap(m_errors, caller("reconnectSavedUnits"));
    trap.at(10);
    for (int i = 0; i < FrmSetup::NbSound4; ++i) {
        if (m_ini.LectureIni(m_settingsFile, Sound4Section, key("Connected_", i), Zero) == One) {
            trap.at(20);
            m_sessions.CommandSound4Login_Click(qint16(i));
        }
    }
}
