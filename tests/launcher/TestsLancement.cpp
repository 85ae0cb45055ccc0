#include "launcher/LancementOutils.h"
#include "noyau/EtatGlobal.h"
#include "outils/OutilsTests.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using LancementOutils::AnalyserCommande;

namespace {

struct CommandeSimulateur : ::testing::Test {
    QTemporaryDir racine;

    QString exécutable(const QString& relatif) {
        const QString chemin = racine.filePath(relatif);
        QDir().mkpath(QFileInfo(chemin).absolutePath());
        OutilsTests::ecrireFichier(chemin, "#!/bin/sh\n");
        QFile::setPermissions(chemin, QFile::permissions(chemin) | QFile::ExeOwner);
        return chemin;
    }
};

} // namespace

TEST_F(CommandeSimulateur, CheminABlancsSansGuillemetsLePlusCourtDebutExecutable) {
    const QString prog = exécutable("Program Files/Labcenter/ISIS 7/isis.sh");
    auto c = AnalyserCommande(prog + " -v  'un argument' \"deux mots\"", {"x y"});
    ASSERT_TRUE(c);
    EXPECT_EQ(c->programme, prog);
    EXPECT_EQ(c->arguments, (QStringList{"-v", "un argument", "deux mots", "x y"}));

    // Comme le chargeur de Windows : le plus court début qui est un exécutable l'emporte.
    const QString court = exécutable("outil");
    exécutable("outil x");
    c = AnalyserCommande(court + " x y", {});
    ASSERT_TRUE(c);
    EXPECT_EQ(c->programme, court);
    EXPECT_EQ(c->arguments, (QStringList{"x", "y"}));

    // Un dossier n'est pas un programme ; les blancs de tête et de fin ne comptent pas.
    QDir().mkpath(racine.filePath("Program Files/Labcenter/ISIS"));
    c = AnalyserCommande("  " + racine.path() + "/Program Files/Labcenter/ISIS 7/isis.sh ", {});
    ASSERT_TRUE(c);
    EXPECT_EQ(c->programme, prog);
    EXPECT_TRUE(c->arguments.isEmpty());
}

TEST_F(CommandeSimulateur, NomTrouveParPathEtCheminEntreApostrophes) {
    ASSERT_FALSE(QStandardPaths::findExecutable("sh").isEmpty());
    auto c = AnalyserCommande("sh -c 'exit 0'", {});
    ASSERT_TRUE(c);
    EXPECT_EQ(c->programme, "sh");
    EXPECT_EQ(c->arguments, (QStringList{"-c", "exit 0"}));

    const QString prog = exécutable("Mes outils/isis.sh");
    c = AnalyserCommande("'" + prog + "' fichier", {});
    ASSERT_TRUE(c);
    EXPECT_EQ(c->programme, prog);
    EXPECT_EQ(c->arguments, QStringList{"fichier"});
}

TEST_F(CommandeSimulateur, IntrouvableOuVideMessageFrancais) {
    QString erreur;
    EXPECT_FALSE(AnalyserCommande(racine.filePath("Mes outils/isis.sh -v"), {}, &erreur));
    EXPECT_TRUE(erreur.startsWith("Le programme du simulateur est introuvable"));
    // Un fichier non exécutable n'est pas un programme.
    OutilsTests::ecrireFichier(racine.filePath("lisezmoi"), "texte");
    EXPECT_FALSE(AnalyserCommande(racine.filePath("lisezmoi"), {}, &erreur));
    EXPECT_FALSE(AnalyserCommande("   ", {}, &erreur));
    EXPECT_TRUE(erreur.startsWith("Aucune commande de simulateur"));
}

TEST(SchemasDuProjet, ExtensionSansEgardALaCasseTriesParNom) {
    QTemporaryDir d;
    for (const char* nom : {"b.dsn", "A.DSN", "c.Dsn", "d.DSN.bak", "notes.txt"})
        OutilsTests::ecrireFichier(d.filePath(QString::fromUtf8(nom)), "x");
    QDir().mkpath(d.filePath("dossier.DSN"));
    EXPECT_EQ(LancementOutils::ListerSchémas(d.path()), (QStringList{"A.DSN", "b.dsn", "c.Dsn"}));
}
