#pragma once
// Onglet « Base de temps » de l'assistante : une interruption périodique. La période (ou la
// fréquence) tapée, le timer et la compensation donnent à chaque frappe la ligne « Obtenu » et le
// dessin des tics ; « Voir le code » écrit l'initialisation, la routine et la lecture du compteur.
#include "assistant/timers/BaseDeTemps.h"
#include "ui/DocumentRiche.h"
#include "ui/fenetres/KitFenetres.h"

#include <QWidget>

class DessinSignal;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

class OngletBaseDeTemps final : public QWidget {
    Q_OBJECT

public:
    explicit OngletBaseDeTemps(QWidget* parent = nullptr);
    ~OngletBaseDeTemps() override;

    // Le composant chargé et l'horloge du µC (Hz) ; la liste des timers suit.
    void remplir(const CapacitésComposant* composant, double fréquenceHorloge);
    // Réglage pour l'état présent des champs (timer automatique résolu).
    BaseDeTemps::Résultat résultat() const;
    // « Voir le code » : le code dans doc, ou un message et doc vide.
    bool générer(DocumentRiche& doc);
    // Ligne « Obtenu » et dessin, après chaque changement d'un champ.
    void recalculer();

private:
    void construire();
    int timerChoisi() const;

    const CapacitésComposant* m_composant = nullptr;
    double m_horloge = 0;
    Kit::Protection m_protéger{QStringLiteral("Erreur inconnue dans la base de temps.")};

public:
    QLineEdit* TPériodeBase = nullptr;
    QComboBox* CBTimerBase = nullptr;
    QCheckBox* CBCompenser = nullptr;
    QLabel* LObtenuBase = nullptr;
    DessinSignal* DessinBase = nullptr;
};
