// Preuve sur les vrais outils : le code de la base de temps et du compteur, compilé par avr-gcc
// (-Wall -Werror), tourne dans simavr ; le nombre d'interruptions, leur espacement et le compte lu
// sûrement sont ceux que la ligne « Obtenu » annonce, ou ceux des fronts que le banc envoie sur Tn.
#include "assistant/timers/BaseDeTemps.h"
#include "assistant/timers/Compteur.h"
#include "outils/OutilsInterruptions.h"

#include <cmath>
#include <gtest/gtest.h>
#include <ranges>

using namespace OutilsInterruptions;

namespace {

// Timer1 des ATtiny25/45/85, Timer4 et 5 des ATmega1281/2561, CTC non simulé : simavr 1.6 n'en a pas
// le modèle, les registres font la preuve.
bool nonSimulé(const QString& mcu, const TimerComposant& t) {
    const bool tiny5 = QStringList{"attiny25", "attiny45", "attiny85"}.contains(mcu);
    const bool m1281 =
        (mcu == u"atmega1281" || mcu == u"atmega2561") && t.nom.contains(QRegularExpression("[45]$"));
    return (tiny5 && t.nom == u"Timer1") || m1281 || OutilsAvr::ctcNonSimulé(mcu, t.nom);
}

// Secondes à 0 : la plus longue du timer, à 90 %.
struct Période {
    const char* nom;
    double horloge, secondes;
    bool compenser;
};
// Quartz des liaisons série : 14 745,6 cycles par milliseconde, la compensation rend la moyenne juste.
const Période périodes[] = {{"courte", 16e6, 64e-6, false},
                            {"1 ms", 16e6, 1e-3, false},
                            {"longue", 16e6, 0, false},
                            {"1 ms compensée", 14.7456e6, 1e-3, true}};

// Front, N (0 : compter seulement), impulsions envoyées. Compter (un débordement 8 bits en chemin) ;
// N = 10 : trois interruptions, sept événements en cours ; N = 1 : une interruption par événement.
struct Cas {
    bool montant;
    int n, impulsions;
};
const Cas cas[] = {{true, 0, 300}, {false, 0, 300}, {true, 10, 37}, {false, 1, 5}};

// Cœurs où simavr 1.6 cadence le timer par l'horloge du processeur quand le code choisit la broche
// Tn (il n'en a pas le modèle) : le compte passe par l'horloge interne.
bool brocheNonSimulée(const QString& mcu, const QString& timer) {
    static const QStringList timer0 = {"atmega32u4", "attiny13", "attiny13a",
                                       "attiny25",   "attiny45", "attiny85"};
    if (timer == u"Timer0" && timer0.contains(mcu)) return true;
    return timer == u"Timer1" && (mcu == u"atmega32u4" || mcu == u"atmega1280" || mcu == u"atmega2560");
}
// Ligne du code qui démarre le timer avec cette sélection d'horloge.
QString démarrage(uint32_t v) {
    return QStringLiteral("= 0x%1; // horloge sur")
        .arg(QString::number(v, 16).toUpper().rightJustified(2, u'0'));
}

} // namespace

