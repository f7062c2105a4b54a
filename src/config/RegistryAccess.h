#pragma once

#include "platform/RegistryStore.h"
#include "system/FolderChecks.h"

#include <QList>
#include <QString>
#include <QtGlobal>

class ErrorReporter;

// Every registry read and write of the program. Results are Windows codes: 0 for
// success, 1010 for an empty subkey (or, for a write, an empty value name), else the
// code of the registry function that failed.
class RegistryAccess {
public:
    static constexpr qint32 ErrorBadKey = 1010;
    static constexpr qint32 ErrorMoreData = 234;

    RegistryAccess(RegistryStore& store, ErrorReporter& errors);

    // The value's text: a text value without its final NUL (environment references
    // not expanded), a REG_DWORD in decimal. Reading never writes: a missing key
    // reads as an empty one. A missing
    // value and an empty one give 0 and ""; a value of any other type gives 234 and "".
    qint32 Reg_GetValue(quint32 root, const QString& subkey, const QString& name, QString& value);
    // Stores the text as REG_SZ (the empty text as a zero-length value), whatever
    // type is asked for, creating the key when missing. The key's default value
    // (empty name) is never written.
    qint32 Reg_SetValue(quint32 root, const QString& subkey, const QString& name,
                        const QString& value, qint32 type);

    // This computer's disk shares, in the order of their values under
    // HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\LanmanServer\Shares: one
    // value per share, named as the share, holding its local folder in Windows form
    // (a text, or the multi-string "Path=..." / "Type=..." form Windows keeps there,
    // of which only disk shares, type 0, count).
    QList<ShareInfo> RegistryShares() const;

    static QString sharesKey() {
        return QStringLiteral("System\\CurrentControlSet\\Services\\LanmanServer\\Shares");
    }

private:
    RegistryStore& m_store;
    ErrorReporter& m_errors;
};
