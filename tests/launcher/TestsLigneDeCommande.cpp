#include "launcher/LigneDeCommande.h"
#include "noyau/EtatGlobal.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

TEST(DecouperLigneDeCommande, ChampsGuillemetsSeparateursEtMaximum) {
    struct Cas {
        QString brut;
        int maximum;
        QStringList attendus;
    };
    const Cas cas[] = {
        // Guillemets retirés partout, champs jamais rognés.
        {"\"CONFIGURER>d:\\Programme-C\\MaquetteV3>BP-LED\"",
         10,
         {"CONFIGURER", "d:\\Programme-C\\MaquetteV3", "BP-LED"}},
        {" configurer > a b >x", 10, {" configurer ", " a b ", "x"}},
        {"isis>d:\\p>f>\"C:\\Program Files\\isis.exe\"",
         10,
         {"isis", "d:\\p", "f", "C:\\Program Files\\isis.exe"}},
        // Séparateurs multiples ou aux extrémités : aucun champ vide.
        {">>a>>b>", 10, {"a", "b"}},
        {QString(), 10, {}},
        {">>>", 10, {}},
        {"\"\"", 10, {}},
        {"1>2>3>4>5>6>7>8>9>10>11>12", 10, {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}},
        {"a>b>c", 2, {"a", "b"}},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.brut.toStdString());
        etatGlobal().réinitialiser();
        DécouperLigneDeCommande(c.brut, c.maximum);
        EXPECT_EQ(etatGlobal().NombreArguments, c.attendus.size());
        ASSERT_EQ(etatGlobal().ArgumentsLigne.size(), c.attendus.size() + 1);
        EXPECT_EQ(etatGlobal().ArgumentsLigne[0], QString());
        EXPECT_EQ(etatGlobal().ArgumentsLigne.mid(1), c.attendus);
    }
    // Le texte rendu est la ligne sans ses guillemets.
    EXPECT_EQ(DécouperLigneDeCommande(QStringLiteral("\"a>b\"")), QStringLiteral("a>b"));
}

TEST(DecouperLigneDeCommande, TexteBrutJointLesArgumentsParUnBlanc) {
    EXPECT_EQ(TexteBrutLigneDeCommande({QStringLiteral("nettoyer>/tmp/Mon"), QStringLiteral("projet>X")}),
              QStringLiteral("nettoyer>/tmp/Mon projet>X"));
    EXPECT_EQ(TexteBrutLigneDeCommande({}), QString());
}

TEST(AfficherUsage, LigneCitéeEtSautsDeLigneCRLF) {
    const QString u = TexteUsage(QStringLiteral("x>y"));
    EXPECT_TRUE(u.startsWith(QStringLiteral("Erreur : la ligne de commande : «x>y» est invalide.\r\n")));
    EXPECT_FALSE(u.contains(QRegularExpression(QStringLiteral("(?<!\r)\n"))));
}
