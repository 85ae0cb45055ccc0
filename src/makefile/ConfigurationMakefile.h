#pragma once
// La fenêtre de configuration sans ce qu'elle dessine : l'ordre de son chargement, la lecture
// d'un makefile dans ses contrôles, ce qu'écrit chacun d'eux dans le makefile modifiable, les
// conversions de valeurs et les messages. La fenêtre montre l'état des contrôles et transmet
// les gestes de l'utilisateur.
#include "fuses/DescriptionAVR.h"
#include "ui/DocumentRiche.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// Liste à texte libre : la ligne choisie (-1 : aucune) et le texte montré.
struct ChampListe {
    int indice = -1;
    QString texte;

    bool operator==(const ChampListe&) const = default;
};

// Ce que montrent les contrôles qui portent une valeur du makefile.
struct EtatContrôles {
    ChampListe microContrôleur;                    // ComboBoxChip
    ChampListe fréquence;                          // ComboBoxFreq
    ChampListe optimisation;                       // ComboBoxOptimisation
    ChampListe programmateur;                      // ComboBoxProgrammateur
    ChampListe port;                               // ComboBoxPort
    QString texteFréquence = QStringLiteral("Hz"); // TxtFreq
    int formatSortie = -1;                         // OptionButtonFormatSortie ; -1 : aucune option
    int déboggage = -1;                            // OptStab : 0 Stabs, 1 Dwarf-2
    int coff = -1;                                 // OptCoff : 0 Coff, 1 Ext Coff
    bool coffActif = true;                         // les deux options COFF, grisées avec Dwarf-2
    bool occupationMémoire = false;                // CKBOccupationMémoire
    QString include;                               // TxtInclude, forme d'affichage
    QString outils;                                // TxtOutilsAVR, forme d'affichage

    bool operator==(const EtatContrôles&) const = default;
};

// Entrées des listes, dans l'ordre où elles se remplissent.
struct ListesConfiguration {
    QStringList microContrôleurs;
    QStringList fréquences;
    QStringList optimisations;
    QStringList programmateurs;
    QStringList ports;
};

// Ce que le chargement demande à la fenêtre. Un appel qui lève une exception fait sauter son étape.
class FenêtreEnChargement {
public:
    virtual ~FenêtreEnChargement() = default;
    virtual void définirSonFusibles(const QString& cheminSon) = 0;
    virtual void définirImageAssistante(const QString& cheminImage) = 0;
    virtual void replier() = 0;
    virtual void remplirListes(const ListesConfiguration& listes) = 0;
    virtual void montrerPréférences(bool plusDeBulles, bool silence) = 0;
    // L'assistante doit s'ouvrir dès la fin du chargement (commande « assistante »).
    virtual void demanderAssistante() = 0;
};

namespace Configuration {

// Largeurs de la fenêtre, en twips.
inline constexpr int LargeurRepliée = 5340;
inline constexpr int LargeurÉlargie = 14500;
// Marge droite de la vue du makefile dans la fenêtre élargie.
inline constexpr int MargeVue = 100;

// Modèle/makefile.rtf : celui de l'utilisateur, à côté de ses réglages, s'il l'a enregistré ; sinon
// celui de l'installation.
QString cheminConfigurationParDéfaut();
QString cheminConfigurationUtilisateur();
QString cheminMakefileProjet();         // le makefile que make lit dans le dossier du projet
QString cheminAide();                   // aide HTML installée

// Ce que make retient d'une valeur : le texte avant un commentaire « # », sans blancs autour.
QString valeurUtile(const QString& valeur);

// Chemins : le makefile les écrit avec « / », la fenêtre avec le séparateur du système.
QString formeAffichage(const QString& cheminMakefile);
QString formeMakefile(const QString& cheminAffiché);
// Texte de la boîte des dossiers d'inclusion après l'ajout d'un dossier (séparés par un blanc).
QString avecDossierInclude(const QString& include, const QString& dossier);

// « Hz = 16 MHz » pour une fréquence en hertz écrite en chiffres (un commentaire « # » peut
// suivre) ; rien pour tout autre texte.
std::optional<QString> texteMégahertz(const QString& fréquence);

// Ports série présents dans dossierDev (ttyUSB, ttyACM, puis les ttyS dont dossierSys dit qu'un
// circuit est derrière).
QStringList portsSérieDuSystème(const QString& dossierDev = QStringLiteral("/dev"),
                                const QString& dossierSys = QStringLiteral("/sys/class/tty"));
// Ports proposés : sous Linux les ports série présents d'abord, puis ceux de la table et « usb » ;
// ailleurs ceux de la table.
QStringList portsProposés();
ListesConfiguration listes();

// Messages et questions de la fenêtre.
QString messageFréquence();
QString questionConfigurationParDéfaut();
QString questionSauverConfigurationParDéfaut();

} // namespace Configuration

