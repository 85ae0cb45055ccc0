// Preuve sur les vrais outils : pour chaque composant que simavr connaît, chaque sortie du fichier
// des possibilités, chaque mode, trois fréquences de sa plage et deux rapports cycliques, le code
// généré, compilé par avr-gcc (-Wall -Werror), tourne dans simavr et donne ce qu'il annonce.
#include "assistant/timers/Calculatrice.h"
#include "outils/OutilsInterruptions.h"

#include <array>
#include <cmath>
#include <gtest/gtest.h>

using namespace OutilsAvr;
using OutilsInterruptions::registre;
using OutilsInterruptions::relire;

namespace {

// Comment simavr 1.6 montre le signal : fronts de la broche de sortie, registres relus et formule de la
// fiche technique, ou cycle du compteur TCNT0 plus les registres relus.
enum class Mesure { Broche, Registres, Compteur };

// Les limites connues de simavr 1.6 : ce qu'il ne montre pas sur la broche.
Mesure mesureSimavr(const QString& mcu, const TimerComposant& t, const SortieComposant& s, ModeMLI mode) {
    // Sorties OC0A/OC0B de l'ATtiny13 non reliées : cycle du compteur.
    if (mcu.startsWith(u"attiny13"))
        return mode == ModeMLI::PhaseCorrecte ? Mesure::Registres : Mesure::Compteur;
    const auto sortie = [&](const char* nom) { return s.libellé.startsWith(QLatin1String(nom)); };
    const bool tiny = mcu.startsWith(u"attiny"), mega1280 = mcu == u"atmega1280" || mcu == u"atmega2560";
    // Timer1 des ATtiny25/45/85 arrêté ; aucune sortie de comparaison reliée sur les ATtiny24/44/84 et
    // l'AT90USB162, ni OC1C de l'ATmega32U4, OC2B (PH6) des ATmega1280/2560, OC1B (PB4) des ATtiny2313 ;
    // aucune broche en phase correcte ; WGM01 du Timer0 des ATmega16/32 ignoré.
    const bool cachée = (tiny && mcu.endsWith(u"5") && t.nom == u"Timer1") || (tiny && mcu.endsWith(u"4")) ||
                        mcu == u"at90usb162" || (mcu == u"atmega32u4" && sortie("OC1C")) ||
                        (mega1280 && sortie("OC2B")) || (mcu.contains(u"313") && sortie("OC1B")) ||
                        mode == ModeMLI::PhaseCorrecte || (ctcNonSimulé(mcu, t.nom) && mode == ModeMLI::CTC);
    return cachée ? Mesure::Registres : Mesure::Broche;
}

// Une ligne de la matrice : une sortie, un mode, une fréquence voulue et un rapport cyclique.
struct Ligne {
    int sortie;
    QString mode;
    double f, rc;
    bool atteinte; // le timer atteint f exactement
};

// Trois fréquences de la plage de la sortie (basse, atteinte exactement, haute), bornées pour que la
// simulation reste courte et que le rapport garde une centaine de pas ; deux rapports (0,5 en CTC).
std::vector<Ligne> lignes(const CapacitésComposant& c, double F) {
    std::vector<Ligne> v;
    for (int s = 0; s < int(c.sorties.size()); ++s)
        for (const QString mode : {"CTC", "FPWM", "PWMPC"}) {
            const auto calcul = [&](double f) {
                return GenerateurPWM::calculer(entrées(c, s, F, f, 0.5, mode));
            };
            const auto l = GenerateurPWM::limites(entrées(c, s, F, 1000, 0.5, mode));
            if (!l.erreur.isEmpty() ||
                calcul(std::sqrt(l.FminHz * l.FmaxHz)).erreur.contains(u"n'a pas de mode"))
                continue;
            double bas = std::max(l.FminHz * 1.05, 150.0), haut = std::min(l.FmaxHz * 0.95, F / 200);
            if (bas > haut) bas = l.FminHz, haut = l.FmaxHz;
            const double milieu = calcul(std::sqrt(bas * haut)).réglage.fréquenceObtenue;
            for (const double f : {bas, milieu, haut})
                for (const double rc : mode == u"CTC" ? std::vector{0.5} : std::vector{0.25, 0.75})
                    v.push_back({s, mode, f, rc, f == milieu});
        }
    return v;
}

// Compile le code de chaque ligne en un programme (chaque cas une fonction, choisie par un octet .noinit
// que le banc pose avant le départ), le fait tourner une fois par cas et vérifie que la fréquence et le
// rapport montrés (broche, compteur, ou registres relus et fiche technique) sont les annoncés.
void vérifier(const QTemporaryDir& d, const CapacitésComposant& c, double F, int parMesure[3]) {
    const QString mcu = c.nom;
    const auto adr = adresses(mcu);
    const std::vector<Ligne> ls = lignes(c, F);
    std::vector<RésultatGénération> v;
    std::vector<Mesure> mesures;
    QList<QStringList> courses;
    QString source = "#include <avr/io.h>\n", choix;
    for (const Ligne& l : ls) {
        DocumentRiche doc;
        const RésultatGénération& r =
            v.emplace_back(GénérerLeCodePWM(entrées(c, l.sortie, F, l.f, l.rc, l.mode), doc));
        ASSERT_TRUE(r.ok()) << mcu.toStdString() << " " << r.erreur.toStdString();
        source += doc.texte().replace(QRegularExpression("void InitMLI_\\w+\\(void\\)"),
                                      QStringLiteral("void cas_%1(void)").arg(v.size()));
        choix += QStringLiteral("    case %1: cas_%1(); break;\n").arg(v.size());
        const CalculTimer::Réglage& g = r.réglage;
        const TimerComposant& t = c.timers[r.indexTimer];
        const SortieComposant& so = c.sorties[l.sortie];
        const Mesure mesure = mesures.emplace_back(mesureSimavr(mcu, t, so, r.mode));
        const double secondes =
            mesure == Mesure::Registres ? 0.05 : std::min(1.0, 8.0 / g.fréquenceObtenue + 0.01);
        QStringList& o = courses.emplace_back(
            QStringList{"-m", mcu, "-f", QString::number(qint64(F)), "-t", QString::number(secondes)});
        if (mesure == Mesure::Broche) o << "-b" << so.port + QString::number(so.bit);
        if (mesure == Mesure::Compteur) o << "-c" << QString::number(adr.value("TCNT0"));
        if (mesure != Mesure::Broche)
            o << relire(adr, {t.registre(0), t.registre(t.nombreRegistresConfig == 2 ? 1 : 0),
                              g.registreSommet, g.registreComparaison});
    }
    source +=
        QStringLiteral("volatile unsigned char cas_choisi __attribute__((section(\".noinit\")));\n"
                       "int main(void) {\n    switch (cas_choisi) {\n%1    }\n    for (;;) {\n    }\n}\n")
            .arg(choix);
    QByteArray erreurs;
    const QString elf = compiler(d, mcu, mcu, source, &erreurs);
    const int adresseCas = elf.isEmpty() ? -1 : adresseSymbole(elf, "cas_choisi");
    ASSERT_GE(adresseCas, 0) << mcu.toStdString() << " : " << erreurs.toStdString();
    for (qsizetype n = 0; n < courses.size(); ++n)
        courses[n] << "-p" << QStringLiteral("%1=%2").arg(adresseCas).arg(n + 1) << elf;
    const auto mesuré = simulerTous(courses);

    for (std::size_t n = 0; n < ls.size(); ++n) {
        const RésultatGénération& r = v[n];
        const CalculTimer::Réglage& g = r.réglage;
        const TimerComposant& t = c.timers[r.indexTimer];
        const auto& m = mesuré[n];
        const Mesure mesure = mesures[n];
        SCOPED_TRACE(QStringLiteral("%1 %2 %3 %4 Hz RC %5 : sommet %6, prédivision %7")
                         .arg(mcu, c.sorties[ls[n].sortie].libellé, ls[n].mode, QString::number(ls[n].f),
                              QString::number(ls[n].rc), Calculatrice::texteSommet(g, r.mode),
                              QString::number(g.prédivision))
                         .toStdString());
        const char* clé = std::array{"frequence", "cycles", "cycle_compteur"}[std::size_t(mesure)];
        if (!m.contains(clé)) {
            ADD_FAILURE() << "le banc n'a pas donné " << clé;
            continue;
        }
        // simavr fait tourner clk/32 du Timer2 des ATmega8/16/32 à clk/16 : le double de l'annoncé.
        const bool clk16 = QStringList{"atmega8", "atmega16", "atmega32"}.contains(mcu) &&
                           t.nom == u"Timer2" && g.prédivision == 32;
        double f = m.value("frequence") / (clk16 ? 2 : 1), rc = m.value("rapport");
        if (mesure != Mesure::Broche) {
            // Ce que le code a vraiment écrit, relu dans le simulateur.
            const bool seize = t.max != u"255";
            auto lire = [&](const QString& reg, bool s) { return registre(m, adr.value(reg), s); };
            EXPECT_EQ(uint32_t(lire(t.registre(0), false)), g.configA);
            const int top = g.sommetFixe ? int(g.sommet) : lire(g.registreSommet, seize);
            EXPECT_EQ(top, g.sommet);
            const int cs = lire(t.registre(t.nombreRegistresConfig == 2 ? 1 : 0), false);
            const double p = diviseurFiche(t, uint32_t(cs)), ocr = lire(g.registreComparaison, seize);
            EXPECT_GT(p, 0) << "sélection d'horloge " << cs;
            // Fiche technique : CTC F / (2 N (1 + OCR)) ; rapide F / (N (1 + TOP)), haut OCR + d comptes ;
            // phase correcte F / (2 N TOP), RC = OCR / TOP. Un tour de compteur : une période, une
            // demi-période en CTC.
            const bool ctc = r.mode == ModeMLI::CTC, rapide = r.mode == ModeMLI::Rapide;
            f = ctc ? F / (2 * p * (top + 1)) : rapide ? F / (p * (top + 1)) : F / (2 * p * top);
            rc = ctc ? 0.5 : rapide ? (ocr + t.décalageRapide) / (top + 1) : ocr / top;
            if (mesure == Mesure::Compteur) f = F / m.value("cycle_compteur") / (ctc ? 2 : 1);
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

// Deux sorties d'un même timer, leurs fonctions appelées l'une après l'autre : chacune donne son rapport
// sur sa broche, la seconde ne coupe pas la première (976,5625 Hz : sommet 255 à clk/64, partagé).
TEST(Simavr, DeuxSortiesDUnTimerTournentEnsemble) {
    EXIGER_OUTILS("avr-gcc", "simavr");
    QTemporaryDir d;
    const CapacitésComposant c = composant("atmega328p");
    const std::pair<QString, double> sorties[] = {{"OC0A", 0.25}, {"OC0B", 0.75}};
    QString source = "#include <avr/io.h>\n";
    for (const auto& [nom, rc] : sorties) {
        DocumentRiche doc;
        ASSERT_TRUE(GénérerLeCodePWM(entrées(c, indexSortie(c, nom), 16e6, 976.5625, rc, "FPWM"), doc).ok());
        source += doc.texte();
    }
    source += "int main(void) {\n    InitMLI_OC0A();\n    InitMLI_OC0B();\n    for (;;) {\n    }\n}\n";
    QByteArray erreurs;
    const QString elf = compiler(d, "deux", c.nom, source, &erreurs);
    ASSERT_FALSE(elf.isEmpty()) << erreurs.toStdString() << source.toStdString();
    for (const auto& [nom, rc] : sorties) {
        const SortieComposant& so = c.sorties[indexSortie(c, nom)];
        const auto m = mesurer(c.nom, 16e6, elf, {"-b", so.port + QString::number(so.bit), "-t", "0.02"});
        EXPECT_NEAR(m.value("frequence"), 16e6 / 64 / 256, 1) << nom.toStdString();
        EXPECT_NEAR(m.value("rapport"), rc, 0.01) << nom.toStdString();
    }
}
