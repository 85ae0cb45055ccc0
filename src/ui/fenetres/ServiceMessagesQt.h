#pragma once
#include "common/Messages.h"

// Boîtes de message Qt, en français ; sans affichage, le texte part sur la sortie d'erreur.
class ServiceMessagesQt final : public ServiceMessages {
public:
    RéponseMessage afficher(const Message& m) override;
    // Vrai si un message n'a pas pu être montré à l'écran.
    bool messagePerdu() const { return console_.messagePerdu; }

private:
    ServiceMessagesConsole console_;
};
