#include "makefile/RechercheRemplace.h"

#include "common/Messages.h"
#include "common/Texte.h"
#include "makefile/ParametreMakefile.h"

#include <limits>

EtatRecherche& etatRecherche() {
    static EtatRecherche e;
    return e;
}

namespace RechercheRemplace {

namespace {

void retenirPosition(qsizetype p) {
    etatMarquage().PositionRecherche =
        std::int32_t(std::min<qsizetype>(p, std::numeric_limits<std::int32_t>::max()));
}

void informer(const QString& texte) {
    Message m;
    m.texte = texte;
    m.titre = TitreMessages;
    m.icône = IconeMessage::Aucune;
    m.boutons = BoutonsMessage::OK;
    afficherMessage(m);
}

} // namespace

std::int16_t options(bool motEntier, bool respecterCasse) {
    return std::int16_t((motEntier ? DocumentRiche::MotEntier : 0) |
                        (respecterCasse ? DocumentRiche::RespecterCasse : 0));
}

QString messageAbsente(const QString& texte) {
    return QStringLiteral("La chaine «") + texte + QStringLiteral("» n'existe pas");
}

QString messageAbsenteSuivante(const QString& texte) {
    return messageAbsente(texte) + u'.';
}

QString messageRemplacées(int nombre, const QString& texte, const QString& remplacement) {
    return QString::number(nombre) + QStringLiteral(" occurences de «") + texte +
           QStringLiteral("», remplacées par «") + remplacement + QStringLiteral("».");
}

qsizetype Rechercher(DocumentRiche& vue, const QString& texte, std::int16_t opts, bool duDébut) {
    EtatRecherche& e = etatRecherche();
    const qsizetype début = duDébut ? 0 : vue.débutSélection();
    e.TexteRecherché = texte;
    e.OptionsRecherche = opts;
    const qsizetype p = vue.trouver(texte, début, opts);
    retenirPosition(p);
    if (p < 0) informer(messageAbsente(texte));
    return p;
}

Suivant RechercherSuivant(DocumentRiche& vue) {
    const EtatRecherche& e = etatRecherche();
    if (e.TexteRecherché.isEmpty()) return Suivant::AucuneRecherche;
    const qsizetype position = etatMarquage().PositionRecherche;
    // Après un échec, la position ne dit plus rien : on repart du point d'insertion.
    const qsizetype début = (position < 0 ? vue.débutSélection() : position) + vue.longueurSélection();
    const qsizetype p = vue.trouver(e.TexteRecherché, début, e.OptionsRecherche);
    retenirPosition(p);
    if (p >= 0) return Suivant::Trouvé;
    informer(messageAbsenteSuivante(e.TexteRecherché));
    return Suivant::Absent;
}

bool sélectionEstLaCorrespondance(const DocumentRiche& vue) {
    const EtatRecherche& e = etatRecherche();
    const qsizetype position = etatMarquage().PositionRecherche;
    if (position < 0 || e.TexteRecherché.isEmpty()) return false;
    if (vue.débutSélection() != position || vue.longueurSélection() != e.TexteRecherché.size()) return false;
    return vue.chercher(e.TexteRecherché, position, e.OptionsRecherche) == position;
}

bool RemplacerCorrespondance(DocumentRiche& vue) {
    // Une sélection déplacée à la main depuis la recherche n'est pas remplacée : ce serait écrire
    // le remplacement n'importe où dans le makefile.
    if (!sélectionEstLaCorrespondance(vue)) return false;
    vue.remplacerSélection(etatRecherche().TexteRemplacement);
    return true;
}

int RemplacerTout(DocumentRiche& vue, const QString& texte, const QString& remplacement, std::int16_t opts) {
    EtatRecherche& e = etatRecherche();
    e.TexteRecherché = texte;
    e.TexteRemplacement = remplacement;
    e.OptionsRecherche = opts;
    int nombre = 0;
    qsizetype début = 0;
    for (;;) {
        const qsizetype p = vue.trouver(texte, début, opts);
        if (p < 0) break;
        retenirPosition(p);
        vue.remplacerSélection(remplacement);
        ++nombre;
        // La suite se cherche après le texte inséré, où se trouve le point d'insertion : « a »
        // remplacé par « aa » s'arrête.
        début = vue.débutSélection();
    }
    if (nombre == 0)
        informer(messageAbsenteSuivante(texte));
    else
        informer(messageRemplacées(nombre, texte, remplacement));
    return nombre;
}

} // namespace RechercheRemplace
