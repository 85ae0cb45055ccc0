#pragma once
// Fenêtre des fusibles et du verrouillage : une ligne cochable par bit, la lecture et l'écriture
// par avrdude, la console d'avrdude à droite quand la fenêtre est élargie.
#include "fuses/FusiblesAvrdude.h"

#include <QDialog>
#include <functional>

class BTL;
class QLabel;
class QListWidget;
class QProgressBar;
class VueDocumentRiche;

class FenFuseBit final : public QDialog, private VueFusibles {
    Q_OBJECT

public:
    // Largeurs de la fenêtre, en twips.
    static constexpr int LargeurEtroite = 4380;
    static constexpr int LargeurLarge = 13700;
    // Marge à droite de la console dans la fenêtre élargie.
    static constexpr int MargeConsole = 150;

    // ouvrirAide : par défaut le chapitre des fusibles de l'aide.
    explicit FenFuseBit(QWidget* parent = nullptr, std::function<void()> ouvrirAide = {});
    ~FenFuseBit() override;

    FusiblesAvrdude& logique() { return m_logique; }
    bool estElargie() const;

    // Gestionnaires des boutons.
    void lire();
    void fuser();
    void basculerTaille();
    void arreter();

    void reject() override;

protected:
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void construire();
    void brancher();
    void protéger(const std::function<void()>& gestionnaire);
    void placerConsole();
    void centrer();
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
};
