#include "noyau/MakefileProjet.h"

#include <QFileInfo>

QString MakefileDuProjet(const QString& dossier) {
    for (const char* nom : {"GNUmakefile", "makefile", "Makefile"}) {
        const QString chemin = dossier + u'/' + QLatin1String(nom);
        // make prend toute entrée du dossier, même un lien cassé ou un dossier : il échoue alors,
        // et nous aussi, plutôt que de lire ou d'écrire un autre fichier que le sien.
        const QFileInfo info(chemin);
        if (info.exists() || info.isSymLink()) return chemin;
    }
    return dossier + QStringLiteral("/makefile");
}
