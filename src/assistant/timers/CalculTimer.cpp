#include "assistant/timers/CalculTimer.h"

#include "assistant/timers/Calculatrice.h"
#include "common/Nombres.h"

#include <cmath>
#include <vector>

namespace CalculTimer {

std::vector<Prédiviseur> prédiviseurs(const TimerComposant& t, const Horloge& h) {
    if (h.codeExterne >= 0) return {{0, 1.0, h.codeExterne}};
    std::vector<Prédiviseur> v;
    for (int i = 0; i < t.prédivisions.size(); ++i) {
        const double p = Nombres::val(t.prédivisions[i]);
        if (p <= 0) break;
        v.push_back({i, p, i < int(t.codesSélection.size()) ? t.codesSélection[i] : i + 1});
    }
    return v;
}

QString nomTimer(const TimerComposant& t) {
    return t.nom.isEmpty() ? QStringLiteral("Ce timer") : QStringLiteral("Le ") + t.nom;
}

namespace {

int indexMode(ModeMLI m) {
    return m == ModeMLI::CTC ? 0 : m == ModeMLI::Rapide ? 1 : 2;
}

// Fréquence pour un sommet N et une prédivision p.
double fréquence(ModeMLI m, double F, double p, int64_t N) {
    switch (m) {
    case ModeMLI::CTC:
        return F / (2.0 * p * double(N + 1));
    case ModeMLI::Rapide:
        return F / (p * double(N + 1));
    case ModeMLI::PhaseCorrecte:
        return F / (2.0 * p * double(N));
    }
    return 0;
}

// Sommet qui donne f avec p, arrondi (moitiés vers le pair).
int64_t sommetPour(ModeMLI m, double F, double p, double f) {
    double x = 0;
    switch (m) {
    case ModeMLI::CTC:
        x = F / (2.0 * p * f) - 1;
        break;
    case ModeMLI::Rapide:
        x = F / (p * f) - 1;
        break;
    case ModeMLI::PhaseCorrecte:
        x = F / (2.0 * p * f);
        break;
    }
    if (!(x < 9.0e15)) return INT64_MAX;
    return int64_t(Nombres::arrondir(x));
}

// Vrai quand le sommet du mode est fixé à Max (pas de registre de sommet).
bool sommetFixe(const TimerComposant& t, ModeMLI m) {
    return m != ModeMLI::CTC && t.registre(2).isEmpty();
}

// Sommet des modes MLI sans registre de sommet : SommetMLI, sinon Max.
int64_t sommetImposé(const TimerComposant& t) {
    return int64_t(Nombres::val(t.sommetMLI.isEmpty() ? t.max : t.sommetMLI));
}

// Le plus petit sommet accepté : un compteur qui ne compte pas ne produit rien.
constexpr int64_t SommetMin = 1;

// Une source de sommet du mode : fixe, ou un registre (de 1 à Max).
struct Candidat {
    QString registre; // vide : sommet fixe
    int64_t fixe = 0;
    uint32_t valeurs[2]{};
    int rang = 0; // 0 : fixe ; 1 : registre de sommet du timer ; 2 : comparaison d'une autre sortie
};

// Toutes les sources de sommet du mode : celle de ValeursPWM, puis celles des attributs.
// Pour les limites seules, la source de ValeursPWM compte même sans valeurs de mode.
std::vector<Candidat> candidats(const TimerComposant& t, ModeMLI mode, bool pourLimites = false) {
    std::vector<Candidat> v;
    const int m = indexMode(mode);
    const QString valeurA = t.valeursPWM.value(m), valeurB = t.valeursPWM.value(3 + m);
    if (pourLimites || (!valeurA.isEmpty() && (t.nombreRegistresConfig != 2 || !valeurB.isEmpty()))) {
        Candidat c;
        c.valeurs[0] = uint32_t(Nombres::val(valeurA));
        c.valeurs[1] = t.nombreRegistresConfig == 2 ? uint32_t(Nombres::val(valeurB)) : 0;
        if (mode == ModeMLI::CTC) {
            c.registre = t.topCTC.isEmpty() ? t.registre(3) : t.topCTC;
            c.rang = 1;
        } else if (sommetFixe(t, mode)) {
            c.fixe = sommetImposé(t);
        } else {
            c.registre = t.registre(2);
            c.rang = 1;
        }
        v.push_back(c);
    }
    if (mode != ModeMLI::CTC)
        for (const SommetPossible& s : t.autresSommets[m - 1]) {
            Candidat c;
            c.registre = s.registre;
            c.fixe = s.fixe;
            c.valeurs[0] = s.valeurs[0];
            c.valeurs[1] = s.valeurs[1];
            c.rang = s.registre.isEmpty() ? 0 : s.registre == t.registre(2) ? 1 : 2;
            v.push_back(c);
        }
    return v;
}

} // namespace

std::optional<ModeMLI> modeDepuisTexte(const QString& ModePWM) {
    if (ModePWM == u"CTC") return ModeMLI::CTC;
    if (ModePWM == u"FPWM") return ModeMLI::Rapide;
    if (ModePWM == u"PWMPC") return ModeMLI::PhaseCorrecte;
    return std::nullopt;
}

QString nomDuMode(ModeMLI mode) {
    switch (mode) {
    case ModeMLI::CTC:
        return QStringLiteral("CTC");
    case ModeMLI::Rapide:
        return QStringLiteral("Fast PWM");
    case ModeMLI::PhaseCorrecte:
        return QStringLiteral("PWM Phase Correct");
    }
    return {};
}

Limites limites(const TimerComposant& t, ModeMLI mode, const Horloge& h) {
    Limites l;
    const auto ps = prédiviseurs(t, h);
    const double max = Nombres::val(t.max);
    const auto cs = candidats(t, mode, true);
    if (ps.empty() || max < SommetMin || h.fréquence <= 0) {
        l.erreur = QStringLiteral("%1 n'a pas de prédivision ou de maximum utilisable.").arg(nomTimer(t));
        return l;
    }
    const double F = h.fréquence;
    const int64_t M = int64_t(max);
    l.FminHz = INFINITY;
    l.FmaxHz = 0;
    for (const Candidat& c : cs) {
        // Un sommet fixe : une fréquence par prédiviseur ; un registre : de Max à SommetMin.
        const int64_t bas = c.registre.isEmpty() ? c.fixe : M,
                      haut = c.registre.isEmpty() ? c.fixe : SommetMin;
        for (const auto& p : ps) {
            l.FminHz = std::min(l.FminHz, fréquence(mode, F, p.valeur, bas));
            l.FmaxHz = std::max(l.FmaxHz, fréquence(mode, F, p.valeur, haut));
        }
    }
    return l;
}

Résultat calculer(const TimerComposant& t, ModeMLI mode, const Horloge& h, double f, double RC) {
    Résultat r;
    Réglage& g = r.réglage;
    if (!(f > 0) || !std::isfinite(f)) {
        r.erreur = QStringLiteral("Entrez d'abord une fréquence (ou une période) plus grande que 0.");
        return r;
    }
    if (mode != ModeMLI::CTC && !(RC > 0 && RC < 1)) {
        r.erreur = QStringLiteral("Le rapport cyclique doit être entre 0 et 1.");
        return r;
    }
    const std::vector<Candidat> cs = candidats(t, mode);
    if (cs.empty()) {
        r.erreur = QStringLiteral("%1 n'a pas de mode %2 dans le fichier des possibilités.")
                       .arg(nomTimer(t), nomDuMode(mode));
        return r;
    }
    const Limites l = limites(t, mode, h);
    if (!l.erreur.isEmpty()) {
        r.erreur = l.erreur;
        return r;
    }
    if (f < l.FminHz || f > l.FmaxHz) {
        r.erreur = QStringLiteral("%1 ne peut pas produire %2 en %3 : avec cette horloge, il va de %4 à %5.")
                       .arg(nomTimer(t), Calculatrice::texteFréquence(f), nomDuMode(mode),
                            Calculatrice::texteFréquence(l.FminHz), Calculatrice::texteFréquence(l.FmaxHz));
        return r;
    }

    const double F = h.fréquence;
    const int64_t max = int64_t(Nombres::val(t.max));
    const auto ps = prédiviseurs(t, h);
    // Chaque source de sommet avec chaque prédiviseur : le plus petit écart ; à écart égal (à
    // l'arrondi près), la source sans registre de plus, puis le plus grand sommet (le rapport le plus
    // fin).
    const Candidat* choisi = nullptr;
    double meilleur = INFINITY;
    const double tolérance = f * 1e-12;
    for (const Candidat& c : cs)
        for (const auto& p : ps) {
            const int64_t N = c.registre.isEmpty() ? c.fixe : sommetPour(mode, F, p.valeur, f);
            if (N > max || N < SommetMin) continue;
            const double e = std::fabs(fréquence(mode, F, p.valeur, N) - f);
            const bool mieux = e < meilleur - tolérance ||
                               (e <= meilleur + tolérance &&
                                (c.rang < choisi->rang || (c.rang == choisi->rang && N > g.sommet)));
            if (!mieux) continue;
            meilleur = std::min(meilleur, e);
            choisi = &c;
            g.indexPrédivision = p.index;
            g.prédivision = p.valeur;
            g.codeSélection = p.code;
            g.sommet = N;
        }
    if (!choisi) {
        r.erreur = QStringLiteral("%1 ne peut pas produire %2 en %3.")
                       .arg(nomTimer(t), Calculatrice::texteFréquence(f), nomDuMode(mode));
        return r;
    }
    g.sommetFixe = choisi->registre.isEmpty();
    g.sommetEmprunté = choisi->rang == 2;
    // La sortie dont le registre sert de sommet perd sa MLI : ses bits ne sont plus gardés.
    for (int k = 0; k < 2; ++k)
        g.garder[k] = g.sommetEmprunté ? 0 : t.garder[k];

    // Registres écrits.
    if (mode == ModeMLI::CTC) {
        g.registreSommet = t.topCTC.isEmpty() ? t.registre(3) : t.topCTC;
        g.registreComparaison = t.registre(3);
        // La sortie bascule quand le compteur rencontre sa comparaison : au sommet, une fois par tour.
        g.comparaison = g.sommet;
        g.rapportObtenu = 0.5;
    } else {
        g.registreSommet = choisi->registre;
        g.registreComparaison = t.registre(3);
        const double N = double(g.sommet);
        if (mode == ModeMLI::Rapide) {
            // Haut pendant OCR + d comptes. Avec d < 1, OCR = 0 et OCR = sommet tiennent la sortie
            // basse ou haute : la comparaison reste entre les deux.
            const int d = t.décalageRapide;
            const int64_t bas = std::max(0, 1 - d), haut = d >= 1 ? g.sommet : g.sommet - 1;
            g.comparaison =
                std::clamp<int64_t>(int64_t(Nombres::arrondir((N + 1) * RC)) - d, bas, std::max(bas, haut));
            g.rapportObtenu = double(g.comparaison + d) / (N + 1);
        } else {
            g.comparaison = std::clamp<int64_t>(int64_t(Nombres::arrondir(N * RC)), 0, g.sommet);
            g.rapportObtenu = double(g.comparaison) / N;
        }
    }
    if (mode != ModeMLI::CTC && !(g.rapportObtenu > 0 && g.rapportObtenu < 1)) {
        // Un rapport de 0 ou 1 laisse la broche immobile : ce n'est plus une MLI.
        r.rapportInexprimable = true;
        r.erreur =
            QStringLiteral("À %1, le sommet du %2 n'est que %3 : le rapport cyclique %4 y devient %5, "
                           "une sortie qui ne bouge plus. Baissez la fréquence ou changez le rapport "
                           "cyclique.")
                .arg(Calculatrice::texteFréquence(f), t.nom.isEmpty() ? QStringLiteral("timer") : t.nom)
                .arg(g.sommet)
                .arg(Nombres::texteDecimalVirgule(RC), Nombres::texteDecimalVirgule(g.rapportObtenu));
        return r;
    }
    g.fréquenceObtenue = fréquence(mode, F, g.prédivision, g.sommet);
    g.écartPourCent = (g.fréquenceObtenue - f) / f * 100.0;

    // Valeurs des registres de configuration : bits du mode OU code de sélection d'horloge.
    g.configA = choisi->valeurs[0];
    g.configB = t.nombreRegistresConfig == 2 ? choisi->valeurs[1] : 0;
    (t.registreSélection == 0 ? g.configA : g.configB) |= uint32_t(g.codeSélection);
    for (const uint32_t v : {g.configA, g.configB})
        if (v > 0xFF) {
            r.erreur =
                QStringLiteral("La valeur du registre de configuration (0x%1) dépasse un octet : le fichier "
                               "des possibilités contient une erreur pour ce timer.")
                    .arg(QString::number(v, 16).toUpper());
            return r;
        }
    return r;
}

} // namespace CalculTimer
