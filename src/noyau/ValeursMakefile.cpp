#include "noyau/ValeursMakefile.h"

QString valeurSansCommentaire(const QString& valeur) {
    const qsizetype dièse = valeur.indexOf(u'#');
    return (dièse < 0 ? valeur : valeur.left(dièse)).trimmed();
}

ValeursMakefile& valeursMakefile() {
    static ValeursMakefile valeurs;
    return valeurs;
}
