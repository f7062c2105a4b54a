#include "data/ErreursBTrieve.h"

#include "base/Blanks.h"
#include "base/Clock.h"
#include "base/TextFormat.h"
#include "base/TraceSink.h"
#include "base/UptimeCounter.h"
#include "data/CatalogueFichiers.h"
#include "data/TablesFichiersBTR.h"
#include "model/Frm_Main.h"
#include "model/ProgramState.h"
#include "platform/DialogsHost.h"

QString ErreurBTrieveLibelle(qint16 statut, const QString& chemin) {
    const QString prefixe =
        QStringLiteral("Err: ") + QString::number(statut) + QStringLiteral(": ");
    QString texte;
    switch (statut) {
    case 1:
        texte = QStringLiteral("The operation parameter is invalid");
        break;
    case 2:
        texte = QStringLiteral("The application encountered an I/O error");
        break;
    case 3:
        texte = QStringLiteral("The file is not open");
        break;
    case 4:
        texte = QStringLiteral("The application cannot find the key value");
        break;
    case 5:
        texte = QStringLiteral("The record has a key field containing a duplicate key value");
        break;
    case 6:
        texte = QStringLiteral("The key number parameter is invalid");
        break;
    case 7:
        texte = QStringLiteral("The key number has changed");
        break;
    case 8:
        texte = QStringLiteral("The current positioning is invalid");
        break;
    case 11:
        texte = QStringLiteral("The specified filename is invalid (") + chemin + QLatin1Char(')');
        break;
    case 12:
        texte = QStringLiteral("The MicroKernel cannot find the specified file (") + chemin +
                QLatin1Char(')');
        break;
    case 18:
        texte = QStringLiteral("The disk is full");
        break;
    case 19:
        texte = QStringLiteral("The application encountered an unrecoverable error");
        break;
    case 30:
        texte = QStringLiteral("The file specified is not a MicroKernel file");
        break;
    case 46:
        texte = QStringLiteral("Access to the requested file is denied (File locked ?)");
        break;
    case 161:
        texte = QStringLiteral("The maximum number of user count licenses has been reached");
        break;
    case 2007:
        texte = QStringLiteral("A pointer parameter is invalid");
        break;
    default:
        if (statut >= 3103 && statut <= 3132) {
            texte = QStringLiteral("Network error");
        } else {
            return QStringLiteral("Err: ") + QString::number(statut) + QLatin1Char('\n');
        }
    }
    return prefixe + texte + QLatin1Char('\n');
}

QString ErreursBTrieve::message(qint16 fichier, const QString& chemin) {
    const qint16 statut = m.tables.StatutBTR;
    const QString quand = Date2StringEx(
        m.clock.localDateTime(), m.state.PbSFormatDate + QLatin1Char(' ') + m.state.PbSFormatHeure);
    QString texte = QStringLiteral("Fichier: ") + m.catalogue[fichier].Libelle +
                    QStringLiteral("  (") + NomExecutable + QStringLiteral(")") +
                    QStringLiteral("  (") + quand + QStringLiteral(")") + QLatin1Char('\n') +
                    ErreurBTrieveLibelle(statut, chemin) + QLatin1Char('\n');
    if (statut != 161) {
        QString& courante = m.tables.HistoriqueErreursBTR[0];
        if (!courante.startsWith(QLatin1String("S:"))) {
            courante = QStringLiteral("S:") + N2S(statut, 5, 0, QStringLiteral("0")) +
                       QLatin1Char(' ') + courante;
        }
        for (int i = 1; i < TablesFichiersBTR::NbHistorique; ++i) {
            const QString& entree = m.tables.HistoriqueErreursBTR[size_t(i)];
            if (!isBlank(entree)) {
                texte += QLatin1Char(' ') + QString::number(i) + QLatin1Char('>') + entree +
                         QLatin1Char('\n');
            }
        }
    }
    if (fichierAbime(statut)) {
        texte += QLatin1Char('\n') + ConseilRestauration + QLatin1Char('\n');
    }
    return texte;
}

bool ErreursBTrieve::ErreurBTrieve(qint16, qint16 fichier, const QString& chemin, const QString&,
                                   qint16, qint16) {
    const qint16 statut = m.tables.StatutBTR;
    if (statut == 0) {
        return false;
    }
    const QString texte = message(fichier, chemin);
    if (statut == 80) {
        return false; // a record conflict: nothing to tell
    }
    bool finReseau = false;
    if (erreurReseau(statut)) {
        if (m.uptime.TickCountMilliSec() <= DelaiReseauMs) {
            m.trace.TraceLogEncadre(
                -1, -1, QStringLiteral("Err: Network Pervasive errors: ") + QString::number(statut),
                QStringLiteral("="), false);
        } else {
            finReseau = true;
        }
    }
    const DialogsHost::Answer reponse =
        m.dialogs.ask(m.frmMain.Caption.text(), texte, DialogsHost::Buttons::AbortRetryIgnore,
                      DialogsHost::Icon::Critical, DialogsHost::Answer::Ignore);
    const bool fin = finReseau || reponse == DialogsHost::Answer::Abort;
    if (fin) {
        m.trace.TraceLogEncadre(
            -1, -1,
            QStringLiteral("Application closed: Pervasive error ") + QString::number(statut) +
                (finReseau ? QStringLiteral(" (network)") : QStringLiteral(" (Abort)")),
            QStringLiteral("*"), false);
    }
    return fin;
}
