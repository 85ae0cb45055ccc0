#pragma once
// Onglet « MLI (PWM) » de l'assistante : la calculatrice de fréquence, période et rapport
// cyclique devant le générateur du code des timers. Les valeurs gardées sont exactes ; seuls les
// textes des champs sont arrondis, et un texte écrit par le programme ne relance aucun calcul.
#include "assistant/timers/EtatCalculatrice.h"
#include "assistant/timers/GenerateurPWM.h"
#include "ui/fenetres/KitFenetres.h"

#include <QMap>
#include <QSet>
#include <QWidget>

class BTL;
class DessinSignal;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;

class OngletMLI final : public QWidget {
    Q_OBJECT

public:
    explicit OngletMLI(QWidget* parent = nullptr);
    ~OngletMLI() override;

    // Chargement : la liste des modes, puis les sorties et les entrées d'horloge du composant,
    // chacune sur sa première entrée (la première sélection arme le contrôle des entrées et sorties,
    // la seconde le fait).
    void remplirModes();
    void remplir(const CapacitésComposant* composant, const QString& dossierModèles);
    // Fenêtre montrée : horloge interne depuis F_CPU et limites recalculées.
    void activer();

    // Entrées du générateur pour l'état présent.
    EntréesGénérateur entrées() const;
    // « Voir le code » : le code dans RTBInvisible, ou un message et RTBInvisible vide.
    bool générer(DocumentRiche& RTBInvisible);

    // Gestionnaires, appelés aussi par les tests.
    void choisirMode(int index);
    void choisirSortie(int index);
    void choisirEntrée(int index);
    void validerHorloge();
    void validerFréquence();
    void validerPériode();
    void validerRapport();
    void recalculerRapport();
    void CalculMinEtMax();

protected:
    bool eventFilter(QObject* objet, QEvent* e) override;

private:
    void construire();
    void construireChamps(QGridLayout* grille, int& ligne);
    void construireLimites(QGridLayout* grille, int& ligne);
    void construireHorloge();
    void brancher();
    QLineEdit* champ(const QString& nom, QLabel* légende, const QString& bulle = {});
    // Écrit un champ depuis le programme : aucun gestionnaire de saisie ne suit.
    void écrire(QLineEdit* champ, const QString& texte);
    void saisie(QLineEdit* champ);
    void entrée(QLineEdit* champ, QWidget* suivant);
    void appliquerPériode();
    void dériverTonToff();
    void VérifierCompatibilitéES(const QString& entrée, const QString& sortie);
    void refuserHorsLimites();
    void montrerObtenu();
    void signalerConflit(const RésultatGénération& r);

    const CapacitésComposant* m_composant = nullptr;
    QString m_dossierModèles;
    int m_indexMode = 1;
    // Champs tapés depuis leur dernière écriture par le programme : seuls ceux-là se valident.
    QSet<QLineEdit*> m_modifiés;
    // Ce que le dernier code de chaque sortie écrit : deux sorties d'un timer doivent s'entendre.
    struct Générée {
        QString timer;
        std::vector<GenerateurPWM::ÉcritureRegistre> écritures;
    };
    QMap<int, Générée> m_générées;
    Kit::Protection m_protéger{QStringLiteral("Erreur inconnue dans la calculatrice MLI."),
                               [this] { montrerObtenu(); }};

public:
    QComboBox* TMode = nullptr;
    QComboBox* TSortie = nullptr;
    QLineEdit* TFrequence = nullptr;
    QLineEdit* TPériode = nullptr;
    QLineEdit* TRC = nullptr;
    QLineEdit* TTon = nullptr;
    QLineEdit* TToff = nullptr;
    BTL* CBRecalcRC = nullptr;
    QLabel *Fmin = nullptr, *FMax = nullptr, *Tmin = nullptr, *TMax = nullptr;
    QGroupBox* Frame1 = nullptr;
    QComboBox* CBHorlogeEntrée = nullptr;
    QLineEdit* TFreqEntréeHorloge = nullptr;
    QLabel *Label9 = nullptr, *Label12 = nullptr;
    QCheckBox* CBInit = nullptr;
    QLabel* LObtenu = nullptr;
    DessinSignal* DessinMLI = nullptr;
};
