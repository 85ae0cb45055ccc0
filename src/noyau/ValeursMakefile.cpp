#include "noyau/ValeursMakefile.h"

#include <QRegularExpression>

QString valeurSansCommentaire(const QString& valeur) {
    const qsizetype dièse = valeur.indexOf(u'#');
    return (dièse < 0 ? valeur : valeur.left(dièse)).trimmed();
}

ValeursMakefile& valeursMakefile() {
    static ValeursMakefile valeurs;
    return valeurs;
}

std::optional<uint32_t> hertzDeFCPU(const QString& valeur) {
    // Les suffixes que le C admet sur un entier : U, L, LL, dans un ordre ou l'autre, toute casse.
    static const QRegularExpression forme(
        QStringLiteral("^([0-9]{1,10})(?:[uU](?:l|L|ll|LL)?|(?:l|L|ll|LL)[uU]?)?$"));
    const auto m = forme.match(valeurSansCommentaire(valeur));
    if (!m.hasMatch()) return std::nullopt;
    const qulonglong hertz = m.captured(1).toULongLong();
    if (hertz == 0 || hertz > 0xFFFFFFFFull) return std::nullopt;
    return uint32_t(hertz);
}
