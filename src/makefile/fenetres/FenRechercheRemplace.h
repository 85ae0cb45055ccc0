#pragma once
// Fenêtre « Rechercher » : recherche, suivant, remplacement et remplacement de tout dans la vue du
// makefile de la fenêtre de configuration. Toujours au premier plan ; l'état de la recherche
// survit à sa fermeture.
#include "ui/fenetres/KitFenetres.h"

#include <QDialog>

class BTL;
class QCheckBox;
class QLabel;
class QLineEdit;
class VueDocumentRiche;

class FenRechercheRemplace final : public QDialog {
    Q_OBJECT

public:
    // vue : la vue du makefile où chercher ; configuration : la fenêtre qui la place.
    FenRechercheRemplace(VueDocumentRiche* vue, QWidget* configuration);

    // Montre la fenêtre, modale pour la configuration, dans la disposition demandée.
    void ouvrir(bool remplacement);
    // Dispositions : recherche seule, ou remplacement (la légende de CBRemplacer dit ce que fera
    // son prochain clic).
    void dispositionRecherche();
    void dispositionRemplacement(bool légendeRemplacer);
    bool enDispositionRemplacement() const { return m_remplacement; }

    // Les boutons.
    void rechercher();    // CBRechercher
    void suivant();       // CBSuivant
    void étendre();       // CBRExt
    void remplacer();     // CBRemplacer
    void remplacerTout(); // CBRemplacerTout

signals:
    // « Remplacer tout » vient de la cacher sans la fermer.
    void cachee();

protected:
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void construire();
    void placer();
    void rechercherDepuisLesBoîtes();

    VueDocumentRiche* m_vue;
    QWidget* m_configuration;
    bool m_remplacement = false;
    Kit::Protection m_protéger{QStringLiteral("Erreur inconnue dans la fenêtre de recherche.")};

    QLabel* Label1;
    QLineEdit* TxBRechercher;
    QLabel* Label2;
    QLineEdit* TxBRemplacement;
    QCheckBox* CBMotEntier;
    QCheckBox* CBMAjMin;
    QCheckBox* CBDuDébut;
    BTL* CBRechercher;
    BTL* CBSuivant;
    BTL* CBRExt;
    BTL* CBRemplacer;
    BTL* CBRemplacerTout;
};
