#pragma once

#include "data/CatalogueFichiers.h"
#include "platform/BtrieveEngine.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>
#include <vector>

// What the file layer keeps for the whole run, by file number (0 to 70) and
// station (1 to 20): the position blocks, paths and open marks of each file of each
// station, the paths opened since the start, the last data length per file, the
// last engine status, the summaries of the last six open failures, the create
// layout last prepared, and the record buffers of the ten files this
// program opens.
struct TablesFichiersBTR {
    static constexpr int NbFichiers = CatalogueFichiers::NbFichiers;
    static constexpr int NbStations = 20;
    static constexpr int NbHistorique = 6;

    TablesFichiersBTR()
        : BlocsPosition(size_t(NbFichiers * NbStations), BtrieveEngine::blankPositionBlock()),
          CheminsFichiersBTR(size_t(NbFichiers * NbStations)),
          FichiersOuverts(size_t(NbFichiers * NbStations), false) {
        // The files opened, with the size of their record buffers.
        const std::array<std::pair<int, int>, 10> tampons{{{20, 300},
                                                           {21, 980},
                                                           {22, 900},
                                                           {24, 100},
                                                           {26, 152},
                                                           {31, 50},
                                                           {32, 250},
                                                           {41, 900},
                                                           {42, 901},
                                                           {53, 512}}};
        for (const auto& [fichier, taille] : tampons) {
            TamponsEnregistrement[size_t(fichier)] = QByteArray(taille, '\0');
        }
    }

    // Whether (file, station) lies inside the tables.
    static bool dansLesTables(int fichier, int station) {
        return fichier >= 0 && fichier < NbFichiers && station >= 1 && station <= NbStations;
    }
    // The index of (file, station) in the tables below; check dansLesTables first.
    static size_t indice(int fichier, int station) {
        return size_t(fichier * NbStations + (station - 1));
    }

    std::vector<BtrieveEngine::PositionBlock> BlocsPosition;
    std::vector<QString> CheminsFichiersBTR;
    std::vector<bool> FichiersOuverts;
    QString ListeFichiersOuverts; // each path opened, followed by "::"
    std::array<qint16, NbFichiers> LongueursEnregistrement{};
    qint16 StatutBTR = 0;
    std::array<QString, NbHistorique> HistoriqueErreursBTR{}; // 0 the newest
    QByteArray SpecCreationBTR = QByteArray(160, '\0');
    std::array<QByteArray, NbFichiers> TamponsEnregistrement{}; // empty: no buffer
};
