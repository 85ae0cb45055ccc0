#pragma once
// Fenêtre des fusibles et du verrouillage : une ligne cochable par bit, la lecture et l'écriture
// par avrdude, la console d'avrdude à droite quand la fenêtre est élargie.
#include "fuses/FusiblesAvrdude.h"
#include "ui/fenetres/KitFenetres.h"

#include <QDialog>
#include <functional>
#include <optional>

class BTL;
class QLabel;
class QListWidget;
class QProgressBar;
class VueDocumentRiche;

class FenFuseBit final : public QDialog, private VueFusibles {
    Q_OBJECT

public:
    // Largeurs de la fenêtre, en twips.
    static constexpr int LargeurÉtroite = 4380;
    static constexpr int LargeurLarge = 13700;
    // Marge à droite de la console dans la fenêtre élargie.
    static constexpr int MargeConsole = 150;

    // ouvrirAide : par défaut le chapitre des fusibles de l'aide.
    explicit FenFuseBit(QWidget* parent = nullptr, std::function<void()> ouvrirAide = {});
    ~FenFuseBit() override;

    FusiblesAvrdude& logique() { return m_logique; }
    bool estÉlargie() const { return m_largeur->estÉlargie(); }

    // Gestionnaires des boutons.
    void lire();
    void fuser();
    void basculerTaille();
    void arrêter();

    void reject() override;

protected:
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void construire();
    void construireListes();
    void construireBoutons();
    void construireOccupation();
    void construireConsole();
    void disposer();
    void ajusterHauteur();
    void brancher();
    void placerConsole();
    void fermerSiDemandé();

    // VueFusibles
    void élargirConsole() override;
    void bip() override;
    void montrerÉtape(const QString& étape) override;
    void actualiser() override;

    void montrerListe(QListWidget* liste, const ListeCoches& lignes);
    void ligneCochée(QListWidget* liste, ListeCoches& lignes, int ligne);

    FusiblesAvrdude m_logique;
    std::function<void()> m_ouvrirAide;
    bool m_fermerAprès = false;
    // Après chaque geste : les contrôles suivent l'état, la fermeture demandée se fait.
    Kit::Protection m_protéger{QStringLiteral("Erreur inconnue dans la fenêtre des fusibles."), [this] {
                                   actualiser();
                                   fermerSiDemandé();
                               }};

    QWidget* m_panneau = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QListWidget* ListeFusibles = nullptr;
    QListWidget* ListeVerrouillage = nullptr;
    BTL* CBLire = nullptr;
    BTL* CBFuser = nullptr;
    BTL* CBTaille = nullptr;
    BTL* CBAide = nullptr;
    BTL* CBAnnuler = nullptr;
    BTL* CBArreter = nullptr;
    QLabel* LabelEtape = nullptr;
    QProgressBar* BarreOccupation = nullptr;
    VueDocumentRiche* RTAffichageDos = nullptr;
    std::optional<Kit::BasculeLargeur> m_largeur;
};
