#include "data/FichiersPervasive.h"

#include "base/ErrorTrap.h"
#include "base/TextFormat.h"
#include "base/TraceSink.h"
#include "data/CatalogueFichiers.h"
#include "data/ErreursBTrieve.h"
#include "data/TablesFichiersBTR.h"
#include "model/ProgramState.h"
#include "platform/BtrieveFileLayout.h"
#include "system/FileOperations.h"

#include <algorithm>

namespace {

QString appelant(const char* procedure) {
    return FichiersPervasive::Module + QLatin1String(procedure);
}

QByteArray cleChemin(const QString& chemin) {
    return toWindows1252(chemin) + '\0';
}

} // namespace

bool FichiersPervasive::PervasiveOuvertureFichiers(qint16 base, qint16 premiere, qint16 derniere) {
    ErrorTrap trap(m.errors, appelant("PervasiveOuvertureFichiers"));
    trap.at(10);
    m.catalogue.InitGeneralData();
    trap.at(20);
    if (std::find(m.tables.FichiersOuverts.begin(), m.tables.FichiersOuverts.end(), true) !=
        m.tables.FichiersOuverts.end()) {
        PervasiveFermetureFichiers(base, 1, TablesFichiersBTR::NbStations);
    }
    trap.at(30);
    for (const qint16 fichier : FichiersDuProgramme) {
        if (m_fin) {
            return false;
        }
        FichierPervasiveOuvrir(base, premiere, derniere, fichier, BtrieveEngine::ModeNormal);
    }
    if (m_fin) {
        return false;
    }
    trap.at(40);
    m.trace.line(QStringLiteral("Pervasive files opened"));
    return true;
}

void FichiersPervasive::PervasiveFermetureFichiers(qint16 base, qint16 premiere, qint16 derniere) {
    for (auto it = FichiersDuProgramme.rbegin(); it != FichiersDuProgramme.rend() && !m_fin; ++it) {
        FichierPervasiveFermer(base, premiere, derniere, *it);
    }
    m.trace.line(QStringLiteral("Pervasive files closed"));
}

QString FichiersPervasive::NomFichierBTR(qint16 fichier, qint16 indiceStation) const {
    QString nom = m.catalogue[fichier].Nom;
    while (nom.endsWith(QLatin1Char(' '))) {
        nom.chop(1);
    }
    if (m.catalogue[fichier].ParStation == QLatin1Char('O') && nom.size() >= 5 &&
        indiceStation >= 0 && indiceStation < TablesFichiersBTR::NbStations) {
        nom[4] = QChar(u'A' + indiceStation);
    }
    return nom + QStringLiteral(".bt6");
}

bool FichiersPervasive::dejaOuvert(const QString& chemin) const {
    const QStringList ouverts = m.tables.ListeFichiersOuverts.split(QStringLiteral("::"));
    return std::any_of(ouverts.begin(), ouverts.end(), [&chemin](const QString& ouvert) {
        return ouvert.compare(chemin, Qt::CaseInsensitive) == 0;
    });
}

bool FichiersPervasive::present(const QString& chemin, const QString& nomAppelant) {
    return dejaOuvert(chemin) || m.files.File_Exist(chemin, nomAppelant, true);
}

