#include "assistant/project/Assistante.h"

#include "common/FichierAtomique.h"
#include "common/Identite.h"
#include "common/Messages.h"
#include "common/Texte.h"
#include "makefile/ConfigurationMakefile.h"
#include "makefile/ParametreMakefile.h"
#include "makefile/PreferencesInterface.h"
#include "noyau/EtatGlobal.h"
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
    return etatGlobal().RépertoireDeTravail + QStringLiteral("/makefile");
}

// Le makefile du projet, ou la configuration par défaut qui le créera.
QString makefileSource() {
    const QString cible = makefileCible();
    return QFileInfo::exists(cible)
               ? cible
               : etatGlobal().DossierInstallation + QStringLiteral("/Modèle/makefile.rtf");
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
    const QString cible = makefileCible();
    const QString source = makefileSource();
    DocumentRiche RTBInvisible;
    QString erreur;
    if (!RTBInvisible.charger(source, &erreur)) {
        messageCritique(QStringLiteral("Le makefile ") + QDir::toNativeSeparators(source) +
                        QStringLiteral(" n'a pas pu être lu.") + Texte::SautDeLigne + erreur);
        return false;
    }
    // Une clé absente a déjà son message ; rien n'est écrit.
    if (!MarquerParamètre(RTBInvisible, QStringLiteral("BAUD ="), vitesse)) return false;
    if (!RTBInvisible.enregistrerTexte(cible, &erreur)) {
        messageCritique(QStringLiteral("La vitesse n'a pas pu être écrite dans ") +
                        QDir::toNativeSeparators(cible) + QStringLiteral(".") + Texte::SautDeLigne + erreur);
        return false;
    }
    if (makefileOuvert && PositionClé(makefileOuvert->texte(), QStringLiteral("BAUD =")) >= 0)
        MarquerParamètre(*makefileOuvert, QStringLiteral("BAUD ="), vitesse);
    return true;
}

bool RemplacerFichierSource(const QString& texte) {
    const QString fichier = etatGlobal().FichierC;
    if (texte.isEmpty()) return false;
    QString erreur;
    if (QFileInfo::exists(fichier)) {
        QByteArray ancien;
        if (!FichierAtomique::lire(fichier, ancien, &erreur) ||
            !FichierAtomique::ecrire(fichier + QStringLiteral(".bak"), ancien, &erreur)) {
            messageCritique(
                QStringLiteral("Le fichier ") + QDir::toNativeSeparators(fichier) +
                QStringLiteral(" n'a pas pu être sauvegardé avant d'être remplacé ; il n'a pas été "
                               "touché.") +
                Texte::SautDeLigne + erreur);
            return false;
        }
    }
    DocumentRiche d;
    d.définirTexte(texte);
    if (!d.enregistrerTexte(fichier, &erreur)) {
        messageCritique(QStringLiteral("Le fichier ") + QDir::toNativeSeparators(fichier) +
                        QStringLiteral(" n'a pas pu être écrit.") + Texte::SautDeLigne + erreur);
        return false;
    }
    return true;
}

} // namespace Assistante
