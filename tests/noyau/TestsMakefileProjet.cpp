// Le makefile d'un projet est celui que GNU make lit : chaque choix est comparé à make lui-même.
#include "noyau/MakefileProjet.h"
#include "outils/OutilsTests.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(MakefileProjet, LeFichierQueMakeLit) {
    EXIGER_OUTILS("make");
    const std::vector<QStringList> cas = {
        {"Makefile"}, {"makefile", "Makefile"}, {"GNUmakefile", "makefile", "Makefile"}, {}};
    for (const QStringList& noms : cas) {
        SCOPED_TRACE(noms.join(", ").toStdString());
        QTemporaryDir dossier;
        // Chaque fichier dit son nom : make répond celui qu'il a pris.
        for (const QString& nom : noms)
            OutilsTests::ecrireFichier(dossier.filePath(nom), "quel:\n\t@echo " + nom.toUtf8() + "\n");
        const QString choisi = MakefileDuProjet(dossier.path());
        EXPECT_EQ(QFileInfo(choisi).absolutePath(), dossier.path());
        QByteArray sortie = "makefile"; // aucun : le fichier à créer, que make prendra ensuite
        const QStringList arguments = {"-s", "-C", dossier.path(), "quel"};
        ASSERT_EQ(noms.isEmpty() ? 0 : OutilsTests::executer("make", arguments, &sortie), 0);
        EXPECT_EQ(QFileInfo(choisi).fileName(), QString::fromUtf8(sortie).trimmed());
    }
    // Une entrée que make prend sans pouvoir la lire (un dossier) n'est pas passée pour la suivante.
    QTemporaryDir dossier;
    QDir().mkdir(dossier.filePath("makefile"));
    OutilsTests::ecrireFichier(dossier.filePath("Makefile"), "quel:\n");
    EXPECT_EQ(MakefileDuProjet(dossier.path()), dossier.filePath("makefile"));
    EXPECT_NE(OutilsTests::executer("make", {"-s", "-C", dossier.path(), "quel"}), 0);
}
