#pragma once

#include "platform/BtrieveEngine.h"

#include <QString>
#include <QtGlobal>

#include <array>

class CatalogueFichiers;
class ErreursBTrieve;
class ErrorReporter;
class FileOperations;
class TraceSink;
struct ProgramState;
struct TablesFichiersBTR;

// The data files of a base, through the engine: their names and paths, the opening
// of the ten files this program holds open while it runs (for every station of the
// base), the creation of a missing file that may be created, and their closing at
// the end. No record is ever read or written.
class FichiersPervasive {
public:
    static inline const QString Module = QStringLiteral("Lib_Data_Pervasive:");
    // The files opened at start-up, in this order; closed in the reverse order.
    static constexpr std::array<qint16, 10> FichiersDuProgramme{20, 21, 22, 24, 26,
                                                                31, 32, 41, 42, 53};
    static constexpr quint8 LongueurCleChemin = 255;

    struct Parts {
        const ProgramState& state;
        CatalogueFichiers& catalogue;
        TablesFichiersBTR& tables;
        BtrieveEngine& engine;
        FileOperations& files;
        ErreursBTrieve& erreurs;
        TraceSink& trace;
        ErrorReporter& errors;
    };
    explicit FichiersPervasive(Parts parts) : m(parts) {}

    // Fills the catalogue once, closes what is still open, then opens the program's
    // files for the stations first to last and writes "Pervasive files opened".
    // False when the program must end now (Abort in an error box): nothing more is
    // opened.
    bool PervasiveOuvertureFichiers(qint16 base, qint16 premiere, qint16 derniere);
    // Closes the program's files, the last opened first, and writes "Pervasive files
    // closed".
    void PervasiveFermetureFichiers(qint16 base, qint16 premiere, qint16 derniere);

    void FichierPervasiveOuvrir(qint16 base, qint16 premiere, qint16 derniere, qint16 fichier,
                                qint16 mode);
    void FichierPervasiveFermer(qint16 base, qint16 premiere, qint16 derniere, qint16 fichier);
    bool OuvertureFichierBTrieve(qint16 base, qint16 fichier, const QString& chemin,
                                 qint32& longueur, qint32 station, qint16 mode);
    bool FermetureFichierBTrieve(qint16 base, qint16 fichier, const QString& chemin,
                                 qint32& longueur, qint32 station);
    // Prepares the create layout of a file from its catalogue entry.
    void InitStructureFichierBTR(qint16 fichier, bool compresse);
    // Creates an empty file of the layout last prepared; the engine's status.
    qint16 CreationStructureVide(const QString& chemin);
    // "FRAD041.bt6"; a per-station file takes the station's letter as its 5th
    // character ("FRADA20.bt6" for index 0, up to "T" for index 19).
    QString NomFichierBTR(qint16 fichier, qint16 indiceStation) const;

    // The file numbers that are created empty when they are missing.
    static bool creable(int fichier) {
        return (fichier >= 12 && fichier <= 17) || (fichier >= 40 && fichier <= 49) ||
               fichier == 57;
    }
    // The operator asked for the program to end (Abort) during one of the calls.
    bool finDemandee() const { return m_fin; }

private:
    // Present: opened earlier in the run, or a file of that path with a size.
    bool present(const QString& chemin, const QString& appelant);
    bool dejaOuvert(const QString& chemin) const;
    // An open or a stop with the file's record buffer and the path as key.
    qint16 appelEngine(qint16 operation, qint16 fichier, const QString& chemin, qint32& longueur,
                       qint8 numeroCle, BtrieveEngine::PositionBlock& bloc);

    Parts m;
    bool m_fin = false;
};
