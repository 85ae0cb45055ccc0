// Base de temps : choix du timer, de la prédivision et du sommet, compensation, refus clairs ;
// le code de chaque composant du fichier se compile.
#include "assistant/timers/BaseDeTemps.h"
#include "assistant/timers/GenerateurBaseDeTemps.h"
#include "outils/OutilsAvr.h"

#include <gtest/gtest.h>

using namespace OutilsAvr;

namespace {

int timer(const CapacitésComposant& c, const char* nom) {
    for (const int i : BaseDeTemps::timersUtilisables(c))
        if (c.timers[i].nom == QLatin1String(nom)) return i;
    return -1;
}

} // namespace

TEST(BaseDeTemps, PrédivisionSommetEtCompensation) {
    const CapacitésComposant c = composant(QStringLiteral("atmega328p"));
    struct Cas {
        const char* timer;
        double F, T;
        bool compenser;
        double prédivision;
        int64_t sommet;
        int64_t numérateur, dénominateur; // compensation ; 0 / 1 sans
        double ppm;                       // écart annoncé (à 0,01 près)
    };
    const Cas cas[] = {
        {"Timer0", 16e6, 1e-3, false, 64, 249, 0, 1, 0},
        {"Timer1", 16e6, 1e-3, false, 1, 15999, 0, 1, 0},
        {"Timer2", 16e6, 2e-3, false, 128, 249, 0, 1, 0}, // prédivision 128 du timer asynchrone
        // 14 745,6 cycles : pas de réglage exact, l'écart le plus petit est annoncé.
        {"Timer0", 14.7456e6, 1e-3, false, 64, 229, 0, 1, -1736.11},
        {"Timer1", 14.7456e6, 1e-3, false, 1, 14745, 0, 1, 27.13},
        // Compensé : deux tics sur cinq durent un compte de plus, la moyenne est exacte.
        {"Timer0", 14.7456e6, 1e-3, true, 64, 229, 2, 5, 0},
        {"Timer1", 14.7456e6, 1e-3, true, 1, 14744, 3, 5, 0},
        // 3 Hz : un tiers de compte, exact avec des tiers.
        {"Timer1", 16e6, 1.0 / 3, true, 256, 20832, 1, 3, 0},
        // La plus longue du Timer0 demande la plus grande prédivision.
        {"Timer0", 16e6, 16e-3, false, 1024, 249, 0, 1, 0},
    };
    for (const Cas& k : cas) {
        SCOPED_TRACE(std::string(k.timer) + " " + std::to_string(k.F) + " " + std::to_string(k.T));
        const auto r = BaseDeTemps::calculer(c, timer(c, k.timer), k.F, k.T, k.compenser);
        ASSERT_TRUE(r.ok()) << r.erreur.toStdString();
        EXPECT_EQ(r.réglage.prédivision, k.prédivision);
        EXPECT_EQ(r.réglage.sommet(), k.sommet);
        EXPECT_EQ(r.réglage.numérateur, k.numérateur);
        EXPECT_EQ(r.réglage.dénominateur, k.dénominateur);
        EXPECT_NEAR(r.réglage.écartPpm, k.ppm, 0.01);
        EXPECT_EQ(r.réglage.compensé, k.numérateur != 0);
        // Le code de sélection de la prédivision est dans le registre qui démarre le timer.
        const TimerComposant& t = c.timers[r.réglage.indexTimer];
        EXPECT_EQ(int(r.réglage.config[t.registreSélection] & 7), r.réglage.codeSélection);
    }
}

TEST(BaseDeTemps, TimerParDéfautEtRefus) {
    const CapacitésComposant c = composant(QStringLiteral("atmega328p"));
    // Le premier exact, sinon le plus juste.
    EXPECT_EQ(c.timers[BaseDeTemps::timerParDéfaut(c, 16e6, 1e-3)].nom, u"Timer0");
    EXPECT_EQ(c.timers[BaseDeTemps::timerParDéfaut(c, 14.7456e6, 1e-3)].nom, u"Timer1");
    EXPECT_EQ(c.timers[BaseDeTemps::timerParDéfaut(c, 16e6, 0.5)].nom, u"Timer1"); // trop long pour 8 bits

    struct Refus {
        const char* timer;
        double F, T;
        bool compenser;
        const char* extrait;
    };
    const Refus refus[] = {
        {"Timer0", 16e6, 2e-6, false, "au moins 100 cycles"},
        {"Timer0", 16e6, 0.1, false, "ne va pas au-delà de 16,38 ms"},
        {"Timer0", 16e6, 0, false, "plus grande que 0"},
        {"Timer0", 0, 1e-3, false, "horloge"},
        // 127,5 cycles : un tic trop court pour que la routine récrive le sommet à temps.
        {"Timer0", 16e6, 127.5 / 16e6, true, "ne peut pas compenser"},
    };
    for (const Refus& k : refus) {
        SCOPED_TRACE(k.extrait);
        const auto r = BaseDeTemps::calculer(c, timer(c, k.timer), k.F, k.T, k.compenser);
        EXPECT_TRUE(r.erreur.contains(QString::fromUtf8(k.extrait))) << r.erreur.toStdString();
    }

    // Un fichier ancien, sans vecteurs : aucun timer, et l'onglet dit pourquoi.
    CapacitésComposant ancien = c;
    for (TimerComposant& t : ancien.timers)
        t.vecteurComparaison.clear();
    EXPECT_TRUE(BaseDeTemps::timersUtilisables(ancien).empty());
    EXPECT_FALSE(BaseDeTemps::pourquoiAucunTimer(ancien).isEmpty());
    EXPECT_EQ(BaseDeTemps::timerParDéfaut(ancien, 16e6, 1e-3), -1);
}

TEST(BaseDeTemps, PériodeOuFréquenceTapée) {
    const std::pair<const char*, double> cas[] = {
        {"1 ms", 1e-3}, {"250 µs", 250e-6}, {"250us", 250e-6}, {"10 Hz", 0.1}, {"1,5 kHz", 1 / 1.5e3},
        {"2", 2},       {"0 Hz", 0},        {"dix", 0},        {"1 mm", 0},
    };
    for (const auto& [texte, période] : cas)
        EXPECT_DOUBLE_EQ(BaseDeTemps::lirePériodeOuFréquence(QString::fromUtf8(texte)), période) << texte;
}

// Chaque composant du fichier : le code de chaque timer se compile (-Wall -Werror) ; un nom de
// vecteur qu'avr-libc ne connaît pas pour ce composant y est une erreur.
TEST(Configuration, ChaqueComposantCompileSaBaseDeTemps) {
    EXIGER_OUTILS("avr-gcc");
    QTemporaryDir d;
    QMap<QString, QString> sources;
    int timers = 0;
    for (const QString& mcu : CapacitesComposant::composants(fichierLivré())) {
        const CapacitésComposant c = composant(mcu);
        QString source;
        for (const int i : BaseDeTemps::timersUtilisables(c)) {
            const auto r = BaseDeTemps::calculer(c, i, 8e6, 1e-3, true);
            ASSERT_TRUE(r.ok()) << mcu.toStdString() << r.erreur.toStdString();
            source += GenerateurBaseDeTemps::code(c, r.réglage);
            ++timers;
        }
        EXPECT_FALSE(source.isEmpty()) << mcu.toStdString();
        sources[mcu] = source;
    }
    EXPECT_GE(timers, 250);
    for (const auto& [mcu, erreur] : compilerTous(d, sources).asKeyValueRange())
        EXPECT_TRUE(erreur.isEmpty()) << mcu.toStdString() << " : " << erreur.toStdString();
}
