#include "look/GeneralLook.h"

#include "base/Blanks.h"
#include "base/ErrorTrap.h"
#include "base/NumberReading.h"
#include "config/RegistryAccess.h"
#include "model/ShellValues.h"

#include <limits>

namespace {

const QString Caller = QStringLiteral("Lib_Look:InitGeneralLook");

} // namespace

GeneralLook::GeneralLook(ShellValues& values, RegistryAccess& registry, ErrorReporter& errors)
    : m_values(values), m_registry(registry), m_errors(errors) {}

qint32 GeneralLook::registryStyle() {
    QString text;
    m_registry.Reg_GetValue(RegistryStore::HKEY_LOCAL_MACHINE, RegistryKey, StyleValue, text);
    if (isBlank(text)) {
        m_registry.Reg_SetValue(RegistryStore::HKEY_LOCAL_MACHINE, RegistryKey, StyleValue,
                                QString::number(DefaultStyle), RegistryStore::REG_SZ);
        return DefaultStyle;
    }
    // The leading number; one beyond 32 bits names no style at all.
    const std::optional<double> number = Val(text);
    const std::optional<qint32> style = number ? ToInt32(*number) : std::nullopt;
    return style ? *style : std::numeric_limits<qint32>::min();
}

void GeneralLook::InitGeneralLook(qint32 style) {
    ErrorTrap trap(m_errors, Caller);
    trap.at(10);
    if (style == FromRegistry) {
        style = registryStyle();
    }
    trap.at(20);
    if (const LookStyle* loaded = look::find(style)) {
        state.load(*loaded);
        m_values.PbLLookFamille = loaded->family;
    }
    trap.at(30);
    state.apply();
}
