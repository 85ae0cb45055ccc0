// Preuve sur les vrais outils : le code du compteur, compilé par avr-gcc (-Wall -Werror), tourne
// dans simavr pendant que le banc bascule la broche Tn ; le compte lu et le nombre
// d'interruptions sont ceux des fronts envoyés.
#include "assistant/timers/Compteur.h"
#include "assistant/timers/GenerateurBaseDeTemps.h"
#include "outils/OutilsInterruptions.h"

#include "common/Nombres.h"

#include <gtest/gtest.h>

using namespace OutilsInterruptions;

namespace {

struct Cas {
    bool montant;
    int n;          // 0 : compter seulement
    int impulsions; // impulsions envoyées : autant de fronts montants que descendants
};
const Cas cas[] = {
    {true, 0, 300},                  // un débordement d'un compteur 8 bits en chemin
    {false, 0, 300}, {true, 10, 37}, // trois interruptions, sept événements en cours
    {false, 10, 37}, {true, 1, 5},   // une interruption par événement
};

} // namespace

// Cœurs où simavr 1.6 cadence le timer par l'horloge du processeur quand le code choisit la broche
// Tn (il n'en a pas le modèle) : la configuration est prouvée par les registres relus.
bool brocheNonSimulée(const QString& mcu, const QString& timer) {
    static const QStringList timer0 = {QStringLiteral("atmega32u4"), QStringLiteral("attiny13"),
                                       QStringLiteral("attiny13a"),  QStringLiteral("attiny25"),
                                       QStringLiteral("attiny45"),   QStringLiteral("attiny85")};
    if (timer == u"Timer0" && timer0.contains(mcu)) return true;
    return timer == u"Timer1" && (mcu == u"atmega32u4" || mcu == u"atmega1280" || mcu == u"atmega2560");
}
// Timer0 des ATmega16/32 : simavr ignore WGM01 et compte jusqu'à 0xFF, le CTC n'y tourne pas.
bool ctcNonSimulé(const QString& mcu, const QString& timer) {
    return timer == u"Timer0" && (mcu == u"atmega16" || mcu == u"atmega32");
}

QString hexa(uint32_t v) {
    return QStringLiteral("0x") + QString::number(v, 16).toUpper().rightJustified(2, u'0');
}

