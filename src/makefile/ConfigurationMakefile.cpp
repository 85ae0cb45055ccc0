#include "makefile/ConfigurationMakefile.h"

#include "common/FichierAtomique.h"
#include "common/Messages.h"
#include "common/Nombres.h"
#include "makefile/ParametreMakefile.h"
#include "makefile/PreferencesInterface.h"
#include "makefile/TablesMakefile.h"
#include "noyau/EtatGlobal.h"
#include "noyau/MakefileProjet.h"
#include "noyau/OuvrirDocument.h"
#include "noyau/ValeursMakefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

namespace Configuration {

QString cheminConfigurationUtilisateur() {
    // À côté des réglages de l'utilisateur : l'installation ne s'écrit jamais.
    const QString réglages = etatGlobal().FichierParamètres;
    if (réglages.isEmpty()) return {};
    return QFileInfo(réglages).absolutePath() + QStringLiteral("/Modèle/makefile.rtf");
}

QString cheminConfigurationParDéfaut() {
    const QString perso = cheminConfigurationUtilisateur();
    if (!perso.isEmpty() && QFileInfo(perso).isFile()) return perso;
    return etatGlobal().DossierInstallation + QStringLiteral("/Modèle/makefile.rtf");
}

QString cheminMakefileProjet() {
    return MakefileDuProjet(etatGlobal().RépertoireDeTravail);
}

QString cheminAide() {
    return Ouverture::cheminAide();
}

QString valeurUtile(const QString& valeur) {
    return valeurSansCommentaire(valeur);
}

QString formeAffichage(const QString& cheminMakefile) {
    return ChangeCaractère(cheminMakefile, QStringLiteral("/"), QString(QDir::separator()));
}

QString formeMakefile(const QString& cheminAffiché) {
    return ChangeCaractère(cheminAffiché, QStringLiteral("\\"), QStringLiteral("/"));
}

QString avecDossierInclude(const QString& include, const QString& dossier) {
    if (dossier.isEmpty()) return include;
    // Pas de blanc en tête quand la boîte était vide.
    if (include.trimmed().isEmpty()) return dossier;
    return include + u' ' + dossier;
}

std::optional<QString> texteMégahertz(const QString& fréquence) {
    // Un entier en hertz (suffixe du C permis : « 8000000UL ») : « 16 MHz », « 8,5 » ou « 1E6 »
    // donneraient un F_CPU que le compilateur refuse.
    const std::optional<uint32_t> hertz = hertzDeFCPU(fréquence);
    if (!hertz) return std::nullopt;
    return QStringLiteral("Hz = ") + Nombres::texteDecimalLocal(double(*hertz) / 1000000.0) +
           QStringLiteral(" MHz");
}

QStringList portsSérieDuSystème(const QString& dossierDev, const QString& dossierSys) {
    // Ordre naturel : ttyUSB2 avant ttyUSB10, quelle que soit la langue du système.
    auto numéro = [](const QString& nom) {
        qsizetype d = nom.size();
        while (d > 0 && nom[d - 1].isDigit())
            --d;
        return std::pair{nom.left(d), nom.mid(d).toLongLong()};
    };
    // Le noyau crée ttyS0… même sans circuit derrière ; il en donne alors le type 0 (inconnu).
    auto uartPrésent = [&dossierSys](const QString& nom) {
        QFile type(dossierSys + u'/' + nom + QStringLiteral("/type"));
        if (!type.open(QIODevice::ReadOnly)) return true;
        return type.readAll().trimmed() != "0";
    };
    QStringList ports;
    const QDir dev(dossierDev);
    for (const QString& motif :
         {QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*"), QStringLiteral("ttyS*")}) {
        QStringList noms = dev.entryList({motif}, QDir::System | QDir::Files | QDir::NoDotAndDotDot);
        std::sort(noms.begin(), noms.end(),
                  [&numéro](const QString& a, const QString& b) { return numéro(a) < numéro(b); });
        for (const QString& n : noms)
            if (!n.startsWith(QStringLiteral("ttyS")) || uartPrésent(n)) ports << dev.filePath(n);
    }
    return ports;
}

QStringList portsProposés() {
#ifdef Q_OS_LINUX
    // Les ports série présents d'abord : ce sont ceux qui servent ici ; « usb » pour les
    // programmateurs USB (USBasp, USBtinyISP…).
    return portsSérieDuSystème() + TablesMakefile::listePorts() + QStringList{QStringLiteral("usb")};
#else
    return TablesMakefile::listePorts();
#endif
}

ListesConfiguration listes() {
    return {TablesMakefile::nomsMicroContrôleurs(), TablesMakefile::listeFréquences(),
            TablesMakefile::libellésOptimisations(), TablesMakefile::libellésProgrammateurs(),
            portsProposés()};
}

QString messageFréquence() {
    return QStringLiteral(
        "Un entier dugenoux ! La fréquence en Hz sans virgule ni points. Juste la fréquence, le "
        "truc marqué sur le quartz ( la petite bête en inox à coté du machin noir).");
}

QString questionConfigurationParDéfaut() {
    return QStringLiteral("Sûr Bidule ???");
}

QString questionSauverConfigurationParDéfaut() {
    return QStringLiteral("Attention : ce fichier deviendra votre configuration par défaut. L'original reste "
                          "dans l'installation ; supprimez « %1 » pour le retrouver.\r\nSauver quand même "
                          "ce fichier comme configuration par défaut ?")
        .arg(QDir::toNativeSeparators(cheminConfigurationUtilisateur()));
}

} // namespace Configuration

using namespace Configuration;

namespace {

RéponseMessage montrer(const QString& texte, IconeMessage icône, BoutonsMessage boutons = BoutonsMessage::OK,
                       RéponseMessage parDéfaut = RéponseMessage::OK, bool modalSystème = false) {
    Message m;
    m.texte = texte;
    m.titre = TitreApplication();
    m.icône = icône;
    m.boutons = boutons;
    m.parDéfaut = parDéfaut;
    m.modalSystème = modalSystème;
    return afficherMessage(m);
}

QString natif(const QString& chemin) {
    return QDir::toNativeSeparators(chemin);
}

// Ligne d'une liste dont l'entrée est exactement texte ; -1 sinon.
int indiceDans(const QStringList& liste, const QString& texte) {
    return int(liste.indexOf(texte));
}

} // namespace

// --- Lecture et écriture des paramètres ---------------------------------------------------------

QString ConfigurationMakefile::lire(const QString& clé) {
    if (auto v = ValeurParamètre(RTBMakefileExistant, clé)) return *v;
    // Le message du lecteur, puis la valeur de la configuration par défaut plutôt qu'une valeur
    // vide : une clé oubliée ne doit pas changer de microcontrôleur ni casser la compilation.
    LireParamètre(RTBMakefileExistant, clé);
    return ValeurParamètre(RTBMakefile, clé).value_or(QString());
}

void ConfigurationMakefile::écrire(const QString& clé, const QString& valeur) {
    MarquerParamètre(RTBMakefile, clé, valeur);
}

// --- Chargement ---------------------------------------------------------------------------------

bool ConfigurationMakefile::chargerConfigurationParDéfaut() {
    QString erreur;
    const QString chemin = cheminConfigurationParDéfaut();
    if (RTBMakefile.charger(chemin, &erreur)) return true;
    montrer(QStringLiteral("La configuration par défaut ") + natif(chemin) +
                QStringLiteral(" n'a pas pu être lue.\r\n\r\n") + erreur +
                (chemin == cheminConfigurationUtilisateur()
                     ? QStringLiteral("\r\n\r\nSupprimez ce fichier pour retrouver celle de l'installation.")
                     : QStringLiteral("\r\n\r\nRéinstallez l'application pour la retrouver.")),
            IconeMessage::Critique);
    // Le makefile du projet sert alors de base : OK le réécrit avec ses propres valeurs.
    if (QFileInfo::exists(cheminMakefileProjet())) RTBMakefile.charger(cheminMakefileProjet());
    return false;
}

void ConfigurationMakefile::chargerDescription() {
    m_description = ChargerDescriptionAVR(valeursMakefile().MicroContrôleur);
}

std::vector<int> ConfigurationMakefile::charger(FenêtreEnChargement& fenêtre) {
    std::vector<int> sautées;
    auto étape = [&sautées](int numéro, const auto& faire) {
        try {
            faire();
        } catch (...) {
            sautées.push_back(numéro);
        }
    };
    const EtatGlobal& e = etatGlobal();

    étape(1, [&] { fenêtre.définirSonFusibles(e.RépertoireSkin + QStringLiteral("ClickFuseBit.wav")); });
    étape(2, [&] { m_fichierAide = cheminAide(); });
    étape(3, [&] { fenêtre.définirImageAssistante(e.RépertoireSkin + e.ImageBoutonSkin); });
    étape(4, [&] { etatMarquage().MarquageActif = false; });
    étape(5, [&] {
        if (!chargerConfigurationParDéfaut()) throw std::runtime_error("configuration par défaut");
    });
    étape(6, [&] { fenêtre.replier(); });
    étape(7, [&] { fenêtre.remplirListes(listes()); });
    étape(8, [&] {
        const QString projet = cheminMakefileProjet();
        if (QFileInfo::exists(projet)) {
            if (LectureDuMakefile(projet)) return;
            m_projetIllisible = true;
        }
        LectureDuMakefile(cheminConfigurationParDéfaut());
    });
    étape(9, [&] { chargerDescription(); });
    étape(10, [&] { changerInclude(formeAffichage(lire(QStringLiteral("EXTRAINCDIRS =")))); });
    étape(11, [&] { écrire(QStringLiteral("TARGET ="), e.NomDeFichier); });
    étape(12, [&] { etatMarquage().MarquageActif = true; });
    étape(13, [&] { LirePréférencesInterface(); });
    étape(14, [&] {
        const PréférencesInterface& p = préférencesInterface();
        fenêtre.montrerPréférences(PréférencesInterface::cochée(p.PlusDeBulles),
                                   PréférencesInterface::cochée(p.Silence));
    });
    étape(15, [&] {
        if (e.AppelantAssistante == u"Ligne de commande") fenêtre.demanderAssistante();
    });
    return sautées;
}

bool ConfigurationMakefile::LectureDuMakefile(const QString& chemin) {
    QString erreur;
    if (!RTBMakefileExistant.charger(chemin, &erreur)) {
        montrer(QStringLiteral("Le makefile ") + natif(chemin) +
                    QStringLiteral(" n'a pas pu être lu.\r\n\r\n") + erreur,
                IconeMessage::Exclamation);
        return false;
    }
    ValeursMakefile& v = valeursMakefile();
    EtatContrôles& c = contrôles;

    // MCU : la ligne de la table, ou le texte lu tel quel.
    const TablesMakefile::Sélection mcu =
        TablesMakefile::sélectionMicroContrôleur(lire(QStringLiteral("MCU =")));
    c.microContrôleur = {mcu.indice, mcu.texte};
    microContrôleurQuitté();
    v.MicroContrôleurAbsent = !ValeurParamètre(RTBMakefileExistant, QStringLiteral("MCU =")).has_value();

    // F_CPU : le texte tel quel ; une valeur qui n'est pas une fréquence garde l'ancienne.
    const QString fréquence = lire(QStringLiteral("F_CPU ="));
    c.fréquence = {indiceDans(TablesMakefile::listeFréquences(), fréquence), fréquence};
    fréquenceQuittée();

    // OPT : une valeur de la table choisit sa ligne, une valeur vide la première ; toute autre
    // (-Og, -O4…) reste telle que lue.
    const QString opt = lire(QStringLiteral("OPT ="));
    const QString optUtile = valeurUtile(opt);
    const auto optimisations = TablesMakefile::optimisations();
    c.optimisation = {-1, opt};
    for (std::size_t i = 0; i < optimisations.size(); ++i)
        if (optUtile.isEmpty() ? i == 0 : optimisations[i].valeur == optUtile)
            c.optimisation = {int(i), optimisations[i].libellé.toString()};
    v.Optimisation = opt;
    optimisationQuittée();

    // FORMAT : l'option correspondante, et la valeur lue écrite telle quelle.
    const QString format = lire(QStringLiteral("FORMAT ="));
    if (const auto i = TablesMakefile::indiceFormatDeSortie(format)) c.formatSortie = *i;
    v.FormatSortie = format;
    écrire(QStringLiteral("FORMAT ="), format);

    // EXTRAINCDIRS et DIRAVR : forme d'affichage dans les boîtes, « / » dans le makefile.
    c.include = formeAffichage(lire(QStringLiteral("EXTRAINCDIRS =")));
    v.DossiersInclude = formeMakefile(c.include);
    écrire(QStringLiteral("EXTRAINCDIRS ="), v.DossiersInclude);
    c.outils = formeAffichage(lire(QStringLiteral("DIRAVR =")));
    v.DossierOutils = formeMakefile(c.outils);
    écrire(QStringLiteral("DIRAVR ="), v.DossierOutils);

    const TablesMakefile::Sélection prog =
        TablesMakefile::sélectionProgrammateur(lire(QStringLiteral("AVRDUDE_PROGRAMMER =")));
    c.programmateur = {prog.indice, prog.texte};
    programmateurQuitté();

    const TablesMakefile::Sélection port =
        TablesMakefile::sélectionPort(lire(QStringLiteral("AVRDUDE_PORT =")));
    c.port = {port.indice, port.texte};
    portQuitté();

    // CompilCoff, DEBUG, AffichageMemoire : chaque valeur est écrite, même quand le contrôle ne
    // change pas, pour que le makefile dise ce que montrent les contrôles.
    const QString coff = lire(QStringLiteral("CompilCoff ="));
    const auto indiceCoff = TablesMakefile::indiceCoff(coff);
    c.coff = indiceCoff.value_or(-1);
    écrire(QStringLiteral("CompilCoff ="), indiceCoff ? TablesMakefile::valeurCoff(*indiceCoff)
                                                      : (valeurUtile(coff).isEmpty() ? QString() : coff));
    const int débogage = TablesMakefile::indiceDéboggage(lire(QStringLiteral("DEBUG =")));
    c.déboggage = -1;
    choisirDéboggage(débogage);
    const bool occupation =
        TablesMakefile::occupationMémoireCochée(lire(QStringLiteral("AffichageMemoire =")));
    c.occupationMémoire = !occupation;
    changerOccupationMémoire(occupation);
    return true;
}

// --- Gestionnaires ------------------------------------------------------------------------------

void ConfigurationMakefile::microContrôleurQuitté() {
    ValeursMakefile& v = valeursMakefile();
    const QString texte = contrôles.microContrôleur.texte;
    v.MicroContrôleurAbsent = false;
    v.PartieAvrdude = TablesMakefile::partieAvrdudePour(texte, v.PartieAvrdude);
    v.MicroContrôleur = TablesMakefile::valeurMCU(texte);
    écrire(QStringLiteral("MCU ="), v.MicroContrôleur);
    v.OptionsAvrdude = TablesMakefile::optionsAvrdude(v.PartieAvrdude);
    écrire(QStringLiteral("AVRDUDE_FLAGS ="), v.OptionsAvrdude);
    chargerDescription();
}

bool ConfigurationMakefile::fréquenceQuittée() {
    const QString texte = contrôles.fréquence.texte;
    valeursMakefile().FréquenceCPULue = texte.trimmed();
    const std::optional<QString> mhz = texteMégahertz(texte);
    if (!mhz) {
        montrer(messageFréquence(), IconeMessage::Exclamation, BoutonsMessage::OK, RéponseMessage::OK, true);
        return false;
    }
    contrôles.texteFréquence = *mhz;
    valeursMakefile().FréquenceCPU = texte.trimmed();
    écrire(QStringLiteral("F_CPU ="), valeursMakefile().FréquenceCPU);
    return true;
}

void ConfigurationMakefile::optimisationQuittée() {
    ValeursMakefile& v = valeursMakefile();
    if (const auto valeur = TablesMakefile::valeurOptimisationPour(contrôles.optimisation.texte))
        v.Optimisation = *valeur;
    écrire(QStringLiteral("OPT ="), v.Optimisation);
}

void ConfigurationMakefile::portQuitté() {
    // avrdude reçoit le port sans le commentaire que make ignore ; le makefile garde la ligne lue.
    valeursMakefile().PortProgrammateur = valeurUtile(contrôles.port.texte);
    écrire(QStringLiteral("AVRDUDE_PORT ="), contrôles.port.texte);
}

void ConfigurationMakefile::programmateurQuitté() {
    ValeursMakefile& v = valeursMakefile();
    if (const auto id = TablesMakefile::idProgrammateurPour(contrôles.programmateur.texte))
        v.Programmateur = *id;
    écrire(QStringLiteral("AVRDUDE_PROGRAMMER ="), v.Programmateur);
}

void ConfigurationMakefile::choisirFormatSortie(int indice) {
    if (contrôles.formatSortie == indice) return;
    contrôles.formatSortie = indice;
    ValeursMakefile& v = valeursMakefile();
    if (const auto valeur = TablesMakefile::valeurFormatDeSortie(indice)) v.FormatSortie = *valeur;
    écrire(QStringLiteral("FORMAT ="), v.FormatSortie);
}

void ConfigurationMakefile::choisirCoff(int indice) {
    if (contrôles.coff == indice || indice < 0 || !contrôles.coffActif) return;
    contrôles.coff = indice;
    écrire(QStringLiteral("CompilCoff ="), TablesMakefile::valeurCoff(indice));
}

void ConfigurationMakefile::choisirDéboggage(int indice) {
    if (contrôles.déboggage == indice || indice < 0) return;
    contrôles.déboggage = indice;
    écrire(QStringLiteral("DEBUG ="), TablesMakefile::valeurDéboggage(indice));
    if (indice == 0) {
        contrôles.coffActif = true;
    } else {
        // Le COFF se fait depuis un .elf en stabs : avec Dwarf-2, plus de COFF, et les options
        // grisées ne montrent plus de choix.
        contrôles.coffActif = false;
        contrôles.coff = -1;
        écrire(QStringLiteral("CompilCoff ="), QString());
    }
}

void ConfigurationMakefile::changerOccupationMémoire(bool cochée) {
    if (contrôles.occupationMémoire == cochée) return;
    contrôles.occupationMémoire = cochée;
    écrire(QStringLiteral("AffichageMemoire ="), TablesMakefile::valeurOccupationMémoire(cochée));
}

void ConfigurationMakefile::changerInclude(const QString& texte) {
    if (contrôles.include == texte) return;
    contrôles.include = texte;
    valeursMakefile().DossiersInclude = formeMakefile(texte);
    écrire(QStringLiteral("EXTRAINCDIRS ="), valeursMakefile().DossiersInclude);
}

void ConfigurationMakefile::changerOutils(const QString& texte) {
    if (contrôles.outils == texte) return;
    contrôles.outils = texte;
    valeursMakefile().DossierOutils = formeMakefile(texte);
    écrire(QStringLiteral("DIRAVR ="), valeursMakefile().DossierOutils);
}

// --- Boutons ------------------------------------------------------------------------------------

void ConfigurationMakefile::ajouterDossierInclude(const QString& dossier) {
    // Un dialogue annulé ne change rien.
    if (dossier.isEmpty()) return;
    changerInclude(avecDossierInclude(contrôles.include, dossier));
}

void ConfigurationMakefile::choisirDossierOutils(const QString& dossier) {
    // Annuler le dialogue ne doit pas effacer le dossier déjà réglé.
    if (dossier.isEmpty()) return;
    changerOutils(dossier);
}

bool ConfigurationMakefile::chargerMakefileDansLaVue(const QString& chemin) {
    if (chemin.isEmpty()) return false;
    QString erreur;
    if (RTBMakefile.charger(chemin, &erreur)) return true;
    montrer(QStringLiteral("Le fichier ") + natif(chemin) +
                QStringLiteral(" n'a pas pu être chargé.\r\n\r\n") + erreur,
            IconeMessage::Exclamation);
    return false;
}

bool ConfigurationMakefile::rechargerConfigurationParDéfaut() {
    if (montrer(questionConfigurationParDéfaut(), IconeMessage::Exclamation, BoutonsMessage::OuiNon,
                RéponseMessage::Non) != RéponseMessage::Oui)
        return false;
    return LectureDuMakefile(cheminConfigurationParDéfaut());
}

bool ConfigurationMakefile::sauverCommeConfigurationParDéfaut() {
    // Non par défaut : la réponse irréversible ne doit pas venir d'un appui sur Entrée.
    if (montrer(questionSauverConfigurationParDéfaut(), IconeMessage::Exclamation, BoutonsMessage::OuiNon,
                RéponseMessage::Non, true) != RéponseMessage::Oui)
        return false;
    QString erreur;
    const QString cible = cheminConfigurationUtilisateur();
    if (cible.isEmpty())
        erreur = QStringLiteral("Aucun dossier de réglages n'est connu.");
    else if (!QDir().mkpath(QFileInfo(cible).absolutePath()))
        erreur = QStringLiteral("Le dossier ") + natif(QFileInfo(cible).absolutePath()) +
                 QStringLiteral(" n'a pas pu être créé.");
    else if (RTBMakefile.enregistrerRtf(cible, &erreur))
        return true;
    montrer(QStringLiteral("La configuration par défaut n'a pas pu être enregistrée dans ") +
                natif(cible) + QStringLiteral(".\r\n\r\n") + erreur +
                QStringLiteral("\r\n\r\nL'ancienne configuration par défaut est intacte."),
            IconeMessage::Critique);
    return false;
}

bool ConfigurationMakefile::enregistrer() {
    const QString chemin = cheminMakefileProjet();
    if (RTBMakefile.texte().trimmed().isEmpty()) {
        montrer(QStringLiteral("Le makefile est vide : il n'est pas enregistré."), IconeMessage::Exclamation);
        return false;
    }
    if (m_projetIllisible &&
        montrer(
            QStringLiteral("Le makefile ") + natif(chemin) +
                QStringLiteral(" n'a pas pu être lu à l'ouverture de la fenêtre : l'enregistrer remplacera "
                               "son contenu par celui d'ici.\r\n\r\nLe remplacer quand même ?"),
            IconeMessage::Exclamation, BoutonsMessage::OuiNon, RéponseMessage::Non) != RéponseMessage::Oui)
        return false;
    QString erreur;
    // Le makefile est réécrit depuis la configuration par défaut : les règles ajoutées à la main
    // disparaîtraient sans trace. L'ancien reste à côté, une génération sous un nom fixe que
    // d'autres outils connaissent, avant toute écriture. Un makefile illisible que l'utilisateur a
    // accepté de remplacer n'a rien à garder.
    const QString dossier = etatGlobal().RépertoireDeTravail;
    const QByteArray octets = RTBMakefile.octetsTexte();
    QByteArray ancien;
    const bool sansCopie = m_projetIllisible && !FichierAtomique::lire(chemin, ancien);
    if (sansCopie ? FichierAtomique::ecrireDansProjet(chemin, octets, dossier, &erreur)
                  : FichierAtomique::ecrireAvecCopie(chemin, octets, dossier,
                                                     FichierAtomique::Copie::Glissante, &erreur)) {
        m_projetIllisible = false;
        return true;
    }
    montrer(QStringLiteral("Le makefile n'a pas pu être enregistré dans ") + natif(chemin) +
                QStringLiteral(".\r\n\r\n") + erreur +
                QStringLiteral("\r\n\r\nLe makefile d'avant est intact et la fenêtre reste ouverte."),
            IconeMessage::Critique);
    return false;
}
