#include "assistant/timers/Calculatrice.h"

#include "common/Nombres.h"
#include "common/Texte.h"

#include <QRegularExpression>
#include <cmath>

namespace Calculatrice {

namespace {

const QString Moins = QStringLiteral("\u2212");

// Nombre (chiffres, une virgule ou un point), blancs, puis le reste.
bool découper(const QString& texte, double& nombre, QString& reste, bool& vide) {
    const QString t = Texte::rogner(texte);
    vide = t.isEmpty();
    static const QRegularExpression forme(QStringLiteral("^([0-9]*(?:[.,][0-9]*)?)\\s*(.*)$"));
    const auto m = forme.match(t);
    const QString n = m.captured(1);
    if (!m.hasMatch() || n.isEmpty() || n == u"." || n == u",") return false;
    QString avecPoint = n;
    avecPoint.replace(u',', u'.');
    bool ok = false;
    nombre = avecPoint.toDouble(&ok);
    reste = m.captured(2);
    return ok;
}

} // namespace

QString VirguleEnPoint(QString& s) {
    s = Texte::rogner(s);
    const qsizetype p = s.indexOf(u',');
    if (p >= 0) s = s.left(p) + u'.' + s.mid(p + 1);
    return s;
}

Valeur lireFréquence(const QString& texte) {
    Valeur v;
    QString u;
    if (!découper(texte, v.nombre, u, v.vide)) return v;
    double facteur = 1;
    if (u.isEmpty() || u.compare(u"Hz", Qt::CaseInsensitive) == 0) {
        v.unité = QStringLiteral(" Hz");
    } else if (u.compare(u"kHz", Qt::CaseInsensitive) == 0) {
        v.unité = QStringLiteral(" kHz");
        facteur = 1e3;
    } else if (u.compare(u"MHz", Qt::CaseInsensitive) == 0) {
        v.unité = QStringLiteral(" MHz");
        facteur = 1e6;
    } else {
        return v;
    }
    v.valeurSI = v.nombre * facteur;
    v.valide = true;
    return v;
}

Valeur lireTemps(const QString& texte) {
    Valeur v;
    QString u;
    if (!découper(texte, v.nombre, u, v.vide)) return v;
    double diviseur = 1;
    if (u.isEmpty() || u == u"s") {
        v.unité = QStringLiteral(" s");
    } else if (u == u"ms") {
        v.unité = QStringLiteral(" ms");
        diviseur = 1e3;
    } else if (u == u"µs" || u == u"us" || u == u"\u03BCs") {
        v.unité = QStringLiteral(" µs");
        diviseur = 1e6;
    } else if (u == u"ns") {
        v.unité = QStringLiteral(" ns");
        diviseur = 1e9;
    } else {
        return v;
    }
    v.valeurSI = v.nombre / diviseur;
    v.valide = true;
    return v;
}

QString texteChamp(double nombre, const QString& unité) {
    return Nombres::texteDecimalVirgule(nombre) + unité;
}

QString ConvertitFréquence(double f) {
    using Nombres::arrondir;
    using Nombres::texteDecimalVirgule;
    if (f >= 1e6) return texteDecimalVirgule(arrondir(f / 1e6, 2)) + QStringLiteral(" MHz");
    if (f >= 1e3) return texteDecimalVirgule(arrondir(f / 1e3, 2)) + QStringLiteral(" kHz");
    if (f >= 0.001) return texteDecimalVirgule(arrondir(f, 2)) + QStringLiteral(" Hz");
    return Nombres::texteScientifique(f) + QStringLiteral(" Hz");
}

QString ConvertitPériode(double t) {
    using Nombres::arrondir;
    using Nombres::texteDecimalVirgule;
    if (t >= 1) return texteDecimalVirgule(arrondir(t, 2)) + QStringLiteral(" s");
    if (t >= 1e-3) return texteDecimalVirgule(arrondir(t * 1e3)) + QStringLiteral(" ms");
    if (t >= 1e-6) return texteDecimalVirgule(arrondir(t * 1e6)) + QStringLiteral(" µs");
    if (t >= 1e-9) return texteDecimalVirgule(arrondir(t * 1e9)) + QStringLiteral(" ns");
    return Nombres::texteScientifique(t) + QStringLiteral(" s");
}

std::pair<double, QString> RecalculTemps(double t) {
    using Nombres::arrondir;
    if (t >= 1) return {arrondir(t, 2), QStringLiteral(" s")};
    if (t >= 1e-3) return {arrondir(t * 1e3), QStringLiteral(" ms")};
    if (t >= 1e-6) return {arrondir(t * 1e6), QStringLiteral(" µs")};
    return {arrondir(t * 1e9), QStringLiteral(" ns")};
}

QString quatreChiffres(double x) {
    if (x == 0 || !std::isfinite(x)) return QStringLiteral("0");
    const int entiers = int(std::floor(std::log10(std::fabs(x)))) + 1;
    const int décimales = std::max(0, 4 - entiers);
    QString s = QString::number(Nombres::arrondir(x, décimales), 'f', décimales);
    if (s.contains(u'.')) {
        while (s.endsWith(u'0'))
            s.chop(1);
        if (s.endsWith(u'.')) s.chop(1);
    }
    return s.replace(u'.', u',');
}

QString texteFréquence(double f) {
    if (f >= 1e6) return quatreChiffres(f / 1e6) + QStringLiteral(" MHz");
    if (f >= 1e3) return quatreChiffres(f / 1e3) + QStringLiteral(" kHz");
    return quatreChiffres(f) + QStringLiteral(" Hz");
}

QString texteDurée(double t) {
    if (t >= 1) return quatreChiffres(t) + QStringLiteral(" s");
    if (t >= 1e-3) return quatreChiffres(t * 1e3) + QStringLiteral(" ms");
    if (t >= 1e-6) return quatreChiffres(t * 1e6) + QStringLiteral(" µs");
    return quatreChiffres(t * 1e9) + QStringLiteral(" ns");
}

QString texteÉcart(double pourCent) {
    const double a = Nombres::arrondir(pourCent, 2);
    const QString n = QString::number(std::fabs(a), 'f', 2).replace(u'.', u',');
    return (a < 0 ? Moins : QStringLiteral("+")) + n + QStringLiteral(" %");
}

Résumé résumé(const CalculTimer::Réglage& r, ModeMLI mode) {
    Résumé s;
    const double T = 1.0 / r.fréquenceObtenue;
    s.F = texteFréquence(r.fréquenceObtenue);
    s.T = texteDurée(T);
    s.RC = mode == ModeMLI::CTC ? QStringLiteral("0,5") : quatreChiffres(r.rapportObtenu);
    s.Ton = texteDurée(T * r.rapportObtenu);
    s.Toff = texteDurée(T * (1 - r.rapportObtenu));
    s.Écart = texteÉcart(r.écartPourCent);
    return s;
}

QString texteSommet(const CalculTimer::Réglage& r, ModeMLI mode) {
    const QString source = r.registreSommet.isEmpty()
                               ? QStringLiteral("fixe %1").arg(r.sommet)
                               : QStringLiteral("%1 = %2").arg(r.registreSommet).arg(r.sommet);
    return mode == ModeMLI::CTC ? source : source + QStringLiteral(" (%1 pas)").arg(r.pas());
}

QString ligneObtenu(const CalculTimer::Réglage& r, ModeMLI mode, const QString& nomTimer) {
    const Résumé s = résumé(r, mode);
    QString texte = QStringLiteral("Obtenu : %1 (écart %2), RC %3 – ").arg(s.F, s.Écart, s.RC);
    if (!nomTimer.isEmpty()) texte += nomTimer + QStringLiteral(", ");
    return texte + CalculTimer::nomDuMode(mode) +
           QStringLiteral(", prédivision %1, sommet %2")
               .arg(Nombres::texteDecimalVirgule(r.prédivision), texteSommet(r, mode));
}

} // namespace Calculatrice
