#pragma once
// L'assistante de programmation : ses onglets, la vue du code généré et les boutons communs. Le
// travail qui ne dessine rien est dans Assistante et dans la calculatrice.
#include "ui/DocumentRiche.h"
#include "ui/fenetres/KitFenetres.h"

#include <QDialog>

class BTL;
class OngletBaseDeTemps;
class OngletCompteur;
class OngletMLI;
class OngletProjet;
class QLabel;
class QTabWidget;
class VueDocumentRiche;

class FeuilleAssistante final : public QDialog {
    Q_OBJECT

public:
    // Issue du chargement.
    // MakefileIncomplet : sans MCU ou F_CPU utilisable, la configuration revient pour les donner.
    enum class Chargement { Complet, ImageIllisible, FichierIllisible, ComposantAbsent, MakefileIncomplet };

    // Crée la fenêtre et la charge ; propriétaire : la fenêtre de configuration qui l'ouvre.
    explicit FeuilleAssistante(QWidget* propriétaire = nullptr);
    ~FeuilleAssistante() override;

    // Montre la fenêtre, modale, jusqu'à sa fermeture (rien si le chargement l'interdit).
    void exécuter();
    // Ce que la configuration appelle pour ouvrir l'assistante.
    static void ouvrir(QWidget* propriétaire);

    Chargement chargement() const { return m_chargement; }
    OngletMLI* ongletMLI() const { return m_mli; }
    OngletBaseDeTemps* ongletBaseDeTemps() const { return m_base; }
    OngletCompteur* ongletCompteur() const { return m_compteur; }
    OngletProjet* ongletProjet() const { return m_projet; }
    const DocumentRiche& code() const { return m_code; }

    // Gestionnaires, appelés aussi par les tests.
    void voirLeCode();                         // BVoir
    void copierSélection();                    // BCopierSélection
    void copierTout();                         // BCopierTout
    void remplacerExistant();                  // BTLRemplacerExistant
    void choisirVitesse(const QString& vitesse); // CBBaud, choix de l'utilisateur
    void retourConfiguration();                // TFCPU, Label10
    void définirOngletDeDémarrage(int onglet); // double clic sur un onglet

protected:
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* objet, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void done(int résultat) override;

private:
    void générerLeCode();
    void construire();
    void brancher();
    Chargement charger();
    void marquerOnglet(int onglet);
    void activerOngletsTimers();
    void changerOnglet(int onglet);

    QWidget* m_propriétaire;
    Chargement m_chargement = Chargement::Complet;
    bool m_activée = false;
    DocumentRiche m_code;
    DocumentRiche RTBInvisible;
    Kit::Protection m_protéger{QStringLiteral("Erreur inconnue dans l'assistante.")};

public:
    QLabel* Image1 = nullptr;
    QTabWidget* SSTab1 = nullptr;
    OngletMLI* m_mli = nullptr;
    OngletBaseDeTemps* m_base = nullptr;
    OngletCompteur* m_compteur = nullptr;
    OngletProjet* m_projet = nullptr;
    VueDocumentRiche* RTBVisuDuCodeBas = nullptr;
    BTL* BVoir = nullptr;
    BTL* BCopierSélection = nullptr;
    BTL* BCopierTout = nullptr;
    BTL* BTLRemplacerExistant = nullptr;
    BTL* BAnnuler = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* TFCPU = nullptr;
};
