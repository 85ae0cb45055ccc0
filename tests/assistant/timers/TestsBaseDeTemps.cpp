// Base de temps : choix du timer, de la prédivision et du sommet, compensation, refus clairs.
#include "assistant/timers/BaseDeTemps.h"
#include "assistant/timers/GenerateurBaseDeTemps.h"
#include "outils/OutilsAvr.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace OutilsAvr;

namespace {

int timer(const CapacitésComposant& c, const char* nom) {
    for (const int i : BaseDeTemps::timersUtilisables(c))
        if (c.timers[i].nom == QLatin1String(nom)) return i;
    return -1;
}

} // namespace

TEST(BaseDeTemps, PrédivisionSommetEtCompensation) {
    struct Cas {
        const char *mcu, *timer;
        double F, T;
        bool compenser;
        double prédivision;
        int64_t sommet;
        int64_t numérateur, dénominateur; // compensation ; 0 / 1 sans
        double ppm;                       // écart annoncé (à 0,01 près)
    };
    const Cas cas[] = {
        {"atmega328p", "Timer2", 16e6, 2e-3, false, 128, 249, 0, 1, 0}, // prédivision 128 (asynchrone)
        // 14 745,6 cycles : pas de réglage exact, l'écart le plus petit est annoncé.
        {"atmega328p", "Timer0", 14.7456e6, 1e-3, false, 64, 229, 0, 1, -1736.11},
        {"atmega328p", "Timer1", 14.7456e6, 1e-3, false, 1, 14745, 0, 1, 27.13},
        // Compensé, 3 Hz : un tiers de compte, exact avec des tiers.
        {"atmega328p", "Timer1", 16e6, 1.0 / 3, true, 256, 20832, 1, 3, 0},
        // Sans CTC : débordement rechargé, jamais sous la prédivision 64 (8 × 200 serait exact).
        {"atmega8", "Timer0", 16e6, 100e-6, false, 64, 24, 0, 1, 0},
    };
    for (const Cas& k : cas) {
        SCOPED_TRACE(std::string(k.mcu) + " " + k.timer + " " + std::to_string(k.T));
        const CapacitésComposant c = composant(QString::fromLatin1(k.mcu));
        const auto r = BaseDeTemps::calculer(c, timer(c, k.timer), k.F, k.T, k.compenser);
        ASSERT_TRUE(r.ok()) << r.erreur.toStdString();
        const BaseDeTemps::Réglage& g = r.réglage;
        EXPECT_EQ(
            std::tuple(g.prédivision, g.sommet(), g.numérateur, g.dénominateur, g.compensé, g.débordement),
            std::tuple(k.prédivision, k.sommet, k.numérateur, k.dénominateur, k.numérateur != 0,
                       k.mcu == std::string("atmega8")));
        EXPECT_NEAR(g.écartPpm, k.ppm, 0.01);
    }
}

TEST(BaseDeTemps, TimerParDéfautEtRefus) {
    const CapacitésComposant c = composant(QStringLiteral("atmega328p"));
    // Le premier exact, sinon le plus juste.
    EXPECT_EQ(c.timers[BaseDeTemps::timerParDéfaut(c, 16e6, 1e-3)].nom, u"Timer0");
    EXPECT_EQ(c.timers[BaseDeTemps::timerParDéfaut(c, 14.7456e6, 1e-3)].nom, u"Timer1");
    EXPECT_EQ(c.timers[BaseDeTemps::timerParDéfaut(c, 16e6, 0.5)].nom, u"Timer1"); // trop long pour 8 bits

    // Refus du Timer0 (127,5 cycles : un tic trop court pour que la routine récrive le sommet à temps).
    for (const auto& [F, T, compenser, extrait] : {std::tuple{16e6, 2e-6, false, "au moins 100 cycles"},
                                                   {16e6, 0.1, false, "ne va pas au-delà de 16,38 ms"},
                                                   {16e6, 0.0, false, "plus grande que 0"},
                                                   {0.0, 1e-3, false, "horloge"},
                                                   {16e6, 127.5 / 16e6, true, "ne peut pas compenser"}}) {
        const auto r = BaseDeTemps::calculer(c, timer(c, "Timer0"), F, T, compenser);
        EXPECT_TRUE(r.erreur.contains(QString::fromUtf8(extrait)))
            << extrait << " : " << r.erreur.toStdString();
    }
}

TEST(BaseDeTemps, PériodeOuFréquenceTapée) {
    const std::pair<const char*, double> cas[] = {
        {"1 ms", 1e-3}, {"250 µs", 250e-6}, {"250us", 250e-6}, {"10 Hz", 0.1}, {"1,5 kHz", 1 / 1.5e3},
        {"2", 2},       {"0 Hz", 0},        {"dix", 0},        {"1 mm", 0},
    };
    for (const auto& [texte, période] : cas)
        EXPECT_DOUBLE_EQ(BaseDeTemps::lirePériodeOuFréquence(QString::fromUtf8(texte)), période) << texte;
}
