#pragma once
// Fenêtre de configuration du makefile : les réglages gérés du makefile du projet sous forme de
// contrôles, la copie modifiable du makefile qu'ils réécrivent, l'enregistrement par OK. Le
// travail qui ne dessine rien est dans ConfigurationMakefile.
#include "makefile/ConfigurationMakefile.h"
#include "ui/fenetres/KitFenetres.h"

#include <QDialog>
#include <QPointer>
#include <array>
#include <functional>
#include <optional>

class BTL;
class FenRechercheRemplace;
class InfoBulle;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLayout;
class QLineEdit;
class QRadioButton;
class QVBoxLayout;
class QWidget;
class VueDocumentRiche;

class FenConfiguration final : public QDialog {
    Q_OBJECT

public:
    // Ce que la fenêtre ouvre ailleurs ; les tests les remplacent.
    struct Services {
        std::function<void(const QString& fichier)> ouvrirAide;
        std::function<void(QWidget*)> ouvrirAPropos;
        std::function<void(QWidget*)> ouvrirFusibles;
        std::function<void(QWidget*)> ouvrirAssistante;
        std::function<QString(QWidget*, const QString& filtre, const QString& titre, const QString& dossier)>
            choisirFichier;
        std::function<QString(QWidget*, const QString& texte1, const QString& texte2)> choisirDossier;

        static Services parDéfaut();
    };

    // Crée la fenêtre et la charge (makefile du projet, préférences…).
    explicit FenConfiguration(Services services = Services::parDéfaut(), QWidget* parent = nullptr);
    ~FenConfiguration() override;

    // Montre la fenêtre, modale, jusqu'à sa fermeture ; ouvre d'abord l'assistante quand la
    // commande était « assistante ». Rend le code de sortie du programme.
    int exécuter();

    // Action « configurer » et « assistante » : l'application graphique, puis la fenêtre ; sans
    // affichage, un message sur la sortie d'erreur et un code d'échec.
    static int action();

    // Le travail sans dessin, pour les tests et les fenêtres ouvertes d'ici.
    ConfigurationMakefile& configuration() { return m_configuration; }
    // Étapes du chargement qui ont échoué et ont été sautées.
    const std::vector<int>& étapesSautées() const { return m_étapesSautées; }
    // Fenêtre de recherche chargée (nullptr si elle est fermée).
    FenRechercheRemplace* fenêtreRecherche() const;
    // Largeur repliée (5340 twips) ou élargie.
    bool estRepliée() const;

    // Gestionnaires des boutons et des touches, appelés aussi par les tests.
    void rechercher();       // CBRechercher, Ctrl+F
    void remplacer();        // CBRemplacer, Ctrl+H
    void suivant();          // CBSuivant, F3
    void basculerLargeur();  // CommandButtonMakefile
    void ouvrirAssistante(); // CBAssistant

protected:
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* objet, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    // Étapes du chargement que la fenêtre fait elle-même.
    friend class ChargementFenêtre;
    void définirSonFusibles(const QString& cheminSon);
    void définirImageAssistante(const QString& cheminImage);
    void replier();
    void remplirListes(const ListesConfiguration& listes);
    void montrerPréférences(bool plusDeBulles, bool silence);
    void demanderAssistante();

    void construire();
    QLayout* construireMicroContrôleur();
    void construireProgrammation(QVBoxLayout* colonne);
    QLayout* construireCadres();
    QLayout* construireOccupation();
    void construireChemins(QVBoxLayout* colonne);
    void construireBoutons(QVBoxLayout* colonne);
    void construireVues();
    void construireBas();
    void finirConstruction();
    int tw(int twips) const;
    void brancher();
    void brancherOptions();
    void brancherBoutons();
    void brancherListe(QComboBox* liste, ChampListe EtatContrôles::*champ,
                       void (FenConfiguration::*quitté)());
    // Montre l'état des contrôles et le makefile après un changement de la configuration.
    void synchroniser();
    void montrerListe(QComboBox* liste, const ChampListe& champ);

