#include "common/Nombres.h"

#include <QLocale>
#include <cmath>
#include <cstdio>
#include <limits>

namespace Nombres {

namespace {

bool estChiffre(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Entier en base 8 ou 16 après &O / &H ; la valeur tient sur 32 bits signés comme un Long.
double valPrefixe(const QString& t, qsizetype i, int base) {
    quint64 v = 0;
    bool vu = false;
    for (; i < t.size(); ++i) {
        const int c = t[i].toLatin1();
        int d = -1;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        if (d < 0 || d >= base) break;
        v = v * base + d;
        vu = true;
        if (v > 0xFFFFFFFFull) break;
    }
    if (!vu) return 0;
    // Comme un entier 16 ou 32 bits : les motifs hauts sont négatifs.
    if (v <= 0xFFFF) return static_cast<double>(static_cast<int16_t>(v));
    return static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(v)));
}

} // namespace

double val(const QString& texte) {
    qsizetype i = 0;
    const qsizetype n = texte.size();
    while (i < n && (texte[i] == u' ' || texte[i] == u'\t' || texte[i] == u'\n' || texte[i] == u'\r'))
        ++i;
    if (i + 1 < n && texte[i] == u'&') {
        const QChar p = texte[i + 1].toUpper();
        if (p == u'H') return valPrefixe(texte, i + 2, 16);
        if (p == u'O') return valPrefixe(texte, i + 2, 8);
        return 0;
    }
    std::string s;
    if (i < n && (texte[i] == u'-' || texte[i] == u'+')) s += static_cast<char>(texte[i++].toLatin1());
    bool chiffres = false;
    while (i < n && estChiffre(texte[i])) {
        s += static_cast<char>(texte[i++].toLatin1());
        chiffres = true;
    }
    if (i < n && texte[i] == u'.') {
        s += '.';
        ++i;
        while (i < n && estChiffre(texte[i])) {
            s += static_cast<char>(texte[i++].toLatin1());
            chiffres = true;
        }
    }
    if (!chiffres) return 0;
    if (i < n && (texte[i] == u'e' || texte[i] == u'E' || texte[i] == u'd' || texte[i] == u'D')) {
        qsizetype j = i + 1;
        std::string e = "e";
        if (j < n && (texte[j] == u'-' || texte[j] == u'+')) e += static_cast<char>(texte[j++].toLatin1());
        bool ch = false;
        while (j < n && estChiffre(texte[j])) {
            e += static_cast<char>(texte[j++].toLatin1());
            ch = true;
        }
        if (ch) s += e;
    }
    const double r = std::strtod(s.c_str(), nullptr);
    return std::isfinite(r) ? r : 0;
}

double arrondir(double x, int decimales) {
    if (!std::isfinite(x)) return x;
    if (decimales <= 0) return std::nearbyint(x); // mode par défaut : moitiés vers le pair
    // Passage par le texte décimal pour que 2.675 soit bien la moitié 2.675 et non 2.67499...
    char tampon[64];
    std::snprintf(tampon, sizeof tampon, "%.15g", x);
    const double p = std::pow(10.0, decimales);
    const double y = std::strtod(tampon, nullptr) * p;
    // Corrige l'erreur de représentation du produit avant l'arrondi au pair.
    char t2[64];
    std::snprintf(t2, sizeof t2, "%.15g", y);
    return std::nearbyint(std::strtod(t2, nullptr)) / p;
}

int16_t versEntier16(double x) {
    const double r = arrondir(x);
    if (!(r >= std::numeric_limits<int16_t>::min() && r <= std::numeric_limits<int16_t>::max()))
        throw ErreurDepassement("Dépassement de capacité");
    return static_cast<int16_t>(r);
}

int32_t versEntier32(double x) {
    const double r = arrondir(x);
    if (!(r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max()))
        throw ErreurDepassement("Dépassement de capacité");
    return static_cast<int32_t>(r);
}

QString texteDecimal(double x, QChar separateur) {
    if (std::isnan(x)) return QStringLiteral("NaN");
    if (std::isinf(x)) return x > 0 ? QStringLiteral("Inf") : QStringLiteral("-Inf");
    if (x == 0) return QStringLiteral("0");
    // La forme la plus courte qui relit la même valeur, dans la limite de 15 chiffres.
    char tampon[64];
    for (int p = 1; p <= 15; ++p) {
        std::snprintf(tampon, sizeof tampon, "%.*g", p, x);
        if (std::strtod(tampon, nullptr) == x) break;
    }
    QString s = QString::fromLatin1(tampon);
    const qsizetype e = s.indexOf(u'e');
    if (e >= 0) {
        // Au-delà de 15 chiffres avant la virgule ou très petit : écriture E+nn.
        const int exposant = s.mid(e + 1).toInt();
        if (exposant >= -15 && exposant < 15) {
            // Réécrit sans exposant.
            std::snprintf(tampon, sizeof tampon, "%.*f", std::max(0, 15 - 1 - exposant), x);
            s = QString::fromLatin1(tampon);
            if (s.contains(u'.')) {
                while (s.endsWith(u'0'))
                    s.chop(1);
                if (s.endsWith(u'.')) s.chop(1);
            }
        } else {
            QString m = s.left(e);
            QString ex = s.mid(e + 1);
            const bool negatif = ex.startsWith(u'-');
            ex.remove(u'+').remove(u'-');
            while (ex.size() > 2 && ex.startsWith(u'0'))
                ex.remove(0, 1);
            s = m + (negatif ? QStringLiteral("E-") : QStringLiteral("E+")) + ex;
        }
    }
    s.replace(u'.', separateur);
    return s;
}

QString texteDecimalLocal(double x) {
    const QString sep = QLocale().decimalPoint();
    return texteDecimal(x, sep.isEmpty() ? u'.' : sep.front());
}

QString texteScientifique(double x) {
    if (x == 0 || !std::isfinite(x)) return QStringLiteral("0,00E+00");
    int exposant = static_cast<int>(std::floor(std::log10(std::fabs(x))));
    double mantisse = x / std::pow(10.0, exposant);
    mantisse = arrondir(mantisse, 2);
    if (std::fabs(mantisse) >= 10.0) {
        mantisse /= 10.0;
        ++exposant;
    }
    char tampon[32];
    std::snprintf(tampon, sizeof tampon, "%.2f", mantisse);
    QString m = QString::fromLatin1(tampon).replace(u'.', u',');
    QString e = QString::number(std::abs(exposant)).rightJustified(2, u'0');
    return m + (exposant < 0 ? QStringLiteral("E-") : QStringLiteral("E+")) + e;
}

QString hexaC(uint32_t v, int chiffres) {
    return QStringLiteral("0x") + QString::number(v, 16).toUpper().rightJustified(chiffres, u'0');
}

} // namespace Nombres
