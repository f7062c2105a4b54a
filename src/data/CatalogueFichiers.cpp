#include "data/CatalogueFichiers.h"

#include <initializer_list>

namespace {

struct Segment {
    qint32 position;
    qint32 longueur;
    qint32 flags;
};

struct Entree {
    int numero;
    const char* libelle; // UTF-8
    char parStation;
    char marque;
    qint32 longueur;
    qint32 page;
    qint32 cles;
    std::initializer_list<Segment> segments;
};

// Segment flags: 2 modifiable, 3 duplicates and modifiable, 19 the same continued by
// the next segment, 1027 duplicates, modifiable and case-insensitive.
//
// The ten files this program opens (20, 21, 22, 24, 26, 31, 32, 41, 42, 53) and
// files 7 and 47 carry the suite's own structures. The others are this program's
// stand-ins: it never opens them, and their structures keep to the suite's bounds
// (records of 50 to 4082 bytes, pages of 512 to 4096 bytes, 1 to 7 keys of 1 to 7
// segments), each one a structure the engine accepts.
const Entree Entrees[] = {
    {0, "Paramétrage", 'N', 'N', 2000, 4096, 1, {{1, 10, 2}}},
    {1, "Commerciaux", 'N', 'N', 300, 1024, 2, {{1, 8, 2}, {9, 30, 1027}}},
    {2, "Secteurs d'activité", 'N', 'N', 100, 512, 2, {{1, 8, 2}, {9, 30, 1027}}},
    {3, "Clients", 'N', 'N', 600, 1024, 3, {{1, 10, 2}, {11, 40, 1027}, {51, 10, 3}}},
    {4, "Produits", 'N', 'N', 300, 1024, 3, {{1, 10, 2}, {11, 10, 3}, {21, 40, 1027}}},
    {5, "Entêtes des contrats", 'O', 'N', 500, 1024, 3, {{1, 12, 2}, {13, 10, 3}, {23, 8, 3}}},
    {6, "Entêtes des spots", 'O', 'N', 400, 1024, 3, {{1, 12, 2}, {13, 12, 3}, {25, 40, 1027}}},
    {7,
     "Dates de programmation des passages des spots",
     'O',
     'N',
     100,
     512,
     4,
     {{1, 21, 2}, {9, 13, 3}, {26, 10, 19}, {9, 13, 3}, {36, 21, 3}}},
    {9, "Paramétrage (Backup)", 'N', 'N', 2000, 4096, 1, {{1, 10, 2}}},
    {10,
     "Publicité: Données programmées",
     'O',
     'N',
     200,
     512,
     3,
     {{1, 8, 19}, {9, 6, 3}, {15, 12, 3}, {27, 8, 3}}},
    {11,
     "Gestion des droits des utilisateurs",
     'N',
     'N',
     500,
     1024,
     2,
     {{1, 10, 2}, {11, 30, 1027}}},
    {12,
     "Publicité: Système Tiers: Campagnes",
     'N',
     'N',
     400,
     1024,
     2,
     {{1, 16, 2}, {17, 40, 1027}}},
    {13,
     "Publicité: Système Tiers: Spots",
     'N',
     'N',
     400,
     1024,
     3,
     {{1, 16, 2}, {17, 16, 3}, {33, 40, 1027}}},
    {14, "Publicité: Système Tiers: Messages", 'N', 'N', 1000, 2048, 2, {{1, 16, 2}, {17, 16, 3}}},
    {15,
     "Publicité: Système Tiers: Produits",
     'N',
     'N',
     300,
     1024,
     2,
     {{1, 16, 2}, {17, 40, 1027}}},
    {16, "Publicité: Système Tiers: Clients", 'N', 'N', 300, 1024, 2, {{1, 16, 2}, {17, 40, 1027}}},
    {17,
     "V 3.4 Planification",
     'O',
     'N',
     250,
     1024,
     3,
     {{1, 8, 19}, {9, 8, 3}, {17, 10, 3}, {27, 20, 1027}}},
    {18, "V 3.4 Log Pub", 'O', 'N', 300, 1024, 2, {{1, 8, 19}, {9, 8, 3}, {17, 12, 3}}},
    {19, "Télé: Système Tiers: NinSight", 'N', 'N', 500, 1024, 2, {{1, 16, 2}, {17, 8, 3}}},
    {20,
     "Artistes",
     'O',
     'N',
     300,
     1024,
     4,
     {{1, 5, 2}, {6, 10, 3}, {16, 20, 1027}, {46, 1, 19}, {16, 20, 3}}},
    {21,
     "Voix, Groupe, Sonorité, Catégorie, ...",
     'O',
     'N',
     980,
     1024,
     2,
     {{1, 10, 2}, {1, 5, 1043}, {11, 10, 1027}}},
    {22,
     "Morceaux",
     'O',
     'N',
     900,
     2048,
     6,
     {{1, 8, 2}, {9, 5, 3}, {19, 5, 3}, {64, 5, 3}, {69, 5, 3}, {24, 20, 1027}}},
    {23,
     "Piles de morceaux par sujet",
     'O',
     'N',
     100,
     512,
     2,
     {{1, 8, 19}, {9, 8, 3}, {17, 10, 3}}},
    {24,
     "Piles de morceaux par catégorie",
     'O',
     'N',
     100,
     512,
     3,
     {{1, 8, 3}, {9, 11, 3}, {9, 5, 19}, {51, 20, 1027}}},
    {25, "Priorités", 'O', 'N', 80, 512, 2, {{1, 5, 2}, {6, 30, 1027}}},
    {26,
     "Table des morceaux pour le magnétophone",
     'O',
     'N',
     150,
     512,
     4,
     {{1, 8, 3}, {9, 19, 3}, {28, 14, 3}, {42, 39, 1027}}},
    {27,
     "Conducteur publicité",
     'O',
     'N',
     200,
     512,
     3,
     {{1, 8, 19}, {9, 6, 3}, {15, 12, 3}, {27, 8, 3}}},
    {28,
     "Evénements musicaux réellement diffusés",
     'O',
     'N',
     200,
     512,
     3,
     {{1, 8, 19}, {9, 8, 3}, {17, 10, 3}, {27, 20, 1027}}},
    {29,
     "Morceaux (Clés complémentaires)",
     'O',
     'N',
     300,
     1024,
     4,
     {{1, 10, 2}, {11, 20, 1027}, {31, 20, 1027}, {51, 8, 3}}},
    {30, "Squelette des horloges", 'O', 'N', 150, 512, 2, {{1, 4, 19}, {5, 4, 3}, {9, 30, 1027}}},
    {31, "Pointeurs de start, stop, loop, ...", 'O', 'N', 50, 512, 1, {{1, 11, 2}}},
    {32, "Renseignements complémentaires sur les morceaux", 'O', 'N', 250, 1024, 1, {{1, 10, 2}}},
    {33,
     "Historique des artistes et groupes programmés",
     'O',
     'N',
     100,
     512,
     3,
     {{1, 8, 19}, {9, 8, 3}, {17, 5, 3}, {22, 5, 3}}},
    {34,
     "Historique des morceaux programmés",
     'O',
     'N',
     100,
     512,
     3,
     {{1, 8, 19}, {9, 8, 3}, {17, 10, 3}, {27, 5, 3}}},
    {35,
     "Historique des événements programmés",
     'O',
     'N',
     100,
     512,
     2,
     {{1, 8, 19}, {9, 8, 3}, {17, 10, 3}}},
    {36,
     "Base de référence pour les titres",
     'N',
     'N',
     400,
     1024,
     3,
     {{1, 10, 2}, {11, 60, 1027}, {71, 60, 1027}}},
    {40, "V 3.4 Morceaux non diffusés", 'O', 'N', 100, 512, 2, {{1, 10, 2}, {11, 8, 3}}},
    {41,
     "V 3.4 Convert Entête",
     'N',
     'N',
     900,
     2048,
     3,
     {{1, 10, 2}, {11, 50, 1027}, {61, 14, 1027}}},
    {42, "V 3.4 Convert Détail", 'N', 'N', 900, 2048, 1, {{1, 20, 2}}},
    {43, "V 3.4 Podcast: Emission", 'O', 'N', 1000, 2048, 2, {{1, 10, 2}, {11, 60, 1027}}},
    {44,
     "V 3.4 Podcast: Articles des Emissions",
     'O',
     'N',
     2000,
     4096,
     3,
     {{1, 10, 19}, {11, 10, 3}, {21, 10, 3}, {31, 60, 1027}}},
    {45,
     "V 3.4 Podcast: Images des Emissions ou des Articles",
     'O',
     'N',
     1000,
     2048,
     2,
     {{1, 10, 2}, {11, 10, 3}}},
    {46,
     "V 3.4 Equivalence entre les morceaux",
     'N',
     'N',
     60,
     512,
     2,
     {{1, 10, 19}, {11, 10, 3}, {11, 10, 19}, {1, 10, 3}}},
    {47, "V 3.4 Historique de Diffusion: Codes et Libellés", 'O', 'O', 4082, 4096, 1, {{1, 11, 2}}},
    {48, "V 3.4 Table des titres", 'O', 'N', 400, 1024, 2, {{1, 10, 2}, {11, 80, 1027}}},
    {49,
     "V 3.4 Historique de Diffusion: Ecarts",
     'O',
     'N',
     200,
     512,
     2,
     {{1, 8, 19}, {9, 8, 3}, {17, 10, 3}}},
    {53,
     "V.2017 Player: Conducteur musical théorique",
     'O',
     'N',
     500,
     1024,
     2,
     {{1, 16, 2}, {17, 8, 3}}},
};

constexpr qint32 FlagSegmente = 16;

} // namespace

void CatalogueFichiers::InitGeneralData() {
    if (m_rempli) {
        return;
    }
    for (const Entree& e : Entrees) {
        DescripteurFichierBTR& d = m_entrees[size_t(e.numero)];
        d.Libelle = QString::fromUtf8(e.libelle);
        d.Nom = QStringLiteral("FRAD%1 ").arg(e.numero, 3, 10, QLatin1Char('0'));
        d.ParStation = QLatin1Char(e.parStation);
        d.Marque = QLatin1Char(e.marque);
        d.LongueurEnregistrement = e.longueur;
        d.TaillePage = e.page;
        d.NombreCles = e.cles;
        size_t i = 0;
        for (const Segment& s : e.segments) {
            if (i >= d.Segments.size()) {
                break;
            }
            SegmentCleBTR& out = d.Segments[i++];
            out.Position = s.position;
            out.Longueur = s.longueur;
            out.Flags = s.flags;
            out.Continue = (s.flags & FlagSegmente) ? qint16(-1) : qint16(0);
        }
    }
    m_rempli = true;
}

const DescripteurFichierBTR& CatalogueFichiers::operator[](int fichier) const {
    return fichier >= 0 && fichier < NbFichiers ? m_entrees[size_t(fichier)] : m_vide;
}
