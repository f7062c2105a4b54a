#include "config/IniAccess.h"

#include "base/Blanks.h"
#include "base/ErrorTrap.h"
#include "base/TextFormat.h"
#include "platform/PathSpace.h"
#include "platform/ProfileFile.h"
#include "system/FileOperations.h"
#include "system/FolderChecks.h"

IniAccess::IniAccess(const PathSpace& paths, ErrorReporter& errors, FolderChecks& folders,
                     FileOperations& files)
    : m_paths(paths), m_errors(errors), m_folders(folders), m_files(files) {}

QString IniAccess::profilePath(const QString& file) {
    QString path = file;
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    if (!isBlank(path) && !path.contains(QLatin1Char('\\')) && !path.contains(QLatin1Char(':'))) {
        return CheckRep(PathSpace::windowsFolder()) + path;
    }
    return path;
}

QString IniAccess::LectureIni(const QString& file, const QString& section, const QString& key,
                              const QString& defaultValue) {
    ErrorTrap trap(m_errors, QStringLiteral("Lib_Systeme:LectureIni"));
    trap.at(10);
    if (!NomFichierCorrect(file)) {
        return defaultValue;
    }
    trap.at(20);
    const std::optional<QString> value =
        ProfileFile::read(m_paths.toNative(profilePath(file)), section, key);
    trap.at(30);
    // The default comes back through the same 255-character buffer as a value.
    return value ? *value : defaultValue.left(ProfileFile::MaxValueLength);
}

IniSnapshot IniAccess::snapshot(const QString& file) {
    IniSnapshot snapshot;
    if (NomFichierCorrect(file)) {
        snapshot.m_index = ProfileFile::readIndex(m_paths.toNative(profilePath(file)));
    }
    return snapshot;
}

bool IniAccess::EcritureIni(const QString& file, const QString& section, const QString& key,
                            const QString& value) {
    if (isBlank(section) || isBlank(key)) {
        return false;
    }
    return writeEntries(QStringLiteral("Lib_Systeme:EcritureIni"), file,
                        {ProfileFile::Entry{section, key, value}});
}

bool IniAccess::EcritureIniAll(const QString& file, const QList<ProfileFile::Entry>& entries) {
    for (const ProfileFile::Entry& entry : entries) {
        if (isBlank(entry.section) || isBlank(entry.key)) {
            return false;
        }
    }
    return writeEntries(QStringLiteral("Lib_Systeme:EcritureIniAll"), file, entries);
}

bool IniAccess::writeEntries(const QString& procedure, const QString& file,
                             const QList<ProfileFile::Entry>& entries) {
    ErrorTrap trap(m_errors, procedure);
    trap.at(20);
    if (!NomFichierCorrect(file)) {
        return false;
    }
    trap.at(30);
    const QString path = profilePath(file);
    const auto write = [&] {
        // Translated at each attempt: a folder created in between may change the case
        // the path resolves to.
        return ProfileFile::writeAll(m_paths.toNative(path), entries);
    };
    const ProfileFile::WriteStatus first = write();
    if (first == ProfileFile::WriteStatus::Written) {
        return true;
    }
    if (first == ProfileFile::WriteStatus::Refused) {
        // A line break in a name or the value would corrupt the file for every
        // program that shares it.
        trap.fail(AppError::invalidCall());
        return false;
    }
    trap.at(40);
    const qsizetype slash = path.lastIndexOf(QLatin1Char('\\'));
    if (slash >= 0) {
        m_folders.VerificationEtCreationRepertoire(path.left(slash + 1), true);
        trap.at(50);
        if (write() == ProfileFile::WriteStatus::Written) {
            return true;
        }
    }
    trap.at(60);
    m_files.File_RemoveFlag(path, 1);
    trap.at(70);
    if (write() == ProfileFile::WriteStatus::Written) {
        return true;
    }
    // Still not written: that is an error, not a quiet "false".
    trap.fail(AppError::runtime(75)); // Path/File access error
    return false;
}

QStringList IniAccess::sectionNames(const QString& file) {
    if (!NomFichierCorrect(file)) {
        return {};
    }
    return ProfileFile::sections(m_paths.toNative(profilePath(file)));
}
