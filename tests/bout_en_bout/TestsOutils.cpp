// « avrstudio » et « isis » par le programme construit ; un script noteur tient lieu de simulateur.
#include "outils/LireXml.h"
#include "outils/OutilsTests.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "outils/ServeurXTests.h"

using namespace OutilsTests;

namespace {

struct ProgrammeOutils : ::testing::Test {
    QTemporaryDir racine;
    QString projet = racine.filePath("Mes projets/Essai é");
    QString journal = racine.filePath("journal.txt");
    QString simulateur = racine.filePath("Mes outils/mon simulateur.sh");

    void SetUp() override {
        QDir().mkpath(projet);
        // Une ligne par lancement, écrite d'un seul coup : dossier courant puis arguments.
        ecrireScript(simulateur, "ligne=\"$PWD\"\nfor a in \"$@\"; do ligne=\"$ligne|$a\"; done\n"
                                 "printf '%s\\n' \"$ligne\" >> \"" +
                                     QFile::encodeName(journal) + "\"");
        ecrireFichier(projet + "/makefile", "MCU = atmega328p\nAVRStudioExclusif = 1\n");
    }

    // Le programme sans affichage (ses messages vont sur la sortie d'erreur), ou sur l'affichage donné.
    int lancer(const QString& ligne, QByteArray* erreurs = nullptr, const QString& affichage = QString()) {
        const QStringList env = affichage.isEmpty() ? QStringList() : QStringList{"DISPLAY=" + affichage};
        return executer(programme(), {ligne}, nullptr, erreurs, SansAffichage + env);
    }

    // Lignes du journal, une fois qu'il en a n.
    QStringList lignesDuJournal(int n) {
        QStringList lignes;
        attendre([&] {
            lignes = QString::fromUtf8(lireFichier(journal)).split(u'\n', Qt::SkipEmptyParts);
            return lignes.size() >= n;
        });
        return lignes;
    }

    QString attendu(const QStringList& arguments) const {
        return (QStringList{QDir(projet).canonicalPath()} + arguments).join(u'|');
    }
};

} // namespace

TEST_F(ProgrammeOutils, AVRStudioEcritLeProjetEtLeLanceDansLeDossier) {
    ASSERT_EQ(lancer("avrstudio>" + projet + ">Essai-LED>" + simulateur + " -x"), 0);
    const QString aps = projet + "/Essai-LED_elf.aps";
    EXPECT_EQ(lignesDuJournal(1), QStringList{attendu({"-x", aps})});
    EXPECT_EQ(texteXml(aps, "//MANAGEMENT/ProjectName"), "essai-led_elf");
    EXPECT_EQ(texteXml(aps, "//CONFIG/PART"), "atmega328p");
}

TEST_F(ProgrammeOutils, IsisSansSchemaPuisAvecUnSchemaPuisPlusieursSansAffichage) {
    const QString ligne = "isis>" + projet + ">Essai>" + simulateur;
    ASSERT_EQ(lancer(ligne), 0);
    EXPECT_EQ(lignesDuJournal(1).value(0), attendu({}));

    ecrireFichier(projet + "/Schéma principal.DSN", "x");
    ASSERT_EQ(lancer(ligne), 0);
    EXPECT_EQ(lignesDuJournal(2).value(1), attendu({"Schéma principal.DSN"}));

    // Plusieurs schémas et aucun affichage pour les proposer : message en console, rien de lancé.
    ecrireFichier(projet + "/Autre.DSN", "x");
    QByteArray erreurs;
    EXPECT_NE(lancer(ligne, &erreurs), 0);
    EXPECT_TRUE(QString::fromUtf8(erreurs).contains("plusieurs schémas"));
    EXPECT_EQ(lignesDuJournal(2).size(), 2);
}

TEST_F(ProgrammeOutils, IsisDejaOuvertSousXEstActiveAuLieuDEtreRelance) {
    ServeurXTests serveur;
    if (serveur.affichage().isEmpty()) SAUTER_TEST("Xvfb indisponible");
    ClientXTests x(serveur.affichage());
    ASSERT_NE(x.d(), nullptr);
    const Window isis = x.créer("ISIS Professional", true);
    const Window éditeur = x.créer("Éditeur", true);
    ASSERT_EQ(x.auDessus(), éditeur);

    const QString ligne = "isis>" + projet + ">Essai>" + simulateur;
    ASSERT_EQ(lancer(ligne + " premier", nullptr, serveur.affichage()), 0);
    EXPECT_EQ(x.auDessus(), isis);
    EXPECT_EQ(x.focus(), isis);

    // Fermé, il est lancé : seul ce second lancement figure au journal.
    x.détruire(isis);
    ASSERT_EQ(lancer(ligne + " second", nullptr, serveur.affichage()), 0);
    const QStringList lignes = lignesDuJournal(1);
    EXPECT_EQ(lignes, QStringList{attendu({"second"})});
}