class ConfigurationMakefile final {
public:
    // Le makefile modifiable, enregistré par OK, et celui dont les valeurs sont lues.
    DocumentRiche RTBMakefile;
    DocumentRiche RTBMakefileExistant;
    EtatContrôles contrôles;

    // Le chargement de la fenêtre, étape par étape (1 à 15) ; une étape qui échoue est sautée et
    // le chargement continue. Rend les numéros des étapes sautées.
    std::vector<int> charger(FenêtreEnChargement& fenêtre);

    // Lit le makefile chemin et règle chaque contrôle d'après ses paramètres ; chaque contrôle
    // écrit sa valeur dans RTBMakefile. Une clé absente est signalée puis garde la valeur de
    // RTBMakefile. Faux, après un message, si le fichier ne peut pas être lu (rien ne change).
    bool LectureDuMakefile(const QString& chemin);

    // --- Gestionnaires des contrôles (le texte des listes est déjà dans contrôles) -----------
    void microContrôleurQuitté();
    // Faux, après le message de fréquence, si le texte n'est pas une fréquence (rien d'écrit).
    bool fréquenceQuittée();
    void optimisationQuittée();
    void portQuitté();
    void programmateurQuitté();
    // Les choix d'options et de cases n'écrivent rien quand l'état ne change pas.
    void choisirFormatSortie(int indice);
    void choisirCoff(int indice);
    void choisirDéboggage(int indice);
    void changerOccupationMémoire(bool cochée);
    void changerInclude(const QString& texte);
    void changerOutils(const QString& texte);

    // --- Boutons ------------------------------------------------------------------------------
    // Dossier choisi dans le dialogue ; vide (dialogue annulé) : rien ne change.
    void ajouterDossierInclude(const QString& dossier);
    void choisirDossierOutils(const QString& dossier);
    // Charge un fichier dans la vue, tel quel ; faux après un message s'il est illisible.
    bool chargerMakefileDansLaVue(const QString& chemin);
    // Demande confirmation puis relit la configuration par défaut ; faux si l'utilisateur renonce.
    bool rechargerConfigurationParDéfaut();
    // Demande confirmation puis enregistre la vue, en RTF, comme configuration par défaut.
    bool sauverCommeConfigurationParDéfaut();
    // OK : enregistre la vue en texte brut comme makefile du projet ; faux (la fenêtre reste
    // ouverte, rien n'est perdu) après un message en cas d'échec.
    bool enregistrer();

    // Fichier d'aide retenu au chargement.
    QString fichierAide() const { return m_fichierAide; }
    // Dernier chargement de la description du microcontrôleur (la fenêtre des fusibles en dit
    // l'échec à l'utilisateur).
    const ResultatDescriptionAVR& dernièreDescription() const { return m_description; }
    // Le makefile du projet existait mais n'a pas pu être lu : OK demandera avant de le remplacer.

private:
    QString lire(const QString& clé);
    void écrire(const QString& clé, const QString& valeur);
    bool chargerConfigurationParDéfaut();
    void chargerDescription();

    QString m_fichierAide;
    ResultatDescriptionAVR m_description;
    bool m_projetIllisible = false;
};
