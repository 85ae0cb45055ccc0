#pragma once
// Recherche et remplacement dans la vue du makefile : l'état gardé entre deux ouvertures de la
// fenêtre de recherche et les opérations sur le document, avec leurs messages.
#include "ui/DocumentRiche.h"

#include <QString>
#include <cstdint>

// État de la recherche, commun à tout le processus. La position de la dernière correspondance
// est ValeursMakefile::PositionRecherche, que le lecteur et l'écrivain des paramètres mettent
// aussi à jour.
struct EtatRecherche {
    QString TexteRecherché;
    QString TexteRemplacement;
    std::int16_t OptionsRecherche = 0; // 2 : mot entier, 4 : respecter la casse

    void réinitialiser() { *this = EtatRecherche(); }
};

EtatRecherche& etatRecherche();

namespace RechercheRemplace {

inline const QString TitreMessages = QStringLiteral("Rechercher");

// Bits d'options selon les deux cases.
std::int16_t options(bool motEntier, bool respecterCasse);

// Textes des messages : la recherche sans point final, la suivante et le remplacement avec.
QString messageAbsente(const QString& texte);
QString messageAbsenteSuivante(const QString& texte);
QString messageRemplacées(int nombre, const QString& texte, const QString& remplacement);

// Recherche depuis le début ou depuis le point d'insertion ; la correspondance devient la
// sélection. Retient texte et options ; un échec montre le message. Rend la position ou -1.
qsizetype Rechercher(DocumentRiche& vue, const QString& texte, std::int16_t options, bool duDébut);

enum class Suivant { Trouvé, Absent, AucuneRecherche };
// Correspondance suivante du texte retenu, après la sélection. Sans recherche faite, rien ne se
// passe (l'appelant ouvre la fenêtre de recherche) ; après un échec, la recherche repart de la fin
// de la sélection.
Suivant RechercherSuivant(DocumentRiche& vue);

// Vrai si la sélection est la correspondance courante (celle que Remplacer peut remplacer).
bool sélectionEstLaCorrespondance(const DocumentRiche& vue);

// Remplace la correspondance sélectionnée par le texte de remplacement retenu ; faux (rien de
// changé) quand la dernière recherche a échoué ou que la sélection n'est plus la correspondance.
bool RemplacerCorrespondance(DocumentRiche& vue);

// Remplace toutes les correspondances depuis le début, chaque recherche reprenant juste après le
// texte inséré ; retient textes et options ; montre le compte. Rend le nombre de remplacements.
int RemplacerTout(DocumentRiche& vue, const QString& texte, const QString& remplacement,
                  std::int16_t options);

} // namespace RechercheRemplace
