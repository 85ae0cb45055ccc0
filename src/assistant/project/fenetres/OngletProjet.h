#pragma once
// Onglet « Créer un nouveau projet » de l'assistante : les détails du projet, les inclusions des
// périphériques, le modèle, la configuration des ports et les profils. Le squelette est fait par
// GénérerLeCodeProjet, les profils par Profils ; l'onglet ne fait que lire et remplir ses contrôles.
#include "assistant/project/GenerateurProjet.h"
#include "assistant/project/Profils.h"
#include "ui/fenetres/KitFenetres.h"

#include <QWidget>
#include <array>

class BTL;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;

class OngletProjet final : public QWidget {
    Q_OBJECT

public:
    explicit OngletProjet(QWidget* parent = nullptr);
    ~OngletProjet() override;

    // Chargement : modèles du dossier, date et heure du moment, vitesses série ; rien de choisi
    // sauf la vitesse du makefile (aucune s'il n'en a pas de valide).
    void remplir(const QString& dossierModèles, const QString& vitesseMakefile);
    // Montre cette vitesse dans CBBaud (ajoutée à la liste au besoin), sans rien écrire ; une
    // vitesse vide ou non valide ne montre aucun choix.
    void montrerVitesse(const QString& vitesse);
    // La vitesse choisie dans la liste (celle du makefile) ; vide sans choix.
    QString vitesseMontrée() const;

    // Entrées du générateur pour l'état présent ; %Port% vient de la table des ports du composant.
    EntréesProjet entrées() const;
    // « Voir le code » : le squelette dans RTBInvisible ; faux (et un message) sans modèle.
    bool générer(DocumentRiche& RTBInvisible);

    // Profil des contrôles présents, et l'inverse.
    Profil profilActuel() const;
    void appliquerProfil(const Profil& p);

    // Gestionnaires, appelés aussi par les tests.
    void configurerPorts();            // BTLPort
    void montrerProfils(bool charger); // CBChargerProfil, CBSupprimerProfil
    void choisirProfil(int index);     // clic dans RLBProfil
    void saisirNomProfil();            // CBSauverProfil
    void sauverProfil();               // Entrée dans RTBSaisie
    void fermerSaisie();               // BTLX

signals:
    // Une vitesse choisie dans la liste ou tapée (puis Entrée), ou celle d'un profil que
    // l'utilisateur a acceptée : elle va au makefile ; la fenêtre montre ensuite celle du makefile.
    void vitesseChoisie(const QString& vitesse);

protected:
    bool eventFilter(QObject* objet, QEvent* e) override;

private:
    void construire();
    QWidget* construireDétails();
    QWidget* construirePériphériques();
    QWidget* construireBoutons();
    void construireFlottants();
    void brancher();
    // Un contrôle nommé et sa légende, côte à côte dans la grille.
    template <class Contrôle>
    Contrôle* contrôle(const QString& nom, const QString& légende, class QGridLayout* grille, int ligne,
                       int colonne);

    QString m_dossierModèles;
    bool m_modeChargement = true; // liste des profils : charger ou supprimer
    Kit::Protection m_protéger{QStringLiteral("Erreur inconnue dans l'onglet du projet.")};

public:
    QLineEdit* TProjet = nullptr;
    QLineEdit* TVersion = nullptr;
    QLineEdit* TAuteur = nullptr;
    QLineEdit* TEntreprise = nullptr;
    QPlainTextEdit* TCommentaire = nullptr;
    QComboBox* CBDate = nullptr;
    QComboBox* CBHeure = nullptr;
    QComboBox* ListeModèle = nullptr;
    QComboBox* CBBaud = nullptr;
    std::array<QCheckBox*, NombrePériphériques> RCB{}; // RCBLCD, RCBCAN, RCBRS232, RCBTimers, RCBDelay
    BTL* BTLPort = nullptr;
    BTL* CBChargerProfil = nullptr;
    BTL* CBSauverProfil = nullptr;
    BTL* CBSupprimerProfil = nullptr;
    QListWidget* RLBProfil = nullptr;
    QLabel* LProfil = nullptr; // au-dessus de la liste : charger ou supprimer
    QGroupBox* RFSaisie = nullptr;
    QLineEdit* RTBSaisie = nullptr;
    BTL* BTLX = nullptr;
};
