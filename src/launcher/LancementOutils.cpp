#include "launcher/LancementOutils.h"

#include "common/Messages.h"
#include "common/Texte.h"
#include "launcher/FenInvisible.h"
#include "launcher/Principal.h"
#include "noyau/EtatGlobal.h"

#include <QDir>

using Texte::SautDeLigne;

namespace LancementOutils {

QString DossierDuProjet() {
    const QString& dossier = etatGlobal().RépertoireDeTravail;
    if (QDir::isAbsolutePath(dossier)) return dossier;
    return QDir::currentPath();
}

QStringList ListerSchémas(const QString& dossier) {
    // Sans QDir::CaseSensitive, le filtre ignore la casse : « a.dsn » comme « B.DSN ».
    return QDir(dossier).entryList({QStringLiteral("*.DSN")}, QDir::Files | QDir::Readable,
                                   QDir::Name | QDir::IgnoreCase);
}

std::optional<Processus::Commande> AnalyserCommande(const QString& commande,
                                                    const QStringList& argumentsEnPlus, QString* erreur) {
    const QString texte = Texte::rogner(commande);
    if (texte.isEmpty()) {
        if (erreur)
            *erreur =
                QStringLiteral("Aucune commande de simulateur n'est donnée : le quatrième paramètre de la "
                               "ligne de commande doit être le chemin du programme à lancer (AVR Studio ou "
                               "ISIS), suivi de ses éventuels arguments.");
        return std::nullopt;
    }
    // Le plus court début qui désigne un exécutable, coupé à chaque blanc, puis le texte entier.
    for (qsizetype fin = 0; fin <= texte.size(); ++fin) {
        if (fin < texte.size() && (texte[fin] != u' ' || texte[fin - 1] == u' ')) continue;
        const QString programme = texte.left(fin);
        if (Processus::trouverProgramme(programme).isEmpty()) continue;
        return Processus::Commande{programme, Texte::decouperCommeUnShell(texte.mid(fin)) + argumentsEnPlus};
    }
    // Un chemin entouré d'apostrophes, que le découpage de la ligne de commande n'a pas retirées.
    const QStringList mots = Texte::decouperCommeUnShell(texte);
    if (!mots.isEmpty() && !Processus::trouverProgramme(mots.front()).isEmpty())
        return Processus::Commande{mots.front(), mots.mid(1) + argumentsEnPlus};
    if (erreur)
        *erreur =
            QStringLiteral("Le programme du simulateur est introuvable :") + SautDeLigne +
            QStringLiteral("« ") + texte + QStringLiteral(" »") + SautDeLigne + SautDeLigne +
            QStringLiteral("Le quatrième paramètre de la ligne de commande doit commencer par le chemin "
                           "d'un programme exécutable, ou par un nom trouvé par le chemin de recherche "
                           "(PATH). Rien n'a été lancé.");
    return std::nullopt;
}

} // namespace LancementOutils

int LancerOutil(const ServicesOutils& services) {
    EtatGlobal& e = etatGlobal();
    const bool isis = Texte::minuscules(e.Commande) == u"isis";
    // La commande du simulateur d'abord : sans programme à lancer, ni projet écrit ni schéma à choisir.
    QString erreur;
    if (!LancementOutils::AnalyserCommande(e.ParamètreAdditionnel, {}, &erreur)) {
        messageCritique(erreur);
        return CodeSortie::Erreur;
    }
    FenInvisible fenêtre(services);
    if (!fenêtre.charger()) return CodeSortie::Erreur;

    if (e.AppliDéjàLancée) {
        // L'outil tourne : le montrer, sans en lancer un second.
        if (services.activerFenêtre && services.activerFenêtre(e.TitreAppliLancée)) return CodeSortie::Succès;
        // Sa fenêtre a disparu depuis la recherche : il est lancé comme s'il n'avait pas tourné.
        e.AppliDéjàLancée = false;
        if (isis && !fenêtre.ChoisirSchéma()) return CodeSortie::Erreur;
    }
    if (isis && !e.LancerIsis) return CodeSortie::Succès;

    // AVR Studio reçoit le chemin du projet comme un seul argument, même avec des blancs ; pour
    // ISIS, le nom du schéma est entre guillemets.
    QStringList enPlus;
    if (isis)
        enPlus = Texte::decouperCommeUnShell(e.ArgumentSimulateur);
    else if (!e.ArgumentSimulateur.isEmpty())
        enPlus << e.ArgumentSimulateur;

    const auto commande = LancementOutils::AnalyserCommande(e.ParamètreAdditionnel, enPlus, &erreur);
    if (!commande) {
        messageCritique(erreur);
        return CodeSortie::Erreur;
    }
    if (!services.démarrer || !services.démarrer(*commande, LancementOutils::DossierDuProjet(), &erreur)) {
        messageCritique(erreur);
        return CodeSortie::Erreur;
    }
    return CodeSortie::Succès;
}
