#include "config/RegistryAccess.h"

#include "base/ErrorTrap.h"

#include <QStringList>

namespace {

// The strings of a REG_MULTI_SZ value.
QStringList multiString(const QByteArray& data) {
    QString text;
    for (qsizetype i = 0; i + 1 < data.size(); i += 2) {
        text += QChar(static_cast<char16_t>(static_cast<uchar>(data.at(i)) |
                                            (static_cast<uchar>(data.at(i + 1)) << 8)));
    }
    return text.split(QChar(u'\0'), Qt::SkipEmptyParts);
}

} // namespace

RegistryAccess::RegistryAccess(RegistryStore& store, ErrorReporter& errors)
    : m_store(store), m_errors(errors) {}

qint32 RegistryAccess::Reg_GetValue(quint32 root, const QString& subkey, const QString& name,
                                    QString& value) {
    ErrorTrap trap(m_errors, QStringLiteral("Lib_Systeme:Reg_GetValue"));
    trap.at(10);
    value.clear();
    if (subkey.isEmpty()) {
        return ErrorBadKey;
    }
    trap.at(20);
    // Reading never writes: a missing key reads as an empty one, and the file stays
    // byte for byte as it was (it is created, with its keys, by the first write).
    RegistryValue stored;
    const qint32 found = m_store.query(root, subkey, name, stored);
    if (found != 0 && found != RegistryStore::ErrorFileNotFound) {
        return found;
    }
    trap.at(30);
    if (stored.ansiSize() <= 1) {
        return 0;
    }
    trap.at(40);
    switch (stored.type) {
    case RegistryStore::REG_SZ:
    case RegistryStore::REG_EXPAND_SZ:
        // Up to the first NUL: a value stored without its terminator still reads
        // as its text, and no NUL reaches the program's texts.
        value = stored.text();
        return 0;
    case RegistryStore::REG_DWORD: {
        if (stored.data.size() > 4) {
            return ErrorMoreData;
        }
        quint32 number = 0;
        for (qsizetype i = 0; i < stored.data.size(); ++i) {
            number |= static_cast<quint32>(static_cast<uchar>(stored.data.at(i))) << (8 * i);
        }
        value = QString::number(number);
        return 0;
    }
    default:
        return ErrorMoreData;
    }
}

qint32 RegistryAccess::Reg_SetValue(quint32 root, const QString& subkey, const QString& name,
                                    const QString& value, qint32 type) {
    Q_UNUSED(type) // every value is stored as REG_SZ
    ErrorTrap trap(m_errors, QStringLiteral("Lib_Systeme:Reg_SetValue"));
    trap.at(10);
    if (subkey.isEmpty() || name.isEmpty()) {
        return ErrorBadKey;
    }
    trap.at(20);
    const qint32 opened = m_store.createKey(root, subkey);
    if (opened != 0) {
        return opened;
    }
    trap.at(30);
    RegistryValue stored = RegistryValue::fromText(RegistryStore::REG_SZ, value);
    if (value.isEmpty()) {
        stored.data.clear(); // zero-length, not a lone NUL
    }
    return m_store.setValue(root, subkey, name, stored);
}

QList<ShareInfo> RegistryAccess::RegistryShares() const {
    QList<ShareInfo> shares;
    const auto values = m_store.values(RegistryStore::HKEY_LOCAL_MACHINE, sharesKey());
    for (const auto& [name, value] : values) {
        QString path;
        if (value.type == RegistryStore::REG_SZ || value.type == RegistryStore::REG_EXPAND_SZ) {
            path = value.text();
        } else if (value.type == RegistryStore::REG_MULTI_SZ) {
            bool disk = true;
            for (const QString& item : multiString(value.data)) {
                if (item.startsWith(QLatin1String("Path="), Qt::CaseInsensitive)) {
                    path = item.mid(5);
                } else if (item.startsWith(QLatin1String("Type="), Qt::CaseInsensitive)) {
                    disk = item.mid(5).trimmed() == QLatin1String("0");
                }
            }
            if (!disk) {
                path.clear();
            }
        }
        if (!name.isEmpty() && !path.trimmed().isEmpty()) {
            shares << ShareInfo{name, path};
        }
    }
    return shares;
}
