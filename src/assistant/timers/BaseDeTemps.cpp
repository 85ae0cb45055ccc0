#include "assistant/timers/BaseDeTemps.h"

#include "assistant/timers/CalculTimer.h"
#include "assistant/timers/Calculatrice.h"
#include "common/Nombres.h"
#include "common/Texte.h"

#include <cmath>
#include <numeric>

namespace BaseDeTemps {

namespace {

// Les prédiviseurs de l'horloge interne, comme pour la MLI.
using CalculTimer::nomTimer;
using CalculTimer::prédiviseurs;

// Meilleure fraction a / b de x avec b ≤ bMax (réduites de la fraction continue).
std::pair<int64_t, int64_t> fraction(double x, int64_t bMax) {
    int64_t h0 = 0, h1 = 1, k0 = 1, k1 = 0;
    double reste = x;
    for (int i = 0; i < 40; ++i) {
        const double entier = std::floor(reste);
        if (entier > 9.0e15) break;
        const int64_t a = int64_t(entier);
        const int64_t h2 = a * h1 + h0, k2 = a * k1 + k0;
        if (k2 > bMax) break;
        h0 = h1, h1 = h2, k0 = k1, k1 = k2;
        if (std::fabs(double(h1) / double(k1) - x) <= 1e-12 * x) break;
        const double f = reste - entier;
        if (f < 1e-12) break;
        reste = 1 / f;
    }
    return {h1, k1};
}

} // namespace

std::vector<int> timersUtilisables(const CapacitésComposant& c) {
    std::vector<int> v;
    QStringList vus;
    for (int i = 0; i < int(c.timers.size()); ++i) {
        const TimerComposant& t = c.timers[i];
        // Le premier canal d'un timer décide : c'est sa comparaison qui suit le sommet du CTC.
        const QString nom = t.nom.isEmpty() ? QString::number(i) : t.nom;
        if (vus.contains(nom)) continue;
        vus << nom;
        if ((t.interruptionsConnues() || t.débordementConnu()) && !prédiviseurs(t).empty()) v.push_back(i);
    }
    return v;
}

QString pourquoiAucunTimer(const CapacitésComposant& c) {
    if (!timersUtilisables(c).empty()) return {};
    return QStringLiteral("Le fichier des possibilités ne donne, pour le %1, ni vecteur d'interruption ni "
                          "mode CTC d'un timer : cet onglet n'a rien à régler.")
        .arg(c.nom);
}

Résultat calculer(const CapacitésComposant& c, int indexTimer, double F, double période, bool compenser) {
    Résultat r;
    Réglage& g = r.réglage;
    if (indexTimer < 0 || indexTimer >= int(c.timers.size())) {
        r.erreur = QStringLiteral("Choisissez d'abord un timer.");
        return r;
    }
    const TimerComposant& t = c.timers[indexTimer];
    if (!t.interruptionsConnues() && !t.débordementConnu()) {
        r.erreur = QStringLiteral("%1 n'a pas de vecteur d'interruption dans le fichier des possibilités.")
                       .arg(nomTimer(t));
        return r;
    }
    if (!(F > 0)) {
        r.erreur = QStringLiteral("La fréquence de l'horloge doit être plus grande que 0.");
        return r;
    }
    if (!(période > 0) || !std::isfinite(période)) {
        r.erreur =
            QStringLiteral("Entrez une période (« 1 ms ») ou une fréquence (« 10 Hz ») plus grande que 0.");
        return r;
    }
    const double C = F * période; // cycles du processeur par tic voulu
    const bool débordement = !t.interruptionsConnues();
    auto ps = prédiviseurs(t);
    if (débordement)
        std::erase_if(ps, [](const auto& p) { return p.valeur < PrédivisionMinDébordement; });
    const int64_t max = int64_t(Nombres::val(t.max));
    if (ps.empty() || max < 1) {
        r.erreur = QStringLiteral("%1 n'a pas de prédivision ou de maximum utilisable.").arg(nomTimer(t));
        return r;
    }
    const double plusLongue = ps.back().valeur * double(max + 1) / F;
    if (C < CyclesMin) {
        r.erreur = QStringLiteral("%1 ne fait que %2 cycles du processeur : une interruption si fréquente ne "
                                  "laisserait presque rien au reste du programme (au moins %3 cycles).")
                       .arg(Calculatrice::texteDurée(période), Calculatrice::quatreChiffres(C))
                       .arg(CyclesMin);
        return r;
    }
    if (C > ps.back().valeur * double(max + 1) * (1 + 1e-9)) {
        r.erreur = QStringLiteral("%1 ne va pas au-delà de %2 avec cette horloge : choisissez un timer plus "
                                  "large, ou comptez les tics dans votre programme.")
                       .arg(nomTimer(t), Calculatrice::texteDurée(plusLongue));
        return r;
    }
    g.indexTimer = indexTimer;
    g.fréquenceHorloge = F;
    g.périodeVoulue = période;
    g.débordement = débordement;
    g.capacité = max + 1;
    g.config[0] = t.modeCTC.size() > 0 ? t.modeCTC[0] : 0;
    g.config[1] = t.modeCTC.size() > 1 ? t.modeCTC[1] : 0;

    // Sans compensation : le sommet le plus juste, à la plus petite prédivision à écart égal.
    double meilleur = INFINITY;
    for (const auto& p : ps) {
        const int64_t N = std::clamp<int64_t>(int64_t(std::llround(C / p.valeur)), 1, max + 1);
        if (double(N) * p.valeur < CyclesMin) continue;
        const double écart = std::fabs(double(N) * p.valeur - C);
        if (écart < meilleur - 1e-9 * C) {
            meilleur = écart;
            g.indexPrédivision = p.index;
            g.prédivision = p.valeur;
            g.codeSélection = p.code;
            g.comptes = N;
        }
    }
    if (g.comptes == 0) {
        r.erreur =
            QStringLiteral("%1 ne peut pas produire %2.").arg(nomTimer(t), Calculatrice::texteDurée(période));
        return r;
    }
    const bool exact = meilleur <= 1e-9 * C;

    if (compenser && !exact) {
        // La plus petite prédivision qui loge le tic long dans le compteur : la gigue d'un compte
        // y est la plus courte.
        bool trouvé = false;
        for (const auto& p : ps) {
            const auto [a, b] = fraction(C / p.valeur, DénominateurMax);
            const int64_t q = a / b, reste = a % b;
            if (q < 1 || q + (reste ? 1 : 0) > max + 1 || double(q) * p.valeur < CyclesMinCompensation)
                continue;
            const int64_t d = std::gcd(reste, b);
            g.indexPrédivision = p.index;
            g.prédivision = p.valeur;
            g.codeSélection = p.code;
            g.comptes = q;
            g.numérateur = reste / std::max<int64_t>(d, 1);
            g.dénominateur = reste ? b / d : 1;
            g.compensé = reste != 0;
            trouvé = true;
            break;
        }
        if (!trouvé) {
            r.erreur =
                QStringLiteral("%1 ne peut pas compenser l'écart à %2 : un tic y serait trop court pour que "
                               "l'interruption récrive le sommet à temps.")
                    .arg(nomTimer(t), Calculatrice::texteDurée(période));
            return r;
        }
    }
    const double comptesMoyens = double(g.comptes) + double(g.numérateur) / double(g.dénominateur);
    g.périodeObtenue = comptesMoyens * g.prédivision / F;
    const double écart = comptesMoyens * g.prédivision - C;
    g.écartPpm = std::fabs(écart) <= 1e-9 * C ? 0 : écart / C * 1e6;
    if (g.compensé) {
        const double f = double(g.numérateur) / double(g.dénominateur);
        g.gigue = std::max(f, 1 - f) * g.prédivision / F;
    }
    (t.registreSélection == 0 ? g.config[0] : g.config[1]) |= uint32_t(g.codeSélection);
    return r;
}

int timerParDéfaut(const CapacitésComposant& c, double F, double période) {
    int choisi = -1;
    double meilleur = INFINITY;
    for (const int i : timersUtilisables(c)) {
        const Résultat r = calculer(c, i, F, période, false);
        if (!r.ok()) continue;
        if (r.réglage.exact()) return i;
        if (std::fabs(r.réglage.écartPpm) < meilleur) {
            meilleur = std::fabs(r.réglage.écartPpm);
            choisi = i;
        }
    }
    return choisi;
}

QString texteÉcartPpm(double ppm) {
    if (ppm == 0) return QStringLiteral("0 ppm");
    return (ppm < 0 ? QStringLiteral("\u2212") : QStringLiteral("+")) +
           Calculatrice::quatreChiffres(std::fabs(ppm)) + QStringLiteral(" ppm");
}

QString ligneObtenu(const CapacitésComposant& c, const Réglage& r) {
    const TimerComposant& t = c.timers[r.indexTimer];
    const QString période = Calculatrice::texteDurée(r.périodeObtenue),
                  fréquence = Calculatrice::texteFréquence(1 / r.périodeObtenue),
                  prédivision = Nombres::texteDecimalVirgule(r.prédivision);
    const QString mode = r.débordement ? QStringLiteral("débordement") : QStringLiteral("CTC");
    if (!r.compensé) {
        const QString sommet = r.débordement ? QStringLiteral("rechargé à %1 (%2 comptes)")
                                                   .arg(r.rechargement())
                                                   .arg(r.comptes)
                                             : QStringLiteral("sommet %1").arg(r.sommet());
        return QStringLiteral("Obtenu : %1 (%2), écart %3 – %4, %5, prédivision %6, %7")
            .arg(période, fréquence, texteÉcartPpm(r.écartPpm), t.nom, mode, prédivision, sommet);
    }
    const QString sommets =
        r.débordement
            ? QStringLiteral("rechargé à %1 et %2").arg(r.rechargement()).arg(r.rechargement(true))
            : QStringLiteral("sommets %1 et %2").arg(r.sommet()).arg(r.sommet() + 1);
    return QStringLiteral("Obtenu : %1 en moyenne (%2), écart à long terme %3, gigue d'un tic %4 – %5, %6 "
                          "compensé, prédivision %7, %8 (%9 tic(s) long(s) sur %10)")
        .arg(période, fréquence, texteÉcartPpm(r.écartPpm), Calculatrice::texteDurée(r.gigue), t.nom, mode,
             prédivision, sommets)
        .arg(r.numérateur)
        .arg(r.dénominateur);
}

double lirePériodeOuFréquence(const QString& texte) {
    const QString t = Texte::rogner(texte);
    if (t.endsWith(QStringLiteral("hz"), Qt::CaseInsensitive)) {
        const Calculatrice::Valeur f = Calculatrice::lireFréquence(t);
        return f.valide && f.valeurSI > 0 ? 1 / f.valeurSI : 0;
    }
    const Calculatrice::Valeur d = Calculatrice::lireTemps(t);
    return d.valide ? d.valeurSI : 0;
}

} // namespace BaseDeTemps
