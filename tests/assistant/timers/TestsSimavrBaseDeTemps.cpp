// Preuve sur les vrais outils : le code de la base de temps, compilé par avr-gcc (-Wall -Werror),
// tourne dans simavr au moins 200 périodes ; le nombre d'interruptions, leur espacement et le
// compteur lu sûrement sont ceux que la ligne « Obtenu » annonce.
#include "assistant/timers/BaseDeTemps.h"
#include "assistant/timers/GenerateurBaseDeTemps.h"
#include "outils/OutilsInterruptions.h"

#include "common/Nombres.h"

#include <gtest/gtest.h>

using namespace OutilsInterruptions;

namespace {

// Ce que simavr 1.6 ne fait pas tourner : la preuve passe par les registres relus.
bool nonSimulé(const QString& mcu, const TimerComposant& t) {
    // Timer1 des ATtiny25/45/85 : simavr n'en a pas le modèle.
    if (mcu.startsWith(u"attiny") && mcu.size() == 8 && mcu.endsWith(u'5') && t.nom == u"Timer1") return true;
    // Timer0 des ATmega16/32 : simavr ignore WGM01 et compte jusqu'à 0xFF.
    if ((mcu == u"atmega16" || mcu == u"atmega32") && t.nom == u"Timer0") return true;
    return false;
}

// Diviseur de chaque code CS d'après les fiches techniques : Timer2 asynchrone à part, Timer1 des
// ATtiny25/45/85 en puissances de deux sur quatre bits.
double diviseurFiche(const TimerComposant& t, uint32_t config) {
    static const double normal[] = {0, 1, 8, 64, 256, 1024, 0, 0};
    static const double async[] = {0, 1, 8, 32, 64, 128, 256, 1024};
    if (Nombres::val(t.prédivisions.value(1)) == 2)
        return (config & 15) ? double(1 << ((config & 15) - 1)) : 0;
    const bool asynchrone = t.prédivisions.size() > 5 && Nombres::val(t.prédivisions[5]) > 0;
    return (asynchrone ? async : normal)[config & 7];
}

struct Période {
    const char* nom;
    double horloge;
    double secondes; // 0 : la plus longue du timer, à 90 %
    bool compenser;
};
const Période périodes[] = {
    {"courte", 16e6, 50e-6, false},
    {"1 ms", 16e6, 1e-3, false},
    {"longue", 16e6, 0, false},
    // Quartz des liaisons série : 14 745,6 cycles par milliseconde, la compensation rend la moyenne juste.
    {"1 ms compensée", 14.7456e6, 1e-3, true},
};

} // namespace

