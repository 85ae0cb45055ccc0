#pragma once
// Ce que partagent l'assistante, la fenêtre des ports et les générateurs : le composant trouvé
// dans le fichier des possibilités et ses ports. Vit jusqu'à la fin du programme ; chaque
// chargement de l'assistante le remplit à nouveau.
#include "assistant/project/ConfigurationPorts.h"
#include "assistant/timers/CapacitesComposant.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

struct ContexteAssistante {
    QString nomComposant;         // Nom du Processeur, tel qu'écrit dans le fichier
    QString cheminComposant;      // « Processeur(k) »
    QString fichierConfiguration; // dossier d'installation + Configuration.xml
    CapacitésComposant composant;
    std::vector<PortComposant> ports; // ports du composant, dans l'ordre du fichier
    TablePorts tablePorts;            // choix faits pour chacun
    int16_t portCourant = 0;
    QString texteConfigurationPorts; // %Port% du dernier « Quitter » de la fenêtre des ports
    QString cheminProfil;            // dernier profil cliqué ou sauvé

    // Nouveau chargement : le composant et ses ports sont relus. Rouverte sur le même composant,
    // l'assistante garde les réglages de ses ports ; sur un autre, la table repart à zéro.
    void recharger() {
        ContexteAssistante neuf;
        neuf.texteConfigurationPorts = texteConfigurationPorts;
        neuf.cheminProfil = cheminProfil;
        neuf.tablePorts = std::move(tablePorts);
        *this = std::move(neuf);
    }
    // Ports du composant trouvé (nomComposant) ; la table est gardée s'il n'a pas changé.
    void adopterPorts(std::vector<PortComposant> lus, const QString& composantPrécédent) {
        ports = std::move(lus);
        if (composantPrécédent != nomComposant || tablePorts.size() != ports.size())
            tablePorts = ConfigurationPorts::nouvelleTable(ports);
        portCourant = 0;
    }
    void réinitialiser() { *this = ContexteAssistante(); }
};

ContexteAssistante& contexteAssistante();
