// Le calcul des registres et les textes de la calculatrice, sur les cas où la façon de faire
// d'origine donnait un timer arrêté, une fréquence fausse ou un résumé inexact.
#include "assistant/timers/Calculatrice.h"
#include "outils/OutilsAvr.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace OutilsAvr;
using CalculTimer::calculer;

namespace {
TimerComposant timer(const char* mcu, const char* sortie) {
    const CapacitésComposant c = composant(QString::fromLatin1(mcu));
    return c.timers[c.sorties[indexSortie(c, QString::fromLatin1(sortie))].indexTimer];
}
} // namespace

TEST(CalculTimer, BornesEtValeursExtrêmes) {
    // Une valeur de mode qui déborde l'octet est refusée.
    TimerComposant t = timer("atmega48", "OC0A"), t2 = timer("atmega8", "OC2"), t1 = timer("atmega8", "OC1A");
    t.valeursPWM[0] = QStringLiteral("&H1F8");
    // Le Timer2 ne descend pas sous 61 Hz à 16 MHz : limites et refus avant toute génération.
    EXPECT_NEAR(CalculTimer::limites(t2, ModeMLI::Rapide, {16e6}).FminHz, 61.035, 1e-3);
    // Refusés : rapport hors ]0 ; 1[, fréquence nulle ou qu'aucune prédivision n'atteint, valeur de
    // mode qui déborde l'octet.
    for (const auto& [tm, mode, f, rc] : {std::tuple{&t2, ModeMLI::Rapide, 50.0, 0.5},
                                          {&t2, ModeMLI::Rapide, 1000, 1},
                                          {&t2, ModeMLI::Rapide, 1000, 0},
                                          {&t1, ModeMLI::Rapide, 0, 0.5},
                                          {&t1, ModeMLI::Rapide, 8e6 + 1, 0.5},
                                          {&t1, ModeMLI::CTC, 0.01, 0.5},
                                          {&t, ModeMLI::CTC, 1000, 0.5}})
        EXPECT_FALSE(calculer(*tm, mode, {16e6}, f, rc).ok()) << f << " " << rc;
    // Un sommet trop petit pour le rapport voulu (rapport obtenu 0 ou 1) : refusé, pas une sortie plate.
    for (const auto& [f, rc, refusé] : {std::tuple{4e6, 0.25, true}, {4e6, 0.75, true}, {2e6, 0.5, false}}) {
        const auto r = calculer(t1, ModeMLI::PhaseCorrecte, {8e6}, f, rc);
        EXPECT_EQ(r.rapportInexprimable, refusé) << f << " " << rc;
        EXPECT_EQ(r.ok(), !refusé) << r.erreur.toStdString();
    }
}

TEST(Calculatrice, RésuméExactEtUnités) {
    // Servo : 8 MHz, 50 Hz, 1,5 ms ; annoncé 1,5 ms, pas 2 ms.
    const auto r = calculer(timer("atmega16", "OC1A"), ModeMLI::Rapide, {8e6}, 50, 0.075);
    ASSERT_TRUE(r.ok());
    const auto s = Calculatrice::résumé(r.réglage, ModeMLI::Rapide);
    EXPECT_EQ((QStringList{s.F, s.Ton, s.Toff, s.Écart}),
              (QStringList{"50 Hz", "1,5 ms", "18,5 ms", "+0,00 %"}));
    // Timer2 de l'ATmega8, sommet fixe : la prédivision la plus proche (clk/64), pas la première.
    EXPECT_EQ(
        Calculatrice::ligneObtenu(
            calculer(timer("atmega8", "OC2"), ModeMLI::Rapide, {16e6}, 1000, 0.25).réglage, ModeMLI::Rapide,
            QStringLiteral("Timer2")),
        QStringLiteral("Obtenu : 976,6 Hz (écart \u22122,34 %), RC 0,25 – Timer2, Fast PWM, prédivision 64, "
                       "sommet fixe 255 (256 pas)"));
    // Unités : blancs facultatifs, première lettre en toute casse, suite facultative mais juste.
    for (const auto& [texte, unité] :
         {std::pair{"1.5kHz", " kHz"}, {"1 k", " kHz"}, {"2 mhz", " MHz"}, {"1 kz", ""}})
        EXPECT_EQ(Calculatrice::lireFréquence(texte).unité, unité) << texte;
    for (const auto& [texte, secondes] :
         {std::pair{"20 mS", 0.02}, {"3 US", 3e-6}, {"7 N", 7e-9}, {"2 min", 0.0}})
        EXPECT_EQ(Calculatrice::lireTemps(texte).valeurSI, secondes) << texte;
    // Ton et Toff dans la plus grande unité où ils valent au moins 1.
    EXPECT_EQ(Calculatrice::texteDurée(0.99999999e-3), QStringLiteral("1 ms"));
    EXPECT_EQ(Calculatrice::texteFréquence(999999.99), QStringLiteral("1 MHz"));
    EXPECT_EQ(Calculatrice::ConvertitFréquence(0.0005), QStringLiteral("5,00E-04 Hz"));
}

