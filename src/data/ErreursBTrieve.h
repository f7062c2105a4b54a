#pragma once

#include <QString>
#include <QtGlobal>

class CatalogueFichiers;
class Clock;
class DialogsHost;
class Frm_Main;
class TraceSink;
class UptimeCounter;
struct ProgramState;
struct TablesFichiersBTR;

// The text of an engine status, ending with a line feed; the path shows in the texts
// of statuses 11 and 12.
QString ErreurBTrieveLibelle(qint16 statut, const QString& chemin);

// Tells the operator about a failed engine call: the file, the program, the time,
// the status's text, the summaries of the earlier open failures and, for a damaged
// file, the advice to restore it; in a box with Abort, Retry and Ignore. Abort ends
// the program; Retry and Ignore go on (nothing is tried again).
class ErreursBTrieve {
public:
    // Network errors this soon after the machine started are the network coming up:
    // they are logged and the program goes on; later ones end it.
    static constexpr qint64 DelaiReseauMs = 300000;
    static inline const QString NomExecutable = QStringLiteral("KZ3_Trelvo");
    static inline const QString ConseilRestauration =
        QStringLiteral("Faîtes une restauration de ce fichier");

    struct Parts {
        const ProgramState& state;
        const Frm_Main& frmMain;
        TablesFichiersBTR& tables;
        const CatalogueFichiers& catalogue;
        DialogsHost& dialogs;
        TraceSink& trace;
        const Clock& clock;
        UptimeCounter& uptime;
    };
    explicit ErreursBTrieve(Parts parts) : m(parts) {}

    // For the status of the last call (StatutBTR). True when the program must end
    // now: the operator chose Abort, or a network error came after the first five
    // minutes of the machine's uptime.
    bool ErreurBTrieve(qint16 base, qint16 fichier, const QString& chemin, const QString& source,
                       qint16 operation, qint16 cle);

    // The message for the last status, as the box shows it. Marks the newest failure
    // summary with the status ("S:00046 ") the first time.
    QString message(qint16 fichier, const QString& chemin);

    static bool erreurReseau(qint16 statut) { return statut >= 3000 && statut <= 3132; }
    static bool fichierAbime(qint16 statut) {
        return statut == 2 || statut == 14 || statut == 15 || statut == 19 || statut == 30;
    }

private:
    Parts m;
};
