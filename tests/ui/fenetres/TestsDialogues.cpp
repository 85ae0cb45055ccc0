#include "outils/OutilsTests.h"
#include "ui/fenetres/Dialogues.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {
// Agit sur la boîte de fichier dès qu'elle s'ouvre.
void quandLaBoiteSOuvre(const std::function<void(QFileDialog*)>& action) {
    QTimer::singleShot(0, [action] {
        auto* b = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(b, nullptr);
        action(b);
    });
}
} // namespace

TEST(Dialogues, FiltresDeLaBoiteDOuverture) {
    EXPECT_EQ(Dialogues::filtreQt(QStringLiteral("*.*")), QStringLiteral("Tous les fichiers (*)"));
    EXPECT_EQ(Dialogues::filtreQt(QStringLiteral("*.*|")), QStringLiteral("Tous les fichiers (*)"));
    EXPECT_EQ(Dialogues::filtreQt(QStringLiteral("Sources C|*.c;*.h|Tout|*.*")),
              QStringLiteral("Sources C (*.c *.h);;Tout (*)"));
    EXPECT_EQ(Dialogues::filtreQt(QString()), QStringLiteral("Tous les fichiers (*)"));
}

TEST(Dialogues, ChoisirUnFichierSansExtension) {
    QTemporaryDir projet;
    const QString makefile = projet.filePath(QStringLiteral("makefile"));
    OutilsTests::ecrireFichier(makefile, "all:\n");
    QString titre, dossier;
    bool visible = false;
    quandLaBoiteSOuvre([&](QFileDialog* b) {
        titre = b->windowTitle();
        dossier = b->directory().absolutePath();
        b->selectFile(makefile);
        // « *.* » laisse voir les fichiers sans extension, comme « makefile ».
        visible = b->nameFilters().constFirst().contains(QStringLiteral("(*)"));
        QMetaObject::invokeMethod(b, "accept");
    });
    EXPECT_EQ(ChoisirFichier(nullptr, QStringLiteral("*.*"), QStringLiteral("Sélectionner un fichier make"),
                             projet.path()),
              QDir::toNativeSeparators(makefile));
    EXPECT_EQ(titre, QStringLiteral("Sélectionner un fichier make"));
    EXPECT_EQ(dossier, QDir(projet.path()).absolutePath());
    EXPECT_TRUE(visible);

    quandLaBoiteSOuvre([](QFileDialog* b) { b->reject(); });
    EXPECT_EQ(ChoisirFichier(nullptr, QStringLiteral("*.*"), QStringLiteral("Sélectionner un fichier make"),
                             projet.path()),
              QString());
}

TEST(Dialogues, ChoisirUnDossier) {
    QTemporaryDir racine;
    QDir(racine.path()).mkpath(QStringLiteral("inc"));
    const QString inc = racine.filePath(QStringLiteral("inc"));
    QString titre;
    bool dossiersSeuls = false;
    quandLaBoiteSOuvre([&](QFileDialog* b) {
        titre = b->windowTitle();
        dossiersSeuls = b->fileMode() == QFileDialog::Directory;
        b->setDirectory(racine.path());
        b->selectFile(inc);
        QMetaObject::invokeMethod(b, "accept");
    });
    EXPECT_EQ(ChoisirDossier(nullptr, QStringLiteral("Choisir le dossier «Include» à ajouter."), QString()),
              QDir::toNativeSeparators(inc));
    EXPECT_EQ(titre, QStringLiteral("Choisir le dossier «Include» à ajouter."));
    EXPECT_TRUE(dossiersSeuls);

    quandLaBoiteSOuvre([](QFileDialog* b) { b->reject(); });
    EXPECT_EQ(
        ChoisirDossier(nullptr, QStringLiteral("Choisir le dossier qui contient les outils AVR."), QString()),
        QString());
}
