#pragma once
// Description d'un microcontrôleur : les octets de fusibles qu'il possède et le nom de chacun de
// leurs bits, le nom de ses bits de verrouillage. Lue dans « Description des AVR/<mcu>.xml » du
// dossier d'installation ; gardée pour tout le processus jusqu'au chargement suivant.
#include <QString>
#include <QStringList>
#include <array>

// Tables communes à tout le processus, remplies par ChargerDescriptionAVR.
struct DescriptionAVR {
    static constexpr int TailleTable = 9; // indices 0 à 8 ; les bits 0 à 7 sont seuls remplis

    bool FusibleBasPrésent = false;
    bool FusibleHautPrésent = false;
    bool FusibleEtenduPrésent = false;
    // Nom du bit i de chaque octet. Un octet absent garde les noms du composant précédent : seuls
    // les drapeaux de présence disent quels octets la fenêtre des fusibles montre.
    std::array<QString, TailleTable> NomsFusibleBas{};
    std::array<QString, TailleTable> NomsFusibleHaut{};
    std::array<QString, TailleTable> NomsFusibleEtendu{};
    // Nom du bit de verrouillage i ; vide au-delà du nombre de bits du composant.
    std::array<QString, TailleTable> NomsVerrou{};

    void réinitialiser() { *this = DescriptionAVR(); }
};

DescriptionAVR& descriptionAVR();

// Issue d'un chargement. Un échec laisse des tables cohérentes : aucun octet présent quand la
// liste des fusibles manque, tout ce qui a pu être lu sinon.
enum class EtatDescriptionAVR {
    Chargée,
    NomInvalide,           // vide, ou caractères qui sortiraient du dossier des descriptions
    FichierAbsent,         // aucune description pour ce composant
    FichierIllisible,      // fichier endommagé ou impossible à lire
    ListeFusiblesInvalide, // liste absente ou de moins de deux caractères
    TropDeVerrous,         // plus de 8 bits de verrouillage annoncés
};

struct ResultatDescriptionAVR {
    EtatDescriptionAVR état = EtatDescriptionAVR::Chargée;
    QString message; // explication en français ; vide quand tout a été lu
    QString fichier; // chemin du fichier lu ou cherché

    bool réussi() const { return état == EtatDescriptionAVR::Chargée; }
};

// Chemin de la description du composant dans le dossier d'installation, tel quel (sans contrôle).
QString CheminDescriptionAVR(const QString& MicroContrôleur);

// Composants qui ont une description dans le dossier d'installation : le nom, en minuscules, de
// chaque fichier « <mcu>.xml » que ChargerDescriptionAVR trouve pour ce nom ; triés.
QStringList ComposantsDécrits();

// Lit la description de MicroContrôleur dans les tables de descriptionAVR(). Ne lève jamais
// d'exception et n'écrit jamais dans les fichiers de description (un fichier absent n'est pas
// créé) : le configurateur continue quoi qu'il arrive.
ResultatDescriptionAVR ChargerDescriptionAVR(const QString& MicroContrôleur);
