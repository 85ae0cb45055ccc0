#include "common/Nombres.h"

#include <gtest/gtest.h>

using namespace Nombres;

TEST(Nombres, ValLitLeNombreDeTete) {
    // « &HFFFF » est un motif 16 bits, donc négatif ; la virgule arrête la lecture comme « a ».
    const std::pair<const char*, double> cas[] = {
        {"  12abc", 12}, {"3.75 Hz", 3.75}, {"-2.5e3x", -2500}, {"1e", 1}, {"&H1F", 31}, {"&hff", 255},
        {"&HFFFF", -1},  {"&O17", 15},      {"&O9", 0},         {"-", 0},  {".5", 0.5}};
    for (const auto& [texte, valeur] : cas)
        EXPECT_DOUBLE_EQ(val(QString::fromUtf8(texte)), valeur) << texte;
}

TEST(Nombres, ArrondiDesMoitiesAuPair) {
    EXPECT_EQ(arrondir(2.5), 2);
    EXPECT_EQ(arrondir(3.5), 4);
    EXPECT_EQ(arrondir(-2.5), -2);
    EXPECT_EQ(arrondir(2.675, 2), 2.68);
    EXPECT_EQ(arrondir(0.125, 2), 0.12);
    EXPECT_EQ(versEntier16(32767.4), 32767);
    EXPECT_EQ(versEntier16(-32768), -32768);
    EXPECT_THROW(versEntier16(32767.5), ErreurDepassement);
    EXPECT_THROW(versEntier16(-32769), ErreurDepassement);
    EXPECT_EQ(versEntier32(2147483647.0), 2147483647);
    EXPECT_THROW(versEntier32(2147483648.0), ErreurDepassement);
}

TEST(Nombres, TexteDecimalEtScientifique) {
    // 15 chiffres significatifs au plus : 0.1 + 0.2 s'écrit 0.3.
    const std::pair<double, const char*> décimal[] = {{0.1, "0.1"},       {8000000, "8000000"},
                                                      {0.1 + 0.2, "0.3"}, {0.000125, "0.000125"},
                                                      {1e20, "1E+20"},    {0, "0"}};
    for (const auto& [x, texte] : décimal)
        EXPECT_EQ(texteDecimal(x), QString::fromUtf8(texte));
    EXPECT_EQ(texteDecimalVirgule(-12.5), QStringLiteral("-12,5"));
    const std::pair<double, const char*> scientifique[] = {{123456, "1,23E+05"},
                                                           {0.000125, "1,25E-04"},
                                                           {9.999, "1,00E+01"},
                                                           {-5, "-5,00E+00"},
                                                           {0, "0,00E+00"}};
    for (const auto& [x, texte] : scientifique)
        EXPECT_EQ(texteScientifique(x), QString::fromUtf8(texte));
}
