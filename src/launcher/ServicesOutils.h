#pragma once
// Ce que la préparation et le lancement des outils demandent au système : chercher et activer une
// fenêtre, démarrer un programme, montrer le choix du schéma. Les tests en mettent d'autres.
#include "noyau/plateforme/Fenetres.h"
#include "noyau/plateforme/Processus.h"

#include <QString>
#include <functional>

struct ServicesOutils {
    std::function<Fenetres::Recherche(const QString& texte)> chercherFenêtre = Fenetres::chercher;
    std::function<bool(const QString& titre)> activerFenêtre = Fenetres::activer;
    std::function<bool(const Processus::Commande&, const QString& dossier, QString* erreur)> démarrer =
        [](const Processus::Commande& c, const QString& dossier, QString* erreur) {
            return Processus::demarrerDetache(c, dossier, erreur);
        };
    // Montre la fenêtre de choix du schéma (FenIsis) sur le dossier donné ; elle règle
    // ArgumentSimulateur et LancerIsis. Faux si aucune fenêtre ne peut s'ouvrir (pas d'affichage).
    std::function<bool(const QString& dossier)> choisirSchéma;
};
