#include "makefile/PreferencesInterface.h"

#include "common/Messages.h"
#include "common/Nombres.h"
#include "noyau/EtatGlobal.h"
#include "noyau/GestionXML.h"
#include "noyau/Parametres.h"

#include <QDir>

PréférencesInterface& préférencesInterface() {
    static PréférencesInterface p;
    return p;
}

bool PréférencesInterface::cochée(const QString& texte) {
    return Nombres::val(texte) != 0;
}

void LirePréférencesInterface() {
    PréférencesInterface& p = préférencesInterface();
    // Un seul passage dans le fichier pour les trois valeurs.
    QString bulles, onglet, silence;
    try {
        GestionXML xml;
        xml.Ouvrir(etatGlobal().FichierParamètres, Parametres::Racine);
        bulles = xml.LireValeur(Parametres::PlusDeBulles);
        onglet = xml.LireValeur(Parametres::OngletDeDémarrage);
        silence = xml.LireValeur(Parametres::Silence);
        xml.Fermer();
    } catch (...) {
        // Les réglages se lisent sans jamais échouer : vides, ils valent 0.
    }
    p.PlusDeBulles = bulles;
    p.Silence = silence;
    try {
        p.OngletDeDémarrage = Nombres::versEntier16(Nombres::val(onglet));
    } catch (const Nombres::ErreurDepassement&) {
    }
}

bool EcrirePréférenceInterface(const QString& chemin, const QString& valeur) {
    QString erreur;
    if (Parametres::Ecrire(chemin, valeur, &erreur)) return true;
    Message m;
    m.texte = QStringLiteral("Le réglage « ") + chemin +
              QStringLiteral(" » n'a pas pu être enregistré dans ") +
              QDir::toNativeSeparators(etatGlobal().FichierParamètres) + QStringLiteral(".") +
              (erreur.isEmpty() ? QString() : QStringLiteral("\r\n\r\n") + erreur);
    m.titre = TitreApplication();
    m.icône = IconeMessage::Exclamation;
    afficherMessage(m);
    return false;
}
