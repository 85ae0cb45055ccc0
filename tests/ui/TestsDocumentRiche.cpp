#include "outils/DocumentDe.h"
#include "outils/OutilsTests.h"
#include "ui/DocumentRiche.h"

#include <QFile>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <numeric>
#include <sys/stat.h>

using OutilsTests::documentDe;

namespace {

constexpr int MotEntierCasse = DocumentRiche::MotEntier | DocumentRiche::RespecterCasse;
const CouleurRVB Rouge{255, 0, 0};

} // namespace

TEST(DocumentRiche, RechercheMotEntierCasseEtBornes) {
    const char* outils = "avrisp stk500 avrisp";
    const struct {
        const char *texte, *motif;
        int début, options, attendu;
    } cas[] = {
        // Mot entier et casse : vus par la lecture des clés et par la recherche. La fin compte aussi ;
        // un bord non-mot de la correspondance ne regarde pas de ce côté-là.
        {"OPTIONS OPT_X OPT", "OPT", 0, DocumentRiche::MotEntier, 14},
        {"x=1 a=b", "=b", 0, DocumentRiche::MotEntier, 5},
        {"x=1 a=b", "x=", 0, DocumentRiche::MotEntier, 0},
        // Accents : lettres comme les autres, casse comprise.
        {"ÉTÉ étés été", "été", 0, DocumentRiche::MotEntier, 0},
        {"ÉTÉ étés été", "été", 0, MotEntierCasse, 9},
        // Pas de retour au début ; motif vide ou début hors du texte ; correspondance au début.
        {outils, "avrisp", 15, 0, -1},
        {outils, "", 0, 0, -1},
        {outils, "avrisp", 99, 0, -1},
        {outils, "avrisp", -5, 0, 0},
        {outils, "stk500", 7, DocumentRiche::MotEntier, 7},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(std::string(c.motif) + " dans " + c.texte);
        EXPECT_EQ(
            documentDe(QString::fromUtf8(c.texte)).chercher(QString::fromUtf8(c.motif), c.début, c.options),
            c.attendu);
    }
    // trouver sélectionne la correspondance ; un échec laisse la sélection.
    DocumentRiche d = documentDe(outils);
    d.sélectionner(7, 6);
    EXPECT_EQ(d.trouver("inconnu", 0, 0), -1);
    EXPECT_EQ(d.texteSélection(), "stk500");
    EXPECT_EQ(d.trouver("avrisp", 1, 0), 14);
    EXPECT_EQ(std::pair(d.débutSélection(), d.longueurSélection()), std::pair(qsizetype(14), qsizetype(6)));
    // Sélection hors du texte : bornée.
    d.sélectionner(-3, 99);
    EXPECT_EQ(d.texteSélection(), d.texte());
    d.sélectionner(99, -1);
    EXPECT_EQ(std::pair(d.débutSélection(), d.longueurSélection()), std::pair(d.longueur(), qsizetype(0)));
}

TEST(DocumentRiche, LesSautsDeLigneSontDesCRLFIndivisibles) {
    // Quelle que soit la fin de ligne reçue, le texte n'a que des CR LF, comptés deux caractères.
    DocumentRiche d = documentDe("a\nb\rc\r\nd\n\re");
    EXPECT_EQ(d.texte(), "a\r\nb\r\nc\r\nd\r\n\r\ne");
    EXPECT_EQ(d.trouver("c", 0, 0), 6);
    EXPECT_EQ(d.longueur(), 15);
    // Effacer le seul LF, remplacer le seul CR, insérer au milieu d'un saut ou des sauts isolés :
    // le curseur suit.
    const struct {
        int début, longueur;
        const char *par, *texte;
        int curseur;
    } cas[] = {{3, 1, "", "ab\r\ncd", -1},
               {2, 1, "x", "abx\r\ncd", 3},
               {3, 0, "x", "ab\r\nx\r\ncd", 5},
               {2, 0, "\nX\rY", "ab\r\nX\r\nY\r\ncd", 8}};
    for (const auto& k : cas) {
        DocumentRiche a = documentDe("ab\r\ncd");
        a.sélectionner(k.début, k.longueur);
        a.remplacerSélection(QString::fromUtf8(k.par));
        EXPECT_EQ(a.texte(), QString::fromUtf8(k.texte)) << k.début;
        if (k.curseur >= 0) {
            EXPECT_EQ(a.débutSélection(), k.curseur) << k.début;
        }
    }
}

// Ce que l'éditeur tape après un changement de format ou derrière une clé marquée (la sélection
// et le point d'insertion du programme sont vus par les marques du makefile et le code MLI).
TEST(DocumentRiche, FormatDuProchainTexte) {
    DocumentRiche d = documentDe("MCU = atmega8\r\n");
    d.sélectionner(0, 5);
    d.définirGras(true);
    d.définirCouleur(Rouge);
    d.définirDébutSélection(13);
    d.définirItalique(true);
    d.remplacerSélection(" // x");
    EXPECT_FALSE(d.formatEn(18).italique); // le saut de ligne d'après n'a pas bougé
    // Le texte tapé ensuite continue dans le même format.
    d.remplacerSélection("y");
    EXPECT_TRUE(d.formatEn(18).italique);
    // Un point d'insertion prend le format du caractère qui le précède.
    d.définirDébutSélection(5);
    d.remplacerSélection("!");
    EXPECT_EQ(std::pair(d.formatEn(5).couleur, d.formatEn(5).gras), std::pair(Rouge, true));
}