TEST(CalculTimer, AncienTimer1EtTimer1DesATtiny) {
    // AT90S8515 : MLI à phase correcte sur 10 bits (sommet 1023, pas Max), CTC sur 16 bits, pas de
    // MLI rapide.
    const TimerComposant s = timer("at90s8515", "OC1A");
    const auto pc = calculer(s, ModeMLI::PhaseCorrecte, {8e6}, 500, 0.25);
    ASSERT_TRUE(pc.ok()) << pc.erreur.toStdString();
    EXPECT_DOUBLE_EQ(pc.réglage.fréquenceObtenue, 8e6 / (2 * 8 * 1023.0));
    // COM1A1, PWM11, PWM10 ; clk/8, CTC1 à 0.
    EXPECT_EQ(std::tuple(pc.réglage.sommet, pc.réglage.comparaison, pc.réglage.configA, pc.réglage.configB),
              std::tuple(1023, 256, 0x83u, 2u));
    EXPECT_NEAR(CalculTimer::limites(s, ModeMLI::PhaseCorrecte, {8e6}).FmaxHz, 8e6 / 2046, 1e-9);
    const auto ctc = calculer(s, ModeMLI::CTC, {8e6}, 1, 0.5).réglage;
    EXPECT_EQ(std::pair(ctc.sommet, ctc.configB), std::pair(int64_t(62499), 0x08u | 3u)); // CTC1, clk/64
    EXPECT_FALSE(calculer(s, ModeMLI::Rapide, {8e6}, 500, 0.25).ok());

    // Timer1 de l'ATtiny26 (haut de TCNT1 = 1 à OCR1A ; l'ATtiny85 et les ATmega sont mesurés
    // dans simavr), sommet OCR1C, CK/4 (code 3) : un quart de 200 comptes, c'est OCR1A = 51.
    const TimerComposant t26 = timer("attiny26", "OC1A"), t85 = timer("attiny85", "OC1A");
    const auto a = calculer(t26, ModeMLI::Rapide, {8e6}, 10000, 0.25).réglage;
    EXPECT_EQ(std::tuple(a.sommet, a.registreSommet, a.configB, a.comparaison, a.rapportObtenu),
              std::tuple(199, QStringLiteral("OCR1C"), 3u, 51, 0.25));
    // Aux extrêmes, jamais une comparaison qui tient la sortie basse ou haute (0 ou OCR1C).
    EXPECT_EQ(calculer(t26, ModeMLI::Rapide, {8e6}, 10000, 0.001).réglage.comparaison, 2);
    EXPECT_EQ(calculer(t85, ModeMLI::Rapide, {8e6}, 10000, 0.001).réglage.comparaison, 1);
    EXPECT_EQ(calculer(t85, ModeMLI::Rapide, {8e6}, 10000, 0.999).réglage.comparaison, 198);
    // Prédivisions de 1 à 16384 : 1 Hz en CTC à 8 MHz passe par CK/16384 (code 15).
    EXPECT_EQ(calculer(t85, ModeMLI::CTC, {8e6}, 1, 0.5).réglage.configA & 0x0F, 15u);
}

