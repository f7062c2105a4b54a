#include "incidents/Sound4OutageAlert.h"

#include "base/Blanks.h"
#include "base/NumberReading.h"
#include "base/TraceSink.h"
#include "base/UptimeCounter.h"
#include "config/IniAccess.h"
#include "incidents/AlertMail.h"
#include "incidents/AlertMailer.h"
#include "model/FrmSetup.h"
#include "model/ProgramState.h"

#include <cmath>

namespace {

const QString EmailSection = QStringLiteral("Email");
const QString TimeFormat = QStringLiteral("dd/MM/yyyy HH:mm:ss");

} // namespace

Sound4OutageAlert::Sound4OutageAlert(Parts parts) : m_parts(std::move(parts)) {
    m_poll.setInterval(PollIntervalMs);
    m_poll.setTimerType(Qt::CoarseTimer);
    connect(&m_poll, &QTimer::timeout, this, &Sound4OutageAlert::poll);
}

bool Sound4OutageAlert::stopping() const {
    return m_parts.state.PbBQuitterEnCours || m_parts.state.PbBFermetureApplication;
}

bool Sound4OutageAlert::enabled() const {
    return m_parts.setup.CheckEmail[0].value() == 1;
}

QString Sound4OutageAlert::unitName(int unit) const {
    return QStringLiteral("Sound4 N° ") + QString::number(unit + 1);
}

qint64 Sound4OutageAlert::delayMs(const QString& key, qint32 defaultSeconds) {
    const QString text = m_parts.ini.LectureIni(m_parts.settingsFile(), EmailSection, key, {});
    const std::optional<double> v = isBlank(text) ? std::nullopt : Val(text);
    if (!v || !std::isfinite(*v) || *v < 0 || *v > MaxDelaySeconds) {
        return qint64(defaultSeconds) * 1000;
    }
    return qint64(RoundHalfEven(*v)) * 1000;
}

void Sound4OutageAlert::unitLoggedIn(int unit) {
    if (!valid(unit)) {
        return;
    }
    Unit& u = m_units[size_t(unit)];
    u.watched = true;
    if (u.down && !u.up) {
        u.up = true;
        u.upSince = m_parts.uptime.TickCountMilliSec();
        u.backDelayMs = delayMs(BackDelayKey, DefaultBackDelaySeconds);
    }
    armOrStop();
}

void Sound4OutageAlert::unitLost(int unit) {
    if (!valid(unit) || stopping()) {
        return;
    }
    Unit& u = m_units[size_t(unit)];
    if (!u.watched) {
        return; // never logged in: nothing was reachable to lose
    }
    if (!u.down) {
        u.down = true;
        u.downSince = m_parts.uptime.TickCountMilliSec();
        u.downAt = m_parts.clock.localDateTime();
        u.alertDue = true;
        u.alerted = false;
        u.alertDelayMs = delayMs(AlertDelayKey, DefaultAlertDelaySeconds);
    }
    u.up = false; // a drop while holding: the same outage goes on
    armOrStop();
}

void Sound4OutageAlert::unitLoggedOut(int unit) {
    if (!valid(unit)) {
        return;
    }
    Unit& u = m_units[size_t(unit)];
    if (u.down && u.up) {
        end(unit, m_parts.uptime.TickCountMilliSec()); // it was reachable again
    }
    u = Unit{};
    armOrStop();
}

void Sound4OutageAlert::unitError(int unit, const QString& text) {
    if (valid(unit) && !isBlank(text)) {
        m_units[size_t(unit)].lastError = text;
    }
}

void Sound4OutageAlert::poll() {
    if (m_polling) {
        return; // a mail under way lets events run, this timer's among them
    }
    m_polling = true;
    const qint64 now = m_parts.uptime.TickCountMilliSec();
    for (int unit = 0; unit < NbSound4 && !stopping(); ++unit) {
        Unit& u = m_units[size_t(unit)];
        if (!u.down) {
            continue;
        }
        if (u.up && now - u.upSince >= u.backDelayMs) {
            end(unit, now);
        } else if (!u.up && u.alertDue && now - u.downSince >= u.alertDelayMs) {
            u.alertDue = false;
            alert(unit);
        }
    }
    m_polling = false;
    armOrStop();
}

void Sound4OutageAlert::alert(int unit) {
    Unit& u = m_units[size_t(unit)];
    if (!enabled()) {
        return;
    }
    u.alerted = true;
    const QString station = m_parts.state.PbSIdRadio;
    const QString subject = unitName(unit) + QStringLiteral(" injoignable depuis ") +
                            u.downAt.toString(TimeFormat) +
                            (isBlank(station) ? QString() : QStringLiteral(" - ") + station);
    const QString error =
        u.lastError.isEmpty() ? QStringLiteral("aucune erreur rapportée") : u.lastError;
    const QString address = m_parts.setup.TexteSound4IP[unit].text() + QLatin1Char(':') +
                            m_parts.setup.TexteSound4Port[unit].text();
    m_parts.trace.line(subject + QStringLiteral(" |Dernière erreur: ") + error, true);
    m_parts.mail.EnvoiMail(AlertMailer::KindAlert, m_parts.setup.TexteEmailsAdresses.text(),
                           subject + QStringLiteral("|Station: ") + station +
                               QStringLiteral("|Adresse: ") + address +
                               QStringLiteral("|Dernière erreur: ") + error,
                           subject, false);
}

void Sound4OutageAlert::end(int unit, qint64 now) {
    Unit& u = m_units[size_t(unit)];
    const bool owed = u.alerted;
    const qint64 outageMs = (u.up ? u.upSince : now) - u.downSince;
    const QDateTime downAt = u.downAt;
    u.down = false;
    u.up = false;
    u.alerted = false;
    u.lastError.clear();
    if (!owed || !enabled()) {
        return;
    }
    const QString station = m_parts.state.PbSIdRadio;
    const QString subject = unitName(unit) + QStringLiteral(" de nouveau joignable après ") +
                            AlertMailer::LibDuree(double(outageMs) / 1000.0) +
                            (isBlank(station) ? QString() : QStringLiteral(" - ") + station);
    m_parts.trace.line(subject, true);
    m_parts.mail.EnvoiMail(AlertMailer::KindAlert, m_parts.setup.TexteEmailsAdresses.text(),
                           subject + QStringLiteral("|Station: ") + station +
                               QStringLiteral("|Injoignable depuis: ") +
                               downAt.toString(TimeFormat),
                           subject, false);
}

void Sound4OutageAlert::armOrStop() {
    bool pending = false;
    for (const Unit& u : m_units) {
        pending = pending || u.down;
    }
    if (pending && !m_poll.isActive()) {
        m_poll.start();
    } else if (!pending && m_poll.isActive()) {
        m_poll.stop();
    }
}
