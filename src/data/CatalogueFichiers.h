#pragma once

#include <QChar>
#include <QString>
#include <QtGlobal>

#include <array>

// One key segment of a data file's structure: 1-based position in the record,
// length, the engine's key flags (1 duplicates, 2 modifiable, 16 segmented: the next
// entry continues the key, 1024 case-insensitive), a mark the catalogue sets on the
// segments that a later one continues, and a value nothing uses.
struct SegmentCleBTR {
    qint32 Position = 0;
    qint32 Longueur = 0;
    qint32 Flags = 0;
    qint16 Continue = 0; // True (-1) on a segment that the next one continues
    qint32 Reserve = 0;
};

// What the suite knows of one data file: its description, name stem ("FRAD020 "),
// whether it exists once per station ("O") or once per base ("N"), a second mark
// nothing here reads, and the structure that creates it empty.
struct DescripteurFichierBTR {
    static constexpr int NbSegments = 8;

    QString Libelle;
    QString Nom; // 8 characters, the stem and a trailing blank
    QChar ParStation;
    QChar Marque;
    qint32 LongueurEnregistrement = 0;
    qint32 TaillePage = 0;
    qint32 NombreCles = 0;
    qint32 Reserve1 = 0;
    qint32 Reserve2 = 0;
    std::array<SegmentCleBTR, NbSegments> Segments{};

    bool defini() const { return !Nom.isEmpty(); }
};

// The catalogue of the 71 data files a base may hold, by file number 0 to 70; 47
// are defined, the others stay empty. A constant table, filled once.
class CatalogueFichiers {
public:
    static constexpr int NbFichiers = 71;

    // Fills every defined entry; later calls change nothing.
    void InitGeneralData();
    bool rempli() const { return m_rempli; }

    // The entry of a file number; an empty one for a number outside 0 to 70.
    const DescripteurFichierBTR& operator[](int fichier) const;

private:
    std::array<DescripteurFichierBTR, NbFichiers> m_entrees{};
    DescripteurFichierBTR m_vide; // what a number outside the table reads
    bool m_rempli = false;
};
