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

// Copie du fichier livré sans les attributs des sommets en plus : un fichier d'avant.
QString fichierSansSommets(const QTemporaryDir& d) {
    QString texte = QString::fromUtf8(OutilsTests::lireFichier(fichierLivré()));
    texte.remove(QRegularExpression(QStringLiteral(" Sommets(FPWM|PWMPC)=\"[^\"]*\"")));
    const QString f = d.filePath(QStringLiteral("Configuration.xml"));
    OutilsTests::ecrireFichier(f, texte.toUtf8());
    return f;
}
} // namespace

TEST(CalculTimer, BornesEtValeursExtrêmes) {
    // Une valeur de mode qui déborde l'octet est refusée.
    TimerComposant t = timer("atmega48", "OC0A");
    t.valeursPWM[0] = QStringLiteral("&H1F8");
    EXPECT_FALSE(calculer(t, ModeMLI::CTC, {16e6}, 1000, 0.5).ok());
    const TimerComposant t2 = timer("atmega8", "OC2");
    // Le Timer2 ne descend pas sous 61 Hz à 16 MHz : limites et refus avant toute génération.
    const auto l = CalculTimer::limites(t2, ModeMLI::Rapide, {16e6});
    EXPECT_NEAR(l.FminHz, 61.035, 1e-3);
    EXPECT_FALSE(calculer(t2, ModeMLI::Rapide, {16e6}, 50, 0.5).ok());
    // Rapport hors ]0 ; 1[ refusé.
    EXPECT_FALSE(calculer(t2, ModeMLI::Rapide, {16e6}, 1000, 1).ok());
    EXPECT_FALSE(calculer(t2, ModeMLI::Rapide, {16e6}, 1000, 0).ok());
    // Fréquence nulle, ou qu'aucune prédivision n'atteint : message, rien de calculé.
    const TimerComposant t1 = timer("atmega8", "OC1A");
    EXPECT_FALSE(calculer(t1, ModeMLI::Rapide, {16e6}, 0, 0.5).ok());
    EXPECT_FALSE(calculer(t1, ModeMLI::Rapide, {16e6}, 8e6 + 1, 0.5).ok());
    EXPECT_FALSE(calculer(t1, ModeMLI::CTC, {16e6}, 0.01, 0.5).ok());
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
    EXPECT_EQ(s.F, QStringLiteral("50 Hz"));
    EXPECT_EQ(s.Ton, QStringLiteral("1,5 ms"));
    EXPECT_EQ(s.Toff, QStringLiteral("18,5 ms"));
    EXPECT_EQ(s.Écart, QStringLiteral("+0,00 %"));
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
    EXPECT_EQ(pc.réglage.sommet, 1023);
    EXPECT_DOUBLE_EQ(pc.réglage.fréquenceObtenue, 8e6 / (2 * 8 * 1023.0));
    EXPECT_EQ(pc.réglage.comparaison, 256);
    EXPECT_EQ(pc.réglage.configA, 0x83u); // COM1A1, PWM11, PWM10
    EXPECT_EQ(pc.réglage.configB, 2u);    // clk/8, CTC1 à 0
    EXPECT_NEAR(CalculTimer::limites(s, ModeMLI::PhaseCorrecte, {8e6}).FmaxHz, 8e6 / 2046, 1e-9);
    const auto ctc = calculer(s, ModeMLI::CTC, {8e6}, 1, 0.5);
    ASSERT_TRUE(ctc.ok());
    EXPECT_EQ(ctc.réglage.sommet, 62499);
    EXPECT_EQ(ctc.réglage.configB, 0x08u | 3u); // CTC1, clk/64
    EXPECT_FALSE(calculer(s, ModeMLI::Rapide, {8e6}, 500, 0.25).ok());

    // Timer1 de l'ATtiny26 (haut de TCNT1 = 1 à OCR1A ; l'ATtiny85 et les ATmega sont mesurés
    // dans simavr), sommet OCR1C : un quart de 200 comptes, c'est OCR1A = 51.
    const TimerComposant t26 = timer("attiny26", "OC1A"), t85 = timer("attiny85", "OC1A");
    const auto a = calculer(t26, ModeMLI::Rapide, {8e6}, 10000, 0.25);
    ASSERT_TRUE(a.ok());
    EXPECT_EQ(a.réglage.sommet, 199);
    EXPECT_EQ(a.réglage.registreSommet, QStringLiteral("OCR1C"));
    EXPECT_EQ(a.réglage.configB, 3u); // CK/4 : code 3
    EXPECT_EQ(a.réglage.comparaison, 51);
    EXPECT_DOUBLE_EQ(a.réglage.rapportObtenu, 0.25);
    // Aux extrêmes, jamais une comparaison qui tient la sortie basse ou haute (0 ou OCR1C).
    EXPECT_EQ(calculer(t26, ModeMLI::Rapide, {8e6}, 10000, 0.001).réglage.comparaison, 2);
    EXPECT_EQ(calculer(t85, ModeMLI::Rapide, {8e6}, 10000, 0.001).réglage.comparaison, 1);
    EXPECT_EQ(calculer(t85, ModeMLI::Rapide, {8e6}, 10000, 0.999).réglage.comparaison, 198);
    // Prédivisions de 1 à 16384 : 1 Hz en CTC à 8 MHz passe par CK/16384 (code 15).
    const auto lent = calculer(t85, ModeMLI::CTC, {8e6}, 1, 0.5);
    ASSERT_TRUE(lent.ok());
    EXPECT_EQ(lent.réglage.configA & 0x0F, 15u);
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
        const CapacitésComposant c = composant(QString::fromLatin1(mcu));
        const RésultatGénération r = GenerateurPWM::calculer(
            entrées(c, indexSortie(c, QString::fromLatin1(sortie)), 16e6, f, 0.5, QString::fromLatin1(mode)));
        ASSERT_TRUE(r.ok()) << r.erreur.toStdString();
        EXPECT_EQ(r.réglage.registreSommet, QString::fromLatin1(registre));
        EXPECT_EQ(r.réglage.sommet, sommet);
        EXPECT_EQ(r.réglage.prédivision, prédivision);
        // La sortie dont la comparaison devient le sommet est nommée, et perd ses bits gardés.
        const bool emprunté = QByteArray(registre).endsWith("0A") || QByteArray(registre).endsWith("2A");
        EXPECT_EQ(r.avertissementSommet.isEmpty(), !emprunté);
        EXPECT_EQ(r.réglage.garder[0] == 0, emprunté);
    }

    const CapacitésComposant c = composant(QStringLiteral("atmega88"));
    // Les limites suivent la meilleure source : OCR2A mène OC2B jusqu'à F / 2, OC2A reste à F / 256.
    for (const auto& [sortie, fmax] : {std::pair{5, 8e6}, {4, 62500.0}})
        EXPECT_DOUBLE_EQ(
            GenerateurPWM::limites(entrées(c, sortie, 16e6, 1000, 0.5, QStringLiteral("FPWM"))).FmaxHz, fmax);
}

