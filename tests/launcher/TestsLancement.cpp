#include "launcher/LancementOutils.h"
#include "noyau/EtatGlobal.h"
#include "outils/OutilsTests.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using LancementOutils::AnalyserCommande;

namespace {

struct CommandeSimulateur : ::testing::Test {
    QTemporaryDir racine;
    QString exécutable(const QString& relatif) {
        return OutilsTests::ecrireScript(racine.filePath(relatif), "");
    }
};

} // namespace

// Chemin à blancs sans guillemets : le plus court début exécutable l'emporte (pas un dossier) ;
// apostrophes et guillemets groupent ; un nom nu se cherche dans PATH.
TEST_F(CommandeSimulateur, DécoupageDeLaCommande) {
    const QString prog = exécutable("Program Files/Labcenter/ISIS 7/isis.sh");
    const QString court = exécutable("outil");
    exécutable("outil x");
    QDir().mkpath(racine.filePath("Program Files/Labcenter/ISIS"));
    const struct {
        QString commande, programme;
        QStringList arguments;
    } cas[] = {
        {prog + " -v  'un argument' \"deux mots\"", prog, {"-v", "un argument", "deux mots", "x y"}},
        {court + " x y", court, {"x", "y", "x y"}},
        {"  " + prog + " ", prog, {"x y"}},
        {"'" + prog + "' fichier", prog, {"fichier", "x y"}},
        {"sh -c 'exit 0'", "sh", {"-c", "exit 0", "x y"}},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.commande.toStdString());
        const auto r = AnalyserCommande(c.commande, {"x y"});
        ASSERT_TRUE(r);
        EXPECT_EQ(r->programme, c.programme);
        EXPECT_EQ(r->arguments, c.arguments);
    }
    // Introuvable, non exécutable ou vide : pas de commande.
    OutilsTests::ecrireFichier(racine.filePath("lisezmoi"), "texte");
    for (const QString& commande :
         {racine.filePath("Mes outils/isis.sh -v"), racine.filePath("lisezmoi"), QString("   ")})
        EXPECT_FALSE(AnalyserCommande(commande, {})) << commande.toStdString();
}

TEST(SchemasDuProjet, ExtensionSansEgardALaCasseTriesParNom) {
    QTemporaryDir d;
    for (const char* nom : {"b.dsn", "A.DSN", "c.Dsn", "d.DSN.bak", "notes.txt"})
        OutilsTests::ecrireFichier(d.filePath(QString::fromUtf8(nom)), "x");
    QDir().mkpath(d.filePath("dossier.DSN"));
    EXPECT_EQ(LancementOutils::ListerSchémas(d.path()), (QStringList{"A.DSN", "b.dsn", "c.Dsn"}));
}
