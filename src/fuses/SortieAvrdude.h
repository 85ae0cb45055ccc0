#pragma once
// avrdude vu de la fenêtre des fusibles : les lignes de commande, la version installée, et la
// lecture de sa sortie console (sortie standard et erreurs fusionnées, un octet par caractère).
#include "fuses/DescriptionAVR.h"

#include <QMap>
#include <QString>
#include <cstdint>
#include <optional>

class DOSClass;

namespace Avrdude {

// Les octets qu'avrdude lit et écrit.
enum class Octet { Etendu, Haut, Bas, Verrou };

// Nom de la mémoire d'avrdude : efuse, hfuse, lfuse, lock ; « fuse » pour le seul octet des
// composants qui n'en ont qu'un (la description le range en octet bas).
QString mémoire(Octet octet, const DescriptionAVR& description);

// Nom de l'octet dans les textes : « fusible étendu », « fusible haut », « fusible bas »,
// « verrouillage » ; « fusible » tout court pour l'octet unique, comme mémoire().
QString nomOctet(Octet octet, const DescriptionAVR& description);

// Ce que make retient d'une valeur du makefile, et donc ce qu'avrdude doit recevoir : le texte
// avant un commentaire « # », sans blancs autour (« usbasp # clé » donne « usbasp »).
QString sansCommentaire(const QString& valeur);

// Texte d'une valeur placée dans la ligne de commande ; entre guillemets si elle contient des
// blancs, pour qu'elle reste un seul argument.
QString argument(const QString& valeur);

// « avrdude -p partie -P port -c programmateur ».
QString préfixe(const QString& programme, const QString& partie, const QString& port,
                const QString& programmateur);
// préfixe + « -U mémoire:r:-:r » : l'octet brut sur la sortie standard.
QString commandeLecture(const QString& préfixe, const QString& mémoire);
// préfixe + [« -u »] + « -U mémoire:w:valeur:m » : la valeur en décimal, en immédiat.
QString commandeEcriture(const QString& préfixe, const QString& mémoire, int valeur, bool sécurité);

// --- Version --------------------------------------------------------------------------------
struct Version {
    int majeure = -1;
    int mineure = -1;
    bool connue() const { return majeure >= 0; }
};

// « avrdude version 7.1, URL: … » (ou « Version 6.3-20171130 ») dans un texte.
Version lireVersion(const QString& texte);
// Version du programme, demandée une seule fois par processus (« programme -? »), par dos quand
// il est donné : l'appelant peut alors l'arrêter ; une demande arrêtée n'est pas retenue.
Version versionInstallée(const QString& programme, DOSClass* dos = nullptr);
// Oublie la version retenue (tests).
void oublierVersion();
// avrdude 7 a supprimé le mode sûr : « -u » n'est donné qu'aux versions plus anciennes, ou
// quand la version n'a pas pu être lue (avrdude 7 l'accepte encore en le signalant).
bool optionSécurité(const Version& v);

// --- Sortie ---------------------------------------------------------------------------------

// Ligne qu'avrdude marque « error » sans qu'il y ait d'échec.
bool ligneAnodine(QStringView ligne);
// Vrai si une ligne non anodine contient mot, sans égard à la casse.
bool contient(const QString& sortie, QStringView mot);
// Le programmateur ou la puce ne répond pas (« not responding », ou les délais dépassés du
// protocole STK500 version 2).
bool signeDeCommunication(const QString& sortie);
// Un échec signalé par avrdude (« error » hors des lignes anodines).
bool signeDErreur(const QString& sortie);

// L'octet écrit sur la sortie standard juste après le message qui la nomme comme fichier de
// sortie (« writing output file <stdout> », avec ou sans guillemets) et sa fin de ligne (LF ou
// CR LF) ; il peut valoir 0, 10 ou 13. Absent : nullopt.
std::optional<std::uint8_t> octetLu(const QString& sortie);
// La sortie telle que la console la montre : l'octet brut lu devient « 0xNN » sur sa ligne.
QString texteConsole(const QString& sortie);

// Une écriture confirmée : « 1 byte of hfuse written » ou « … verified » (« bytes » autrefois).
bool écritureConfirmée(const QString& sortie, const QString& mémoire);

// --- Description du composant par avrdude ---------------------------------------------------

// Ce que l'avrdude installé sait faire d'une mémoire du composant : sa description dans
// avrdude.conf donne, ou non, l'instruction de lecture (« read = ») et celle d'écriture.
struct AccèsMémoire {
    bool présente = false;
    bool lecture = false;
    bool écriture = false;
};

struct DescriptionPartie {
    // Accès de chaque mémoire nommée (« lfuse », « fuse », « lock »…).
    QMap<QString, AccèsMémoire> mémoires;
    AccèsMémoire accès(const QString& mémoire) const { return mémoires.value(mémoire); }
};

// Lit la sortie de « avrdude -p partie/S » (avrdude 7.1 et suivants). Rien si elle ne décrit pas
// exactement un composant : avrdude ancien, partie inconnue, autre programme.
std::optional<DescriptionPartie> analyserPartie(const QString& sortie);
// Demandée une fois par partie et par processus, par dos quand il est donné (l'appelant peut
// l'arrêter), arrêtée au bout de délaiMs ou d'une sortie démesurée. Rien quand avrdude manque,
// bloque ou répond autre chose : la fenêtre fait alors comme sans cette vérification.
std::optional<DescriptionPartie> descriptionPartie(const QString& programme, const QString& partie,
                                                   DOSClass* dos = nullptr, int délaiMs = 5000);
// Oublie les descriptions retenues (tests).
void oublierParties();

// Issue d'une exécution d'avrdude.
enum class Issue {
    Faite,
    Communication, // le message « Le µC ne répond pas. »
    Erreur,        // le message « Erreur indéfinie », la console élargie
    Interrompue,   // arrêtée par l'utilisateur, sans autre signe
    Introuvable,   // avrdude n'a pas pu démarrer
};

struct Exécution {
    std::int32_t statut = 0;     // celui de DOSClass::ExecuteCommand
    std::int32_t codeSortie = 0; // code de sortie d'avrdude
    QString sortie;              // tout ce qu'avrdude a écrit
};

struct Bilan {
    Issue issue = Issue::Erreur;
    std::optional<std::uint8_t> valeur; // l'octet lu
};

// Dans l'ordre : démarrage impossible ; signe de communication ; arrêt ; « error » ; code de
// sortie non nul ; puis la valeur lue, ou la confirmation de l'écriture. Sans elles, l'échec est
// indéfini : jamais de valeur devinée.
Bilan analyserLecture(const Exécution& e);
Bilan analyserEcriture(const Exécution& e, const QString& mémoire);

} // namespace Avrdude
