#include "launcher/Principal.h"

#include "common/ErreursSysteme.h"
#include "common/Messages.h"
#include "common/Texte.h"
#include "launcher/LigneDeCommande.h"
#include "noyau/EtatGlobal.h"
#include "noyau/GestionXML.h"
#include "noyau/Installation.h"
#include "noyau/Parametres.h"
#include "noyau/plateforme/Processus.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <map>
#include <optional>

namespace {

std::map<QString, ActionFenêtre>& actions() {
    static std::map<QString, ActionFenêtre> a;
    return a;
}

EtapeDémarrage derniereEtape = EtapeDémarrage::Aucune;

const QString& crlf() {
    return Texte::SautDeLigne;
}

// Lance make au premier plan dans le dossier du projet : l'éditeur lit sa sortie au fil de l'eau
// et son code de sortie devient le nôtre. Un échec au lancement est dit clairement.
int lancerMake(const std::vector<QStringList>& cibles) {
    std::vector<Processus::Commande> commandes;
    for (const QStringList& c : cibles)
        commandes.push_back({QStringLiteral("make"), c});
    QString erreur;
    // Le dossier du projet est déjà le dossier courant : un chemin relatif ne doit pas être repris.
    if (const std::optional<int> code =
            Processus::executerAuPremierPlan(commandes, QDir::currentPath(), &erreur))
        return *code;
    messageCritique(erreur);
    return CodeSortie::Erreur;
}

// Se place dans le dossier du projet ; sinon, dit pourquoi, d'après l'erreur du système.
QString entrerDansLeDossier(const QString& dossier) {
    errno = 0;
    if (QDir::setCurrent(dossier)) return {};
    const int code = errno;
    const QString nom = QDir::toNativeSeparators(dossier);
    if (code == ENOENT) return QStringLiteral("Le dossier « %1 » n'existe pas.").arg(nom);
    if (code == ENOTDIR) return QStringLiteral("« %1 » n'est pas un dossier.").arg(nom);
    return QStringLiteral("Le dossier « %1 » ne peut pas être ouvert : %2.")
        .arg(nom, ErreursSysteme::raison(code ? code : EACCES));
}

int repartir() {
    const QString mot = Texte::minuscules(etatGlobal().Commande);
    if (mot == u"compiler") {
        Message m;
        m.texte =
            QStringLiteral("Cette fonction n'est pas encore implémenté. Utilisez la commande « make all ».");
        m.titre = QString();
        m.icône = IconeMessage::Information;
        afficherMessage(m);
        return CodeSortie::Succès;
    }
    if (mot == u"programmer") return lancerMake({{QStringLiteral("program")}});
    if (mot == u"nettoyer") return lancerMake({{QStringLiteral("clean")}});
    if (mot == u"reconstruire") return lancerMake({{QStringLiteral("clean")}, {QStringLiteral("all")}});
    if (mot == u"assistante") etatGlobal().AppelantAssistante = QStringLiteral("Ligne de commande");
    const auto it = actions().find(mot);
    if (it != actions().end()) return it->second();
    if (mot == u"configurer" || mot == u"assistante" || mot == u"avrstudio" || mot == u"isis") {
        messageCritique(QStringLiteral("L'action « %1 » n'est pas disponible dans cette version.").arg(mot));
        return CodeSortie::Erreur;
    }
    AfficherUsage();
    return CodeSortie::LigneInvalide;
}

} // namespace

void EnregistrerActionFenêtre(const QString& mot, ActionFenêtre action) {
    actions()[mot] = std::move(action);
}
void OublierActionsFenêtres() {
    actions().clear();
}

EtapeDémarrage DernièreEtapeEnErreur() {
    return derniereEtape;
}

