#include "outils/OutilsTests.h"
#include "outils/QuandModale.h"
#include "ui/fenetres/Dialogues.h"

#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <tuple>

namespace {
const auto quandLaBoiteSOuvre = OutilsFenetres::quandModale<QFileDialog>;
} // namespace

// Titre (pour un dossier, la consigne en deux morceaux) et dossier de départ transmis ; le choix
// d'un dossier n'offre que des dossiers ; annuler rend vide.
TEST(Dialogues, ChoisirUnFichierOuUnDossier) {
    EXPECT_TRUE(Dialogues::filtreQt("*.*").endsWith("(*)")); // « makefile », sans extension, compris
    QTemporaryDir projet;
    const QString makefile = projet.filePath("makefile"), inc = projet.filePath("inc");
    OutilsTests::ecrireFichier(makefile, "all:\n");
    QDir(projet.path()).mkpath("inc");
    std::tuple<QString, QString, bool> vu; // titre, dossier de départ, dossiers seuls
    const auto choisir = [&](const QString& cible) {
        quandLaBoiteSOuvre([&vu, &projet, cible](QFileDialog* b) {
            vu = {b->windowTitle(), b->directory().absolutePath(), b->fileMode() == QFileDialog::Directory};
            b->setDirectory(projet.path());
            b->selectFile(cible);
            QMetaObject::invokeMethod(b, "accept");
        });
    };
    choisir(makefile);
    EXPECT_EQ(ChoisirFichier(nullptr, "*.*", "Titre", projet.path()), QDir::toNativeSeparators(makefile));
    EXPECT_EQ(vu, std::tuple(QString("Titre"), QDir(projet.path()).absolutePath(), false));
    choisir(inc);
    EXPECT_EQ(ChoisirDossier(nullptr, "Ti", "tre"), QDir::toNativeSeparators(inc));
    EXPECT_EQ(vu, std::tuple(QString("Titre"), QDir::currentPath(), true));
    quandLaBoiteSOuvre([](QFileDialog* b) { b->reject(); });
    EXPECT_EQ(ChoisirFichier(nullptr, "*.*", "Titre", projet.path()), QString());
    quandLaBoiteSOuvre([](QFileDialog* b) { b->reject(); });
    EXPECT_EQ(ChoisirDossier(nullptr, "Ti", "tre"), QString());
}