void FichiersPervasive::FichierPervasiveOuvrir(qint16 base, qint16 premiere, qint16 derniere,
                                               qint16 fichier, qint16 mode) {
    const QString nomAppelant = appelant("FichierPervasiveOuvrir");
    ErrorTrap trap(m.errors, nomAppelant);
    trap.at(10);
    if (base < 0 || base >= SiteParameters::NbBasesMax) {
        trap.fail(AppError::subscriptOutOfRange());
        return;
    }
    InitStructureFichierBTR(fichier, true);
    const QString dossier = CheckRep(m.state.PbTParametresSite.Base[size_t(base)].Dossier_Data);
    for (qint32 s = premiere; s <= derniere && !m_fin; ++s) {
        trap.at(20);
        if (!TablesFichiersBTR::dansLesTables(fichier, s)) {
            trap.fail(AppError::subscriptOutOfRange());
            continue;
        }
        const size_t i = TablesFichiersBTR::indice(fichier, s);
        const QString chemin = dossier + NomFichierBTR(fichier, qint16(s - 1));
        m.tables.CheminsFichiersBTR[i] = chemin;
        m.tables.FichiersOuverts[i] = false;
        trap.at(30);
        if (!present(chemin, nomAppelant) && creable(fichier)) {
            m.trace.line(QStringLiteral("File: ") + chemin +
                         QStringLiteral(" not found |Create empty structure"));
            const qint16 statut = CreationStructureVide(chemin);
            if (statut != 0) {
                // Otherwise the file would just be missing, with nothing said.
                m.trace.line(QStringLiteral("Err: Create empty structure: ") +
                                 ErreurBTrieveLibelle(statut, chemin).trimmed() +
                                 QStringLiteral(" [") + chemin + QLatin1Char(']'),
                             true);
            }
        }
        trap.at(40);
        if (present(chemin, nomAppelant)) {
            BtrieveFileLayout layout;
            BtrieveFileLayout::decode(
                std::span<const char>(m.tables.SpecCreationBTR.constData(),
                                      size_t(m.tables.SpecCreationBTR.size())),
                layout);
            qint32 longueur = layout.recordLength;
            if (OuvertureFichierBTrieve(base, fichier, chemin, longueur, s, mode)) {
                m.tables.FichiersOuverts[i] = true;
                m.tables.ListeFichiersOuverts += chemin + QStringLiteral("::");
            }
        }
    }
}

qint16 FichiersPervasive::appelEngine(qint16 operation, qint16 fichier, const QString& chemin,
                                      qint32& longueur, qint8 numeroCle,
                                      BtrieveEngine::PositionBlock& bloc) {
    QByteArray& tampon = m.tables.TamponsEnregistrement[size_t(fichier)];
    quint32 longueurDonnees = quint32(std::max<qint32>(longueur, 0));
    const QByteArray cle = cleChemin(chemin);
    const qint16 statut = m.engine.BTRCALL(
        operation, bloc, std::span<char>(tampon.data(), size_t(tampon.size())), longueurDonnees,
        std::span<const char>(cle.constData(), size_t(cle.size())), LongueurCleChemin, numeroCle);
    longueur = qint32(longueurDonnees);
    return statut;
}

bool FichiersPervasive::OuvertureFichierBTrieve(qint16 base, qint16 fichier, const QString& chemin,
                                                qint32& longueur, qint32 station, qint16 mode) {
    const QString nomAppelant = appelant("OuvertureFichierBTrieve");
    ErrorTrap trap(m.errors, nomAppelant);
    trap.at(10);
    if (!TablesFichiersBTR::dansLesTables(fichier, station)) {
        trap.fail(AppError::subscriptOutOfRange());
        return false;
    }
    BtrieveEngine::PositionBlock bloc = BtrieveEngine::blankPositionBlock();
    if (!m.files.File_Exist(chemin, nomAppelant, false)) {
        m.tables.StatutBTR = BtrieveEngine::FileNotFound;
    } else {
        trap.at(20);
        m.tables.StatutBTR =
            appelEngine(BtrieveEngine::OpOpen, fichier, chemin, longueur, qint8(mode), bloc);
    }
    trap.at(30);
    const qint16 statut = m.tables.StatutBTR;
    if (statut != 0) {
        std::array<QString, TablesFichiersBTR::NbHistorique>& h = m.tables.HistoriqueErreursBTR;
        std::move_backward(h.begin(), h.end() - 1, h.end());
        QString propre = chemin;
        h[0] = QStringLiteral("File:") + N2S(fichier, 2, 0, QStringLiteral("0")) +
               (statut == BtrieveEngine::FileNotFound
                    ? QStringLiteral(" (") + chemin + QLatin1Char(')')
                    : QString()) +
               QStringLiteral(" Station:") + QString::number(station) + QStringLiteral(" OP:") +
               QStringLiteral("00") + QStringLiteral(" K:") + QStringLiteral("00") +
               QStringLiteral(" [") + ClearChaine(propre) + QLatin1Char(']');
        if (m.erreurs.ErreurBTrieve(base, fichier, chemin, nomAppelant, 0, 0)) {
            m_fin = true;
        }
        return false;
    }
    m.tables.BlocsPosition[TablesFichiersBTR::indice(fichier, station)] = bloc;
    m.tables.LongueursEnregistrement[size_t(fichier)] = qint16(longueur);
    return true;
}

