#pragma once
// Onglet « Compteur » de l'assistante : un timer qui compte les fronts de sa broche d'horloge
// externe, seulement ou avec une interruption tous les N. La ligne « Obtenu » et le dessin suivent
// chaque changement ; « Voir le code » écrit l'initialisation, la routine et la lecture du compte.
#include "assistant/timers/Compteur.h"
#include "ui/DocumentRiche.h"
#include "ui/fenetres/KitFenetres.h"

#include <QWidget>

class DessinSignal;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

class OngletCompteur final : public QWidget {
    Q_OBJECT

public:
    explicit OngletCompteur(QWidget* parent = nullptr);
    ~OngletCompteur() override;

    void remplir(const CapacitésComposant* composant);
    Compteur::Résultat résultat() const;
    bool générer(DocumentRiche& doc);
    void recalculer();

protected:
    bool eventFilter(QObject* objet, QEvent* e) override;

private:
    void construire();

    const CapacitésComposant* m_composant = nullptr;
    Kit::Protection m_protéger{QStringLiteral("Erreur inconnue dans le compteur.")};

public:
    QComboBox* CBEntréeCompteur = nullptr;
    QComboBox* CBFrontCompteur = nullptr;
    QCheckBox* CBPullUp = nullptr;
    QRadioButton* RBCompterSeulement = nullptr;
    QRadioButton* RBInterruptionN = nullptr;
    QLineEdit* TNCompteur = nullptr;
    QLabel* LObtenuCompteur = nullptr;
    DessinSignal* DessinCompteur = nullptr;
};
