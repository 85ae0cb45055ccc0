#include "common/Texte.h"

#include <gtest/gtest.h>

TEST(Texte, RognerNeRetireQueLesBlancs) {
    EXPECT_EQ(Texte::rogner(QStringLiteral("  a b  ")), QStringLiteral("a b"));
    EXPECT_EQ(Texte::rogner(QStringLiteral("\t a \t")), QStringLiteral("\t a \t"));
    EXPECT_EQ(Texte::rognerDroite(QStringLiteral(" x ")), QStringLiteral(" x"));
}

TEST(Texte, ÉgalitéSansCasseAvecAccents) {
    EXPECT_TRUE(
        Texte::egauxSansCasse(QStringLiteral("ATMega16 RÉGLAGE"), QStringLiteral("atmega16 réglage")));
}

TEST(Texte, DecoupageCommeUnShellGardeLesGuillemetsEnsemble) {
    // Les barres obliques inverses des chemins Windows restent telles quelles.
    EXPECT_EQ(Texte::decouperCommeUnShell(QStringLiteral("c:\\avr\\bin\\x.exe 'a b'")),
              (QStringList{QStringLiteral("c:\\avr\\bin\\x.exe"), QStringLiteral("a b")}));
    // Un argument vide entre guillemets est gardé.
    EXPECT_EQ(Texte::decouperCommeUnShell(QStringLiteral("a \"\" b")),
              (QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")}));
}
