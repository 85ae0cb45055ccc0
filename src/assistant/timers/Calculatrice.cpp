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

namespace {

// L'unité se lit à sa première lettre, en majuscule ou en minuscule (« 1 k », « 20 mS ») ; la
// suite, facultative, doit être celle de l'unité : « 1 kz » reste refusé.
struct Unité {
    QChar lettre;
    const char16_t* suite;
    const char16_t* texte;
    double échelle;
};
bool lireUnité(const QString& u, std::initializer_list<Unité> unités, const Unité& sansUnité, Valeur& v,
               bool diviser) {
    const Unité* trouvée = u.isEmpty() ? &sansUnité : nullptr;
    const QString reste = u.mid(1);
    for (const Unité& x : unités)
        if (!trouvée && !u.isEmpty() && u[0].toLower() == x.lettre &&
            (reste.isEmpty() || reste.compare(QString::fromUtf16(x.suite), Qt::CaseInsensitive) == 0))
            trouvée = &x;
    if (!trouvée) return false;
    v.unité = QString::fromUtf16(trouvée->texte);
    v.valeurSI = diviser ? v.nombre / trouvée->échelle : v.nombre * trouvée->échelle;
    v.valide = true;
    return true;
}

} // namespace

Valeur lireFréquence(const QString& texte) {
    Valeur v;
    QString u;
    if (!découper(texte, v.nombre, u, v.vide)) return v;
    // « m » vaut méga : un millihertz n'a pas de sens ici.
    const Unité hz{u'h', u"z", u" Hz", 1};
    lireUnité(u, {hz, {u'k', u"hz", u" kHz", 1e3}, {u'm', u"hz", u" MHz", 1e6}}, hz, v, false);
    return v;
}

Valeur lireTemps(const QString& texte) {
    Valeur v;
    QString u;
    if (!découper(texte, v.nombre, u, v.vide)) return v;
    const Unité s{u's', u"", u" s", 1};
    lireUnité(u,
              {s,
               {u'm', u"s", u" ms", 1e3},
               {u'µ', u"s", u" µs", 1e6},
               {u'u', u"s", u" µs", 1e6},
               {QChar(0x03BC), u"s", u" µs", 1e6},
               {u'n', u"s", u" ns", 1e9}},
              s, v, true);
    return v;
}

namespace {

// Le nombre à quatre chiffres significatifs, tel que montré.
double arrondi4(double x) {
    if (x == 0 || !std::isfinite(x)) return x;
    const int entiers = int(std::floor(std::log10(std::fabs(x)))) + 1;
    return Nombres::arrondir(x, std::max(0, 4 - entiers));
}

// La plus grande unité où la valeur montrée vaut au moins 1 : « 1 µs », pas « 1000 ns ».
QString avecUnité(double x, std::initializer_list<std::pair<double, const char16_t*>> unités) {
    for (const auto& [échelle, unité] : unités)
        if (arrondi4(x / échelle) >= 1 || échelle == std::data(unités)[unités.size() - 1].first)
            return quatreChiffres(x / échelle) + QString::fromUtf16(unité);
    return {};
}

} // namespace

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
    return avecUnité(f, {{1e6, u" MHz"}, {1e3, u" kHz"}, {1, u" Hz"}});
}

QString texteDurée(double t) {
    return avecUnité(t, {{1, u" s"}, {1e-3, u" ms"}, {1e-6, u" µs"}, {1e-9, u" ns"}});
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
