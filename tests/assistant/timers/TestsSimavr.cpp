// Preuve sur les vrais outils : le code généré, compilé par avr-gcc (-Wall -Werror), tourne dans
// simavr et la broche mesurée donne la fréquence et le rapport cycliques annoncés.
#include "outils/OutilsAvr.h"

#include "common/Nombres.h"

#include <gtest/gtest.h>

using namespace OutilsAvr;

namespace {

// Comment simavr 1.6 montre le signal.
enum class Mesure {
    Broche,    // fronts de la broche de sortie
    Registres, // registres relus dans simavr et formule de la fiche technique
    Compteur,  // simavr ne relie pas les sorties de l'ATtiny13 : cycle du compteur TCNT0
};

struct Cas {
    const char* mcu;
    double horloge;
    const char* sortie; // début du libellé de la sortie
    const char* mode;
    double f;
    double rc;
    bool exacte; // le timer atteint exactement f
    Mesure mesure = Mesure::Broche;
    double facteurSimulateur = 1; // fréquence que simavr donne en plus de l'annoncée
    // MLI rapide relue dans les registres : la sortie est haute OCR + hautEnPlus comptes par
    // période, d'après la fiche (1 sur les ATmega, 0 pour le Timer1 des ATtiny25/45/85).
    int hautEnPlus = 1;
};

const Cas cas[] = {
    // Les exemples de départ : 16 MHz, 1 kHz.
    {"atmega8", 16e6, "OC1A", "FPWM", 1000, 0.5, true},
    // simavr 1.6 ne pilote aucune broche en MLI à phase correcte : registres relus.
    {"atmega8", 16e6, "OC1A", "PWMPC", 1000, 0.5, true, Mesure::Registres},
    {"atmega48", 16e6, "OC0A", "CTC", 1000, 0.5, true}, // clk/64 et 124, pas clk/8
    {"atmega8", 16e6, "OC2", "CTC", 4000, 0.5, true},
    {"atmega8", 16e6, "OC2", "FPWM", 1000, 0.25, false},  // sommet fixe : clk/64, 976,6 Hz
    {"atmega8", 16e6, "OC2", "FPWM", 1000, 0.001, false}, // comparaison 0, jamais -1
    {"atmega8", 16e6, "OC1B", "FPWM", 50, 0.1, true},
    {"atmega8", 16e6, "OC1B", "CTC", 2000, 0.5, true},          // sommet OCR1A, bascule OC1B
    {"atmega8", 16e6, "OC1A", "FPWM", 16e6 / 65536, 0.5, true}, // sommet = Max
    // Servo : ATmega16 à 8 MHz, 50 Hz, impulsion de 1,5 ms.
    {"atmega16", 8e6, "OC1A", "FPWM", 50, 0.075, true},
    {"atmega16", 8e6, "OC0", "FPWM", 4000, 0.5, false},
    {"atmega16", 8e6, "OC2", "CTC", 2000, 0.5, true},
    // simavr fait tourner clk/32 du Timer2 à clk/16 : il montre le double de l'annoncé.
    {"atmega16", 8e6, "OC2", "CTC", 500, 0.5, true, Mesure::Broche, 2},
    {"atmega16", 8e6, "OC1B", "PWMPC", 100, 0.3, true, Mesure::Registres},
    {"atmega32", 16e6, "OC1A", "FPWM", 20000, 0.3, true},
    // simavr 1.6 ignore WGM01 du Timer0 des ATmega16/32 (il compte jusqu'à 0xFF) : registres relus.
    {"atmega32", 16e6, "OC0", "CTC", 10000, 0.5, true, Mesure::Registres},
    {"atmega32", 16e6, "OC2", "FPWM", 500, 0.75, false},
    {"atmega48", 8e6, "OC0A", "FPWM", 4000, 0.5, false},
    {"atmega48", 8e6, "OC0B", "FPWM", 4000, 0.25, true}, // sommet OCR0A
    {"atmega48", 8e6, "OC0B", "CTC", 1250, 0.5, true},   // sommet OCR0A, bascule OC0B
    {"atmega48", 8e6, "OC1B", "FPWM", 10000, 0.5, true},
    {"atmega48", 8e6, "OC2A", "FPWM", 1000, 0.4, false},
    {"atmega48", 8e6, "OC0A", "PWMPC", 1000, 0.5, false, Mesure::Registres},
    {"atmega88", 16e6, "OC1A", "CTC", 100, 0.5, true},
    {"atmega88", 16e6, "OC2B", "CTC", 5000, 0.5, true},
    {"atmega128", 16e6, "OC1C", "FPWM", 1000, 0.2, true},
    {"atmega128", 16e6, "OC3A", "FPWM", 400, 0.5, true},
    {"attiny2313", 8e6, "OC0A", "FPWM", 30000, 0.5, false},
    {"attiny2313", 8e6, "OC1A", "FPWM", 1000, 0.6, true},
    // simavr 1.6 ne relie pas OC1B (PB4) de l'ATtiny2313 : registres relus.
    {"attiny2313", 8e6, "OC1B", "CTC", 1000, 0.5, true, Mesure::Registres},
    // simavr 1.6 ne relie pas les sorties OC0A/OC0B de l'ATtiny13 : cycle du compteur.
    {"attiny13", 9.6e6, "OC0A", "FPWM", 4000, 0.5, false, Mesure::Compteur},
    {"attiny13", 9.6e6, "OC0B", "CTC", 1000, 0.5, true, Mesure::Compteur},
    // simavr 1.6 ne fait pas tourner le Timer1 de l'ATtiny85 : registres relus, formule de la fiche.
    {"attiny85", 8e6, "OC1A", "FPWM", 10000, 0.3, true, Mesure::Registres, 1, 0},
    {"attiny85", 8e6, "OC1B", "CTC", 1000, 0.5, true, Mesure::Registres},
    // Composants ajoutés à la liste, mêmes timers qu'un autre : la broche du groupe est la bonne.
    {"atmega1281", 16e6, "OC3B", "FPWM", 1000, 0.25, true},
    {"atmega644", 16e6, "OC2B", "CTC", 2000, 0.5, true},
    {"atmega1284", 16e6, "OC3A", "FPWM", 1000, 0.3, true},
};

// Diviseur de chaque code CS d'après les fiches techniques (Timer2 asynchrone à part ; Timer1
// des ATtiny25/45/85 : CK / 2^(code − 1) sur quatre bits).
enum class Prédiviseur { Normal, Asynchrone, PuissancesDeDeux };
double diviseur(int code, Prédiviseur genre) {
    static const double normal[] = {0, 1, 8, 64, 256, 1024};
    static const double async[] = {0, 1, 8, 32, 64, 128, 256, 1024};
    switch (genre) {
    case Prédiviseur::Asynchrone:
        return async[code & 7];
    case Prédiviseur::PuissancesDeDeux:
        return code == 0 ? 0 : double(1 << ((code & 15) - 1));
    case Prédiviseur::Normal:
        break;
    }
    return (code & 7) <= 5 ? normal[code & 7] : 0;
}

} // namespace

