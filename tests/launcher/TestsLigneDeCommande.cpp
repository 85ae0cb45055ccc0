#include "launcher/LigneDeCommande.h"
#include "noyau/EtatGlobal.h"

#include <gtest/gtest.h>

TEST(DecouperLigneDeCommande, ChampsGuillemetsSeparateursEtMaximum) {
    struct Cas {
        QString brut;
        int maximum;
        QStringList attendus;
    };
    const Cas cas[] = {
        // Guillemets retirés partout, champs jamais rognés.
        {" configurer > a b >x", 10, {" configurer ", " a b ", "x"}},
        {"isis>d:\\p>f>\"C:\\Program Files\\isis.exe\"",
         10,
         {"isis", "d:\\p", "f", "C:\\Program Files\\isis.exe"}},
        // Séparateurs multiples ou aux extrémités : aucun champ vide.
        {">>a>>b>", 10, {"a", "b"}},
        {"\"\"", 10, {}},
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
