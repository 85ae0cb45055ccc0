#include "common/Identite.h"

// Le numéro est fourni par le projet CMake, seul endroit où il est écrit.
#if !defined(QUILLON_VERSION_MAJEURE) || !defined(QUILLON_VERSION_MINEURE) ||                                \
    !defined(QUILLON_VERSION_REVISION)
#error "Numéro de version absent : il vient du projet CMake."
#endif

namespace Identite {

int versionMajeure() {
    return QUILLON_VERSION_MAJEURE;
}
int versionMineure() {
    return QUILLON_VERSION_MINEURE;
}
int versionRévision() {
    return QUILLON_VERSION_REVISION;
}

QString version() {
    return QStringLiteral("%1.%2.%3").arg(versionMajeure()).arg(versionMineure()).arg(versionRévision());
}

QString adresseContact() {
    return QStringLiteral("quillon@example.org");
}

QString descriptionFichier() {
    return QStringLiteral(
        "Ce soft n'est utilisable que pour AVR GCC. Il permet de configurer les AVR (création "
        "de makefile). Il est maintenant doté d'un générateur de code et d'un module pour "
        "fuser les bit.");
}

QString mentionLégale() {
    return QString();
}

} // namespace Identite
