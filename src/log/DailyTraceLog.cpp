#include "log/DailyTraceLog.h"

#include "base/Blanks.h"
#include "base/Clock.h"
#include "base/ErrorTrap.h"
#include "base/NumberReading.h"
#include "base/TextFormat.h"
#include "base/TimeStamp.h"
#include "base/UptimeCounter.h"
#include "base/VisibleText.h"
#include "log/TraceMirror.h"
#include "model/Fields.h"
#include "model/ProgramState.h"
#include "platform/PathSpace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString BannerPrefix = QStringLiteral("==:==:==:====:=:=:=:");
constexpr qint64 MsPerDay = 24LL * 3600 * 1000;

// The incident list shows the message trimmed, without its leading colons.
QString incidentText(const QString& message) {
    QString text = trimBlanks(message);
    qsizetype colons = 0;
    while (colons < text.size() && text.at(colons) == QLatin1Char(':')) {
        ++colons;
    }
    return text.mid(colons);
}

// One allocation for the row, not two.
QString joined(QStringView prefix, const QString& message) {
    QString row;
    row.reserve(prefix.size() + message.size());
    row += prefix;
    row += message;
    return row;
}

// An error report that goes nowhere, for the date helper when no report is wired.
class DiscardErrors final : public ErrorReporter {
public:
    void report(const QString&, qint32, const AppError&) override {}
};

} // namespace

DailyTraceLog::DailyTraceLog(ProgramState& state, const Clock& clock, UptimeCounter& uptime,
                             const PathSpace& paths, TraceLogLists lists, TraceBannerFacts& facts)
    : m_state(state), m_clock(clock), m_uptime(uptime), m_paths(paths), m_lists(lists),
      m_facts(facts) {}

DailyTraceLog::LinePrefix DailyTraceLog::linePrefix(qint16 marker1, qint16 marker2) {
    LinePrefix prefix;
    const auto addDigits = [&prefix](int value, int digits) {
        for (int d = digits - 1; d >= 0; --d) {
            prefix.text[prefix.size + d] = char16_t(u'0' + value % 10);
            value /= 10;
        }
        prefix.size += digits;
    };
    const QTime time = m_clock.localTime();
    addDigits(time.hour(), 2);
    prefix.add(u':');
    addDigits(time.minute(), 2);
    prefix.add(u':');
    addDigits(time.second(), 2);
    prefix.add(u':');
    addDigits(time.msec(), 3);
    prefix.add(" :");
    if (marker1 == -2 && marker2 == -2) {
        prefix.add("Debug:");
    } else {
        if (marker1 < 0) {
            prefix.add(" :");
        } else {
            // At most five digits: a qint16 that is not negative.
            char digits[8];
            int n = 0;
            for (int value = marker1; n == 0 || value > 0; value /= 10) {
                digits[n++] = char('0' + value % 10);
            }
            while (n > 0) {
                prefix.add(char16_t(digits[--n]));
            }
            prefix.add(u':');
        }
        if (marker2 < 0) {
            prefix.add(" :");
        } else if (marker2 <= 9) {
            prefix.add(char16_t(u'0' + marker2));
            prefix.add(u':');
        } else {
            prefix.add(char16_t(marker2 + 55));
            prefix.add(u':');
        }
    }

    // Elapsed column: short gaps add up until they pass 20 ms.
    const qint64 now = m_uptime.TickCountMilliSec();
    m_lineTick = now;
    const qint64 elapsed = now - m_reference;
    if (m_reference == 0) {
        prefix.add("    :");
        m_reference = now;
    } else if (elapsed <= 20) {
        prefix.add("    :");
    } else if (elapsed <= 9999) {
        int digits = elapsed >= 1000 ? 4 : elapsed >= 100 ? 3 : elapsed >= 10 ? 2 : 1;
        for (int pad = digits; pad < 4; ++pad) {
            prefix.add(u' ');
        }
        addDigits(int(elapsed), digits);
        prefix.add(u':');
        m_reference = now;
    } else {
        prefix.add("xxxx:");
        m_reference = now;
    }
    return prefix;
}

QString DailyTraceLog::todayFileName() const {
    return m_clock.localDateTime().date().toString(QStringLiteral("yyyyMMdd"));
}

QString DailyTraceLog::logFolder() const {
    return m_state.PbTParametresSite.Base[0].Dossier_Histo;
}

void DailyTraceLog::TraceLog(qint16 marker1, qint16 marker2, const QString& message, bool incident,
                             qint16 incidentNumber, bool writeAllowed) {
    if (m_state.PbBFermetureApplication && !m_state.PbBFrmSetupChargee) {
        return; // closing, and the settings window is gone
    }
    if (isBlank(message)) {
        return;
    }
    // Outside text shows its control characters: no line end in it can forge a line.
    const QString shown = withVisibleControls(message);
    if (shown.size() > MaxLineLength) {
        // A unit's or a peer's text can be of any length: the log keeps a readable
        // line and says how much it left out.
        const QString cut = shown.left(MaxLineLength) + QStringLiteral(" ... (") +
                            QString::number(shown.size() - MaxLineLength) +
                            QStringLiteral(" characters cut)");
        logLine(marker1, marker2, cut, incident, incidentNumber, writeAllowed);
        return;
    }
    logLine(marker1, marker2, shown, incident, incidentNumber, writeAllowed);
}

