#pragma once
// Ce que partagent l'assistante, la fenêtre des ports et les générateurs : le composant trouvé
// dans le fichier des possibilités et ses ports. Vit jusqu'à la fin du programme ; chaque
// chargement de l'assistante le remplit à nouveau.
#include "assistant/timers/CapacitesComposant.h"

#include <QString>
#include <QStringList>
#include <cstdint>

struct ContexteAssistante {
    QString nomComposant;         // Nom du Processeur, tel qu'écrit dans le fichier
    QString cheminComposant;      // « Processeur(k) »
    QString fichierConfiguration; // dossier d'installation + Configuration.xml
    CapacitésComposant composant;
    QStringList nomsPorts; // colonne des noms de la table des ports
    int16_t portCourant = 0;
    QString texteConfigurationPorts; // valeur de %Port% ; gardée d'un chargement à l'autre

    // Nouveau chargement : tout sauf le texte des ports.
    void recharger() {
        const QString ports = texteConfigurationPorts;
        *this = ContexteAssistante();
        texteConfigurationPorts = ports;
    }
    void réinitialiser() { *this = ContexteAssistante(); }
};

ContexteAssistante& contexteAssistante();
