#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <functional>

class AlertMail;
class Clock;
class FrmSetup;
class IniAccess;
class TraceSink;
class UptimeCounter;
struct ProgramState;

// The alert "Problème de connexion à la Sound 4" (CheckEmail(0)): a mail when a
// unit whose session was logged in has been unreachable for a while, and one when
// it is back.
//
// An outage starts when the session of a unit that was logged in is lost (the
// operator's logout is no loss). It ends only once the unit has stayed logged in
// for the back delay: a unit that logs in and drops again within that time is
// still in the same outage, so a flapping unit gives one alert, however often it
// flaps, and one back mail once it holds. The alert goes when the outage has
// lasted the alert delay; the back mail only after an alert. Both delays are keys
// of section "Email" of the settings file, in seconds, read as the outage starts
// and as the unit logs in again. With the box clear nothing is mailed nor logged.
class Sound4OutageAlert final : public QObject {
    Q_OBJECT

public:
    struct Parts {
        ProgramState& state;
        const FrmSetup& setup;
        IniAccess& ini;
        std::function<QString()> settingsFile; // the settings file's Windows path
        AlertMail& mail;
        TraceSink& trace;
        UptimeCounter& uptime;
        const Clock& clock;
    };

    static inline const QString AlertDelayKey = QStringLiteral("DelaiAlerteSound4");
    static inline const QString BackDelayKey = QStringLiteral("DelaiRetourSound4");
    static constexpr qint32 DefaultAlertDelaySeconds = 120;
    static constexpr qint32 DefaultBackDelaySeconds = 60;
    static constexpr qint32 MaxDelaySeconds = 86400;
    static constexpr int PollIntervalMs = 1000;
    static constexpr int NbSound4 = 4;

    explicit Sound4OutageAlert(Parts parts);

    // What the sessions report of a unit (0 to 3).
    void unitLoggedIn(int unit);
    void unitLost(int unit);
    void unitLoggedOut(int unit);
    void unitError(int unit, const QString& text);

    // Sends what has fallen due. Runs every second while a unit is in an outage.
    void poll();

    bool inOutage(int unit) const { return valid(unit) && m_units[size_t(unit)].down; }

private:
    struct Unit {
        bool watched = false; // a session of the unit was logged in
        bool down = false;    // in an outage
        qint64 downSince = 0; // uptime (ms) of the first loss
        QDateTime downAt;
        bool up = false; // logged in again, holding for the back delay
        qint64 upSince = 0;
        bool alertDue = true; // the alert delay has not passed yet
        bool alerted = false; // the alert was sent: a back mail is owed
        qint64 alertDelayMs = 0;
        qint64 backDelayMs = 0;
        QString lastError;
    };

    static bool valid(int unit) { return unit >= 0 && unit < NbSound4; }
    bool stopping() const;
    bool enabled() const;
    qint64 delayMs(const QString& key, qint32 defaultSeconds);
    void alert(int unit);
    void end(int unit, qint64 now);
    void armOrStop();
    QString unitName(int unit) const;

    Parts m_parts;
    std::array<Unit, NbSound4> m_units;
    QTimer m_poll;
    bool m_polling = false;
};
