#include "common/FichierAtomique.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace FichierAtomique {

namespace {
QString affichable(const QString& chemin) {
    return QDir::toNativeSeparators(chemin);
}
} // namespace

bool ecrire(const QString& chemin, const QByteArray& donnees, QString* erreur) {
    QSaveFile f(chemin);
    // Le renommage seul garantit l'atomicité : pas de repli sur une écriture directe.
    f.setDirectWriteFallback(false);
    if (!f.open(QIODevice::WriteOnly)) {
        if (erreur)
            *erreur = QStringLiteral("Impossible d'écrire le fichier « %1 » : %2.")
                          .arg(affichable(chemin), f.errorString());
        return false;
    }
    if (f.write(donnees) != donnees.size()) {
        if (erreur)
            *erreur = QStringLiteral("L'écriture du fichier « %1 » a échoué : %2.")
                          .arg(affichable(chemin), f.errorString());
        f.cancelWriting();
        return false;
    }
    if (!f.commit()) {
        if (erreur)
            *erreur = QStringLiteral("L'enregistrement du fichier « %1 » a échoué : %2.")
                          .arg(affichable(chemin), f.errorString());
        return false;
    }
    return true;
}

bool lire(const QString& chemin, QByteArray& donnees, QString* erreur) {
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly)) {
        if (erreur)
            *erreur = QStringLiteral("Impossible de lire le fichier « %1 » : %2.")
                          .arg(affichable(chemin), f.errorString());
        return false;
    }
    donnees = f.readAll();
    return true;
}

} // namespace FichierAtomique
