#pragma once
// Possibilités d'un composant lues dans Configuration.xml : ses timers, ses sorties MLI, ses
// entrées d'horloge, ses ports et son modèle de code. Le fichier est lu, jamais réécrit.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <stdexcept>
#include <vector>

// Un sommet qu'un mode MLI peut prendre en plus de celui de ValeursPWM (attributs SommetsFPWM et
// SommetsPWMPC) : un sommet fixe, ou un registre qui reçoit le sommet.
struct SommetPossible {
    QString registre;      // vide : sommet fixe
    int64_t fixe = 0;      // sommet fixe (registre vide)
    uint32_t valeurs[2]{}; // registres de configuration 0 et 1 (bits de mode et COM, sans CS)
};

// Un timer (ou un canal de comparaison d'un timer) tel que le fichier le décrit.
struct TimerComposant {
    QString nom;              // attribut Nom (« Timer1 ») ; vide dans un fichier ancien
    QString section;          // attribut Section : nom de la section du modèle ; vide = règle par défaut
    QString topCTC;           // attribut TopCTC : registre de sommet du mode CTC ; vide = emplacement 3
    QStringList registres;    // RegistresTimer(t, 0..NombreMaxRegistre-1)
    QStringList prédivisions; // PrédivisionsTimer(t, ·) en texte ("0" si absent)
    std::vector<int> codesSélection; // code CS de chaque prédivision (défaut : position + 1)
    QString genrePrédivision;        // GenrePrédivision(t)
    QString max;                     // MaxTimer(t), texte du fichier
    // Attribut SommetMLI : sommet fixe des modes MLI quand le timer n'a pas de registre de sommet
    // et que ce sommet n'est pas Max (MLI 10 bits d'un compteur de 16 bits) ; vide = Max.
    QString sommetMLI;
    // Attribut DécalageRapide : en MLI rapide, la sortie reste haute OCR + d comptes par période.
    // 1 pour les timers des ATmega (mise à 1 en BOTTOM, remise à 0 après la comparaison) ; 0 ou -1
    // pour les timers dont la fiche place les fronts autrement (Timer1 des ATtiny25 et ATtiny26).
    int décalageRapide = 1;
    int16_t nombreRegistresConfig = 0;
    QStringList valeursPWM; // ValeursPWMTimer(t, 3 x r + m)
    // Emplacement (0 ou 1) du registre qui porte les bits de sélection d'horloge.
    int registreSélection = 0;
    // Attribut Garder : par registre de configuration, les bits des autres sorties du même timer,
    // que le code de cette sortie laisse tels quels (0 : le registre est écrit en entier).
    uint32_t garder[2] = {0, 0};
    // Sommets en plus, par mode MLI (0 : Fast PWM, 1 : Phase Correct) ; vides dans un fichier ancien.
    std::vector<SommetPossible> autresSommets[2];
    // Attributs Vecteurs, Interruptions et ModeCTC (base de temps, compteur) : vecteurs de
    // comparaison et de débordement tels qu'avr-libc les nomme pour ce composant, registre et bits
    // qui les autorisent, registres de configuration du CTC sans broche. Absents d'un fichier
    // ancien : le timer ne sert alors ni de base de temps ni de compteur. Un timer sans CTC
    // (Timer0 de l'ATmega8) n'a que le débordement : ni vecteur de comparaison ni ModeCTC.
    QString vecteurComparaison, vecteurDébordement;
    QString registreInterruption, bitComparaison, bitDébordement;
    std::vector<uint32_t> modeCTC;
    bool interruptionsConnues() const { return !vecteurComparaison.isEmpty() && !modeCTC.empty(); }
    bool débordementConnu() const { return !vecteurDébordement.isEmpty() && !bitDébordement.isEmpty(); }

    // Registre de l'emplacement, vide s'il n'existe pas.
    QString registre(int emplacement) const {
        return emplacement >= 0 && emplacement < registres.size() ? registres[emplacement] : QString();
    }
};

struct SortieComposant {
    QString libellé;     // « OC1A (PB1) »
    QString timer;       // attribut Timer : codes de compatibilité
    int indexTimer = -1; // attribut IndexTimer ; -1 = règle par défaut
    QString port;        // lettre du port de la broche, vide si inconnue
    int bit = -1;        // bit de la broche, -1 si inconnu
};

struct EntréeHorlogeComposant {
    QString libellé;      // « Interne » ou la broche d'horloge externe
    QString timer;        // attribut Timer : codes de compatibilité
    int codeHorloge = -1; // attribut CodeHorloge : code CS qui choisit cette entrée ; -1 inconnu
    bool interne() const { return libellé == QStringLiteral("Interne"); }
};

struct CapacitésComposant {
    QString nom;    // Nom du Processeur, tel qu'écrit dans le fichier
    QString chemin; // « Processeur(k) »
    QString ModèleDeCode;
    int16_t NombreTimer = 0;
    int16_t NombreMaxRegistre = 0;
    std::vector<TimerComposant> timers;
    double DiviseurFmin = 0;
    double DiviseurFmax = 0;
    QString TimerParDéfaut;
    QString NuméroTimerParDéfaut;
    std::vector<SortieComposant> sorties;
    std::vector<EntréeHorlogeComposant> entrées;
    QStringList ports; // noms des ports, dans l'ordre du fichier
    // Attributs Bits et PullUp de chaque port, tels quels (libellés séparés par des virgules).
    QStringList bitsPorts, pullUpPorts;

    void réinitialiser() { *this = CapacitésComposant(); }
};

// Le fichier ne peut pas être lu ou contredit sa propre structure. texte() est le message à
// montrer ; détail() dit ce qui manque, pour qui répare le fichier.
class ErreurConfiguration final : public std::runtime_error {
public:
    ErreurConfiguration(const QString& message, const QString& détail)
        : std::runtime_error(message.toStdString()), détail_(détail) {}
    QString texte() const { return QString::fromStdString(what()); }
    QString détail() const { return détail_; }

private:
    QString détail_;
};

namespace CapacitesComposant {

// « Il est probable que votre fichier : … » pour le fichier donné.
QString messageFichierIllisible(const QString& fichier);

// Découpe texte en n champs séparés par des virgules, depuis la position début (comptée depuis 1) ;
// champs rognés, "" pour un champ vide ou absent.
QStringList découperChamps(const QString& texte, int début, int n);

// Lit le composant microContrôleur (sans égard à la casse) dans le fichier. Faux s'il n'y est
// pas ; lève ErreurConfiguration si le fichier manque, ne s'analyse pas ou est incohérent.
bool lire(const QString& fichier, const QString& microContrôleur, CapacitésComposant& c);

// Noms de tous les composants du fichier, dans l'ordre (même erreur que lire).
QStringList composants(const QString& fichier);

} // namespace CapacitesComposant