void DailyTraceLog::logLine(qint16 marker1, qint16 marker2, const QString& message, bool incident,
                            qint16 incidentNumber, bool writeAllowed) {
    LinePrefix prefix = linePrefix(marker1, marker2);

    const bool setupLoaded = m_state.PbBFrmSetupChargee;
    if (setupLoaded) {
        if (!m_lists.ListeLogTemp.isEmpty()) {
            for (const QString& row : m_lists.ListeLogTemp.rows()) {
                m_lists.ListeLog.addItem(row);
            }
            m_lists.ListeLogTemp.clear();
        }
        if (m_lists.ListeLog.isEmpty()) {
            prefix.text[0] = u'*'; // the first line of a batch
        }
        m_lists.ListeLog.addItem(joined(prefix.view(), message));
        dropOldestWaiting(m_lists.ListeLog);
    } else {
        if (m_lists.ListeLogTemp.isEmpty()) {
            prefix.text[0] = u'*';
        }
        m_lists.ListeLogTemp.addItem(joined(prefix.view(), message));
        dropOldestWaiting(m_lists.ListeLogTemp);
    }

    if (m_mirror) {
        m_mirror->traceLine(prefix.view().toString(), message, incident || incidentNumber >= 0);
    }

    const bool automaticWrite = !m_writing && m_lineTick >= m_retryAfter;
    if (incident || incidentNumber >= 0) {
        m_lists.ListeIncidents.addCapped(m_clock.localDateTime().toString(QStringLiteral("dd/MM")) +
                                         QLatin1Char(' ') + prefix.view().toString() +
                                         incidentText(message));
        m_lists.CheckIncidents.setValue(1);
        if (setupLoaded && writeAllowed && automaticWrite) {
            TraceLogForce(m_lists.ListeLog); // incidents reach the file at once
            return;
        }
    }

    if (setupLoaded && writeAllowed && automaticWrite && !isBlank(logFolder())) {
        const QString& field = m_lists.TexteLogNbMaxlignes.text();
        if (field != m_batchField) { // read again only when the field changed
            m_batchField = field;
            m_batchSize = Val(field).value_or(0.0);
        }
        // The lines on their way to the disk are in the list until written: they do
        // not count towards the next batch, which would otherwise follow each batch
        // at once with the few lines logged meanwhile.
        const int onTheirWay = m_inFlightList == &m_lists.ListeLog ? m_inFlightRows : 0;
        if (m_batchSize <= m_lists.ListeLog.count() - onTheirWay) {
            TraceLogForce(m_lists.ListeLog);
        }
    }
}

void DailyTraceLog::TraceLogForce(ListField& list) {
    QString fileName;
    TraceLogForce(list, fileName);
}

void DailyTraceLog::TraceLogForce(ListField& list, QString& fileName) {
    if (m_writing) {
        return; // a line logged while a batch is written goes with the next batch
    }
    if (m_writer.busy()) {
        if (!m_state.PbBFermetureApplication) {
            m_writeAgain = true; // once the batch on its way is on disk
            return;
        }
        m_writer.wait(); // closing: the last lines must reach the file
    }
    const QDateTime now = m_clock.localDateTime();
    const QString today = now.toString(QStringLiteral("dd/MM/yyyy"));
    if (list.isEmpty() && m_lastBannerDate == today) {
        return;
    }
    DiscardErrors discard;
    ErrorReporter& errors = m_errors ? *m_errors : discard;
    if (isBlank(fileName)) {
        fileName = D2S(now.date(), m_clock, errors);
    }

    m_writing = true;
    writeBatch(list, fileName, now);
    m_writing = false;

    if (m_lastPurgeDate != today) {
        purgeOldFiles(now.date());
    }
    if (m_state.PbBFermetureApplication) {
        m_writer.wait();
    }
}

void DailyTraceLog::writeBatch(ListField& list, const QString& fileName, const QDateTime& now) {
    const QString today = now.toString(QStringLiteral("dd/MM/yyyy"));
    const QString native = m_paths.toNative(logFolder() + fileName + QStringLiteral(".Log"));

    QStringList lines;
    const bool banner = m_lastBannerDate != today;
    if (banner) {
        lines = bannerLines();
        giveRebootWarnings(); // queued in the list, so they go with this batch
    }
    m_inFlightList = &list;
    m_inFlightRows = list.count();
    lines += list.rows();
    m_writer.append(native, std::move(lines),
                    [this, &list, today, banner](LogFileWriter::Outcome outcome) {
                        batchDone(outcome, list, today, banner);
                    });
}

