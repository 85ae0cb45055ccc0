#include "launcher/LigneDeCommande.h"

#include "common/Messages.h"
#include "common/Texte.h"
#include "noyau/EtatGlobal.h"

QString TexteBrutLigneDeCommande(const QStringList& argumentsSansProgramme) {
    return argumentsSansProgramme.join(u' ');
}

QString DécouperLigneDeCommande(const QString& texteBrut, int maximum) {
    EtatGlobal& e = etatGlobal();
    if (maximum < 0) maximum = 0;
    QStringList champs(maximum + 1);
    int16_t nombre = 0;
    bool dansChamp = false;

    QString texte = texteBrut;
    texte.remove(u'"');

    for (const QChar c : texte) {
        if (c != u'>') {
            if (!dansChamp) {
                if (nombre == maximum) break;
                ++nombre;
                dansChamp = true;
            }
            champs[nombre] += c;
        } else {
            dansChamp = false;
        }
    }
    champs.resize(nombre + 1);
    e.ArgumentsLigne = champs;
    e.NombreArguments = nombre;
    return texte;
}

QString ChampÀSaPlace(const QString& ligne, int numéro) {
    const QStringList champs = ligne.split(u'>');
    return numéro >= 1 && numéro <= champs.size() ? champs[numéro - 1] : QString();
}

QString DéfautNomDeFichier(const QString& nom) {
    // Un séparateur ferait écrire le fichier du projet hors de son dossier.
    for (const QChar séparateur : {QChar(u'/'), QChar(u'\\')})
        if (nom.contains(séparateur))
            return QStringLiteral(
                       "Le nom de fichier « %1 » contient « %2 » : c'est un nom sans extension, pas un "
                       "chemin.")
                .arg(nom, séparateur);
    return {};
}

namespace {

// Les lignes du message d'usage qui suivent celle de l'erreur.
QStringList lignesAide() {
    const QString dix(10, u' ');
    const QString vingt(20, u' ');
    return {
        QStringLiteral("Les paramètres de lancement de cet appli sont :"),
        dix + QStringLiteral("Paramètre 1 : commande à exécuter :"),
        vingt + QStringLiteral("- Compiler,"),
        vingt + QStringLiteral("- AVRStudio,"),
        vingt + QStringLiteral("- Isis,"),
        vingt + QStringLiteral("- Programmer,"),
        vingt + QStringLiteral("- Reconstruire,"),
        vingt + QStringLiteral("- Nettoyer,"),
        vingt + QStringLiteral("- Configurer,"),
        vingt + QStringLiteral("- Assistante."),
        dix + QStringLiteral("Paramètre 2 : Répertoire de travail seul."),
        dix + QStringLiteral("Paramètre 3 : Le nom de fichier sans extension."),
        dix +
            QStringLiteral(
                "Paramètre 4 : Paramètre additionnel. Pour l'instant, uniquement la commande du simulateur."),
        QString(),
        QStringLiteral("Les paramètres sont à séparer d'un > (Supérieur)."),
        QString(),
        QStringLiteral("« Par exemple : configurer>d:\\Programme-C\\MaquetteV3>BP-LED »"),
    };
}

} // namespace

QString TexteUsage(const QString& ligneDeCommande) {
    const QStringList lignes = QStringList{QStringLiteral("Erreur : la ligne de commande : «") +
                                               ligneDeCommande + QStringLiteral("» est invalide."),
                                           QString()} +
                               lignesAide();
    return lignes.join(Texte::SautDeLigne);
}

QString TexteAide() {
    return lignesAide().join(u'\n') + u'\n';
}

void AfficherUsage(const QString& raison) {
    Message m;
    m.texte = TexteUsage(etatGlobal().LigneDeCommande);
    if (!raison.isEmpty()) m.texte = raison + Texte::SautDeLigne + Texte::SautDeLigne + m.texte;
    m.titre = TitreApplication();
    m.icône = IconeMessage::Critique;
    m.modalSystème = true;
    afficherMessage(m);
}
