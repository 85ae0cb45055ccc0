#include "makefile/fenetres/AccesFenetres.h"

#include "common/Messages.h"
#include "fuses/fenetres/FenFuseBit.h"
#include "noyau/OuvrirDocument.h"

#include <QFileInfo>
#include <QUrl>

namespace {

std::function<void(QWidget*)>& ouvertureAssistante() {
    static std::function<void(QWidget*)> f;
    return f;
}

} // namespace

void OuvrirFenêtreFusibles(QWidget* propriétaire) {
    FenFuseBit fenêtre(propriétaire);
    fenêtre.exec();
}

void DéfinirOuvertureAssistante(std::function<void(QWidget*)> ouvrir) {
    ouvertureAssistante() = std::move(ouvrir);
}

void OuvrirAssistante(QWidget* propriétaire) {
    if (ouvertureAssistante()) {
        ouvertureAssistante()(propriétaire);
        return;
    }
    afficherMessage(QStringLiteral("L'assistante n'est pas encore disponible dans cette version."),
                    IconeMessage::Information);
}

void OuvrirAide(const QString& fichier, const QString& ancre) {
    if (!QFileInfo::exists(fichier) || ancre.isEmpty()) {
        OuvrirDocument(fichier);
        return;
    }
    // Une adresse file:// garde la section ; un simple chemin la perdrait.
    QUrl adresse = QUrl::fromLocalFile(QFileInfo(fichier).absoluteFilePath());
    adresse.setFragment(ancre);
    OuvrirDocument(adresse.toString(QUrl::FullyEncoded));
}