// Un contenu dont les segments débordent ou manquent n'est pas pris au mot (un contenu correct :
// vu par la lecture des RTF, qui passe par là).
TEST(DocumentRiche, ContenuAuxSegmentsBancals) {
    DocumentRiche vue = documentDe("ancien contenu");
    vue.sélectionner(3, 2);
    vue.définirContenu({"ab\ncd", {{-4, 3, {}}, {3, 99, {true, false, Rouge, {}, 10}}}});
    EXPECT_EQ(vue.texte(), "ab\r\ncd");
    EXPECT_TRUE(vue.formatEn(5).gras);
    EXPECT_EQ(vue.débutSélection(), 0);
}

TEST(DocumentRiche, FichiersTexteRelusEtRéécritsOctetPourOctet) {
    QTemporaryDir dossier;
    const QList<QByteArray> fichiers = {
        QByteArrayLiteral("# makefile\r\nMCU = atmega8\r\n\r\nall:\r\n\tavr-gcc -c x.c\r\n"),
        QByteArrayLiteral("# makefile\rMCU = atmega8\r\rall:\r\tavr-gcc -c x.c"),
        // Accents en UTF-8, avec et sans marque d'ordre, et en 1252 (octets 0x81 et 0x9D compris).
        QByteArray("# Fréquence du quartz, « € »\nF_CPU = 8000000\n"),
        QByteArray("\xEF\xBB\xBF# Fréquence\r\nF_CPU = 8000000\r\n"),
        QByteArray("# Fr\xE9quence \x80 \x81\x9D \x92\r\nF_CPU = 1\r\n"),
        QByteArray(),
        QByteArray("sans fin de ligne"),
    };
    for (int i = 0; i < fichiers.size(); ++i) {
        const QString source = dossier.filePath(QStringLiteral("makefile%1").arg(i));
        const QString copie = source + ".copie";
        OutilsTests::ecrireFichier(source, fichiers[i]);
        DocumentRiche d;
        ASSERT_TRUE(d.charger(source));
        EXPECT_FALSE(d.texte().contains(QRegularExpression("\r(?!\n)|(?<!\r)\n")));
        ASSERT_TRUE(d.enregistrerTexte(copie));
        EXPECT_EQ(OutilsTests::lireFichier(copie), fichiers[i]) << i;
    }
    DocumentRiche d;
    ASSERT_TRUE(d.charger(dossier.filePath("makefile4")));
    EXPECT_TRUE(d.texte().startsWith("# Fréquence € "));
    EXPECT_TRUE(d.texte().contains("\u2019\r\n"));
}

TEST(DocumentRiche, LaFinDeLigneDominanteEstGardéeEtLesModificationsLaSuivent) {
    DocumentRiche d;
    d.chargerDonnées(QByteArrayLiteral("a\nb\r\nc\nd\n"));
    EXPECT_EQ(d.finDeLigne(), FinDeLigne::LF);
    d.trouver("c", 0, 0);
    d.remplacerSélection("C1\r\nC2");
    EXPECT_EQ(d.octetsTexte(), QByteArrayLiteral("a\nb\nC1\nC2\nd\n"));
    // Un caractère que la page de code 1252 n'a pas : le fichier passe en UTF-8 plutôt que de le perdre.
    DocumentRiche w;
    w.chargerDonnées(QByteArray("caf\xE9\r\n"));
    w.définirDébutSélection(w.longueur());
    w.remplacerSélection("Ω");
    EXPECT_EQ(w.octetsTexte(), QByteArray("café\r\nΩ"));
    // Un document neuf prend la fin de ligne du système.
    EXPECT_EQ(documentDe("x\r\n").octetsTexte(), QSysInfo::productType() == u"windows" ? "x\r\n" : "x\n");
}

TEST(DocumentRiche, ÉchecsDeLectureEtDÉcritureSansPerte) {
    QTemporaryDir dossier;
    DocumentRiche d = documentDe("contenu gardé");
    QString erreur;
    EXPECT_FALSE(d.charger(dossier.filePath("absent"), &erreur));
    EXPECT_EQ(d.texte(), "contenu gardé");
    // Un tube à la place d'un makefile ou d'un modèle : refusé sans attendre d'écrivain.
    const QString tube = dossier.filePath("makefile");
    ASSERT_EQ(mkfifo(QFile::encodeName(tube).constData(), 0600), 0);
    EXPECT_FALSE(d.charger(tube, &erreur));
    EXPECT_EQ(d.texte(), "contenu gardé");

    // Un fichier binaire se charge sans plantage.
    QByteArray binaire(256, 0);
    std::iota(binaire.begin(), binaire.end(), char(0));
    d.chargerDonnées(binaire);
    EXPECT_EQ(d.codage(), CodageTexte::Windows1252);
    EXPECT_EQ(d.longueur(), 258); // le LF et le CR isolés ont reçu leur partenaire
}
