#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

class ErrorReporter;

// The executable's version information. Major, minor and revision carry a date
// stamp (the built commit's date): year, month * 100 + day, hour * 100 + minute
// (2021.614.905 is 14 June 2021, 09:05). A major of 1999 or less carries no stamp.
struct VersionInfo {
    qint32 major = 0;
    qint32 minor = 0;
    qint32 revision = 0;
    QString fileDescription;
    QString productName;
};

// The program's build date and version text.
class AppVersion {
public:
    AppVersion(VersionInfo info, ErrorReporter& errors);

    const VersionInfo& info() const { return m_info; }

    // The build date and time. Out-of-range months, days, hours and minutes roll
    // over as calendar arithmetic does. Without a stamp: the file description when it
    // reads as a date ("dd/MM/yyyy" or ISO, with or without a time), else 1 January
    // 2000, 00:00.
    QDateTime DateApplication() const;
    // 'YYYY.MMDD.HHMM' of the build date.
    QString VersionApplication() const;

    // The file description read as a date; invalid when it is none.
    static QDateTime readDate(const QString& text);

private:
    VersionInfo m_info;
    ErrorReporter& m_errors;
};
