#include "launcher/LigneDeCommande.h"
#include "noyau/EtatGlobal.h"

#include <gtest/gtest.h>

TEST(DecouperLigneDeCommande, ChampsGuillemetsSeparateursEtMaximum) {
    const struct {
        QString brut;
        int maximum;
        QStringList attendus;
    } cas[] = {
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
    for (const auto& c : cas) {
        SCOPED_TRACE(c.brut.toStdString());
        etatGlobal().réinitialiser();
        DécouperLigneDeCommande(c.brut, c.maximum);
        // L'indice 0 reste vide, comme le nom du programme.
        EXPECT_EQ(std::pair(qsizetype(etatGlobal().NombreArguments), etatGlobal().ArgumentsLigne),
                  std::pair(c.attendus.size(), QStringList{QString()} + c.attendus));
    }
    // Le texte rendu est la ligne sans ses guillemets.
    EXPECT_EQ(DécouperLigneDeCommande(QStringLiteral("\"a>b\"")), QStringLiteral("a>b"));
}