// Mode normal : le banc bascule la broche Tn et simavr compte ses fronts. En CTC, simavr 1.6 ne fait
// pas avancer le compteur depuis la broche (TCNT reste à 1) : la configuration est prouvée par les
// registres relus, et la logique du compte (routine, lecture sûre, paquets de N) par le même code
// cadencé par l'horloge interne divisée par 1024, un événement par 1024 cycles.
TEST(SimavrCompteur, ChaqueEntréeDHorlogeDesComposantsSimulésCompteSesFronts) {
    EXIGER_OUTILS("avr-gcc", "simavr");
    QTemporaryDir d;
    int n = 0, simulés = 0, relus = 0;
    for (const QString& mcu : composantsSimulés()) {
        const CapacitésComposant c = OutilsAvr::composant(mcu);
        const auto numéros = vecteurs(mcu);
        const auto adr = OutilsAvr::adresses(mcu);
        for (const int e : Compteur::entréesUtilisables(c)) {
            for (const Cas& k : cas) {
                SCOPED_TRACE((mcu + u' ' + c.entrées[e].libellé).toStdString() +
                             (k.montant ? " montant" : " descendant") + " N=" + std::to_string(k.n));
                const auto r = Compteur::calculer(c, e, k.montant, k.n, true);
                ASSERT_TRUE(r.ok()) << r.erreur.toStdString();
                const Compteur::Réglage& g = r.réglage;
                const TimerComposant& t = c.timers[g.indexTimer];
                QString code = Compteur::code(c, g);
                const QString démarrage =
                    QStringLiteral("= %1; // horloge sur").arg(hexa(g.config[t.registreSélection]));
                ASSERT_TRUE(code.contains(démarrage)) << code.toStdString();
                const bool parLaBroche = k.n == 0 && !brocheNonSimulée(mcu, t.nom);
                const bool parLHorlogeInterne = k.n > 0 && !ctcNonSimulé(mcu, t.nom);
                if (parLHorlogeInterne) {
                    const int i1024 = int(t.prédivisions.indexOf(QStringLiteral("1024")));
                    ASSERT_GE(i1024, 0);
                    const uint32_t interne =
                        (g.config[t.registreSélection] & ~7u) | uint32_t(t.codesSélection[i1024]);
                    code.replace(démarrage, QStringLiteral("= %1; // horloge sur").arg(hexa(interne)));
                }
                const QString source = programme(code, QStringLiteral("InitCompteur") + t.nom,
                                                 QStringLiteral("LireCompte") + t.nom)
                                           .replace(QStringLiteral("sleep_mode();"), QString());
                QByteArray erreurs;
                const QString elf =
                    OutilsAvr::compiler(d, QStringLiteral("c%1").arg(n++), mcu, source, &erreurs);
                ASSERT_FALSE(elf.isEmpty()) << erreurs.toStdString() << source.toStdString();
                const int lu = adresseVariable(elf, QStringLiteral("lu"));
                ASSERT_GE(lu, 0);
                const QString vecteur = k.n > 0 ? t.vecteurComparaison : t.vecteurDébordement;
                QStringList options{QStringLiteral("-v"), QString::number(numéros.value(vecteur, -1)),
                                    QStringLiteral("-r"), QString::number(lu),
                                    QStringLiteral("-r"), QString::number(lu + 1)};
                const int64_t paquet = k.n > 0 ? k.n : g.capacité;
                if (parLaBroche) {
                    // Au repos, la broche est au niveau d'avant le front compté.
                    options << QStringLiteral("-b") << g.port + QString::number(g.bit) << QStringLiteral("-k")
                            << QString::number(2 * k.impulsions) << QStringLiteral("-d")
                            << QStringLiteral("200") << QStringLiteral("-t") << QStringLiteral("0.02");
                    if (k.montant) options << QStringLiteral("-h");
                    const auto m = lancer(mcu, 16e6, elf, options);
                    ASSERT_EQ(m.value(QStringLiteral("fronts_restants"), -1), 0)
                        << "le banc n'a pas fini ses fronts";
                    ++simulés;
                    EXPECT_EQ(registre(m, lu, true), k.impulsions);
                    EXPECT_EQ(int64_t(m.value(QStringLiteral("interruptions"))), k.impulsions / paquet);
                    continue;
                }
                ++relus;
                if (parLHorlogeInterne) {
                    // Horloge interne : k.impulsions événements et demi.
                    const auto m =
                        lancer(mcu, 16e6, elf,
                               options << QStringLiteral("-t")
                                       << QString::number((k.impulsions + 0.5) * 1024 / 16e6, 'g', 10));
                    EXPECT_EQ(int64_t(m.value(QStringLiteral("interruptions"))), k.impulsions / paquet);
                    EXPECT_NEAR(registre(m, lu, true), k.impulsions, 1);
                }
                // La configuration de la broche, relue dans le simulateur avec le code tel que généré.
                const QString elfBroche = OutilsAvr::compiler(
                    d, QStringLiteral("c%1").arg(n++), mcu,
                    programme(Compteur::code(c, g), QStringLiteral("InitCompteur") + t.nom,
                              QStringLiteral("LireCompte") + t.nom),
                    &erreurs);
                ASSERT_FALSE(elfBroche.isEmpty()) << erreurs.toStdString();
                const QString sommet = GenerateurBaseDeTemps::registresSommet(t)[0];
                const QString ddr = QStringLiteral("DDR") + g.port, port = QStringLiteral("PORT") + g.port;
                QStringList registres =
                    relire(adr, {t.registre(0), t.registre(1), sommet, t.registreInterruption, ddr, port});
                const auto b = lancer(mcu, 16e6, elfBroche,
                                      registres << QStringLiteral("-t") << QStringLiteral("0.001"));
                EXPECT_EQ(registre(b, adr.value(t.registre(0)), false), int(g.config[0]));
                if (t.nombreRegistresConfig == 2) {
                    EXPECT_EQ(registre(b, adr.value(t.registre(1)), false), int(g.config[1]));
                }
                // Fiche technique : 110 front descendant, 111 front montant.
                EXPECT_EQ(int(g.config[t.registreSélection] & 7), k.montant ? 7 : 6);
                if (k.n > 0) {
                    EXPECT_EQ(registre(b, adr.value(sommet), Nombres::val(t.max) > 255), k.n - 1);
                }
                EXPECT_TRUE(registre(b, adr.value(t.registreInterruption), false) != 0);
                EXPECT_EQ(registre(b, adr.value(ddr), false) & (1 << g.bit), 0);
                EXPECT_NE(registre(b, adr.value(port), false) & (1 << g.bit), 0);
            }
        }
    }
    EXPECT_GE(simulés, 50);
    std::printf("compteur : %d cas simulés par la broche, %d par l'horloge interne et les registres\n",
                simulés, relus);
}
