#pragma once
// Choix du schéma à ouvrir dans ISIS quand le dossier du projet en contient plusieurs.
#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

class FenIsis final : public QDialog {
    Q_OBJECT
public:
    // dossier : le dossier du projet, dont la liste montre les schémas.
    explicit FenIsis(const QString& dossier, QWidget* parent = nullptr);

    // Montre la fenêtre, modale, jusqu'à ce qu'un bouton ou la case de fermeture la ferme.
    // Faux si aucun affichage ne permet de la montrer.
    static bool choisir(const QString& dossier);

private:
    void ouvrirCeFichier();
    void ouvrirVide();

    QLabel* Label1;
    QListWidget* File1;
    QPushButton* CBCeFichier;
    QPushButton* CBVide;
};
