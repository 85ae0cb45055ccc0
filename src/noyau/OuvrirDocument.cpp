#include "noyau/OuvrirDocument.h"

#include "common/Identite.h"
#include "noyau/EtatGlobal.h"
#include "noyau/Installation.h"
#include "noyau/plateforme/OuvertureShell.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace Ouverture {

bool estRéussite(int résultat) {
    return résultat > 32 || résultat < 0;
}

QString messageEchec(int résultat) {
    switch (résultat) {
    case 0:
    case 8:
        return QStringLiteral("Dépassement de capacité mémoire.");
    case 2:
        return QStringLiteral("Fichier non trouvé.");
    case 3:
        return QStringLiteral("Dossier inexistant.");
    case 5:
        return QStringLiteral("Erreur dans l'accés au dossier ou au fichier.");
    case 11:
        return QStringLiteral("Le fichier éxécutable est invalide ou ne marche pas.");
    case 26:
        return QStringLiteral("T'es dans la merde ! A sharing violation occurred.");
    case 27:
    case 31:
        return QStringLiteral("Ce type de fichier n'a pas d'association valide.");
    case 28:
        return QStringLiteral(
            "Le fichier ne peut pas être ouvert à cause d'un « time out » Réessayer dans un "
            "moment.");
    case 29:
        return QStringLiteral("Le fichier ne peut pas être ouvert car la transaction DDE à échoué. Réessayer "
                              "dans un moment.");
    case 30:
        return QStringLiteral(
            "Le fichier ne peut pas être ouvert car l'application est occupé. Réessayer dans "
            "un moment.");
    case 32:
        return QStringLiteral("La librairie dynamique n'a pas été trouvé.");
    default:
        return QStringLiteral("Une erreur c'est produite en essayant d'ouvrir le fichier.");
    }
}

Message boîteEchec(int résultat) {
    Message m;
    m.texte = QStringLiteral("On peut pas faire ça !!!") + u'\r' + messageEchec(résultat) + u'\r' +
              QStringLiteral("On peut essayer de l'«ouvrir» ...");
    m.titre = QStringLiteral("Oops ...");
    m.icône = IconeMessage::Information;
    return m;
}

int résultatDeXdgOpen(int statut) {
    switch (statut) {
    case 0:
        return Réussite;
    case 2:
        return FichierNonTrouvé;
    case 3:  // aucun outil pour ce type
    case -1: // xdg-open lui-même absent : rien ne sait ouvrir quoi que ce soit
        return PasDAssociation;
    default: // 1 syntaxe, 4 action échouée, arrêt brutal
        return EchecQuelconque;
    }
}

QString adresseCourriel(const QString& sujet) {
    return QStringLiteral("mailto:") + Identite::adresseContact() + QStringLiteral("?Subject=") + sujet +
           QStringLiteral("&Body=");
}

QString sujetErreurNonRépertoriée() {
    return QStringLiteral("Ereur non répertorié dans Quillon ") + Identite::version();
}

QString sujetAPropos() {
    return QStringLiteral("A propos de Quillon ") + Identite::version();
}

bool écrireCourriel(const QString& sujet) {
    return OuvrirDocument(adresseCourriel(sujet), 10, QString(), QString(), QStringLiteral("open"), 0);
}

QString cheminAide() {
    const EtatGlobal& e = etatGlobal();
    QString dossier = e.DossierAide;
    if (dossier.isEmpty() && !e.DossierInstallation.isEmpty())
        dossier = e.DossierInstallation + QStringLiteral("/Aide");
    if (dossier.isEmpty() && QCoreApplication::instance())
        dossier = Installation::depuis(QCoreApplication::applicationDirPath()).aide;
    return QDir(dossier).filePath(QStringLiteral("index.html"));
}

QString adresseAide(const QString& chapitre) {
    QUrl adresse = QUrl::fromLocalFile(cheminAide());
    if (!chapitre.isEmpty()) adresse.setFragment(chapitre);
    return adresse.toString(QUrl::FullyEncoded);
}

bool ouvrirAide(const QString& chapitre) {
    // Une aide absente donne le message du fichier introuvable, avec son chemin ouvert tel quel.
    if (!QFileInfo(cheminAide()).isFile()) return OuvrirDocument(cheminAide());
    return OuvrirDocument(adresseAide(chapitre));
}

} // namespace Ouverture

bool OuvrirDocument(const QString& fichier, int affichage, const QString& paramètres, const QString& dossier,
                    const QString& verbe, quintptr propriétaire) {
    int résultat;
    if (!paramètres.isEmpty() || !dossier.isEmpty()) {
        // Un programme lancé avec des paramètres démarre caché.
        if (fichier.toUpper().contains(QStringLiteral(".EXE"))) affichage = 0;
        résultat = OuvertureShell::ouvrir(fichier, paramètres, dossier, verbe, affichage, propriétaire);
    } else {
        résultat = OuvertureShell::ouvrir(fichier, QString(), QString(), verbe, 1, propriétaire);
    }
    if (Ouverture::estRéussite(résultat)) return true;
    afficherMessage(Ouverture::boîteEchec(résultat));
    return false;
}
