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

namespace {

QString makefileCible() {
    return MakefileDuProjet(etatGlobal().RépertoireDeTravail);
}

// Le makefile du projet, ou la configuration par défaut qui le créera.
QString makefileSource() {
    const QString cible = makefileCible();
    return QFileInfo::exists(cible) ? cible : Configuration::cheminConfigurationParDéfaut();
}

} // namespace

bool vitesseSérieValide(const QString& vitesse) {
    // Pas de zéro en tête : -DBAUD=09600 serait lu en octal par le compilateur.
    if (vitesse.isEmpty() || vitesse.size() > 7 || vitesse.front() == u'0') return false;
    for (const QChar c : vitesse)
        if (c < u'0' || c > u'9') return false;
    return true;
}

QString messageVitesseRefusée(const QString& vitesse) {
    // Une valeur hostile peut être immense : on n'en montre que le début.
    const QString montrée = vitesse.size() > 40 ? vitesse.left(40) + QStringLiteral("…") : vitesse;
    return QStringLiteral("La vitesse série « ") + montrée +
           QStringLiteral(" » est refusée : il faut un nombre entier de bauds, de 1 à 9999999.") +
           Texte::SautDeLigne + QStringLiteral("Le makefile n'a pas été modifié.");
}

QString vitesseDuMakefile() {
    DocumentRiche makefile;
    if (!makefile.charger(makefileSource())) return {};
    const QString texte = makefile.texte();
    const qsizetype p = PositionClé(texte, QStringLiteral("BAUD ="));
    if (p < 0) return {};
    const qsizetype début = p + 6;
    qsizetype fin = texte.indexOf(u'\r', début);
    if (fin < 0) fin = texte.size();
    return Configuration::valeurUtile(texte.mid(début, fin - début));
}

bool ÉcrireVitesseSérie(const QString& vitesse, DocumentRiche* makefileOuvert) {
    // Ce qui va au makefile est relu par make : rien d'autre qu'un nombre n'y entre.
    if (!vitesseSérieValide(vitesse)) {
        afficherMessage(messageVitesseRefusée(vitesse), IconeMessage::Exclamation);
        return false;
    }
    const EtatGlobal& e = etatGlobal();
    const QString cible = makefileCible();
    QString erreur, résolu;
    // Un lien hors du projet ou vers rien n'est ni lu ni écrit.
    if (!FichierAtomique::cibleDansProjet(cible, e.RépertoireDeTravail, résolu, &erreur)) {
        messageCritique(QStringLiteral("La vitesse n'a pas pu être écrite dans ") +
                        QDir::toNativeSeparators(cible) + QStringLiteral(".") + Texte::SautDeLigne + erreur);
        return false;
    }
    const QString source = QFileInfo::exists(résolu) ? résolu : Configuration::cheminConfigurationParDéfaut();
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
