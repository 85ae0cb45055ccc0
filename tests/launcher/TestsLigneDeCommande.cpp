#include "launcher/LigneDeCommande.h"
#include "noyau/EtatGlobal.h"

#include <gtest/gtest.h>

namespace {
QStringList champs(const QString& brut, int maximum = 10) {
    etatGlobal().réinitialiser();
    DécouperLigneDeCommande(brut, maximum);
    return etatGlobal().ArgumentsLigne.mid(1);
}
} // namespace

TEST(DecouperLigneDeCommande, GuillemetsRetiresEtChampsSansRognage) {
    etatGlobal().réinitialiser();
    const QString t =
        DécouperLigneDeCommande(QStringLiteral("\"CONFIGURER>d:\\Programme-C\\MaquetteV3>BP-LED\""));
    EXPECT_EQ(t, QStringLiteral("CONFIGURER>d:\\Programme-C\\MaquetteV3>BP-LED"));
    EXPECT_EQ(etatGlobal().NombreArguments, 3);
    EXPECT_EQ(etatGlobal().ArgumentsLigne.size(), 4);
    EXPECT_EQ(etatGlobal().ArgumentsLigne[0], QString());
    EXPECT_EQ(champs(QStringLiteral(" configurer > a b >x")),
              (QStringList{QStringLiteral(" configurer "), QStringLiteral(" a b "), QStringLiteral("x")}));
    // Les guillemets disparaissent aussi au milieu des champs.
    EXPECT_EQ(champs(QStringLiteral("isis>d:\\p>f>\"C:\\Program Files\\isis.exe\"")).last(),
              QStringLiteral("C:\\Program Files\\isis.exe"));
}

TEST(DecouperLigneDeCommande, SeparateursMultiplesEtExtremites) {
    EXPECT_EQ(champs(QStringLiteral(">>a>>b>")), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(champs(QString()), QStringList());
    EXPECT_EQ(etatGlobal().NombreArguments, 0);
    EXPECT_EQ(champs(QStringLiteral(">>>")), QStringList());
    EXPECT_EQ(champs(QStringLiteral("\"\"")), QStringList());
}

TEST(DecouperLigneDeCommande, DixChampsAuPlus) {
    const QStringList onze = champs(QStringLiteral("1>2>3>4>5>6>7>8>9>10>11>12"));
    EXPECT_EQ(onze.size(), 10);
    EXPECT_EQ(onze.last(), QStringLiteral("10"));
    EXPECT_EQ(champs(QStringLiteral("a>b>c"), 2), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(champs(QStringLiteral("1>2>3>4>5>6")).size(), 6);
}

TEST(DecouperLigneDeCommande, TexteBrutJointLesArgumentsParUnBlanc) {
    EXPECT_EQ(TexteBrutLigneDeCommande({QStringLiteral("nettoyer>/tmp/Mon"), QStringLiteral("projet>X")}),
              QStringLiteral("nettoyer>/tmp/Mon projet>X"));
    EXPECT_EQ(TexteBrutLigneDeCommande({}), QString());
}

TEST(AfficherUsage, TexteExact) {
    const QString u = TexteUsage(QStringLiteral("x>y"));
    const QStringList lignes = u.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lignes.size(), 19);
    EXPECT_EQ(lignes[0], QStringLiteral("Erreur : la ligne de commande : «x>y» est invalide."));
    EXPECT_EQ(lignes[1], QString());
    EXPECT_EQ(lignes[3], QStringLiteral("          Paramètre 1 : commande à exécuter :"));
    EXPECT_EQ(lignes[4], QStringLiteral("                    - Compiler,"));
    EXPECT_EQ(lignes[11], QStringLiteral("                    - Assistante."));
    EXPECT_EQ(lignes[14],
              QStringLiteral("          Paramètre 4 : Paramètre additionnel. Pour l'instant, uniquement la "
                             "commande du simulateur."));
    EXPECT_EQ(lignes[16], QStringLiteral("Les paramètres sont à séparer d'un > (Supérieur)."));
    EXPECT_EQ(lignes[18], QStringLiteral("« Par exemple : configurer>d:\\Programme-C\\MaquetteV3>BP-LED »"));
    EXPECT_FALSE(u.contains(QStringLiteral("\n\n")));
}
