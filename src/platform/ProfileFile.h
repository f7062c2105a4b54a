#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// Windows profile (INI) files on native paths, by the rules the suite's other
// programs rely on:
// - the text is Windows-1252; lines end with CR LF, and LF-only or CR-only line
//   ends are read as well; a missing final line end is tolerated;
// - a section header is a line whose first non-blank character is "[": the name is
//   the text up to the first "]", trimmed of blanks and tabs; a "[" line without
//   "]" is no header (the lines after it stay in the section before it);
// - a key line is "key=value": the key is the text before the first "=", trimmed;
//   the value is the text after it, trimmed of blanks and tabs, with one pair of
//   enclosing double or single quotes removed (a lone or unbalanced quote stays);
// - names match without regard to case; the first matching section and the first
//   matching key in it win, later duplicates are never looked at;
// - lines before the first header belong to no section, ";" lines are comments,
//   lines without "=" and "=value" lines (no key name) are never found;
// - a value read is cut to its first 254 characters.
// Nothing is cached: every call opens, reads or replaces, and closes the file.
class ProfileIndex;

class ProfileFile {
public:
    static constexpr qsizetype MaxValueLength = 254;

    enum class WriteStatus {
        Written,
        // The section, key or value cannot be stored as one profile line (line
        // breaks, "=" in a key, "]" in a section, ...): nothing was touched.
        Refused,
        // The file could not be replaced: missing folder, read-only file (no owner
        // write permission), a folder in the file's place, or an I/O failure.
        Failed,
    };

    // The value of key in section, or nothing when the file, the section or the key
    // is missing or the section or key is blank.
    static std::optional<QString> read(const QString& nativePath, const QString& section,
                                       const QString& key);

    // Replaces the first matching key of the first matching section by "key=value",
    // else adds the key after the section's last key line, else adds the section with
    // the key at the end of the file; creates the file when missing. Section and key
    // are written trimmed, as the caller spells them; the value is written as given.
    // Every other byte of the file stays as it was. The file is replaced atomically
    // (a new file in the same folder, then renamed over the old one) and keeps its
    // permission bits. A file without the owner's write permission is never written,
    // whoever the process runs as.
    static WriteStatus write(const QString& nativePath, const QString& section, const QString& key,
                             const QString& value);

    // One key to write.
    struct Entry {
        QString section;
        QString key;
        QString value;
    };
    // Every entry, in order, as write() would one by one, but with one read and one
    // atomic replacement of the file: all of them are written or none. Refused when
    // one entry is (nothing is touched).
    static WriteStatus writeAll(const QString& nativePath, const QList<Entry>& entries);

    // The names of the file's sections, in file order (empty when the file is missing).
    static QStringList sections(const QString& nativePath);

    // The whole file read and parsed once, for an operation that reads many keys.
    static ProfileIndex readIndex(const QString& nativePath);
    static ProfileIndex index(const QByteArray& content);

    // The same rules on a file's content.
    static std::optional<QString> find(const QByteArray& content, const QString& section,
                                       const QString& key);
    // The new content, or nothing when the write must be refused.
    static std::optional<QByteArray> update(const QByteArray& content, const QString& section,
                                            const QString& key, const QString& value);
};

// A file's keys as they were when it was read: find() answers as ProfileFile::find
// would on that content, without parsing it again.
class ProfileIndex {
public:
    std::optional<QString> find(const QString& section, const QString& key) const;

private:
    friend class ProfileFile;
    // Case-folded section name -> case-folded key name -> value; only the first of
    // duplicate sections and keys is kept.
    QHash<QString, QHash<QString, QString>> m_sections;
    bool m_utf8 = false; // names are matched as the file's encoding spells them
};
