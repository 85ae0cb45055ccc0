#include "common/Nombres.h"

#include <gtest/gtest.h>

using namespace Nombres;

TEST(Nombres, ValLitLeNombreDeTete) {
    EXPECT_DOUBLE_EQ(val(QStringLiteral("  12abc")), 12);
    EXPECT_DOUBLE_EQ(val(QStringLiteral("3.75 Hz")), 3.75);
    EXPECT_DOUBLE_EQ(val(QStringLiteral("-2.5e3x")), -2500);
    EXPECT_DOUBLE_EQ(val(QStringLiteral("1e")), 1);
    EXPECT_DOUBLE_EQ(val(QStringLiteral("&H1F")), 31);
    EXPECT_DOUBLE_EQ(val(QStringLiteral("&hFF")), 255);
    EXPECT_DOUBLE_EQ(val(QStringLiteral("&HFFFF")), -1); // motif 16 bits : négatif
    EXPECT_DOUBLE_EQ(val(QStringLiteral("&O17")), 15);
    EXPECT_DOUBLE_EQ(val(QStringLiteral("&O9")), 0);
    EXPECT_DOUBLE_EQ(val(QString()), 0);
    EXPECT_DOUBLE_EQ(val(QStringLiteral("abc")), 0);
    EXPECT_DOUBLE_EQ(val(QStringLiteral("3,5")), 3); // la virgule arrête la lecture
    EXPECT_DOUBLE_EQ(val(QStringLiteral(".5")), 0.5);
    EXPECT_DOUBLE_EQ(val(QStringLiteral("-")), 0);
}

TEST(Nombres, ArrondiDesMoitiesAuPair) {
    EXPECT_EQ(arrondir(2.5), 2);
    EXPECT_EQ(arrondir(3.5), 4);
    EXPECT_EQ(arrondir(-2.5), -2);
    EXPECT_EQ(arrondir(2.675, 2), 2.68);
    EXPECT_EQ(arrondir(0.125, 2), 0.12);
    EXPECT_EQ(arrondir(1.005, 2), 1.0);
    EXPECT_EQ(versEntier16(32767.4), 32767);
    EXPECT_EQ(versEntier16(-32768), -32768);
    EXPECT_THROW(versEntier16(32767.5), ErreurDepassement);
    EXPECT_THROW(versEntier16(-32769), ErreurDepassement);
    EXPECT_EQ(versEntier32(2147483647.0), 2147483647);
    EXPECT_THROW(versEntier32(2147483648.0), ErreurDepassement);
    EXPECT_EQ(versEntier16(0.5), 0);
    EXPECT_EQ(versEntier16(1.5), 2);
}

TEST(Nombres, TexteDecimalLePlusCourt) {
    EXPECT_EQ(texteDecimal(0.1), QStringLiteral("0.1"));
    EXPECT_EQ(texteDecimal(8000000), QStringLiteral("8000000"));
    EXPECT_EQ(texteDecimalVirgule(1.0 / 3), QStringLiteral("0,333333333333333"));
    EXPECT_EQ(texteDecimalVirgule(-12.5), QStringLiteral("-12,5"));
    EXPECT_EQ(texteDecimal(0.1 + 0.2), QStringLiteral("0.3")); // 15 chiffres au plus
    EXPECT_EQ(texteDecimal(0.000125), QStringLiteral("0.000125"));
    EXPECT_EQ(texteDecimal(1e20), QStringLiteral("1E+20"));
    EXPECT_EQ(texteDecimal(0), QStringLiteral("0"));
}

TEST(Nombres, FormatScientifique) {
    EXPECT_EQ(texteScientifique(123456), QStringLiteral("1,23E+05"));
    EXPECT_EQ(texteScientifique(0.000125), QStringLiteral("1,25E-04"));
    EXPECT_EQ(texteScientifique(9.999), QStringLiteral("1,00E+01"));
    EXPECT_EQ(texteScientifique(-5), QStringLiteral("-5,00E+00"));
    EXPECT_EQ(texteScientifique(0), QStringLiteral("0,00E+00"));
}
