#include "noyau/Installation.h"

#include "common/ErreursSysteme.h"
#include "common/FichierAtomique.h"

#include <QDir>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

namespace Installation {

namespace {

const QString NomFenêtres = QStringLiteral("quillon-fenetres");

bool aDesDonnées(const QString& dossier) {
    return QFileInfo(dossier + QStringLiteral("/Configuration.xml")).isFile();
}

QString nettoyé(const QString& chemin) {
    return QDir::cleanPath(chemin);
}

} // namespace

Emplacements depuis(const QString& dossierProgramme) {
    const QString d = nettoyé(dossierProgramme);
    if (!aDesDonnées(d)) {
        // Le programme léger est dans bin/, celui des fenêtres dans lib/quillon/.
        QString préfixe;
        if (QFileInfo(d).fileName() == u"bin")
            préfixe = nettoyé(d + QStringLiteral("/.."));
        else if (d.endsWith(QStringLiteral("/lib/quillon")))
            préfixe = nettoyé(d + QStringLiteral("/../.."));
        const QString partagé = préfixe + QStringLiteral("/share/quillon");
        if (!préfixe.isEmpty() && aDesDonnées(partagé))
            return {partagé, préfixe + QStringLiteral("/share/doc/quillon"),
                    préfixe + QStringLiteral("/lib/quillon/") + NomFenêtres};
    }
    return {d, d + QStringLiteral("/Aide"), d + u'/' + NomFenêtres};
}

QString fichierRéglages(QString* erreur) {
    // Un chemin relatif n'est pas valable pour ces variables : il est ignoré.
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(base)) {
        const QString maison = qEnvironmentVariable("HOME");
        if (!QDir::isAbsolutePath(maison)) {
            if (erreur)
                *erreur = QStringLiteral(
                    "Le dossier personnel est inconnu (la variable HOME n'est pas un chemin absolu) : "
                    "Quillon ne sait pas où garder ses réglages. Définissez HOME ou XDG_CONFIG_HOME "
                    "et réessayez.");
            return {};
        }
        base = maison + QStringLiteral("/.config");
    }
    return nettoyé(base) + QStringLiteral("/quillon/Paramètres.xml");
}

bool préparerRéglages(const QString& fichier, const QString& données, QString* erreur) {
    const QFileInfo info(fichier);
    // Un lien qui ne mène nulle part est un fichier illisible, que la lecture signalera.
    if (info.exists() || info.isSymLink()) return true;
    std::error_code code;
    std::filesystem::create_directories(QFile::encodeName(info.absolutePath()).toStdString(), code);
    if (code) {
        if (erreur)
            *erreur = QStringLiteral("Le dossier des réglages « %1 » ne peut pas être créé : %2.")
                          .arg(QDir::toNativeSeparators(info.absolutePath()),
                               ErreursSysteme::raison(code.value(), true));
        return false;
    }
    // Sans copie à reprendre, la lecture crée un fichier vide dans ce dossier.
    QByteArray octets;
    if (!FichierAtomique::lire(données + QStringLiteral("/Paramètres.xml"), octets) &&
        !FichierAtomique::lire(données + QStringLiteral("/Paramètres initial.xml"), octets))
        return true;
    return FichierAtomique::ecrire(fichier, octets, erreur);
}

} // namespace Installation
