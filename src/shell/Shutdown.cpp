#include "shell/Shutdown.h"

#include "base/Clock.h"
#include "platform/EventPump.h"
#include "shell/Program.h"

#include <cstdlib>

// Every step runs whatever the previous one did: nothing here may keep the process
// from ending.
void Shutdown::Form_Unload(qint16 cancel) {
    if (cancel != 0) {
        return;
    }
    ProgramState& state = m_program.state;
    state.PbBFermetureApplication = true;
    m_program.trace.line(QStringLiteral("---------- Frm_Main: Form_Unload: Start"));

    for (int i = 0; i < state.PbINbBase && i < ProgramState::NbBases; ++i) {
        m_program.ini.EcritureIni(state.PbSDossierConfigFichier[i] + QStringLiteral("MX_PRG.ini"),
                                  QStringLiteral("Data_Backup"), QStringLiteral("Start"),
                                  QStringLiteral("0FF"));
    }

    // Sessions, timers and sockets finish their pending events meanwhile.
    const qint64 start = m_program.uptime.TickCountMilliSec();
    for (;;) {
        const qint64 elapsed = std::abs(m_program.uptime.TickCountMilliSec() - start);
        if (elapsed > SettleMs) {
            break;
        }
        m_program.platform.events.waitForEvents(SettleMs + 1 - elapsed);
    }

    // A window closed minimised or maximised keeps the position saved before.
    if (m_program.frmMain.Form.windowState() == FormField::WindowState::Normal) {
        QString suffix;
        m_program.placement.PositionFeuilleSauvegarde(m_program.frmMain.Form, suffix);
    }

    // The data files close while the settings window still takes trace lines: once it
    // is gone, the closing's lines would be lost.
    for (int i = 0; i < state.PbINbBase && i < ProgramState::NbBases; ++i) {
        m_program.dataFiles.PervasiveFermetureFichiers(qint16(i), 1, BaseParameters::NbStationsMax);
    }

    if (state.PbBFrmSetupChargee) {
        m_program.setupWindow.Form_Unload();
    }
    // The other windows: the about box, and the tray window, whose icon goes.
    if (m_program.about.loaded()) {
        m_program.about.Form_Unload();
    }
    m_program.frmMain.TimerVeille.stop();
    m_program.standby.Form_Unload();
    m_program.playerQueues.TimerDataArrival.stop();
    m_program.sound4Link.Timer30s.stop();
    state.PbBFrmMainAffichee = false;
}
