#pragma once
// Paramètres du makefile : lignes « NOM = valeur » trouvées par le texte de leur clé (le nom, une
// espace et « = »). La valeur est le reste de la ligne ; l'écriture remplace tout ce reste.
#include "noyau/ValeursMakefile.h"
#include "ui/DocumentRiche.h"

#include <QString>
#include <cstdint>
#include <optional>

// Marquage des valeurs écrites et position de la dernière recherche dans la vue du makefile.
struct EtatMarquage {
    // Vrai : les valeurs écrites sont marquées en gras bleu (les changements depuis l'ouverture).
    bool MarquageActif = false;
    // Position de la dernière clé ou correspondance trouvée dans la vue du makefile (-1 : échec) ;
    // la recherche suivante part de là.
    std::int32_t PositionRecherche = 0;

    void réinitialiser() { *this = EtatMarquage(); }
};

EtatMarquage& etatMarquage();

// Couleurs des marques.
inline constexpr CouleurRVB CouleurClé{255, 0, 0};
inline constexpr CouleurRVB CouleurValeurChangée{0, 0, 255};

// Position d'une clé là où elle fixe sa valeur : en tête de ligne, après des blancs ou des
// tabulations au plus, en respectant la casse ; jamais dans une ligne de commentaire, où les
// makefiles montrent souvent d'autres valeurs (« # MCU = atmega128 »). -1 si absente.
// Le lecteur, l'écrivain, le lancement des outils et l'assistante n'en connaissent pas d'autre.
qsizetype PositionClé(const QString& texte, const QString& clé);

// Valeur du paramètre clé dans le document, sans message : le reste de la ligne après la clé
// (trouvée par PositionClé), fin de ligne exclue, blancs
// U+0020 retirés aux deux bouts ; sur la dernière ligne, le reste du texte. Absent : nullopt.
// Met à jour PositionRecherche ; ne touche pas à la sélection.
std::optional<QString> ValeurParamètre(const DocumentRiche& document, const QString& clé);

// Même lecture ; une clé absente montre le message du lecteur et rend un texte vide.
QString LireParamètre(const DocumentRiche& makefileExistant, const QString& clé);

// Écrit « espace + valeur » à la place du reste de la ligne de la clé, met la clé en gras rouge
// et, quand MarquageActif, la valeur en gras bleu (sinon elle garde le format du texte remplacé).
// Une clé absente montre le message de l'écrivain et laisse le document tel quel ; rend alors faux.
bool MarquerParamètre(DocumentRiche& document, const QString& clé, const QString& valeur);

// Texte où chaque occurrence du caractère ancien (sans égard à la casse) devient nouveau, en un
// seul passage de gauche à droite (nouveau peut contenir ancien). ancien vide : texte rendu tel quel.
QString ChangeCaractère(const QString& texte, const QString& ancien, const QString& nouveau);

// Textes des deux messages de paramètre manquant.
QString MessageParamètreManquantLecture(const QString& clé);
QString MessageParamètreManquantÉcriture(const QString& clé);
