#include "common/Texte.h"

#include <gtest/gtest.h>

TEST(Texte, RognerNeRetireQueLesBlancs) {
    EXPECT_EQ(Texte::rogner(QStringLiteral("  a b  ")), QStringLiteral("a b"));
    EXPECT_EQ(Texte::rogner(QStringLiteral("\t a \t")), QStringLiteral("\t a \t"));
    EXPECT_EQ(Texte::rognerGauche(QStringLiteral("   ")), QString());
    EXPECT_EQ(Texte::rognerDroite(QStringLiteral(" x ")), QStringLiteral(" x"));
}

TEST(Texte, RechercheSansCasseAvecAccents) {
    EXPECT_EQ(Texte::chercherSansCasse(QStringLiteral("Mode RÉGLAGE"), QStringLiteral("réglage")), 5);
    EXPECT_EQ(Texte::chercherSansCasse(QStringLiteral("abcabc"), QStringLiteral("ABC"), 1), 3);
    EXPECT_EQ(Texte::chercherSansCasse(QStringLiteral("abc"), QStringLiteral("x")), -1);
    EXPECT_EQ(Texte::chercherSansCasse(QStringLiteral("abc"), QStringLiteral("a"), 10), -1);
    EXPECT_TRUE(Texte::egauxSansCasse(QStringLiteral("ATMega16"), QStringLiteral("atmega16")));
}

TEST(Texte, DecoupageCommeUnShellGardeLesGuillemetsEnsemble) {
    EXPECT_EQ(Texte::decouperCommeUnShell(QStringLiteral("  make   clean ")),
              (QStringList{QStringLiteral("make"), QStringLiteral("clean")}));
    EXPECT_EQ(Texte::decouperCommeUnShell(QStringLiteral("\"/opt/Mes outils/isis\" \"plan 1.DSN\" -v")),
              (QStringList{QStringLiteral("/opt/Mes outils/isis"), QStringLiteral("plan 1.DSN"),
                           QStringLiteral("-v")}));
    // Les barres obliques inverses des chemins Windows restent telles quelles.
    EXPECT_EQ(Texte::decouperCommeUnShell(QStringLiteral("c:\\avr\\bin\\x.exe 'a b'")),
              (QStringList{QStringLiteral("c:\\avr\\bin\\x.exe"), QStringLiteral("a b")}));
    // Un argument vide entre guillemets est gardé.
    EXPECT_EQ(Texte::decouperCommeUnShell(QStringLiteral("a \"\" b")),
              (QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")}));
    EXPECT_TRUE(Texte::decouperCommeUnShell(QStringLiteral("   ")).isEmpty());
}

TEST(Texte, CaracteresDeMot) {
    EXPECT_TRUE(Texte::estCaractereDeMot(u'_'));
    EXPECT_TRUE(Texte::estCaractereDeMot(u'9'));
    EXPECT_TRUE(Texte::estCaractereDeMot(u'é'));
    EXPECT_FALSE(Texte::estCaractereDeMot(u' '));
    EXPECT_FALSE(Texte::estCaractereDeMot(u'='));
}
