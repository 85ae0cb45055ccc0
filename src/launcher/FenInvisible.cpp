#include "launcher/FenInvisible.h"

#include "common/FichierAtomique.h"
#include "common/Messages.h"
#include "common/Nombres.h"
#include "common/Texte.h"
#include "launcher/LancementOutils.h"
#include "makefile/ConfigurationMakefile.h"
#include "makefile/ParametreMakefile.h"
#include "noyau/EtatGlobal.h"
#include "noyau/MakefileProjet.h"

#include <QDir>
#include <QFileInfo>

namespace {

using Texte::SautDeLigne;

QString natif(const QString& chemin) {
    return QDir::toNativeSeparators(chemin);
}

// Les valeurs vont dans un fichier XML : un dossier « R&D » ne doit pas le rendre illisible.
QString pourXML(const QString& valeur) {
    QString r;
    r.reserve(valeur.size());
    for (const QChar c : valeur) {
        switch (c.unicode()) {
        case u'&':
            r += QStringLiteral("&amp;");
            break;
        case u'<':
            r += QStringLiteral("&lt;");
            break;
        case u'>':
            r += QStringLiteral("&gt;");
            break;
        case u'"':
            r += QStringLiteral("&quot;");
            break;
        case u'\'':
            r += QStringLiteral("&apos;");
            break;
        default:
            r += c;
        }
    }
    return r;
}

// Drapeau entier du makefile : le nombre en tête, arrondi en entier 16 bits ; un nombre trop grand
// reste un drapeau levé.
std::int16_t drapeau(const QString& texte) {
    const double v = Nombres::val(texte);
    try {
        return Nombres::versEntier16(v);
    } catch (const Nombres::ErreurDepassement&) {
        return 1;
    }
}

QString modèle(const QString& nom) {
    return etatGlobal().DossierInstallation + QStringLiteral("/Modèle/") + nom;
}

} // namespace

FenInvisible::FenInvisible(ServicesOutils services) : services_(std::move(services)) {}

bool FenInvisible::charger() {
    const QString mot = Texte::minuscules(etatGlobal().Commande);
    if (mot == u"avrstudio") return préparerAVRStudio();
    if (mot == u"isis") return préparerIsis();
    return true;
}

void FenInvisible::ChercherFenêtre(const QString& texte) {
    EtatGlobal& e = etatGlobal();
    const Fenetres::Recherche r =
        services_.chercherFenêtre ? services_.chercherFenêtre(texte) : Fenetres::Recherche();
    e.AppliDéjàLancée = r.trouvée;
    if (r.trouvée) e.TitreAppliLancée = r.titre;
}

QString FenInvisible::LireLigneMakefile(const QString& clé) const {
    return ValeurParamètre(RichTextBox1, clé).value_or(QString());
}

void FenInvisible::RemplacerTexte(const QString& repère, const QString& valeur) {
    if (repère.isEmpty()) return;
    qsizetype p = RichTextBox1.trouver(repère, 0, DocumentRiche::RespecterCasse);
    while (p >= 0) {
        RichTextBox1.remplacerSélection(valeur);
        // La recherche reprend après la valeur insérée, jamais dedans.
        p = RichTextBox1.trouver(repère, RichTextBox1.débutSélection(), DocumentRiche::RespecterCasse);
    }
}

bool FenInvisible::chargerDocument(const QString& chemin, const QString& quoi) {
    if (!QFileInfo(chemin).isFile()) {
        messageCritique(
            quoi + QStringLiteral(" est introuvable :") + SautDeLigne + QStringLiteral("« ") + natif(chemin) +
            QStringLiteral(" »") + SautDeLigne + SautDeLigne +
            QStringLiteral("Remettez ce fichier à sa place (ou réinstallez le logiciel) et réessayez. "
                           "Rien n'a été lancé."));
        return false;
    }
    QString erreur;
    if (!RichTextBox1.charger(chemin, &erreur)) {
        messageCritique(quoi + QStringLiteral(" ne peut pas être lu :") + SautDeLigne + QStringLiteral("« ") +
                        natif(chemin) + QStringLiteral(" »") + SautDeLigne + SautDeLigne + erreur +
                        SautDeLigne + QStringLiteral("Rien n'a été lancé."));
        return false;
    }
    return true;
}