// Mode normal : le banc bascule la broche Tn. En CTC, simavr 1.6 ne compte pas la broche (TCNT reste à 1) :
// le même code, cadencé par l'horloge interne, prouve la logique du compte ; les registres, la configuration.
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
                // Sans CTC (Timer0 de l'ATmega8), le timer compte mais n'interrompt pas tous les N.
                if (k.n > 0 && !c.timers[Compteur::timerDeLEntrée(c, e)].interruptionsConnues()) {
                    EXPECT_FALSE(r.ok());
                    continue;
                }
                ASSERT_TRUE(r.ok()) << r.erreur.toStdString();
                const Compteur::Réglage& g = r.réglage;
                const TimerComposant& t = c.timers[g.indexTimer];
                const int sel = t.registreSélection;
                // Fiche technique : 110 front descendant, 111 front montant.
                EXPECT_EQ(int(g.config[sel] & 7), k.montant ? 7 : 6);
                const bool parLaBroche = k.n == 0 && !brocheNonSimulée(mcu, t.nom);
                const bool parLHorlogeInterne = !parLaBroche && !OutilsAvr::ctcNonSimulé(mcu, t.nom);
                uint32_t config[2] = {g.config[0], g.config[1]};
                if (parLHorlogeInterne)
                    config[sel] =
                        (config[sel] & ~7u) | uint32_t(t.codesSélection.at(t.prédivisions.indexOf("1024")));
                const QString code =
                    Compteur::code(c, g).replace(démarrage(g.config[sel]), démarrage(config[sel]));
                // Sans sommeil : « lu » suit chaque front.
                const auto [elf, lu] = compilerEssai(
                    d, n, mcu,
                    programme(code, "InitCompteur" + t.nom, "LireCompte" + t.nom).remove("sleep_mode();"));
                if (elf.isEmpty()) continue;
                const QString ddr = "DDR" + g.port, port = "PORT" + g.port;
                const QString vecteur = k.n > 0 ? t.vecteurComparaison : t.vecteurDébordement;
                QStringList args = surveiller(numéros.value(vecteur, -1), lu, 2) << relire(adr, {ddr, port});
                // Au repos, la broche est au niveau d'avant le front compté ; l'horloge interne donne un
                // événement par 1024 cycles : k.impulsions et demi.
                if (parLaBroche)
                    args += {"-b", g.port + QString::number(g.bit),  "-d", "200",
                             "-k", QString::number(2 * k.impulsions)};
                if (parLaBroche && k.montant) args << "-h";
                args << "-t" << QString::number((k.impulsions + 0.5) * 1024 / 16e6, 'g', 10);
                // La configuration relue : registres, broche en entrée avec sa résistance de tirage.
                const auto m = vérifierConfiguration(mcu, elf, adr, t, config, k.n - 1, args);
                EXPECT_EQ(registre(m, adr.value(ddr), false) & (1 << g.bit), 0);
                EXPECT_NE(registre(m, adr.value(port), false) & (1 << g.bit), 0);
                ++(parLaBroche ? simulés : relus);
                if (!parLaBroche && !parLHorlogeInterne) continue;
                EXPECT_EQ(m.value("fronts_restants"), 0) << "le banc n'a pas fini ses fronts";
                EXPECT_NEAR(registre(m, lu, true), k.impulsions, parLaBroche ? 0 : 1);
                EXPECT_EQ(int64_t(m.value("interruptions")), k.impulsions / (k.n > 0 ? k.n : g.capacité));
            }
        }
    }
    EXPECT_GE(simulés, 50);
    std::printf("compteur : %d cas simulés par la broche, %d par l'horloge interne et les registres\n",
                simulés, relus);
}

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
            const double pmax = std::ranges::max(t.prédivisions | std::views::transform(Nombres::val));
            for (const Période& p : périodes) {
                const double T =
                    p.secondes > 0 ? p.secondes : 0.9 * pmax * (Nombres::val(t.max) + 1) / p.horloge;
                SCOPED_TRACE((mcu + u' ' + t.nom + u' ' + QString::fromLatin1(p.nom)).toStdString());
                const BaseDeTemps::Résultat r = BaseDeTemps::calculer(c, i, p.horloge, T, p.compenser);
                ASSERT_TRUE(r.ok()) << r.erreur.toStdString();
                const BaseDeTemps::Réglage& g = r.réglage;
                // La longue demande la plus grande prédivision ; les autres sont exactes (en moyenne).
                EXPECT_NEAR(p.secondes == 0 ? g.prédivision : g.périodeObtenue, p.secondes == 0 ? pmax : T,
                            1e-12);
                const auto [elf, lu] =
                    compilerEssai(d, n, mcu,
                                  programme(GenerateurBaseDeTemps::code(c, g), "InitBaseDeTemps" + t.nom,
                                            "LireTics" + t.nom));
                if (elf.isEmpty()) continue;
                double cyclesTic = double(g.comptes) * g.prédivision;
                double moyenne = g.périodeObtenue * p.horloge;
                if (!nonSimulé(mcu, t)) {
                    ++simulés;
                    const QString vecteur = g.débordement ? t.vecteurDébordement : t.vecteurComparaison;
                    const double durée = 205 * g.périodeObtenue + 0.0005;
                    const auto m = lancer(mcu, p.horloge, elf,
                                          surveiller(numéros.value(vecteur, -1), lu, 3)
                                              << "-t" << QString::number(durée, 'g', 12));
                    const int interruptions = int(m.value("interruptions"));
                    ASSERT_GE(interruptions, 200) << "simulé " << m.value("cycles") << " cycles";
                    // Le premier tic compte depuis le démarrage du timer, à quelques instructions du reset.
                    double premier = cyclesTic;
                    if (g.débordement) {
                        // simavr 1.6 modélise à sa façon l'écriture de TCNTn : ignorée timer arrêté
                        // (le premier tic compte tout le compteur) ; timer en marche, elle relance la
                        // prédivision et place le débordement suivant à C·p − ⌊R·C·p / (C − 1)⌋
                        // cycles (C : capacité, R : valeur rechargée). Ce calcul retiré, reste le délai
                        // de la routine avant sa recharge : sous une prédivision, il prouve que la
                        // recharge précède le premier compte ; le silicium, dont la prédivision court
                        // librement, tient alors la période exacte.
                        const double C = double(g.capacité), R = double(g.rechargement()), pr = g.prédivision;
                        const double décalage = m["ecart_min"] - cyclesTic;
                        const double délai = décalage + std::floor(R * C * pr / (C - 1)) - R * pr;
                        EXPECT_GT(délai, 0);
                        EXPECT_LT(délai, pr);
                        cyclesTic += décalage;
                        moyenne += décalage;
                        premier = C * pr;
                    }
                    EXPECT_NEAR(m["premiere"], premier, 400);
                    const double tic = g.compensé ? g.prédivision : 0;
                    EXPECT_GE(m["ecart_min"], cyclesTic - 1);
                    EXPECT_LE(m["ecart_max"], cyclesTic + tic + 1);
                    EXPECT_GE(m["ecart_max"], cyclesTic + tic - 1);
                    // Sur le long terme : la période moyenne annoncée, à un tic de gigue près.
                    const double total = m["derniere"] - m["premiere"];
                    EXPECT_NEAR(total, (interruptions - 1) * moyenne, tic + 2);
                    // Le compteur lu par la fonction sûre suit les interruptions (octets bas).
                    EXPECT_NEAR(registre(m, lu, true) + 65536 * registre(m, lu + 2, false), interruptions, 1);
                } else {
                    ++relus;
                    vérifierConfiguration(mcu, elf, adr, t, g.config, g.sommet());
                    // Fiche technique : période = diviseur × (sommet + 1) / F.
                    const double p2 = OutilsAvr::diviseurFiche(t, g.config[t.registreSélection]);
                    const double comptes = double(g.comptes) + double(g.numérateur) / double(g.dénominateur);
                    EXPECT_NEAR(p2 * comptes / p.horloge, g.périodeObtenue, 1e-12);
                }
            }
        }
    }
    EXPECT_GE(simulés, 300);
    std::printf("base de temps : %d cas simulés, %d relus dans les registres\n", simulés, relus);
}