TEST(SimavrBaseDeTemps, ChaqueTimerDeChaqueComposantSimuléTientSaPériode) {
    EXIGER_OUTILS("avr-gcc", "simavr");
    QTemporaryDir d;
    int simulés = 0, relus = 0, n = 0;
    for (const QString& mcu : composantsSimulés()) {
        const CapacitésComposant c = OutilsAvr::composant(mcu);
        const auto numéros = vecteurs(mcu);
        const auto adr = OutilsAvr::adresses(mcu);
        for (const int i : BaseDeTemps::timersUtilisables(c)) {
            const TimerComposant& t = c.timers[i];
            double pmax = 0;
            for (const QString& x : t.prédivisions)
                pmax = std::max(pmax, Nombres::val(x));
            for (const Période& p : périodes) {
                const double T =
                    p.secondes > 0 ? p.secondes : 0.9 * pmax * (Nombres::val(t.max) + 1) / p.horloge;
                SCOPED_TRACE((mcu + u' ' + t.nom + u' ' + QString::fromLatin1(p.nom)).toStdString());
                const BaseDeTemps::Résultat r = BaseDeTemps::calculer(c, i, p.horloge, T, p.compenser);
                ASSERT_TRUE(r.ok()) << r.erreur.toStdString();
                const BaseDeTemps::Réglage& g = r.réglage;
                if (p.secondes == 0) {
                    EXPECT_EQ(g.prédivision, pmax) << "la longue demande la plus grande prédivision";
                }
                const QString code = GenerateurBaseDeTemps::code(c, g);
                const QString source = programme(code, QStringLiteral("InitBaseDeTemps") + t.nom,
                                                 QStringLiteral("LireTics") + t.nom);
                QByteArray erreurs;
                const QString elf =
                    OutilsAvr::compiler(d, QStringLiteral("b%1").arg(n++), mcu, source, &erreurs);
                ASSERT_FALSE(elf.isEmpty()) << erreurs.toStdString() << source.toStdString();

                const double cyclesTic = double(g.comptes) * g.prédivision;
                const double moyenne = g.périodeObtenue * p.horloge;
                if (!nonSimulé(mcu, t)) {
                    ++simulés;
                    const int lu = adresseVariable(elf, QStringLiteral("lu"));
                    ASSERT_GE(lu, 0);
                    const double durée = 205 * g.périodeObtenue + 0.0005;
                    const auto m = lancer(
                        mcu, p.horloge, elf,
                        {QStringLiteral("-v"), QString::number(numéros.value(t.vecteurComparaison, -1)),
                         QStringLiteral("-t"), QString::number(durée, 'g', 12), QStringLiteral("-r"),
                         QString::number(lu), QStringLiteral("-r"), QString::number(lu + 1),
                         QStringLiteral("-r"), QString::number(lu + 2)});
                    const int interruptions = int(m.value(QStringLiteral("interruptions")));
                    EXPECT_GE(interruptions, 200)
                        << "simulé " << m.value(QStringLiteral("cycles")) << " cycles";
                    if (interruptions < 200) continue;
                    // Le premier tic compte depuis le démarrage du timer, à quelques instructions du reset.
                    EXPECT_NEAR(m[QStringLiteral("premiere")], cyclesTic, 400);
                    const double tic = g.compensé ? g.prédivision : 0;
                    EXPECT_GE(m[QStringLiteral("ecart_min")], cyclesTic - 1);
                    EXPECT_LE(m[QStringLiteral("ecart_max")], cyclesTic + tic + 1);
                    if (g.compensé) {
                        EXPECT_GE(m[QStringLiteral("ecart_max")], cyclesTic + tic - 1);
                    }
                    // Sur le long terme : la période moyenne annoncée, à un tic de gigue près.
                    const double total = m[QStringLiteral("derniere")] - m[QStringLiteral("premiere")];
                    EXPECT_NEAR(total, (interruptions - 1) * moyenne, tic + 2);
                    // Le compteur lu par la fonction sûre suit les interruptions (octets bas).
                    const int compteur =
                        registre(m, lu, true) +
                        65536 * int(m.value(QStringLiteral("registre_0x%1").arg(lu + 2, 0, 16)));
                    EXPECT_NEAR(compteur, interruptions, 1);
                } else {
                    ++relus;
                    const QStringList sommets = GenerateurBaseDeTemps::registresSommet(t);
                    const QStringList options =
                        relire(adr, {t.registre(0), t.registre(1), sommets[0], t.registreInterruption})
                        << QStringLiteral("-t") << QStringLiteral("0.001");
                    const auto m = lancer(mcu, p.horloge, elf, options);
                    EXPECT_EQ(registre(m, adr.value(t.registre(0)), false), int(g.config[0]));
                    if (t.nombreRegistresConfig == 2) {
                        EXPECT_EQ(registre(m, adr.value(t.registre(1)), false), int(g.config[1]));
                    }
                    EXPECT_EQ(registre(m, adr.value(sommets[0]), Nombres::val(t.max) > 255), g.sommet());
                    EXPECT_NE(registre(m, adr.value(t.registreInterruption), false), 0);
                    // Fiche technique : période = diviseur × (sommet + 1) / F.
                    const double p2 = diviseurFiche(t, g.config[t.registreSélection]);
                    const double comptes = double(g.comptes) + double(g.numérateur) / double(g.dénominateur);
                    EXPECT_NEAR(p2 * comptes / p.horloge, g.périodeObtenue, 1e-12);
                }
            }
        }
    }
    EXPECT_GE(simulés, 300);
    std::printf("base de temps : %d cas simulés, %d relus dans les registres\n", simulés, relus);
}