TEST(Simavr, LeCodeGénéréDonneSurLaBrocheCeQuIlAnnonce) {
    EXIGER_OUTILS("avr-gcc", "simavr");
    QTemporaryDir d;
    int n = 0;
    for (const Cas& k : cas) {
        SCOPED_TRACE(std::string(k.mcu) + " " + k.sortie + " " + k.mode + " " + std::to_string(k.f) +
                     " Hz RC " + std::to_string(k.rc));
        const CapacitésComposant c = composant(QString::fromLatin1(k.mcu));
        const EntréesGénérateur e = entrées(c, indexSortie(c, QString::fromLatin1(k.sortie)), k.horloge, k.f,
                                            k.rc, QString::fromLatin1(k.mode));
        DocumentRiche doc;
        const RésultatGénération r = GénérerLeCodePWM(e, doc);
        ASSERT_TRUE(r.ok()) << r.erreur.toStdString();
        const auto& g = r.réglage;
        const QString fonction = QRegularExpression(QStringLiteral("void (InitMLI_OC\\w+)\\(void\\)"))
                                     .match(doc.texte())
                                     .captured(1);
        ASSERT_FALSE(fonction.isEmpty()) << doc.texte().toStdString();
        const QString source =
            QStringLiteral("#include <avr/io.h>\n") + doc.texte() +
            QStringLiteral("\nint main(void) {\n    %1();\n    for (;;) {\n    }\n}\n").arg(fonction);
        QByteArray erreurs;
        const QString elf =
            compiler(d, QStringLiteral("cas%1").arg(n++), QString::fromLatin1(k.mcu), source, &erreurs);
        ASSERT_FALSE(elf.isEmpty()) << erreurs.toStdString() << source.toStdString();

        const TimerComposant& t = c.timers[r.indexTimer];
        const double annoncée = g.fréquenceObtenue;
        if (k.exacte)
            EXPECT_NEAR(annoncée, k.f, k.f * 1e-3);
        else
            EXPECT_GT(std::fabs(annoncée - k.f), 0.0);

        if (k.mesure == Mesure::Broche) {
            const SortieComposant& s = c.sorties[e.indexSortie];
            const double secondes = std::min(3.0, 8.0 / annoncée + 0.01);
            const auto m = mesurer(QString::fromLatin1(k.mcu), k.horloge, elf,
                                   {QStringLiteral("-b"), s.port + QString::number(s.bit),
                                    QStringLiteral("-t"), QString::number(secondes)});
            ASSERT_TRUE(m.contains(QStringLiteral("frequence")))
                << "aucun signal sur " << s.libellé.toStdString();
            EXPECT_NEAR(m[QStringLiteral("frequence")], annoncée * k.facteurSimulateur, annoncée * 1e-3);
            const double compte = 1.0 / double(g.sommet + 1);
            EXPECT_NEAR(m[QStringLiteral("rapport")], g.rapportObtenu, compte + 1e-6);
        } else {
            const auto adr = adresses(QString::fromLatin1(k.mcu));
            QStringList options;
            const QString configA = t.registre(0), configB = t.registre(t.nombreRegistresConfig == 2 ? 1 : 0);
            const QString sommet = g.sommetFixe ? QString() : g.registreSommet;
            for (const QString& reg : {configA, configB, sommet, g.registreComparaison})
                if (!reg.isEmpty())
                    options << QStringLiteral("-r") << QString::number(adr.value(reg)) << QStringLiteral("-r")
                            << QString::number(adr.value(reg) + 1);
            if (k.mesure == Mesure::Compteur)
                options << QStringLiteral("-c") << QString::number(adr.value(QStringLiteral("TCNT0")));
            options << QStringLiteral("-t") << QStringLiteral("0.05");
            const auto m = mesurer(QString::fromLatin1(k.mcu), k.horloge, elf, options);
            auto lire8 = [&](const QString& reg) {
                return int(m.value(QStringLiteral("registre_0x%1").arg(adr.value(reg), 0, 16)));
            };
            auto lire16 = [&](const QString& reg) {
                return lire8(reg) +
                       256 * int(m.value(QStringLiteral("registre_0x%1").arg(adr.value(reg) + 1, 0, 16)));
            };
            // Ce que le code a vraiment écrit, relu dans le simulateur.
            EXPECT_EQ(uint32_t(lire8(configA)), g.configA);
            const int top = sommet.isEmpty()
                                ? int(Nombres::val(t.max))
                                : (g.sommet > 255 || t.max != u"255" ? lire16(sommet) : lire8(sommet));
            EXPECT_EQ(top, g.sommet);
            const Prédiviseur genre =
                Nombres::val(t.prédivisions.value(1)) == 2 ? Prédiviseur::PuissancesDeDeux
                : t.prédivisions.size() > 5 && Nombres::val(t.prédivisions[5]) > 0 ? Prédiviseur::Asynchrone
                                                                                   : Prédiviseur::Normal;
            const int cs = lire8(configB) & (genre == Prédiviseur::PuissancesDeDeux ? 15 : 7);
            const double p = diviseur(cs, genre);
            ASSERT_GT(p, 0);
            if (k.mesure == Mesure::Registres) {
                const int ocr =
                    t.max == u"255" ? lire8(g.registreComparaison) : lire16(g.registreComparaison);
                if (e.ModePWM == u"CTC") {
                    // Fiche technique : f = F / (2 × N × (1 + OCR)).
                    EXPECT_NEAR(k.horloge / (2 * p * (top + 1)), annoncée, annoncée * 1e-3);
                } else if (e.ModePWM == u"FPWM") {
                    // Fiche technique : f = F / (N × (1 + TOP)) ; haut OCR + hautEnPlus comptes.
                    EXPECT_NEAR(k.horloge / (p * (top + 1)), annoncée, annoncée * 1e-3);
                    EXPECT_NEAR(double(ocr + k.hautEnPlus) / (top + 1), g.rapportObtenu, 1e-9);
                    EXPECT_NEAR(double(ocr + k.hautEnPlus) / (top + 1), k.rc, 1.0 / (top + 1));
                } else {
                    // Fiche technique : f = F / (2 × N × TOP) en phase correcte ; RC = OCR / TOP.
                    EXPECT_NEAR(k.horloge / (2 * p * top), annoncée, annoncée * 1e-3);
                    EXPECT_NEAR(double(ocr) / top, g.rapportObtenu, 1.0 / top);
                }
            } else {
                ASSERT_TRUE(m.contains(QStringLiteral("cycle_compteur"))) << "le compteur ne tourne pas";
                // Un tour de compteur : une période en MLI rapide, une demi-période en CTC (bascule).
                const double tour = m[QStringLiteral("cycle_compteur")];
                const double f = e.ModePWM == u"CTC" ? k.horloge / (2 * tour) : k.horloge / tour;
                EXPECT_NEAR(f, annoncée, annoncée * 1e-3);
            }
        }
    }
    EXPECT_GE(n, 30);
}

