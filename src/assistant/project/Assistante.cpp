#include "assistant/project/Assistante.h"

#include "common/FichierAtomique.h"
#include "common/Identite.h"
#include "common/Messages.h"
#include "common/Texte.h"
#include "makefile/ConfigurationMakefile.h"
#include "makefile/ParametreMakefile.h"
#include "makefile/PreferencesInterface.h"
#include "noyau/EtatGlobal.h"
#include "noyau/MakefileProjet.h"
#include "noyau/Parametres.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Assistante {

int ongletDeDémarrage() {
    const int onglet = préférencesInterface().OngletDeDémarrage;
    return onglet >= 0 && onglet < NombreOnglets ? onglet : 0;
}

bool définirOngletDeDémarrage(int onglet) {
    if (!EcrirePréférenceInterface(Parametres::OngletDeDémarrage, QString::number(onglet))) return false;
    préférencesInterface().OngletDeDémarrage = int16_t(onglet);
    return true;
}

QString messageComposantAbsent() {
    const QString sl = Texte::SautDeLigne;
    return QStringLiteral("Attention ce µC n'est pas implémenté (ou contient une erreur) pour la partie "
                          "Assistante.") +
           sl + QStringLiteral("Veuillez le faire en complétant le fichier «Configuration.xml».") + sl + sl +
           QStringLiteral("Merci de m'envoyer le résultat une fois que ça marchera. (") +
           Identite::adresseContact() + QStringLiteral(").");
}

bool ÉcrireVitesseSérie(const QString& vitesse, DocumentRiche* makefileOuvert) {
    const EtatGlobal& e = etatGlobal();
    const QString cible = MakefileDuProjet(e.RépertoireDeTravail);
    QString erreur, résolu;
    // Un lien hors du projet ou vers rien n'est ni lu ni écrit.
    if (!FichierAtomique::cibleDansProjet(cible, e.RépertoireDeTravail, résolu, &erreur)) {
        messageCritique(QStringLiteral("La vitesse n'a pas pu être écrite dans ") +
                        QDir::toNativeSeparators(cible) + QStringLiteral(".") + Texte::SautDeLigne + erreur);
        return false;
    }
    const QString source =
        QFileInfo::exists(résolu) ? résolu : Configuration::cheminConfigurationParDéfaut();
    DocumentRiche RTBInvisible;
    if (!RTBInvisible.charger(source, &erreur)) {
        messageCritique(QStringLiteral("Le makefile ") + QDir::toNativeSeparators(source) +
                        QStringLiteral(" n'a pas pu être lu.") + Texte::SautDeLigne + erreur);
        return false;
    }
    // Une clé absente a déjà son message ; rien n'est écrit.
    if (!MarquerParamètre(RTBInvisible, QStringLiteral("BAUD ="), vitesse)) return false;
    if (!FichierAtomique::ecrireDansProjet(cible, RTBInvisible.octetsTexte(), e.RépertoireDeTravail,
                                           &erreur)) {
        messageCritique(QStringLiteral("La vitesse n'a pas pu être écrite dans ") +
                        QDir::toNativeSeparators(cible) + QStringLiteral(".") + Texte::SautDeLigne + erreur);
        return false;
    }
    if (makefileOuvert && PositionClé(makefileOuvert->texte(), QStringLiteral("BAUD =")) >= 0)
        MarquerParamètre(*makefileOuvert, QStringLiteral("BAUD ="), vitesse);
    return true;
}

QString copieDuSource() {
    const QString fichier = etatGlobal().FichierC;
    const QFileInfo info(fichier);
    if (!info.exists() && !info.isSymLink()) return {};
    return FichierAtomique::nomCopie(fichier, FichierAtomique::Copie::Numerotee);
}

bool RemplacerFichierSource(const QString& texte) {
    const EtatGlobal& e = etatGlobal();
    if (texte.isEmpty()) return false;
    DocumentRiche d;
    d.définirTexte(texte);
    QString erreur;
    // Les copies sont numérotées : un second remplacement garde l'original de l'utilisateur.
    if (!FichierAtomique::ecrireAvecCopie(e.FichierC, d.octetsTexte(), e.RépertoireDeTravail,
                                          FichierAtomique::Copie::Numerotee, &erreur)) {
        messageCritique(QStringLiteral("Le fichier ") + QDir::toNativeSeparators(e.FichierC) +
                        QStringLiteral(" n'a pas pu être remplacé.") + Texte::SautDeLigne + erreur);
        return false;
    }
    return true;
}

} // namespace Assistante
