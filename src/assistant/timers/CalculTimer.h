#pragma once
// Choix de la prédivision, du sommet et de la comparaison d'un timer pour une fréquence et un
// rapport cyclique voulus, et les limites que le timer atteint dans un mode.
#include "assistant/timers/CapacitesComposant.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

enum class ModeMLI { CTC, Rapide, PhaseCorrecte };

namespace CalculTimer {

// « CTC », « FPWM », « PWMPC » (valeurs de ModePWM) ; rien pour un autre texte.
std::optional<ModeMLI> modeDepuisTexte(const QString& ModePWM);
// Nom montré à l'utilisateur : « CTC », « Fast PWM », « PWM Phase Correct ».
QString nomDuMode(ModeMLI mode);

// Horloge qui cadence le timer : l'horloge interne et ses prédiviseurs, ou une entrée externe
// (prédivision 1, code de sélection de la broche).
struct Horloge {
    double fréquence = 0; // Hz
    int codeExterne = -1; // -1 : horloge interne
};

// Un prédiviseur de l'horloge : sa case dans le fichier, sa valeur et son code de sélection.
struct Prédiviseur {
    int index;
    double valeur;
    int code;
};

// Prédiviseurs utilisables, dans l'ordre du fichier ; une case à 0 termine la liste. Une entrée
// externe n'a que le sien (prédivision 1).
std::vector<Prédiviseur> prédiviseurs(const TimerComposant& t, const Horloge& h = {});

// Sujet d'un message : « Le Timer1 », ou « Ce timer » sans nom.
QString nomTimer(const TimerComposant& t);

struct Limites {
    double FminHz = 0;
    double FmaxHz = 0;
    QString erreur; // non vide : le timer ne peut rien produire dans ce mode
};

struct Réglage {
    int indexPrédivision = -1;
    double prédivision = 0;
    int codeSélection = 0;
    int64_t sommet = 0;      // TOP du compteur
    int64_t comparaison = 0; // valeur du registre de comparaison
    bool sommetFixe = false; // sommet imposé par le mode (pas de registre de sommet écrit)
    QString registreSommet;  // registre qui reçoit le sommet, vide si fixe
    // Le sommet est le registre de comparaison d'une autre sortie du timer, qui perd sa MLI.
    bool sommetEmprunté = false;
    // Bits des autres sorties que le code garde dans les registres de configuration.
    uint32_t garder[2] = {0, 0};
    QString registreComparaison;
    uint32_t configA = 0; // valeur complète du registre de configuration 0
    uint32_t configB = 0; // valeur complète du registre de configuration 1
    double fréquenceObtenue = 0;
    double rapportObtenu = 0; // 0,5 en CTC
    double écartPourCent = 0; // (obtenue − voulue) / voulue × 100
    // Pas du rapport cyclique : TOP + 1.
    int64_t pas() const { return sommet + 1; }
};

struct Résultat {
    QString erreur; // message français ; vide en cas de succès
    // Le sommet est trop petit pour le rapport voulu : la sortie serait plate (rapport 0 ou 1).
    bool rapportInexprimable = false;
    Réglage réglage;
    bool ok() const { return erreur.isEmpty(); }
};

// Limites de fréquence du timer dans le mode, sur tous ses sommets et prédiviseurs.
Limites limites(const TimerComposant& timer, ModeMLI mode, const Horloge& horloge);

// Réglage pour la fréquence f et le rapport cyclique RC (0 < RC < 1 ; ignoré en CTC) : parmi tous
// les sommets et prédiviseurs du mode, le plus petit écart ; à écart égal, sans registre de plus,
// puis le plus grand sommet.
Résultat calculer(const TimerComposant& timer, ModeMLI mode, const Horloge& horloge, double f, double RC);

} // namespace CalculTimer