// Sur tout le fichier, une source de plus ne donne jamais un écart plus grand que le fichier ancien.
TEST(CalculTimer, JamaisPlusLoinQueLeRéglageDAvant) {
    QTemporaryDir d;
    const QString ancien = fichierSansSommets(d);
    int mieux = 0;
    // Un composant par famille de timers du fichier.
    for (const char* nom :
         {"atmega8",     "atmega16",  "atmega8515", "atmega128",  "atmega48",   "atmega164p",
          "atmega1284p", "atmega640", "atmega32u4", "atmega169",  "at90can128", "attiny2313",
          "attiny13",    "attiny24",  "attiny25",   "attiny26",   "attiny10",   "attiny88",
          "at90s8535",   "atmega103", "atmega162",  "atmega1281", "at90usb82",  "at90usb1287"}) {
        const QString mcu = QString::fromLatin1(nom);
        CapacitésComposant n, a;
        ASSERT_TRUE(CapacitesComposant::lire(fichierLivré(), mcu, n));
        ASSERT_TRUE(CapacitesComposant::lire(ancien, mcu, a));
        for (int s = 0; s < int(n.sorties.size()); ++s)
            for (const char* mode : {"CTC", "FPWM", "PWMPC"})
                for (double f = 1; f < 4e6; f *= 2.9) {
                    const auto rn =
                        GenerateurPWM::calculer(entrées(n, s, 16e6, f, 0.3, QString::fromLatin1(mode)));
                    const auto ra =
                        GenerateurPWM::calculer(entrées(a, s, 16e6, f, 0.3, QString::fromLatin1(mode)));
                    if (!ra.ok()) continue;
                    ASSERT_TRUE(rn.ok()) << mcu.toStdString() << " " << s << " " << mode << " " << f;
                    const double en = std::fabs(rn.réglage.écartPourCent),
                                 ea = std::fabs(ra.réglage.écartPourCent);
                    EXPECT_LE(en, ea + 1e-9) << mcu.toStdString() << " " << s << " " << mode << " " << f;
                    mieux += en < ea - 1e-9;
                }
    }
    EXPECT_GT(mieux, 100);
}