void DailyTraceLog::batchDone(LogFileWriter::Outcome outcome, ListField& list, const QString& today,
                              bool banner) {
    const int rows = qMin(m_inFlightRows, list.count());
    m_inFlightList = nullptr;
    m_inFlightRows = 0;
    if (outcome != LogFileWriter::Outcome::Written) {
        m_writeAgain = false;
        m_retryAfter = m_uptime.TickCountMilliSec() + RetryDelayMs;
        if (outcome == LogFileWriter::Outcome::NotOpened) {
            fail("TraceLogForce", 40, 75);
        } else {
            fail("TraceLogForce", 60, 61);
        }
        return;
    }
    m_retryAfter = 0;
    if (banner) {
        m_lastBannerDate = today;
    }
    list.removeFirst(rows);
    if (std::exchange(m_writeAgain, false) && !list.isEmpty() && !m_writing) {
        TraceLogForce(list);
    }
}

QStringList DailyTraceLog::bannerLines() {
    const QString rule = BannerPrefix + QString(43, QLatin1Char('='));
    const double theme = Val(m_facts.themeActiveValue()).value_or(0.0);
    const QString lines[] = {
        rule,
        BannerPrefix + QStringLiteral("System started since ") +
            uptimeText(m_uptime.TickCountMilliSec()),
        BannerPrefix + QStringLiteral("App.Version: ") + m_facts.version(),
        BannerPrefix + QStringLiteral("App.ExeName: ") + m_facts.executable(),
        BannerPrefix + QStringLiteral("App.ProductName: ") + m_facts.productName(),
        BannerPrefix + QStringLiteral("Computer.Name: ") + m_facts.computerName(),
        BannerPrefix + QStringLiteral("ActiveTheme: ") +
            (theme == 0.0 ? QStringLiteral("WinClassic") : QStringLiteral("WinXP")),
        BannerPrefix + QStringLiteral("Operating System: ") + m_facts.operatingSystem(),
        rule,
    };
    return QStringList(std::begin(lines), std::end(lines));
}

void DailyTraceLog::giveRebootWarnings() {
    const qint64 days = m_uptime.TickCountMilliSec() / MsPerDay;
    if (days <= 45) {
        return;
    }
    if (!m_warned45) {
        m_warned45 = true;
        TraceLog(-1, -1,
                 QStringLiteral("Reboot needed because computer started since more 45 days"), true,
                 0);
    }
    if (days > 48 && !m_warned48) {
        m_warned48 = true;
        TraceLog(-1, -1,
                 QStringLiteral("Reboot needed because computer started since more 48 days"), true,
                 0);
    }
}

void DailyTraceLog::dropOldestWaiting(ListField& list) {
    if (list.count() <= MaxWaitingLines) {
        return;
    }
    // Drop a tenth at a time, so the warning is rare and never itself overflows.
    const int excess = list.count() - MaxWaitingLines * 9 / 10;
    list.removeFirst(excess);
    if (m_inFlightList == &list) {
        m_inFlightRows = qMax(0, m_inFlightRows - excess); // those are gone already
    }
    TraceLog(-1, -1,
             QStringLiteral("Warning: TraceLog: ") + QString::number(excess) +
                 QStringLiteral(" lines dropped: the log file could not be written"));
}

void DailyTraceLog::purgeOldFiles(const QDate& today) {
    DiscardErrors discard;
    ErrorReporter& errors = m_errors ? *m_errors : discard;
    const QString limit = D2S(today.addDays(-45), m_clock, errors);
    const QString folder = logFolder();
    const QDir dir(m_paths.toNative(folder));
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& name : names) {
        RepFicExt parts;
        EclateRepFicExt(name, parts);
        if (parts.Ext.compare(QLatin1String(".Log"), Qt::CaseInsensitive) != 0) {
            continue;
        }
        if (parts.Fic < limit) {
            if (m_deleteFile) {
                m_deleteFile(folder + name, QStringLiteral("Lib_Public:TraceLogForce"));
            } else {
                QFile::remove(dir.filePath(name));
            }
        }
    }
    m_lastPurgeDate = today.toString(QStringLiteral("dd/MM/yyyy"));
}

void DailyTraceLog::fail(const char* procedure, qint32 line, qint32 number) {
    if (m_errors) {
        ErrorTrap trap(*m_errors, QStringLiteral("Lib_Public:") + QLatin1String(procedure));
        trap.at(line);
        trap.fail(AppError::runtime(number));
    }
}

QString DailyTraceLog::uptimeText(qint64 milliseconds) {
    const double s = double(milliseconds) / 1000.0;
    qint64 minutes = qint64(s / 60.0);
    const qint64 seconds = qint64(RoundHalfEven(s)) % 60;
    qint64 hours = 0;
    qint64 days = 0;
    if (minutes >= 60) {
        hours = minutes / 60;
        minutes %= 60;
    }
    if (hours >= 24) {
        days = hours / 24;
        hours %= 24;
    }
    QString text;
    if (days > 0) {
        text += QString::number(days) + QStringLiteral(" D ") + QString::number(hours) +
                QStringLiteral(" H ");
    } else if (hours > 0) {
        text += QString::number(hours) + QStringLiteral(" H ");
    }
    text += QString::number(minutes) + QStringLiteral(" Min ") + QString::number(seconds) +
            QStringLiteral(" Sec");
    return text;
}
