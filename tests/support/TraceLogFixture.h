#pragma once

#include "TestProgram.h"
#include "log/DailyTraceLog.h"
#include "model/Fields.h"
#include "platform/PathSpace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// Banner facts with fixed values.
class FixedBannerFacts final : public TraceBannerFacts {
public:
    QString theme = QStringLiteral("1");
    QString version() override { return QStringLiteral("2024.0131.0905"); }
    QString executable() override { return QStringLiteral("C:\\Mirevox\\Ondelia\\KZ3_Trelvo.exe"); }
    QString productName() override { return QStringLiteral("Trelvo"); }
    QString computerName() override { return QStringLiteral("STUDIO1"); }
    QString themeActiveValue() override { return theme; }
    QString operatingSystem() override {
        return QStringLiteral("Debian GNU/Linux 12, 64-bit  (build 6.1)");
    }
};

// A program with the real trace log on a temporary root, its lists and the real
// error report wired to it.
struct TraceLogFixture {
    QTemporaryDir root;
    TestProgram p;
    PathSpace paths{root.path()};
    ListField listeLogTemp;
    ListField listeLog;
    TextField texteLogNbMaxlignes{QStringLiteral("200")};
    ListField listeIncidents;
    CheckField checkIncidents;
    FixedBannerFacts facts;
    DailyTraceLog log{
        p.state,
        p.clock,
        p.uptime,
        paths,
        TraceLogLists{listeLogTemp, listeLog, texteLogNbMaxlignes, listeIncidents, checkIncidents},
        facts};
    ErrorReport errors{p.state, log, p.clock, p.events};

    TraceLogFixture() { log.setErrorReporter(&errors); }

    QString logFolderNative() {
        return paths.toNative(p.state.PbTParametresSite.Base[0].Dossier_Histo);
    }
    QString fileNative(const QString& eightDigits) {
        return logFolderNative() + QLatin1Char('/') + eightDigits + QStringLiteral(".Log");
    }
    // The lines of a log file, CR LF ended.
    QStringList fileLines(const QString& eightDigits) {
        QFile f(fileNative(eightDigits));
        if (!f.open(QIODevice::ReadOnly)) {
            return {};
        }
        const QByteArray all = f.readAll();
        if (!all.isEmpty() && !all.endsWith("\r\n")) {
            return {QStringLiteral("<missing final CR LF>")};
        }
        QStringList lines = QString::fromLatin1(all).split(QStringLiteral("\r\n"));
        lines.removeLast();
        return lines;
    }
};