// Deux sorties d'un même timer : leurs deux fonctions, compilées ensemble et appelées l'une après
// l'autre, donnent chacune son rapport sur sa broche ; la seconde ne coupe pas la première.
TEST(Simavr, DeuxSortiesDUnTimerTournentEnsemble) {
    EXIGER_OUTILS("avr-gcc", "simavr");
    QTemporaryDir d;
    const CapacitésComposant c = composant(QStringLiteral("atmega328p"));
    struct Sortie {
        const char* nom;
        double rc;
    };
    const Sortie sorties[] = {{"OC0A", 0.25}, {"OC0B", 0.75}};
    QString source = QStringLiteral("#include <avr/io.h>\n"), appels;
    double annoncée = 0;
    for (const Sortie& s : sorties) {
        const EntréesGénérateur e = entrées(c, indexSortie(c, QString::fromLatin1(s.nom)), 16e6, 976.5625,
                                            s.rc, QStringLiteral("FPWM"));
        DocumentRiche doc;
        const RésultatGénération r = GénérerLeCodePWM(e, doc);
        ASSERT_TRUE(r.ok()) << r.erreur.toStdString();
        annoncée = r.réglage.fréquenceObtenue;
        source += doc.texte();
        appels += QStringLiteral("    InitMLI_%1();\n").arg(QString::fromLatin1(s.nom));
    }
    source += QStringLiteral("int main(void) {\n%1    for (;;) {\n    }\n}\n").arg(appels);
    QByteArray erreurs;
    const QString elf = compiler(d, QStringLiteral("deux"), QStringLiteral("atmega328p"), source, &erreurs);
    ASSERT_FALSE(elf.isEmpty()) << erreurs.toStdString() << source.toStdString();
    for (const Sortie& s : sorties) {
        const SortieComposant& so = c.sorties[indexSortie(c, QString::fromLatin1(s.nom))];
        const auto m = mesurer(QStringLiteral("atmega328p"), 16e6, elf,
                               {QStringLiteral("-b"), so.port + QString::number(so.bit), QStringLiteral("-t"),
                                QStringLiteral("0.02")});
        ASSERT_TRUE(m.contains(QStringLiteral("frequence"))) << "aucun signal sur " << s.nom;
        EXPECT_NEAR(m[QStringLiteral("frequence")], annoncée, annoncée * 1e-3) << s.nom;
        EXPECT_NEAR(m[QStringLiteral("rapport")], s.rc, 0.01) << s.nom;
    }
}