bool FenInvisible::préparerAVRStudio() {
    EtatGlobal& e = etatGlobal();
    ChercherFenêtre(QStringLiteral("AVRStudio"));

    // Le makefile du projet, ou la configuration par défaut quand le projet n'en a pas encore.
    const QString dossier = LancementOutils::DossierDuProjet();
    const QString makefile = MakefileDuProjet(dossier);
    if (QFileInfo::exists(makefile)) {
        if (!chargerDocument(makefile, QStringLiteral("Le makefile du projet"))) return false;
    } else if (!chargerDocument(Configuration::cheminConfigurationParDéfaut(),
                                QStringLiteral("La configuration par défaut du makefile"))) {
        return false;
    }

    // Une clé absente donne une valeur vide, sans message : le projet reste lançable.
    const QString mcu = LireLigneMakefile(QStringLiteral("MCU ="));
    valeursMakefile().MicroContrôleur = mcu;
    AVRStudioExclusif = drapeau(LireLigneMakefile(QStringLiteral("AVRStudioExclusif =")));

    if (!chargerDocument(modèle(QStringLiteral("NomFichier_elf.aps.rtf")),
                         QStringLiteral("Le modèle de projet AVR Studio")))
        return false;
    RemplacerTexte(QStringLiteral("ZZNomFichierZZ"), pourXML(Texte::minuscules(e.NomDeFichier)));
    // Le modèle suit AVR Studio, sous Windows : le séparateur qui suit le dossier devient celui
    // de la plateforme, pour qu'un chemin n'en mêle pas deux.
    RemplacerTexte(QStringLiteral("ZZRepTravZZ\\"), QStringLiteral("ZZRepTravZZ") + QDir::separator());
    RemplacerTexte(QStringLiteral("ZZRepTravZZ"), pourXML(natif(dossier)));
    RemplacerTexte(QStringLiteral("ZZMicroControleurZZ"), pourXML(mcu));

    // Le modèle déclare UTF-8 : le fichier l'est, quelle que soit la plateforme.
    RichTextBox1.définirCodage(CodageTexte::UTF8);
    const QString projet = dossier + u'/' + e.NomDeFichier + QStringLiteral("_elf.aps");
    QString erreur;
    // Un lien à ce nom n'est suivi que dans le projet.
    if (!FichierAtomique::ecrireDansProjet(projet, RichTextBox1.octetsTexte(), dossier, &erreur)) {
        messageCritique(QStringLiteral("Le projet AVR Studio ne peut pas être écrit :") + SautDeLigne +
                        QStringLiteral("« ") + natif(projet) + QStringLiteral(" »") + SautDeLigne +
                        SautDeLigne + erreur + SautDeLigne + QStringLiteral("AVR Studio n'a pas été lancé."));
        return false;
    }
    e.ArgumentSimulateur = AVRStudioExclusif != 0 ? natif(projet) : QString();
    return true;
}

bool FenInvisible::préparerIsis() {
    ChercherFenêtre(QStringLiteral("ISIS"));
    if (etatGlobal().AppliDéjàLancée) return true;
    return ChoisirSchéma();
}

bool FenInvisible::ChoisirSchéma() {
    EtatGlobal& e = etatGlobal();
    const QString dossier = LancementOutils::DossierDuProjet();
    ListeFichier = LancementOutils::ListerSchémas(dossier);
    e.ArgumentSimulateur.clear();
    if (ListeFichier.size() == 1)
        e.ArgumentSimulateur = QStringLiteral(" \"") + ListeFichier.front() + QStringLiteral("\"");
    e.LancerIsis = true;
    if (ListeFichier.size() > 1 && !(services_.choisirSchéma && services_.choisirSchéma(dossier))) {
        e.LancerIsis = false;
        messageCritique(
            QStringLiteral("Il y a plusieurs schémas structurels dans le dossier du projet, mais la "
                           "fenêtre qui permet d'en choisir un ne peut pas s'afficher (aucun "
                           "affichage disponible).") +
            SautDeLigne + SautDeLigne + QStringLiteral("ISIS n'a pas été lancé."));
        return false;
    }
    return true;
}
