// The registry file on arbitrary content: reads a few keys, then writes a value,
// which must read back as written.
#include "platform/RegistryStore.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 65536) {
        return 0;
    }
    static QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/registry.reg");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            return 0;
        }
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    RegistryStore store(path);
    const quint32 hklm = RegistryStore::HKEY_LOCAL_MACHINE;
    const QString look = QStringLiteral("Software\\Mirevox\\Ondelia\\Look");
    RegistryValue value;
    for (const QString& name : {QString(), QStringLiteral("Skin"), QStringLiteral("a")}) {
        (void)store.query(hklm, look, name, value);
        (void)store.query(RegistryStore::HKEY_CURRENT_USER, QStringLiteral("a\\b"), name, value);
    }
    (void)store.values(hklm, look);
    (void)store.values(RegistryStore::HKEY_CURRENT_USER, QStringLiteral("Software"));

    const RegistryValue written =
        RegistryValue::fromText(RegistryStore::REG_SZ, QStringLiteral("Studio \"A\" \\ 1"));
    if (store.setValue(hklm, look, QStringLiteral("Fuzz"), written) == 0) {
        RegistryValue read;
        if (store.query(hklm, look, QStringLiteral("Fuzz"), read) != 0 ||
            read.text() != written.text()) {
            std::abort();
        }
    }
    return 0;
}
