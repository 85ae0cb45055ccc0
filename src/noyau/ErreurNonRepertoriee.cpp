#include "noyau/ErreurNonRepertoriee.h"

#include "common/Messages.h"
#include "noyau/EtatGlobal.h"

namespace {

std::function<void(const QString&)>& afficheurErreur() {
    static std::function<void(const QString&)> f;
    return f;
}

} // namespace

void DéfinirAfficheurErreurNonRépertoriée(std::function<void(const QString&)> afficheur) {
    afficheurErreur() = std::move(afficheur);
}

void AfficherErreurNonRépertoriée(const QString& description) {
    etatGlobal().DescriptionErreur = description;
    if (afficheurErreur())
        afficheurErreur()(description);
    else
        messageCritique(description);
}
