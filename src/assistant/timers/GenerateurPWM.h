#pragma once
// Génération du code C qui règle un timer pour la fréquence et le rapport cyclique voulus : la
// section du timer est découpée dans le modèle de code et reçoit les valeurs des registres et le
// résumé de ce qu'elles donnent.
#include "assistant/timers/CalculTimer.h"
#include "assistant/timers/CapacitesComposant.h"
#include "ui/DocumentRiche.h"

#include <QString>
#include <cstdint>
#include <vector>

struct EntréesGénérateur {
    const CapacitésComposant* composant = nullptr;
    QString dossierModèles;      // dossier « Modèle » de l'installation
    int indexSortie = 0;         // choix de TSortie
    int indexEntrée = 0;         // choix de CBHorlogeEntrée
    double fréquenceHorloge = 0; // Hz : F_CPU, ou la fréquence de l'entrée externe choisie
    double fréquenceVoulue = 0;  // FréquenceHz
    double rapportCyclique = 0;  // RapportCyclique (ignoré en CTC)
    QString ModePWM;             // « CTC », « FPWM », « PWMPC »
    bool CBInit = false;         // garder l'en-tête : une fonction complète InitMLI_OCnx
};

struct RésultatGénération {
    QString erreur; // message français ; vide en cas de succès (rien n'est alors généré sinon)
    bool rapportInexprimable = false; // voir CalculTimer::Résultat
    int indexTimer = -1;
    QString section; // nom de la section du modèle
    ModeMLI mode = ModeMLI::Rapide;
    CalculTimer::Réglage réglage;
    // Quand le sommet est la comparaison d'une autre sortie : « OCR2A sert de sommet : OC2A (PB3)
    // n'est plus une sortie MLI indépendante ». Vide sinon.
    QString avertissementSommet;
    bool ok() const { return erreur.isEmpty(); }
};

namespace GenerateurPWM {

// Timer, section et réglage que la génération utiliserait, sans rien écrire (ligne « Obtenu »).
RésultatGénération calculer(const EntréesGénérateur& e);

// « Obtenu : … » pour ces entrées, vide si elles ne donnent rien.
QString ligneObtenu(const EntréesGénérateur& e);

// Limites de fréquence du timer de la sortie choisie, dans le mode et avec l'horloge donnés.
CalculTimer::Limites limites(const EntréesGénérateur& e);

// Vrai quand l'entrée d'horloge peut cadencer la sortie (codes de deux caractères ; « 11 » va
// avec toutes les entrées).
bool entréeCompatible(const QString& entrée, const QString& sortie);

// Ce que le code d'une sortie écrit dans un registre : sa valeur, et les bits qu'il laisse aux
// autres sorties du même timer.
struct ÉcritureRegistre {
    QString registre;
    uint32_t valeur = 0;
    uint32_t garder = 0;
};
std::vector<ÉcritureRegistre> écritures(const TimerComposant& t, const CalculTimer::Réglage& g);

// Vide quand les codes de deux sorties d'un même timer tournent ensemble ; sinon le premier
// registre où le second défait le premier : « TCCR0B : 0x3 contre 0x4 ».
QString conflit(const std::vector<ÉcritureRegistre>& premier, const std::vector<ÉcritureRegistre>& second);

// Chaîne en base 2, bit de poids fort d'abord, un blanc avant chaque groupe de quatre bits :
// 104 sur 8 bits donne « 0110 1000 ».
QString EnBinaire(uint32_t valeur, int bits);

// Cherche clé (mot entier, casse respectée) depuis début ; si elle y est, place le point
// d'insertion après elle (ou la supprime) et insère valeur + " " au format donné. Rend la position
// trouvée, -1 sinon.
qsizetype InsérerAprèsClé(DocumentRiche& doc, const QString& clé, const QString& valeur, bool remplacerClé,
                          qsizetype début, bool gras, bool italique, CouleurRVB couleur,
                          const QString& police, double taille);

// Termine la ligne du point d'insertion par texte, au format donné.
void AjouterFinDeLigne(DocumentRiche& doc, const QString& sautDeLigne, const QString& texte, bool gras,
                       bool italique, CouleurRVB couleur, const QString& police, double taille);

} // namespace GenerateurPWM

// Remplit RTBInvisible avec la section du timer et ses valeurs. En cas d'erreur, le document est
// vidé et le résultat porte le message : jamais de code d'une génération précédente.
RésultatGénération GénérerLeCodePWM(const EntréesGénérateur& e, DocumentRiche& RTBInvisible);
