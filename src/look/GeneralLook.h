#pragma once

#include "look/LookState.h"

#include <QString>
#include <QtGlobal>

class ErrorReporter;
class RegistryAccess;
struct ShellValues;

// The suite's window style of this computer: read from the registry at start-up,
// kept in the look the windows read, and its frame family in PbLLookFamille.
class GeneralLook {
public:
    static inline const QString RegistryKey = QStringLiteral("Software\\Mirevox\\Ondelia\\Look");
    static inline const QString StyleValue = QStringLiteral("Style");
    static constexpr qint32 DefaultStyle = 15;
    // The style argument that asks for the registry's value.
    static constexpr qint32 FromRegistry = -1;

    GeneralLook(ShellValues& values, RegistryAccess& registry, ErrorReporter& errors);

    // Loads a style (FromRegistry: the registry's, 15 written back when it is missing
    // or blank). A number outside 0 to 20 loads nothing and keeps the look as it
    // was. In every case the look is applied to the windows.
    void InitGeneralLook(qint32 style);

    LookState state;

private:
    qint32 registryStyle();

    ShellValues& m_values;
    RegistryAccess& m_registry;
    ErrorReporter& m_errors;
};