    void listeQuittée(QComboBox* liste, ChampListe EtatContrôles::*champ, void (FenConfiguration::*quitté)());
    void quitterMicroContrôleur();
    void quitterFréquence();
    void quitterOptimisation();
    void quitterProgrammateur();
    void quitterPort();

    void ouvrirRecherche(bool remplacement);
    void placerPanneauDroit();
    void bulleSurvolée(QWidget* zone);
    void cocherPlusDeBulles(bool coché);
    void cocherSilence(bool coché);
    void valider();
    void annuler();

    Services m_services;
    ConfigurationMakefile m_configuration;
    std::vector<int> m_étapesSautées;
    bool m_assistanteDemandée = false;
    bool m_fin = false;
    QPointer<FenRechercheRemplace> m_recherche;
    // Chaque geste de l'utilisateur, protégé, puis les contrôles resynchronisés.
    Kit::Protection m_protéger{QStringLiteral("Erreur inconnue dans la fenêtre de configuration."),
                               [this] { synchroniser(); }};
    std::optional<Kit::BasculeLargeur> m_largeur;

    // Contrôles, nommés comme leur objet.
    QWidget* m_panneauGauche = nullptr;
    QWidget* m_panneauBas = nullptr;
    QComboBox* ComboBoxChip = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* ComboBoxFreq = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* TxtFreq = nullptr;
    QComboBox* ComboBoxOptimisation = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* ComboBoxProgrammateur = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* ComboBoxPort = nullptr;
    QLabel* Label5 = nullptr;
    QGroupBox* RFFormatSortie = nullptr;
    std::array<QRadioButton*, 3> OptionButtonFormatSortie{};
    QGroupBox* RFDéboggage = nullptr;
    std::array<QRadioButton*, 2> OptStab{};
    std::array<QRadioButton*, 2> OptCoff{};
    QButtonGroup* m_groupeFormat = nullptr;
    QButtonGroup* m_groupeStab = nullptr;
    QButtonGroup* m_groupeCoff = nullptr;
    QCheckBox* CKBOccupationMémoire = nullptr;
    QLineEdit* TxtInclude = nullptr;
    QLabel* Label7 = nullptr;
    BTL* CBDossierInclude = nullptr;
    QLineEdit* TxtOutilsAVR = nullptr;
    QLabel* Label10 = nullptr;
    BTL* CommandButton1 = nullptr;
    VueDocumentRiche* RTBMakefile = nullptr;
    QLabel* Label9 = nullptr;
    VueDocumentRiche* RTBMakefileExistant = nullptr;
    BTL* CommandButtonMakefile = nullptr;
    BTL* CBChargerMakefile = nullptr;
    BTL* CBConfigDefaut = nullptr;
    BTL* CBEnregConfigDéfaut = nullptr;
    BTL* CBRechercher = nullptr;
    BTL* CBRemplacer = nullptr;
    BTL* CBSuivant = nullptr;
    BTL* CBFuseBit = nullptr;
    BTL* CBAssistant = nullptr;
    BTL* CBApropos = nullptr;
    BTL* CBAide = nullptr;
    QCheckBox* CBPlusBulles = nullptr;
    QCheckBox* CBSilence = nullptr;
    BTL* CommandButtonOK = nullptr;
    BTL* CommandButtonAnnuler = nullptr;
    InfoBulle* InfoBulle1 = nullptr;
    QLabel* Label3 = nullptr;             // zone de la fréquence
    QLabel* Label6 = nullptr;             // zone de l'optimisation
    QLabel* LDéboggage = nullptr;         // zone Stabs / Dwarf-2
    QLabel* LDéboggageCoff = nullptr;     // seconde zone du déboggage : les options COFF
    QLabel* LOccupationMémoire = nullptr; // seconde zone de l'occupation mémoire
};