int Principal(const QString& texteBrut, const QString& dossierProgramme) {
    EtatGlobal& e = etatGlobal();
    EtapeDémarrage etape = EtapeDémarrage::Aucune;
    QString raisonLigne;
    derniereEtape = EtapeDémarrage::Aucune;
    // Les cibles make n'ont besoin d'aucun réglage : un fichier de réglages abîmé est signalé,
    // puis make tourne quand même ; les autres actions s'arrêtent là.
    const auto sansRéglages = [&e] {
        const QString mot = Texte::minuscules(e.Commande);
        if (mot == u"programmer" || mot == u"nettoyer" || mot == u"reconstruire") return repartir();
        return CodeSortie::Erreur;
    };
    try {
        // Les données sont trouvées depuis le programme ; les réglages sont ceux de l'utilisateur.
        const Installation::Emplacements lieux = Installation::depuis(dossierProgramme);
        e.DossierInstallation = lieux.données;
        e.DossierAide = lieux.aide;
        e.FichierConfiguration = lieux.données + QStringLiteral("/Configuration.xml");
        QString raisonRéglages;
        e.FichierParamètres = Installation::fichierRéglages(&raisonRéglages);

        e.LigneDeCommande = DécouperLigneDeCommande(texteBrut);
        e.ArgumentsLigne.resize(6);

        etape = EtapeDémarrage::LigneDeCommande;
        e.Commande = e.ArgumentsLigne[1];
        e.RépertoireDeTravail = e.ArgumentsLigne[2];
        e.NomDeFichier = e.ArgumentsLigne[3];
        e.ParamètreAdditionnel = e.ArgumentsLigne[4];

        // Deux séparateurs à la place du dossier : make tournerait dans un dossier que
        // l'utilisateur n'a pas nommé.
        if (e.RépertoireDeTravail.isEmpty() || ChampÀSaPlace(e.LigneDeCommande, 2).isEmpty())
            throw std::runtime_error("dossier vide");
        raisonLigne = DéfautNomDeFichier(e.NomDeFichier);
        if (!raisonLigne.isEmpty()) throw std::runtime_error("nom");
        raisonLigne = entrerDansLeDossier(e.RépertoireDeTravail);
        if (!raisonLigne.isEmpty()) throw std::runtime_error("dossier");
        e.FichierC = e.RépertoireDeTravail + QStringLiteral("/") + e.NomDeFichier + QStringLiteral(".c");

        etape = EtapeDémarrage::XML;
        // Sans dossier personnel utilisable, rien ne s'écrit ailleurs : la raison, puis make seul.
        if (e.FichierParamètres.isEmpty() ||
            !Installation::préparerRéglages(e.FichierParamètres, lieux.données, &raisonRéglages)) {
            derniereEtape = etape;
            messageCritique(raisonRéglages);
            return sansRéglages();
        }
        GestionXML xml;
        xml.Ouvrir(e.FichierParamètres, Parametres::Racine);

        // Un fichier refusé (dossier, illisible, démesuré) : sa vraie raison, pas un conseil de
        // remplacer un fichier qui est peut-être bon.
        if (xml.fichierRefusé()) {
            derniereEtape = etape;
            messageCritique(xml.dernièreErreur());
            return sansRéglages();
        }

        etape = EtapeDémarrage::Assistante;
        if (xml.documentEndommagé()) throw ErreurXML(xml.dernièreErreur());
        e.ImageFenêtreSkin = xml.LireValeur(Parametres::ApparenceFenêtre);
        e.ImageBoutonSkin = xml.LireValeur(Parametres::ApparenceBouton);
        e.NomSkin = xml.LireAttribut(Parametres::ApparenceNom, QStringLiteral("Nom"));
        const QString dossierSkin = xml.LireValeur(Parametres::ApparenceRépertoire);
        e.RépertoireSkin = lieux.données + QStringLiteral("/Skin/") + dossierSkin + QStringLiteral("/");
        // Un dossier d'installation en lecture seule n'empêche pas de continuer.
        xml.Fermer();
    } catch (const std::exception& ex) {
        derniereEtape = etape;
        switch (etape) {
        case EtapeDémarrage::LigneDeCommande:
            AfficherUsage(raisonLigne);
            return CodeSortie::LigneInvalide;
        case EtapeDémarrage::XML:
            messageCritique(QStringLiteral("La version de MSXML que vous utilisez est obsolète.") + crlf() +
                            crlf() + QStringLiteral("Mettez la à jour et réessayez."));
            return CodeSortie::Erreur;
        case EtapeDémarrage::Assistante:
            messageCritique(
                QStringLiteral("Le fichier ") + QDir::toNativeSeparators(e.FichierParamètres) +
                QStringLiteral(" contient certainement une erreur qui empêche ça lecture.") + crlf() +
                crlf() +
                QStringLiteral("Si vous n'arrivez pas à le corriger, remplacez-le par le fichier « "
                               "Paramètres initial.xml » et réessayez") +
                // Les réglages ne sont plus à côté de la copie intacte : où la trouver, et
                // comment repartir de zéro.
                crlf() + crlf() +
                QStringLiteral("La copie intacte est dans « %1 » ; vous pouvez aussi supprimer le fichier "
                               "abîmé, il sera recréé au prochain lancement.")
                    .arg(QDir::toNativeSeparators(e.DossierInstallation)));
            return sansRéglages();
        case EtapeDémarrage::Aucune:
            AfficherErreurNonRépertoriée(QString::fromStdString(ex.what()));
            return CodeSortie::Erreur;
        }
    }
    return repartir();
}

QString DossierDuProgramme(const char* argv0) {
    const QFileInfo soi(QStringLiteral("/proc/self/exe"));
    if (soi.exists()) return QFileInfo(soi.canonicalFilePath()).absolutePath();
    if (argv0) return QFileInfo(QString::fromLocal8Bit(argv0)).absolutePath();
    return QDir::currentPath();
}