void FichiersPervasive::FichierPervasiveFermer(qint16 base, qint16 premiere, qint16 derniere,
                                               qint16 fichier) {
    for (qint32 s = premiere; s <= derniere && !m_fin; ++s) {
        if (!TablesFichiersBTR::dansLesTables(fichier, s)) {
            continue; // nothing was ever opened there
        }
        const size_t i = TablesFichiersBTR::indice(fichier, s);
        if (!m.tables.FichiersOuverts[i]) {
            continue;
        }
        const QString chemin = m.tables.CheminsFichiersBTR[i];
        qint32 longueur = m.catalogue[fichier].LongueurEnregistrement;
        if (FermetureFichierBTrieve(base, fichier, chemin, longueur, s)) {
            m.tables.FichiersOuverts[i] = false;
        } else {
            m.trace.line(QStringLiteral("Unable to close: ") + chemin);
        }
    }
}

bool FichiersPervasive::FermetureFichierBTrieve(qint16 base, qint16 fichier, const QString& chemin,
                                                qint32& longueur, qint32 station) {
    const QString nomAppelant = appelant("FermetureFichierBTrieve");
    ErrorTrap trap(m.errors, nomAppelant);
    trap.at(10);
    if (!TablesFichiersBTR::dansLesTables(fichier, station)) {
        trap.fail(AppError::subscriptOutOfRange());
        return false;
    }
    BtrieveEngine::PositionBlock bloc = BtrieveEngine::blankPositionBlock();
    m.tables.StatutBTR = appelEngine(BtrieveEngine::OpStop, fichier, chemin, longueur, 0, bloc);
    if (m.tables.StatutBTR != 0) {
        if (m.erreurs.ErreurBTrieve(base, fichier, chemin, nomAppelant, 0, 0)) {
            m_fin = true;
        }
        return false;
    }
    m.tables.BlocsPosition[TablesFichiersBTR::indice(fichier, station)] = bloc;
    m.tables.LongueursEnregistrement[size_t(fichier)] = qint16(longueur);
    return true;
}

void FichiersPervasive::InitStructureFichierBTR(qint16 fichier, bool compresse) {
    const DescripteurFichierBTR& d = m.catalogue[fichier];
    BtrieveFileLayout layout;
    layout.recordLength = quint16(d.LongueurEnregistrement);
    layout.pageSize = quint16(d.TaillePage);
    layout.keyCount = quint16(d.NombreCles);
    layout.fileFlags = compresse ? BtrieveFileLayout::FileCompressed : 0;
    for (size_t i = 0; i < d.Segments.size(); ++i) {
        layout.segments[i].position = quint16(d.Segments[i].Position);
        layout.segments[i].length = quint16(d.Segments[i].Longueur);
        layout.segments[i].flags = quint16(d.Segments[i].Flags);
        layout.segments[i].extendedType = 0;
    }
    m.tables.SpecCreationBTR = layout.encode();
}

qint16 FichiersPervasive::CreationStructureVide(const QString& chemin) {
    BtrieveEngine::PositionBlock bloc = BtrieveEngine::blankPositionBlock();
    QByteArray layout = m.tables.SpecCreationBTR;
    quint32 longueur = quint32(BtrieveFileLayout::Size);
    const QByteArray cle = cleChemin(chemin);
    // The key length is the path's; a path longer than the engine reads is refused
    // there rather than cut short.
    const quint8 longueurCle = quint8(std::min<qsizetype>(cle.size() - 1, LongueurCleChemin));
    m.tables.StatutBTR = m.engine.BTRCALL(
        BtrieveEngine::OpCreate, bloc, std::span<char>(layout.data(), size_t(layout.size())),
        longueur, std::span<const char>(cle.constData(), size_t(cle.size())), longueurCle, 0);
    return m.tables.StatutBTR;
}
