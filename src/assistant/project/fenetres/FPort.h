#pragma once
// Fenêtre des ports : pour chaque port du microcontrôleur, les bits en sortie et ceux qui
// reçoivent un pull-up, ou le port laissé de côté. « Quitter » écrit le texte C des ports dans
// le contexte de l'assistante ; la fermeture par la barre de titre garde seulement les choix lus.
#include "assistant/project/ContexteAssistante.h"
#include "ui/fenetres/KitFenetres.h"

#include <QDialog>

class BTL;
class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QScrollBar;

class FPort final : public QDialog {
    Q_OBJECT

public:
    explicit FPort(ContexteAssistante& contexte, QWidget* parent = nullptr);
    ~FPort() override;

    // Remplit les deux listes des libellés du port : toujours huit lignes, celles des bits que
    // le port n'a pas grisées et impossibles à cocher.
    void ChargerListesPort(int index);

    // Gestionnaires.
    void changerDePort(int nouveau);
    void ignorerChangé(bool ignoré);
    void quitter();

protected:
    void changeEvent(QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void construire();
    void construireFrame();
    void construireAide();
    void disposer();
    void brancher();

    // Montre le port : légende du cadre, libellés, valeurs gardées, case « ignorer ».
    void montrerPort(int index);
    void montrerValeur(QListWidget* liste, int valeur);
    void montrerIgnoré(bool ignoré);
    // Lit les listes dans la ligne du port (sauf s'il est ignoré), avec son réglage.
    void lireListes(int index, LignePort::Réglage réglage);
    int lireValeur(const QListWidget* liste) const;
    bool aDesPorts() const { return !m_contexte.ports.empty(); }

    ContexteAssistante& m_contexte;
    bool m_centrée = false;
    Kit::Protection m_protéger{QStringLiteral("Erreur inconnue dans la fenêtre des ports.")};

    QScrollBar* VScroll1 = nullptr;
    QGroupBox* TPorts = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QListWidget* ListDirection = nullptr;
    QListWidget* ListPullUp = nullptr;
    QCheckBox* RCBIgnorerPort = nullptr;
    QLabel* Label4 = nullptr;
    BTL* BTLQuitter = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* LabelAucunPort = nullptr;
};
