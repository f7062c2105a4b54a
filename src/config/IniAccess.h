#pragma once

#include "platform/ProfileFile.h"

#include <QList>
#include <QString>
#include <QStringList>

class ErrorReporter;
class FileOperations;
class FolderChecks;
class PathSpace;

// A profile file read once, for an operation that reads many of its keys: each
// key reads as LectureIni would have read it at that moment.
class IniSnapshot {
public:
    QString LectureIni(const QString& section, const QString& key,
                       const QString& defaultValue) const {
        const std::optional<QString> value = m_index.find(section, key);
        return value ? *value : defaultValue.left(ProfileFile::MaxValueLength);
    }

private:
    friend class IniAccess;
    ProfileIndex m_index;
};

// Every read and write of a profile (INI) file of the program and of the suite.
// Paths are Windows paths, translated by the path space at each call; a bare file
// name (no folder, no drive) stands for that file in the Windows folder, as the
// Windows profile functions take it. Nothing is cached: each call sees the file as
// it is at that moment.
class IniAccess {
public:
    IniAccess(const PathSpace& paths, ErrorReporter& errors, FolderChecks& folders,
              FileOperations& files);

    // The key's value, cut to 254 characters, or the default when the path is
    // refused or the file, section or key is missing.
    QString LectureIni(const QString& file, const QString& section, const QString& key,
                       const QString& defaultValue);
    // The file read once (nothing in it when the path is refused or it is missing).
    IniSnapshot snapshot(const QString& file);
    // True when the value was written. A failed write is tried again after creating
    // the file's folder chain, then after clearing the file's read-only attribute.
    bool EcritureIni(const QString& file, const QString& section, const QString& key,
                     const QString& value);
    // Every entry into one file, with one read and one atomic write (all or none),
    // tried again as EcritureIni is. A final failure reaches the error report.
    bool EcritureIniAll(const QString& file, const QList<ProfileFile::Entry>& entries);

    // The section names of a file, in file order; none when it is missing.
    QStringList sectionNames(const QString& file);

    // The Windows path a profile function uses for this path.
    static QString profilePath(const QString& file);

private:
    bool writeEntries(const QString& procedure, const QString& file,
                      const QList<ProfileFile::Entry>& entries);

    const PathSpace& m_paths;
    ErrorReporter& m_errors;
    FolderChecks& m_folders;
    FileOperations& m_files;
};
