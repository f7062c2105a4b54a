#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QtGlobal>

class PathSpace;

// One registry value as the registry keeps it: its type and its bytes, texts
// (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) in UTF-16LE with their terminating NUL.
struct RegistryValue {
    quint32 type = 0;
    QByteArray data;

    // A text value: the text in UTF-16LE followed by a NUL.
    static RegistryValue fromText(quint32 type, const QString& text);
    static RegistryValue fromDword(quint32 number);

    // A text value's characters up to its first NUL (all of them when it has none).
    QString text() const;
    // The byte count the 8-bit registry interface reports: one byte per character
    // for the text types, the data's size for the others.
    qsizetype ansiSize() const;
};

// The registry, kept in one text file in the Windows registry-export format:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\Software\Mirevox\Ondelia\Look]
//   @="default value"
//   "Style"="15"
//   "Count"=dword:0000000f
//   "Path"=hex(2):25,00,41,00,00,00
//   "Blob"=hex:01,02
//
// Key paths and value names match without regard to case. The file is read in
// UTF-16LE (with its byte-order mark, as Windows exports it), UTF-8 or
// Windows-1252, and written in UTF-8 without byte-order mark, with CR LF line ends.
// Long hex lists are wrapped with "\" at the end of the line, as Windows does. A
// damaged or hand-edited file never stops anything: lines that cannot be read (and
// comments) are kept as they are, in their place, and take no part in lookups; the
// values after a header that cannot be read are kept the same way. Every write
// replaces the file atomically and keeps its permission bits; a file without the
// owner's write permission is never written. Nothing is cached between calls.
class RegistryStore {
public:
    static constexpr quint32 HKEY_CLASSES_ROOT = 0x80000000u;
    static constexpr quint32 HKEY_CURRENT_USER = 0x80000001u;
    static constexpr quint32 HKEY_LOCAL_MACHINE = 0x80000002u;
    static constexpr quint32 HKEY_USERS = 0x80000003u;
    static constexpr quint32 HKEY_PERFORMANCE_DATA = 0x80000004u;
    static constexpr quint32 HKEY_CURRENT_CONFIG = 0x80000005u;
    static constexpr quint32 HKEY_DYN_DATA = 0x80000006u;

    static constexpr quint32 REG_NONE = 0;
    static constexpr quint32 REG_SZ = 1;
    static constexpr quint32 REG_EXPAND_SZ = 2;
    static constexpr quint32 REG_BINARY = 3;
    static constexpr quint32 REG_DWORD = 4;
    static constexpr quint32 REG_MULTI_SZ = 7;

    // Windows error codes of the registry functions.
    static constexpr qint32 ErrorFileNotFound = 2;  // no such key or value
    static constexpr qint32 ErrorAccessDenied = 5;  // the file is read-only
    static constexpr qint32 ErrorInvalidHandle = 6; // unknown root key
    static constexpr qint32 ErrorInvalidParameter = 87;
    static constexpr qint32 ErrorBadPathname = 161; // a key name with a line break
    static constexpr qint32 ErrorRegistryIo = 1016; // the file cannot be read or replaced

    explicit RegistryStore(QString filePath);
    // ROOT/registry.reg.
    static QString filePath(const PathSpace& paths);

    const QString& path() const { return m_path; }

    // The root key's name ("HKEY_LOCAL_MACHINE"), "" for an unknown root.
    static QString rootName(quint32 root);

    // Opens the key, creating it and its missing parents (and writing the file) when
    // absent. 0 on success, else a Windows error code.
    qint32 createKey(quint32 root, const QString& subkey);
    // The value named name ("" for the key's default value). 0 on success,
    // ErrorFileNotFound for a missing key or value, else a Windows error code.
    qint32 query(quint32 root, const QString& subkey, const QString& name,
                 RegistryValue& value) const;
    // Stores the value, creating the key when absent; a value already stored as it is
    // leaves the file untouched. 0 on success, else a Windows error code.
    qint32 setValue(quint32 root, const QString& subkey, const QString& name,
                    const RegistryValue& value);
    // The key's values in file order; nothing for a missing key.
    QList<QPair<QString, RegistryValue>> values(quint32 root, const QString& subkey) const;

private:
    QString m_path;
};
