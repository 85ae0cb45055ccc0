#pragma once
// Le relevé d'un arbre de fichiers, pour voir qu'une action n'y a rien changé d'un octet.
#include "outils/OutilsTests.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <map>

namespace OutilsTests {

// Chaque entrée sous dossier, par chemin relatif : contenu, « -> cible » ou « dossier » ; avec
// droits, précédé des droits, et dossier lui-même compris (clé « . » ; il peut être un fichier).
inline std::map<QString, QByteArray> relever(const QString& dossier, bool droits = false) {
    std::map<QString, QByteArray> r;
    const auto noter = [&](const QFileInfo& f) {
        QByteArray v = f.isSymLink() ? "-> " + QFile::encodeName(f.symLinkTarget())
                       : f.isDir()   ? QByteArray("dossier")
                                     : lireFichier(f.filePath());
        if (droits) v.prepend(QByteArray::number(int(f.permissions()), 16) + ' ');
        r[QDir(dossier).relativeFilePath(f.filePath())] = v;
    };
    if (droits) noter(QFileInfo(dossier));
    for (QDirIterator it(dossier, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        it.next();
        noter(it.fileInfo());
    }
    return r;
}

// Les chemins changés, apparus ou disparus d'un relevé à l'autre.
inline QStringList differences(const std::map<QString, QByteArray>& avant,
                               const std::map<QString, QByteArray>& apres) {
    QStringList r;
    for (const auto& [chemin, valeur] : avant)
        if (!apres.count(chemin) || apres.at(chemin) != valeur) r << chemin;
    for (const auto& [chemin, valeur] : apres)
        if (!avant.count(chemin)) r << chemin;
    return r;
}

} // namespace OutilsTests
