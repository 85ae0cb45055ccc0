#pragma once
// Tables de traduction des paramètres du makefile : ce que montrent les listes de la fenêtre de
// configuration et ce qu'attendent le makefile et avrdude, dans les deux sens. Fonctions pures :
// les valeurs courantes (MicroContrôleur, PartieAvrdude…) appartiennent à ParametreMakefile.
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <span>

namespace TablesMakefile {

// ---- Tables (l'ordre est celui des listes) ----

struct LigneMicroContrôleur {
    QStringView nom;       // entrée de la liste, ex. « ATMega8 »
    QStringView valeurMCU; // valeur de « MCU = », le nom en minuscules
    QStringView partie;    // identifiant avrdude ; « ND » ou vide quand la table n'en a pas
};

struct LigneProgrammateur {
    QStringView libellé; // entrée de la liste
    QStringView id;      // valeur de « AVRDUDE_PROGRAMMER = » et de l'option -c d'avrdude
};

struct LigneOption {
    QStringView libellé; // entrée de la liste ou légende du bouton d'option
    QStringView valeur;  // valeur écrite dans le makefile
};

std::span<const LigneMicroContrôleur> microContrôleurs(); // 40 lignes
// Les 15 lignes d'origine, puis les programmateurs USB d'aujourd'hui (USBasp, Arduino…).
std::span<const LigneProgrammateur> programmateurs();
std::span<const QStringView> ports();              // com1…com4, lpt1…lpt3
std::span<const QStringView> fréquences();         // en Hz
std::span<const LigneOption> optimisations();      // OPT
std::span<const LigneOption> formatsDeSortie();    // FORMAT
std::span<const LigneOption> formatsDeDéboggage(); // DEBUG
std::span<const LigneOption> conversionsCoff();    // CompilCoff

// Composants proposés après les 40 lignes : ceux qui ont une description des fusibles dans le
// dossier d'installation et pour lesquels l'avr-gcc installé compile, hors table, sous leur nom
// de fiche technique (« ATmega328P »), dans l'ordre naturel des noms (ATmega8 avant ATmega16).
QStringList microContrôleursSupplémentaires();
// Le même choix à partir des deux listes (noms en minuscules).
QStringList microContrôleursSupplémentaires(const QStringList& décrits, const QSet<QString>& compilés);
// Nom de fiche technique d'une valeur de « MCU = » : « atmega328p » -> « ATmega328P ».
QString nomDeFiche(const QString& valeurMCU);

// Entrées des listes, pour les remplir dans l'ordre : les 40 lignes puis les supplémentaires.
QStringList nomsMicroContrôleurs();
QStringList libellésProgrammateurs();
QStringList listePorts();
QStringList listeFréquences();
QStringList libellésOptimisations();

// Valeur de « AffichageMemoire = » quand la case est cochée.
inline constexpr QStringView OccupationMémoire = u"OccupationMemoire";
// Identifiant de partie des circuits qu'avrdude ne connaît pas.
inline constexpr QStringView PartieNonDisponible = u"ND";

// ---- Du makefile vers la sélection ----
// Les valeurs sont comparées sans les blancs autour ni le commentaire « # » qui peut les suivre.

// Ce qu'une liste à texte libre doit montrer : une ligne de la table, ou aucune ligne et le texte
// lu, gardé tel quel pour être réécrit sans changement.
struct Sélection {
    int indice = -1; // -1 : aucune ligne
    QString texte;   // entrée de la ligne, ou texte lu quand aucune ligne ne convient
    bool aUneLigne() const { return indice >= 0; }
    bool operator==(const Sélection&) const = default;
};

// « MCU = » : ligne dont le nom correspond sans égard à la casse, parmi les 40 puis parmi les
// supplémentaires (indices 40 et suivants) ; une valeur vide choisit la première ligne ; une autre
// valeur inconnue est gardée.
Sélection sélectionMicroContrôleur(const QString& valeurMCU);
// « AVRDUDE_PROGRAMMER = » : comparaison exacte avec les identifiants (avrdude distingue
// « Fendel-stk200 ») ; vide : première ligne ; inconnu : gardé.
Sélection sélectionProgrammateur(const QString& id);
// « AVRDUDE_PORT = » : comparaison exacte avec la liste ; vide : première ligne ; inconnu
// (/dev/ttyUSB0, com5…) : gardé.
Sélection sélectionPort(const QString& port);
// « FORMAT = » : option correspondante ; rien (options laissées telles quelles) sinon.
std::optional<int> indiceFormatDeSortie(const QString& valeurFORMAT);
// « CompilCoff = » : 0 pour coff, 1 pour extcoff, sans égard à la casse ; rien : aucune option.
std::optional<int> indiceCoff(const QString& valeurCompilCoff);
// « DEBUG = » : 0 (Stabs) pour stabs sans égard à la casse, 1 (Dwarf-2) pour tout le reste.
int indiceDéboggage(const QString& valeurDEBUG);
// « AffichageMemoire = » : cochée dès que la valeur n'est pas vide.
bool occupationMémoireCochée(const QString& valeurAffichageMemoire);

// ---- De la sélection vers le makefile ----

// « MCU = » : le texte de la liste en minuscules, quel qu'il soit.
QString valeurMCU(const QString& texteMicroContrôleur);

// Identifiant avrdude du circuit nommé dans la liste : celui de la table (nom sans égard à la
// casse) ; à défaut, ou quand la table n'en a pas, celui de la liste des parties de l'avrdude
// installé ; « ND » pour un composant supplémentaire qu'avrdude ne connaît pas. Rien pour un
// autre texte inconnu des deux : l'appelant garde l'identifiant précédent.
std::optional<QString> partieAvrdudePour(const QString& texteMicroContrôleur);
// Même chose, l'identifiant précédent servant à défaut.
QString partieAvrdudePour(const QString& texteMicroContrôleur, const QString& partiePrécédente);

// « AVRDUDE_FLAGS = » composé avec l'identifiant de partie.
QString optionsAvrdude(const QString& partie);

// « AVRDUDE_PROGRAMMER = » : l'identifiant du libellé choisi ; un texte qui n'est pas un libellé
// est pris tel quel comme identifiant (programmateur que la table ne connaît pas) ; rien pour un
// texte vide : l'appelant réécrit la valeur précédente.
std::optional<QString> idProgrammateurPour(const QString& texteProgrammateur);

// « OPT = » : la valeur du libellé exact ; rien sinon (la valeur précédente est réécrite).
std::optional<QString> valeurOptimisationPour(const QString& libellé);

// « FORMAT = » : la valeur de l'option d'indice donné ; rien sans option choisie (-1).
std::optional<QString> valeurFormatDeSortie(int indiceOption);
// « CompilCoff = » : coff pour l'option 0, extcoff sinon.
QString valeurCoff(int indiceOption);
// « DEBUG = » : stabs pour l'option 0, dwarf-2 sinon.
QString valeurDéboggage(int indiceOption);
// « AffichageMemoire = » : OccupationMemoire cochée, vide sinon.
QString valeurOccupationMémoire(bool cochée);

} // namespace TablesMakefile
