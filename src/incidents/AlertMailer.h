#pragma once

#include "incidents/AlertMail.h"
#include "incidents/MailMessage.h"
#include "platform/SmtpClient.h"

#include <functional>
#include <memory>

class AppVersion;
class Clock;
class DialogsHost;
class ErrorReporter;
class ErrorTrap;
class EventPump;
class FrmSetup;
class Frm_Main;
class IniAccess;
class SystemInfo;
class TraceSink;
class UptimeCounter;
struct ProgramState;

// The alert and test mails. Each mail describes the station and the machine, then
// carries the caller's message; it leaves through the SMTP relay of the settings
// file (section "Email", read at each mail). The SMTP session runs on a helper
// thread while this thread keeps handling its events; a mail asked for meanwhile
// (by one of those events) is turned away, silently.
//
// Alerts for support go to the maker's two support mailboxes instead of the
// operator's addresses; test mails copy those mailboxes blindly, or the
// reseller's mailbox alone on a reseller's station, which also gets a blind copy
// of the other alerts. With no relay set, or nobody to send to, no connection is
// tried: a warning line, then the mail's failure report.
class AlertMailer final : public AlertMail {
public:
    using SmtpFactory = std::function<std::unique_ptr<SmtpClient>()>;

    struct Parts {
        ProgramState& state;
        const FrmSetup& setup;
        const Frm_Main& main;
        IniAccess& ini;
        std::function<QString()> settingsFile; // the settings file's Windows path
        SystemInfo& system;
        UptimeCounter& uptime;
        const AppVersion& version;
        DialogsHost& dialogs;
        TraceSink& trace;
        ErrorReporter& errors;
        EventPump& events;
        const Clock& clock;
        SmtpFactory makeSmtp; // one client per mail
    };

    // Keys of section "Email" of the settings file.
    struct Keys {
        static inline const QString SenderName = QStringLiteral("Expediteur_Nom");
        static inline const QString SenderAddress = QStringLiteral("Expediteur_Adresse");
        static inline const QString Support1Name = QStringLiteral("Support1_Nom");
        static inline const QString Support1Address = QStringLiteral("Support1_Adresse");
        static inline const QString Support2Name = QStringLiteral("Support2_Nom");
        static inline const QString Support2Address = QStringLiteral("Support2_Adresse");
        static inline const QString ResellerName = QStringLiteral("Revendeur_Nom");
        static inline const QString ResellerAddress = QStringLiteral("Revendeur_Adresse");
        static inline const QString Host = QStringLiteral("Smtp_Serveur");
        static inline const QString Port = QStringLiteral("Smtp_Port");
        static inline const QString Security = QStringLiteral("Smtp_Securite");
        static inline const QString Account = QStringLiteral("Smtp_Compte");
        static inline const QString Password = QStringLiteral("Smtp_MotDePasse");
        static inline const QString Timeout = QStringLiteral("Smtp_Delai");
    };
    static inline const QString DefaultSenderName = QStringLiteral("Ondelia Assistance");
    static constexpr qint32 DefaultTimeoutSeconds = 30;
    static constexpr qint32 MaxTimeoutSeconds = 600;

    static constexpr qint32 KindTest = -1;
    static constexpr qint32 KindAlert = 0;

    explicit AlertMailer(Parts parts);

    // kind -1 a test mail (reported in a message box), 0 an alert (reported in the
    // trace log when it fails). "|" in the message starts a new line; an empty
    // subject is the main window's caption without "Ondelia: ".
    bool EnvoiMail(qint32 kind, const QString& recipients, const QString& message,
                   const QString& subject, bool support) override;

    // The settings window's "Tester" button: a test mail to the addresses typed,
    // or a message box asking for one. Returns whether the relay took the mail.
    bool CommandEmailTest_Click();

    // Whether this station (PbINoRadio) belongs to a reseller's customer.
    bool EstCeUneRadioRevendeur() const;
    static bool isResellerStation(qint32 stationNumber);

    // A duration as "[d J h H |h H ]m Min s Sec", from seconds rounded half to even;
    // a negative or unreadable duration counts as none.
    static QString LibDuree(double seconds);

    bool busy() const { return m_busy; }

private:
    struct Setup {
        MailAddress sender;
        MailAddress support[2];
        MailAddress reseller;
        SmtpClient::Relay relay;
        QString problem; // why no session can be tried, empty when one can
    };

    Setup readSetup(const QString& settingsFile);
    QString body(const QString& message, const QDateTime& now);
    // One step of the session off this thread; a failure closes the session and is
    // logged or reported. Returns whether the step completed.
    bool sessionStep(ErrorTrap& trap, qint32 step, SmtpClient& smtp,
                     const std::function<AppError()>& call);

    Parts m_parts;
    bool m_busy = false;
};