// Le meilleur sommet parmi toutes les sources du mode (le fichier d'avant, sans ces sources :
// JamaisPlusLoinQueLeRéglageDAvant).
TEST(CalculTimer, LeMeilleurSommetDuTimer) {
    // Sommet : "" s'il est fixe.
    for (const auto& [mcu, sortie, mode, f, registre, sommet, prédivision] :
         {// Porteuse infrarouge : OCR2A sert de sommet.
          std::tuple{"atmega88", "OC2B", "FPWM", 38000.0, "OCR2A", 52, 8.0},
          {"atmega328p", "OC2B", "PWMPC", 38000, "OCR2A", 211, 1},
          // Le canal A n'a pas OCRnA comme sommet : il le porte.
          {"atmega88", "OC2A", "FPWM", 38000, "", 255, 1},
          // À écart égal : sans registre de plus (sommet fixe de 10 bits plutôt qu'ICR1 = 1023)…
          {"atmega88", "OC1A", "FPWM", 15625, "", 1023, 1},
          {"atmega88", "OC0B", "FPWM", 976.5625, "", 255, 64},
          // … ICR1 plutôt qu'OCR1A, qui coûterait OC1A ; puis le plus grand sommet.
          {"atmega88", "OC1B", "PWMPC", 1000, "ICR1", 8000, 1},
          {"atmega128", "OC1C", "FPWM", 1000, "ICR1", 15999, 1}}) {
        SCOPED_TRACE(std::string(mcu) + " " + sortie + " " + mode);
        const CapacitésComposant c = composant(mcu);
        const auto r = GenerateurPWM::calculer(entrées(c, indexSortie(c, sortie), 16e6, f, 0.5, mode));
        ASSERT_TRUE(r.ok()) << r.erreur.toStdString();
        // La sortie dont la comparaison devient le sommet est nommée, et perd ses bits gardés.
        const bool emprunté = QByteArray(registre).endsWith("0A") || QByteArray(registre).endsWith("2A");
        const auto& g = r.réglage;
        EXPECT_EQ(std::tuple(g.registreSommet, g.sommet, g.prédivision, r.avertissementSommet.isEmpty(),
                             g.garder[0] == 0),
                  std::tuple(QString::fromLatin1(registre), sommet, prédivision, !emprunté, emprunté));
    }

    const CapacitésComposant c = composant(QStringLiteral("atmega88"));
    // Les limites suivent la meilleure source : OCR2A mène OC2B jusqu'à F / 2, OC2A reste à F / 256.
    for (const auto& [sortie, fmax] : {std::pair{5, 8e6}, {4, 62500.0}})
        EXPECT_DOUBLE_EQ(
            GenerateurPWM::limites(entrées(c, sortie, 16e6, 1000, 0.5, QStringLiteral("FPWM"))).FmaxHz, fmax);
}

// Sur tout le fichier, une source de plus ne donne jamais un écart plus grand que le fichier ancien.
TEST(CalculTimer, JamaisPlusLoinQueLeRéglageDAvant) {
    // Le fichier livré sans les attributs des sommets en plus : un fichier d'avant.
    QTemporaryDir d;
    const QString ancien = d.filePath(QStringLiteral("Configuration.xml"));
    OutilsTests::ecrireFichier(ancien, QString::fromUtf8(OutilsTests::lireFichier(fichierLivré()))
                                           .remove(QRegularExpression(" Sommets(FPWM|PWMPC)=\"[^\"]*\""))
                                           .toUtf8());
    int mieux = 0;
    // Un composant par famille de timers du fichier.
    for (const QString mcu :
         {"atmega8",     "atmega16",  "atmega8515", "atmega128",  "atmega48",   "atmega164p",
          "atmega1284p", "atmega640", "atmega32u4", "atmega169",  "at90can128", "attiny2313",
          "attiny13",    "attiny24",  "attiny25",   "attiny26",   "attiny10",   "attiny88",
          "at90s8535",   "atmega103", "atmega162",  "atmega1281", "at90usb82",  "at90usb1287"}) {
        CapacitésComposant n, a;
        ASSERT_TRUE(CapacitesComposant::lire(fichierLivré(), mcu, n));
        ASSERT_TRUE(CapacitesComposant::lire(ancien, mcu, a));
        for (int s = 0; s < int(n.sorties.size()); ++s)
            for (const QString mode : {"CTC", "FPWM", "PWMPC"})
                for (double f = 1; f < 4e6; f *= 2.9) {
                    const auto rn = GenerateurPWM::calculer(entrées(n, s, 16e6, f, 0.3, mode)),
                               ra = GenerateurPWM::calculer(entrées(a, s, 16e6, f, 0.3, mode));
                    if (!ra.ok()) continue;
                    SCOPED_TRACE(
                        QStringLiteral("%1 %2 %3 %4").arg(mcu).arg(s).arg(mode).arg(f).toStdString());
                    ASSERT_TRUE(rn.ok());
                    const double en = std::fabs(rn.réglage.écartPourCent),
                                 ea = std::fabs(ra.réglage.écartPourCent);
                    EXPECT_LE(en, ea + 1e-9);
                    mieux += en < ea - 1e-9;
                }
    }
    EXPECT_GT(mieux, 100);
}
