#pragma once
// État de tout le processus, fixé par la procédure d'entrée et lu par les fenêtres.
#include <QString>
#include <QStringList>
#include <cstdint>

struct EtatGlobal {
    QString Commande;             // champ 1, tel que tapé
    QString RépertoireDeTravail;  // champ 2 : dossier du projet
    QString NomDeFichier;         // champ 3 : nom du projet sans extension
    QString ParamètreAdditionnel; // champ 4 : commande du simulateur
    QString LigneDeCommande;      // ligne entière, guillemets doubles retirés
    QString FichierC;
    QString FichierParamètres;
    QString FichierConfiguration;
    QString DossierInstallation; // données installées, en lecture seule
    QString DossierAide;         // aide HTML ; vide : Aide/ des données
    QString ImageFenêtreSkin;
    QString ImageBoutonSkin;
    QString NomSkin;
    QString RépertoireSkin;
    QString AppelantAssistante; // "Ligne de commande" ou "Configurateur" ; vide au départ
    bool AppliDéjàLancée = false;
    QString TitreAppliLancée;
    QString ArgumentSimulateur;
    bool LancerIsis = false;
    QString DescriptionErreur;
    int CodeDeSortie = 0; // non nul : un échec que le programme rend en finissant

    // Champs de la ligne de commande : l'indice 0 n'est jamais rempli.
    QStringList ArgumentsLigne;
    int16_t NombreArguments = 0;

    void réinitialiser() { *this = EtatGlobal(); }
};

EtatGlobal& etatGlobal();
