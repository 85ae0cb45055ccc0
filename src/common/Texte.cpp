#include "common/Texte.h"

namespace Texte {

QString rognerGauche(const QString& s) {
    qsizetype i = 0;
    while (i < s.size() && s[i] == u' ')
        ++i;
    return s.mid(i);
}

QString rognerDroite(const QString& s) {
    qsizetype n = s.size();
    while (n > 0 && s[n - 1] == u' ')
        --n;
    return s.left(n);
}

QString rogner(const QString& s) {
    return rognerDroite(rognerGauche(s));
}

QString minuscules(const QString& s) {
    return s.toLower();
}

qsizetype chercherSansCasse(const QString& botte, const QString& aiguille, qsizetype debut) {
    if (debut < 0) debut = 0;
    if (debut > botte.size()) return -1;
    return botte.indexOf(aiguille, debut, Qt::CaseInsensitive);
}

bool egauxSansCasse(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QStringList decouperCommeUnShell(const QString& ligne) {
    QStringList r;
    QString courant;
    bool dansMot = false;
    QChar guillemet;
    for (const QChar c : ligne) {
        if (!guillemet.isNull()) {
            if (c == guillemet)
                guillemet = QChar();
            else
                courant += c;
        } else if (c == u'"' || c == u'\'') {
            guillemet = c;
            dansMot = true;
        } else if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') {
            if (dansMot) r << courant;
            courant.clear();
            dansMot = false;
        } else {
            courant += c;
            dansMot = true;
        }
    }
    if (dansMot) r << courant;
    return r;
}

bool estCaractereDeMot(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

} // namespace Texte
