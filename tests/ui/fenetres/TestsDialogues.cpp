#include "outils/OutilsTests.h"
#include "outils/QuandModale.h"
#include "ui/fenetres/Dialogues.h"

#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
const auto quandLaBoiteSOuvre = OutilsFenetres::quandModale<QFileDialog>;
} // namespace

// Titre et dossier transmis ; « *.* », seul filtre que le programme passe, laisse voir
// « makefile », sans extension ; le choix d'un dossier n'offre que des dossiers ; annuler rend vide.
TEST(Dialogues, ChoisirUnFichierOuUnDossier) {
    EXPECT_TRUE(Dialogues::filtreQt("*.*").endsWith("(*)")); // sans extension compris
    QTemporaryDir projet;
    const QString makefile = projet.filePath("makefile"), inc = projet.filePath("inc");
    OutilsTests::ecrireFichier(makefile, "all:\n");
    QDir(projet.path()).mkpath("inc");
    QString titre, dossier;
    bool dossiersSeuls = true;
    quandLaBoiteSOuvre([&](QFileDialog* b) {
        titre = b->windowTitle();
        dossier = b->directory().absolutePath();
        dossiersSeuls = b->fileMode() == QFileDialog::Directory;
        b->selectFile(makefile);
        QMetaObject::invokeMethod(b, "accept");
    });
    EXPECT_EQ(ChoisirFichier(nullptr, "*.*", "Titre", projet.path()), QDir::toNativeSeparators(makefile));
    EXPECT_EQ(titre, "Titre");
    EXPECT_EQ(dossier, QDir(projet.path()).absolutePath());
    EXPECT_FALSE(dossiersSeuls);
    quandLaBoiteSOuvre([](QFileDialog* b) { b->reject(); });
    EXPECT_EQ(ChoisirFichier(nullptr, "*.*", "Titre", projet.path()), QString());

    quandLaBoiteSOuvre([&](QFileDialog* b) {
        titre = b->windowTitle();
        dossiersSeuls = b->fileMode() == QFileDialog::Directory;
        b->setDirectory(projet.path());
        b->selectFile(inc);
        QMetaObject::invokeMethod(b, "accept");
    });
    EXPECT_EQ(ChoisirDossier(nullptr, "Dossier", QString()), QDir::toNativeSeparators(inc));
    EXPECT_TRUE(dossiersSeuls);
    EXPECT_EQ(titre, "Dossier");
    quandLaBoiteSOuvre([](QFileDialog* b) { b->reject(); });
    EXPECT_EQ(ChoisirDossier(nullptr, "Dossier", QString()), QString());
}
