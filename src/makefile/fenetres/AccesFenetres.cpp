#include "makefile/fenetres/AccesFenetres.h"

#include "common/Messages.h"

namespace {

void pasEncoreDisponible(const QString& texte) {
    Message m;
    m.texte = texte;
    m.titre = TitreApplication();
    m.icône = IconeMessage::Information;
    afficherMessage(m);
}

} // namespace

void OuvrirFenêtreFusibles(QWidget*) {
    pasEncoreDisponible(
        QStringLiteral("La fenêtre des fusibles n'est pas encore disponible dans cette version."));
}

void OuvrirAssistante(QWidget*) {
    pasEncoreDisponible(QStringLiteral("L'assistante n'est pas encore disponible dans cette version."));
}
