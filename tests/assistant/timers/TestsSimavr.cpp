// Preuve sur les vrais outils : pour chaque composant que simavr connaît, chaque sortie du fichier
// des possibilités, chaque mode, trois fréquences de sa plage et deux rapports cycliques, le code
// généré, compilé par avr-gcc (-Wall -Werror), tourne dans simavr et donne ce qu'il annonce.
#include "assistant/timers/Calculatrice.h"
#include "outils/OutilsInterruptions.h"

#include "common/Nombres.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace OutilsAvr;
using OutilsInterruptions::registre;

namespace {

// Comment simavr 1.6 montre le signal.
enum class Mesure {
    Broche,    // fronts de la broche de sortie
    Registres, // registres relus dans simavr et formule de la fiche technique
    Compteur,  // cycle du compteur TCNT0, plus les registres relus
};

// Les limites connues de simavr 1.6 : ce qu'il ne montre pas sur la broche.
Mesure mesureSimavr(const QString& mcu, const TimerComposant& t, const SortieComposant& s, ModeMLI mode) {
    // Il ne relie pas les sorties OC0A/OC0B de l'ATtiny13 : cycle du compteur.
    if (mcu.startsWith(u"attiny13"))
        return mode == ModeMLI::PhaseCorrecte ? Mesure::Registres : Mesure::Compteur;
    // Il ne fait pas tourner le Timer1 des ATtiny25/45/85.
    if (mcu.startsWith(u"attiny") && mcu.endsWith(u"5") && t.nom == u"Timer1") return Mesure::Registres;
    // Il ne relie aucune sortie de comparaison des ATtiny24/44/84 ni de l'AT90USB162, ni OC1C de
    // l'ATmega32U4, ni OC2B (PH6) des ATmega1280/2560.
    if ((mcu.startsWith(u"attiny") && mcu.endsWith(u"4")) || mcu == u"at90usb162") return Mesure::Registres;
    if ((mcu == u"atmega32u4" && s.libellé.startsWith(u"OC1C")) ||
        ((mcu == u"atmega1280" || mcu == u"atmega2560") && s.libellé.startsWith(u"OC2B")))
        return Mesure::Registres;
    // Il ne pilote aucune broche en MLI à phase correcte.
    if (mode == ModeMLI::PhaseCorrecte) return Mesure::Registres;
    // Il ignore WGM01 du Timer0 des ATmega16/32 (il compte jusqu'à 0xFF).
    if (ctcNonSimulé(mcu, t.nom) && mode == ModeMLI::CTC) return Mesure::Registres;
    // Il ne relie pas OC1B (PB4) de la famille ATtiny2313.
    if (mcu.contains(u"313") && s.libellé.startsWith(u"OC1B")) return Mesure::Registres;
    return Mesure::Broche;
}

// Il fait tourner clk/32 du Timer2 des ATmega8/16/32 à clk/16 : le double de l'annoncé.
double facteurSimulateur(const QString& mcu, const TimerComposant& t, const CalculTimer::Réglage& g) {
    const bool ancien = mcu == u"atmega8" || mcu == u"atmega16" || mcu == u"atmega32";
    return ancien && t.nom == u"Timer2" && g.prédivision == 32 ? 2 : 1;
}

// Une ligne de la matrice : une sortie, un mode, une fréquence voulue et un rapport cyclique.
struct Ligne {
    int sortie;
    QString mode;
    double f, rc;
    bool atteinte; // le timer atteint f exactement
};

// Trois fréquences de la plage de la sortie (basse, atteinte exactement, haute), bornées pour que
// la simulation reste courte et que le rapport garde au moins une centaine de pas ; deux rapports
// (un seul en CTC, où il vaut 0,5).
std::vector<Ligne> lignes(const CapacitésComposant& c, double F) {
    std::vector<Ligne> v;
    for (int s = 0; s < int(c.sorties.size()); ++s)
        for (const char* m : {"CTC", "FPWM", "PWMPC"}) {
            const QString mode = QString::fromLatin1(m);
            const auto l = GenerateurPWM::limites(entrées(c, s, F, 1000, 0.5, mode));
            const auto essai =
                GenerateurPWM::calculer(entrées(c, s, F, std::sqrt(l.FminHz * l.FmaxHz), 0.5, mode));
            if (!l.erreur.isEmpty() || essai.erreur.contains(u"n'a pas de mode")) continue;
            double bas = std::max(l.FminHz * 1.05, 150.0), haut = std::min(l.FmaxHz * 0.95, F / 200);
            if (bas > haut) bas = l.FminHz, haut = l.FmaxHz;
            const double milieu = GenerateurPWM::calculer(entrées(c, s, F, std::sqrt(bas * haut), 0.5, mode))
                                      .réglage.fréquenceObtenue;
            for (const double f : {bas, milieu, haut})
                for (const double rc :
                     mode == u"CTC" ? std::vector<double>{0.5} : std::vector<double>{0.25, 0.75})
                    v.push_back({s, mode, f, rc, f == milieu});
        }
    return v;
}

// Génère le code de chaque ligne, compile le tout en un programme (chaque cas est une fonction,
// choisie par un octet .noinit que le banc pose avant le départ), le fait tourner une fois par cas
// et vérifie que la fréquence et le rapport montrés (sur la broche, au compteur, ou d'après les
// registres relus et la fiche technique) sont les annoncés.
void vérifier(const QTemporaryDir& d, const CapacitésComposant& c, double F, int parMesure[3]) {
    const QString mcu = c.nom;
    const std::vector<Ligne> ls = lignes(c, F);
    std::vector<RésultatGénération> v(ls.size());
    QString source = QStringLiteral("#include <avr/io.h>\n"), choix;
    for (std::size_t n = 0; n < ls.size(); ++n) {
        DocumentRiche doc;
        v[n] = GénérerLeCodePWM(entrées(c, ls[n].sortie, F, ls[n].f, ls[n].rc, ls[n].mode), doc);
        if (!v[n].ok()) {
            ADD_FAILURE() << mcu.toStdString() << " " << v[n].erreur.toStdString();
            return;
        }
        source += doc.texte().replace(QRegularExpression(QStringLiteral("void InitMLI_\\w+\\(void\\)")),
                                      QStringLiteral("void cas_%1(void)").arg(n));
        choix += QStringLiteral("    case %1: cas_%1(); break;\n").arg(n);
    }
    source +=
        QStringLiteral("volatile unsigned char cas_choisi __attribute__((section(\".noinit\")));\n"
                       "int main(void) {\n    switch (cas_choisi) {\n%1    }\n    for (;;) {\n    }\n}\n")
            .arg(choix);
    QByteArray erreurs;
    const QString elf = compiler(d, mcu, mcu, source, &erreurs);
    const int adresseCas = elf.isEmpty() ? -1 : adresseSymbole(elf, QStringLiteral("cas_choisi"));
    if (adresseCas < 0) {
        ADD_FAILURE() << mcu.toStdString() << " : " << erreurs.toStdString();
        return;
    }
    const auto adr = adresses(mcu);

    std::vector<Simulation> courses;
    for (std::size_t n = 0; n < ls.size(); ++n) {
        const CalculTimer::Réglage& g = v[n].réglage;
        const TimerComposant& t = c.timers[v[n].indexTimer];
        const SortieComposant& so = c.sorties[ls[n].sortie];
        Simulation s;
        s.mcu = mcu, s.horloge = F, s.elf = elf, s.écritures = {{adresseCas, int(n)}};
        const Mesure mesure = mesureSimavr(mcu, t, so, v[n].mode);
        if (mesure != Mesure::Registres) s.secondes = std::min(1.0, 8.0 / g.fréquenceObtenue + 0.01);
        if (mesure == Mesure::Broche) {
            s.broche = so.port + QString::number(so.bit);
        } else {
            const QString configB = t.registre(t.nombreRegistresConfig == 2 ? 1 : 0);
            for (const QString& reg : {t.registre(0), configB, g.registreSommet, g.registreComparaison})
                if (!reg.isEmpty()) s.registres << adr.value(reg) << adr.value(reg) + 1;
            if (mesure == Mesure::Compteur) s.compteur = adr.value(QStringLiteral("TCNT0"));
        }
        courses.push_back(s);
    }
    const auto mesuré = simulerTous(courses);

    for (std::size_t n = 0; n < ls.size(); ++n) {
        const RésultatGénération& r = v[n];
        const CalculTimer::Réglage& g = r.réglage;
        const TimerComposant& t = c.timers[r.indexTimer];
        const Mesure mesure = mesureSimavr(mcu, t, c.sorties[ls[n].sortie], r.mode);
        double f = 0, rc = 0;
        const auto& m = mesuré[n];
        SCOPED_TRACE(QStringLiteral("%1 %2 %3 %4 Hz RC %5 : sommet %6, prédivision %7")
                         .arg(mcu, c.sorties[ls[n].sortie].libellé, ls[n].mode)
                         .arg(ls[n].f)
                         .arg(ls[n].rc)
                         .arg(Calculatrice::texteSommet(g, r.mode))
                         .arg(g.prédivision)
                         .toStdString());
        if (mesure == Mesure::Broche) {
            if (!m.contains(QStringLiteral("frequence"))) {
                ADD_FAILURE() << "aucun signal sur la broche";
                continue;
            }
            f = m[QStringLiteral("frequence")] / facteurSimulateur(mcu, t, g);
            rc = m[QStringLiteral("rapport")];
        } else {
            if (!m.contains(QStringLiteral("cycles"))) {
                ADD_FAILURE() << "le banc a échoué";
                continue;
            }
            // Ce que le code a vraiment écrit, relu dans le simulateur.
            const bool seize = t.max != u"255";
            auto lire = [&](const QString& reg, bool s) { return registre(m, adr.value(reg), s); };
            EXPECT_EQ(uint32_t(lire(t.registre(0), false)), g.configA);
            const int top = g.sommetFixe ? int(g.sommet) : lire(g.registreSommet, seize);
            EXPECT_EQ(top, g.sommet);
            const int cs = lire(t.registre(t.nombreRegistresConfig == 2 ? 1 : 0), false);
            const double p = diviseurFiche(t, uint32_t(cs));
            if (p <= 0) {
                ADD_FAILURE() << "sélection d'horloge " << cs << " inconnue";
                continue;
            }
            const int ocr = lire(g.registreComparaison, seize);
            // Fiche technique : CTC F / (2 N (1 + OCR)) ; rapide F / (N (1 + TOP)), haut OCR + d
            // comptes ; phase correcte F / (2 N TOP), RC = OCR / TOP.
            const bool ctc = r.mode == ModeMLI::CTC, rapide = r.mode == ModeMLI::Rapide;
            f = ctc ? F / (2 * p * (top + 1)) : rapide ? F / (p * (top + 1)) : F / (2 * p * top);
            rc = ctc ? 0.5 : rapide ? double(ocr + t.décalageRapide) / (top + 1) : double(ocr) / top;
            if (mesure == Mesure::Compteur) {
                if (!m.contains(QStringLiteral("cycle_compteur"))) {
                    ADD_FAILURE() << "le compteur ne tourne pas";
                    continue;
                }
                // Un tour de compteur : une période en MLI rapide, une demi-période en CTC.
                const double tour = m[QStringLiteral("cycle_compteur")];
                f = ctc ? F / (2 * tour) : F / tour;
            }
        }
        ++parMesure[int(mesure)];
        // Mesuré = annoncé à 0,1 % près, rapport à un compte près ; voulu atteint quand il peut l'être.
        EXPECT_NEAR(f, g.fréquenceObtenue, g.fréquenceObtenue * 1e-3);
        EXPECT_NEAR(rc, g.rapportObtenu, 1.0 / double(g.pas()) + 1e-6);
        if (ls[n].atteinte) {
            EXPECT_NEAR(f, ls[n].f, ls[n].f * 1e-3);
        }
    }
}

} // namespace

