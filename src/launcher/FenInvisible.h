#pragma once
// Fenêtre cachée qui prépare AVR Studio et ISIS : elle ne montre rien. Son chargement écrit le
// projet AVR Studio depuis son modèle, ou choisit le schéma à ouvrir, cherche l'outil déjà lancé
// et laisse ses résultats dans l'état global (AppliDéjàLancée, TitreAppliLancée,
// ArgumentSimulateur, LancerIsis) et dans MicroContrôleur.
#include "launcher/ServicesOutils.h"
#include "ui/DocumentRiche.h"

#include <QString>
#include <QStringList>
#include <cstdint>

class FenInvisible final {
public:
    explicit FenInvisible(ServicesOutils services = ServicesOutils());

    // Préparation selon la commande (« avrstudio » ou « isis »). Faux si elle a échoué : un
    // message clair a été montré et rien ne doit être lancé.
    bool charger();

    // Cherche une fenêtre visible dont le titre contient texte ; règle AppliDéjàLancée et,
    // trouvée, TitreAppliLancée.
    void ChercherFenêtre(const QString& texte);
    // Valeur qui suit la clé dans le texte chargé (même règle que le lecteur du makefile) ; vide
    // si la clé manque.
    QString LireLigneMakefile(const QString& clé) const;
    // Remplace chaque occurrence du repère (casse respectée) par valeur, en un seul passage : une
    // valeur qui contient le repère ne fait pas boucler.
    void RemplacerTexte(const QString& repère, const QString& valeur);

    // Liste les schémas du projet et règle ArgumentSimulateur et LancerIsis, par la fenêtre de
    // choix s'il y en a plusieurs. Faux si ce choix n'a pas pu s'afficher.
    bool ChoisirSchéma();

    DocumentRiche RichTextBox1; // makefile, puis modèle du projet AVR Studio
    QStringList ListeFichier;   // schémas du dossier du projet
    std::int16_t AVRStudioExclusif = 0;

private:
    bool préparerAVRStudio();
    bool préparerIsis();
    bool chargerDocument(const QString& chemin, const QString& quoi);

    ServicesOutils services_;
};
