#include "launcher/EtatGlobal.h"
#include "launcher/LancementOutils.h"
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
    const QString prog = exécutable(QStringLiteral("Program Files/Labcenter/ISIS 7/isis.sh"));
    auto c =
        AnalyserCommande(prog + QStringLiteral(" -v  'un argument' \"deux mots\""), {QStringLiteral("x y")});
    ASSERT_TRUE(c);
    EXPECT_EQ(c->programme, prog);
    EXPECT_EQ(c->arguments, (QStringList{QStringLiteral("-v"), QStringLiteral("un argument"),
                                         QStringLiteral("deux mots"), QStringLiteral("x y")}));

    // Comme le chargeur de Windows : le plus court début qui est un exécutable l'emporte.
    const QString court = exécutable(QStringLiteral("outil"));
    exécutable(QStringLiteral("outil x"));
    c = AnalyserCommande(court + QStringLiteral(" x y"), {});
    ASSERT_TRUE(c);
    EXPECT_EQ(c->programme, court);
    EXPECT_EQ(c->arguments, (QStringList{QStringLiteral("x"), QStringLiteral("y")}));

    // Un dossier n'est pas un programme ; les blancs de tête et de fin ne comptent pas.
    QDir().mkpath(racine.filePath(QStringLiteral("Program Files/Labcenter/ISIS")));
    c = AnalyserCommande(QStringLiteral("  ") + racine.path() +
                             QStringLiteral("/Program Files/Labcenter/ISIS 7/isis.sh "),
                         {});
    ASSERT_TRUE(c);
    EXPECT_EQ(c->programme, prog);
    EXPECT_TRUE(c->arguments.isEmpty());
}

TEST_F(CommandeSimulateur, NomTrouveParPathEtCheminEntreApostrophes) {
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("sh")).isEmpty());
    auto c = AnalyserCommande(QStringLiteral("sh -c 'exit 0'"), {});
    ASSERT_TRUE(c);
    EXPECT_EQ(c->programme, QStringLiteral("sh"));
    EXPECT_EQ(c->arguments, (QStringList{QStringLiteral("-c"), QStringLiteral("exit 0")}));

    const QString prog = exécutable(QStringLiteral("Mes outils/isis.sh"));
    c = AnalyserCommande(QStringLiteral("'") + prog + QStringLiteral("' fichier"), {});
    ASSERT_TRUE(c);
    EXPECT_EQ(c->programme, prog);
    EXPECT_EQ(c->arguments, QStringList{QStringLiteral("fichier")});
}

TEST_F(CommandeSimulateur, IntrouvableOuVideMessageFrancais) {
    QString erreur;
    EXPECT_FALSE(AnalyserCommande(racine.filePath(QStringLiteral("Mes outils/isis.sh -v")), {}, &erreur));
    EXPECT_TRUE(erreur.startsWith(QStringLiteral("Le programme du simulateur est introuvable")));
    // Un fichier non exécutable n'est pas un programme.
    OutilsTests::ecrireFichier(racine.filePath(QStringLiteral("lisezmoi")), "texte");
    EXPECT_FALSE(AnalyserCommande(racine.filePath(QStringLiteral("lisezmoi")), {}, &erreur));
    EXPECT_FALSE(AnalyserCommande(QStringLiteral("   "), {}, &erreur));
    EXPECT_TRUE(erreur.startsWith(QStringLiteral("Aucune commande de simulateur")));
}

TEST(SchemasDuProjet, ExtensionSansEgardALaCasseTriesParNom) {
    QTemporaryDir d;
    for (const char* nom : {"b.dsn", "A.DSN", "c.Dsn", "d.DSN.bak", "notes.txt"})
        OutilsTests::ecrireFichier(d.filePath(QString::fromUtf8(nom)), "x");
    QDir().mkpath(d.filePath(QStringLiteral("dossier.DSN")));
    EXPECT_EQ(LancementOutils::ListerSchémas(d.path()),
              (QStringList{QStringLiteral("A.DSN"), QStringLiteral("b.dsn"), QStringLiteral("c.Dsn")}));
}

TEST(DossierDuProjet, RelatifDevenuDossierCourant) {
    etatGlobal().réinitialiser();
    etatGlobal().RépertoireDeTravail = QStringLiteral("/un/dossier");
    EXPECT_EQ(LancementOutils::DossierDuProjet(), QStringLiteral("/un/dossier"));
    etatGlobal().RépertoireDeTravail = QStringLiteral("projet");
    EXPECT_EQ(LancementOutils::DossierDuProjet(), QDir::currentPath());
}
