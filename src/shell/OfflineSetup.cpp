#include "shell/OfflineSetup.h"

#include "base/TextFormat.h"
#include "platform/InstanceLock.h"
#include "shell/Program.h"
#include "shell/Startup.h"

#include <algorithm>

namespace {

// Never asked: these operations do not take the program's folder.
class NoInstanceLock final : public InstanceLock {
public:
    bool otherCopyRunning() override { return false; }
};

} // namespace

void OfflineSetup::prepare(const QString& commandLine) {
    ProgramState& state = m_program.state;
    NoInstanceLock lock;
    Startup startup(m_program, lock);
    startup.Form_Initialize();

    state.PbINoInstance = 0;
    std::optional<QString> instance =
        Startup::switchValue(commandLine, QStringLiteral("/Instance="));
    if (!instance) {
        instance = Startup::switchValue(commandLine, QStringLiteral("/I="));
    }
    if (instance) {
        state.PbINoInstance =
            qint16(std::clamp<qint64>(Startup::digitsValue(*instance, 32767), 1, 10));
    }

    // Where a current system reads the configuration file; an older layout is
    // converted by the program's own start only.
    state.PbSFichierConfig =
        CheckRep(state.PbSDossierApplication) + QStringLiteral("Settings\\KZ3_Config.ini");
    state.PbSIdRadio = startup.stationIdentifier();
    state.PbINoRadio = startup.stationNumber();
    m_program.incidentAlert.setNormalCaption(QStringLiteral("Ondelia: Trelvo - ") +
                                             m_program.appVersion.VersionApplication() +
                                             QStringLiteral(" - ") + state.PbSIdRadio);

    // The settings folder named, not created: the file names follow from it.
    state.PbSDossierSettings =
        CheckRep(state.PbSDossierApplication) + QStringLiteral("Settings\\KZ3_Trelvo\\");
    m_program.settings.setFiles(
        m_program.site.NomFichierSettings(QString(), QStringLiteral(".Ini")),
        state.PbSDossierSettings + QStringLiteral("KZ3_Trelvo.Ini"));
}
