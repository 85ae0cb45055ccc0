#pragma once
// Fenêtre de l'erreur non répertoriée : la description de l'erreur et l'adresse à qui l'écrire.
#include <QDialog>

class QLabel;

class FErreur final : public QDialog {
    Q_OBJECT

public:
    // Au chargement, TErreur prend DescriptionErreur de l'état global.
    explicit FErreur(QWidget* parent = nullptr);

    // Afficheur de la procédure d'entrée : montre la fenêtre (modale quand aucune boucle
    // d'évènements ne tourne encore, pour qu'on la voie) ; sans affichage, le message part par le
    // service de messages.
    static void afficherErreurNonRépertoriée(const QString& description);

protected:
    bool eventFilter(QObject* objet, QEvent* e) override;

private:
    QLabel* m_adresse = nullptr;
};
