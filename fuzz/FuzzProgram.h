#pragma once

// One whole program on fakes for a fuzz target, built at the first input and kept
// for the run; its lists are emptied after each input so that memory stays flat.
#include "ProgramFixture.h"

#include <QCoreApplication>

inline ProgramFixture& fuzzProgram() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static ProgramFixture* fixture = [] {
        auto* f = new ProgramFixture;
        Program& p = f->program;
        p.state.PbBFrmSetupChargee = true;
        // Never reached: the lists are emptied after each input, nothing is written.
        p.frmSetup.TexteLogNbMaxlignes.setText(QStringLiteral("100000000"));
        for (int unit = 0; unit < FrmSetup::NbSound4; ++unit) {
            p.frmSetup.TexteSound4IP[unit].setText(QStringLiteral("127.0.0.1"));
        }
        return f;
    }();
    return *fixture;
}

inline void forgetFuzzInput(ProgramFixture& f) {
    Program& p = f.program;
    for (ListField* list :
         {&p.frmSetup.ListeLog, &p.frmMainBis.ListeLogTemp, &p.frmSetup.ListeResultat,
          &p.frmSetup.ListeTelNet, &p.frmSetup.ListeSectionCommande, &p.frmMain.ListeReception,
          &p.frmMain.ListeIncidents[0]}) {
        list->clear();
    }
    for (int unit = 0; unit < FrmSetup::NbSound4; ++unit) {
        f.telnet(unit).sent.clear();
        for (ListField* list :
             {&p.frmSetup.ComboSound4Section[unit], &p.frmSetup.ComboSound4SectionDetail[unit],
              &p.frmSetup.ComboSound4SectionDetailLib[unit],
              &p.frmSetup.ComboSound4SectionDetailOperation[unit]}) {
            list->clear();
        }
    }
    for (ListField& queue : p.playerQueues.ListeDataArrival) {
        queue.clear();
    }
}
