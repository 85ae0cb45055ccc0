#include "noyau/Parametres.h"

#include "common/Nombres.h"
#include "noyau/EtatGlobal.h"
#include "noyau/GestionXML.h"

namespace Parametres {

QString Lire(const QString& chemin) {
    try {
        GestionXML xml;
        xml.Ouvrir(etatGlobal().FichierParamètres, Racine);
        const QString v = xml.LireValeur(chemin);
        xml.Fermer();
        return v;
    } catch (...) {
        return {};
    }
}

bool Ecrire(const QString& chemin, const QString& valeur, QString* erreur) {
    try {
        GestionXML xml;
        xml.Ouvrir(etatGlobal().FichierParamètres, Racine);
        xml.EcrireValeur(chemin, valeur);
        if (xml.Fermer()) return true;
        if (erreur) *erreur = xml.dernièreErreur();
    } catch (const ErreurXML& e) {
        if (erreur) *erreur = e.texte();
    }
    return false;
}

int LireEntier(const QString& chemin) {
    return static_cast<int>(Nombres::val(Lire(chemin)));
}

} // namespace Parametres