TEST(Simavr, ChaqueSortieDeChaqueComposantDonneCeQuElleAnnonce) {
    EXIGER_OUTILS("avr-gcc", "avr-nm", "simavr");
    QTemporaryDir d;
    int composants = 0, parMesure[3] = {0, 0, 0};
    for (const QString& mcu : CapacitesComposant::composants(fichierLivré()))
        if (simavrConnaît(mcu)) ++composants, vérifier(d, composant(mcu), 16e6, parMesure);
    std::printf("%d composants ; cas sur la broche %d, registres %d, compteur %d\n", composants, parMesure[0],
                parMesure[1], parMesure[2]);
    EXPECT_GE(composants, 8);
}

// Deux sorties d'un même timer : leurs deux fonctions, compilées ensemble et appelées l'une après
// l'autre, donnent chacune son rapport sur sa broche ; la seconde ne coupe pas la première.
TEST(Simavr, DeuxSortiesDUnTimerTournentEnsemble) {
    EXIGER_OUTILS("avr-gcc", "simavr");
    QTemporaryDir d;
    const CapacitésComposant c = composant(QStringLiteral("atmega328p"));
    const std::pair<const char*, double> sorties[] = {{"OC0A", 0.25}, {"OC0B", 0.75}};
    QString source = QStringLiteral("#include <avr/io.h>\n"), appels;
    for (const auto& [nom, rc] : sorties) {
        DocumentRiche doc;
        // 976,5625 Hz : sommet fixe 255 à clk/64, que les deux sorties partagent.
        ASSERT_TRUE(GénérerLeCodePWM(entrées(c, indexSortie(c, nom), 16e6, 976.5625, rc, "FPWM"), doc).ok());
        source += doc.texte();
        appels += QStringLiteral("    InitMLI_%1();\n").arg(nom);
    }
    source += QStringLiteral("int main(void) {\n%1    for (;;) {\n    }\n}\n").arg(appels);
    QByteArray erreurs;
    const QString elf = compiler(d, QStringLiteral("deux"), QStringLiteral("atmega328p"), source, &erreurs);
    ASSERT_FALSE(elf.isEmpty()) << erreurs.toStdString() << source.toStdString();
    for (const auto& [nom, rc] : sorties) {
        const SortieComposant& so = c.sorties[indexSortie(c, nom)];
        const auto m = mesurer(QStringLiteral("atmega328p"), 16e6, elf,
                               {"-b", so.port + QString::number(so.bit), "-t", "0.02"});
        EXPECT_NEAR(m.value("frequence"), 16e6 / 64 / 256, 1) << nom; // clk/64, sommet 255
        EXPECT_NEAR(m.value("rapport"), rc, 0.01) << nom;
    }
}
