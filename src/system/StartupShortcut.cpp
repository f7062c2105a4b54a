#include "system/StartupShortcut.h"

#include "base/ErrorTrap.h"
#include "base/TextFormat.h"
#include "base/TraceSink.h"
#include "model/ShellValues.h"
#include "platform/PathSpace.h"
#include "system/FileOperations.h"
#include "system/SystemInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

const QString Helper = QStringLiteral("Lib_Systeme:CreateShortCutStartUp");
const QString EntryName = QStringLiteral("Ondelia - Trelvo.desktop");
const QString ExecutableName = QStringLiteral("KZ3_Trelvo.exe");

// Shell folder id of the user's start-up folder.
constexpr qint32 StartupFolderId = 7;

QString withoutFinalBackslash(QString folder) {
    while (folder.endsWith(QLatin1Char('\\'))) {
        folder.chop(1);
    }
    return folder;
}

} // namespace

StartupShortcut::StartupShortcut(const ShellValues& state, const PathSpace& paths, TraceSink& trace,
                                 ErrorReporter& errors, FileOperations& files, Launch launch)
    : m_state(state), m_paths(paths), m_trace(trace), m_errors(errors), m_files(files),
      m_launch(std::move(launch)) {}

QString StartupShortcut::shortcutPath() {
    return CheckRep(SystemInfo::GetSpecialFolderLocation(StartupFolderId)) + EntryName;
}

QString StartupShortcut::quoteExecArgument(const QString& argument) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = argument.isEmpty();
    for (const QChar c : argument) {
        quote = quote || reserved.contains(c);
    }
    QString out;
    for (const QChar c : argument) {
        if (c == QLatin1Char('%')) {
            out += QStringLiteral("%%"); // not a field code
        } else if (quote && QStringLiteral("\"`$\\").contains(c)) {
            out += QLatin1Char('\\') + c;
        } else {
            out += c;
        }
    }
    return quote ? QLatin1Char('"') + out + QLatin1Char('"') : out;
}

QString StartupShortcut::escapeValue(const QString& value) {
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('\\')) {
            out += QStringLiteral("\\\\");
        } else if (c == QLatin1Char('\n')) {
            out += QStringLiteral("\\n");
        } else if (c == QLatin1Char('\t')) {
            out += QStringLiteral("\\t");
        } else if (c == QLatin1Char('\r')) {
            out += QStringLiteral("\\r");
        } else if (c == QLatin1Char(' ') && i == 0) {
            out += QStringLiteral("\\s"); // leading blanks would be trimmed away
        } else {
            out += c;
        }
    }
    return out;
}

QString StartupShortcut::desktopEntry(qint32 delayMs) const {
    const QString folder = m_state.PbSDossierApplication; // ends with a backslash
    const QString target = folder + ExecutableName;
    const QString workingFolder = withoutFinalBackslash(folder);
    const QString arguments = QStringLiteral(" /Wait=") + QString::number(delayMs);

    QString exec = quoteExecArgument(m_launch.executable);
    if (!m_launch.explicitRoot.isEmpty()) {
        // The restarted copy must find the same path space.
        exec += QStringLiteral(" --root ") + quoteExecArgument(m_launch.explicitRoot);
    }
    exec += arguments;
    const QString icon = m_launch.icon.isEmpty() ? m_launch.executable : m_launch.icon;

    const auto entry = [](const char* key, const QString& value) {
        return QString::fromLatin1(key) + QLatin1Char('=') + escapeValue(value) + QLatin1Char('\n');
    };
    QString text = QStringLiteral("[Desktop Entry]\n");
    text += entry("Type", QStringLiteral("Application"));
    text += entry("Name", QStringLiteral("Ondelia - Trelvo"));
    text += entry("Exec", exec);
    // A working folder that does not exist would stop the start altogether.
    const QString nativeFolder = m_paths.toNative(workingFolder);
    if (QFileInfo(nativeFolder).isDir()) {
        text += entry("Path", nativeFolder);
    }
    text += entry("Icon", icon);
    text += entry("Comment", QStringLiteral("Lancer le Trelvo Ondelia"));
    // The shell link's own properties, in their Windows form.
    text += entry("X-Trelvo-TargetPath", target);
    text += entry("X-Trelvo-Arguments", arguments);
    text += entry("X-Trelvo-WorkingDirectory", workingFolder);
    text += entry("X-Trelvo-IconLocation", target);
    return text;
}

void StartupShortcut::write(const QString& windowsPath, qint32 delayMs, ErrorTrap& trap) {
    trap.at(30);
    const QString native = m_paths.toNative(windowsPath);
    // The start-up folder may not exist yet on a fresh account.
    if (!QDir().mkpath(QFileInfo(native).absolutePath())) {
        trap.fail(AppError::runtime(76));
        return;
    }
    trap.at(40);
    QSaveFile file(native);
    if (!file.open(QIODevice::WriteOnly)) {
        m_trace.line(QStringLiteral("Err: Unable to create the shortcut: ") + windowsPath +
                     QStringLiteral(" |Source: ") + Helper + QLatin1Char(':') +
                     QString::number(trap.line()));
        return; // busy, locked or not writable: traced, not an incident
    }
    trap.at(50);
    file.write(desktopEntry(delayMs).toUtf8());
    if (!file.commit()) {
        trap.fail(AppError::runtime(75));
    }
}

void StartupShortcut::CreateShortCutStartUp(bool create, qint32& delayMs, const QString& caller) {
    ErrorTrap trap(m_errors, ErrorTrap::nested(caller, Helper));
    trap.at(10);
    const QString path = shortcutPath();
    trap.at(20);
    delayMs = qBound(MinimumDelayMs, delayMs, MaximumDelayMs);
    if (create) {
        write(path, delayMs, trap);
        return;
    }
    trap.at(60);
    if (m_files.File_Exist(path, Helper, false)) {
        m_files.File_Delete(path, Helper, 0, 0);
    }
}
