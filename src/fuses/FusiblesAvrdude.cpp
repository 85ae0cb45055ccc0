#include "fuses/FusiblesAvrdude.h"

#include "common/Texte.h"
#include "noyau/ValeursMakefile.h"

#include <QObject>

using Avrdude::Issue;
using Avrdude::Octet;

namespace {

const QString& CRLF = Texte::SautDeLigne;
const QString Nom_SPIEN = QStringLiteral("SPIEN");

// Une ligne de la console : les caractères de contrôle de l'octet brut deviennent lisibles.
QString lisible(const QString& brut) {
    QString r;
    r.reserve(brut.size());
    for (const QChar c : brut) {
        const char16_t u = c.unicode();
        if (u == u'\r' || u == u'\n' || u == u'\t' || (u >= 0x20 && u < 0x7F) || u >= 0xA0)
            r += c;
        else
            r += QStringLiteral("<0x") + QString::number(u, 16).rightJustified(2, u'0').toUpper() + u'>';
    }
    return r;
}

// Retire et remet l'état « en cours » quoi qu'il arrive.
class EnCours {
public:
    EnCours(bool& drapeau, VueFusibles& vue) : m_drapeau(drapeau), m_vue(vue) { m_drapeau = true; }
    ~EnCours() {
        m_drapeau = false;
        m_vue.montrerÉtape(QString());
    }
    EnCours(const EnCours&) = delete;
    EnCours& operator=(const EnCours&) = delete;

private:
    bool& m_drapeau;
    VueFusibles& m_vue;
};

Message message(const QString& texte, const QString& titre, IconeMessage icône) {
    Message m;
    m.texte = texte;
    m.titre = titre;
    m.icône = icône;
    m.modalSystème = true;
    return m;
}

} // namespace

// --- Listes -----------------------------------------------------------------------------------

void AfficherLecture(int valeur, int premièreLigne, ListeCoches& liste) {
    for (int k = 0; k <= 7; ++k) {
        const int poids = 1 << (7 - k);
        const bool àUn = valeur >= poids;
        if (àUn) valeur -= poids;
        // Une case cochée par erreur avant la lecture ne doit pas survivre : elle serait écrite.
        const int ligne = premièreLigne + k;
        if (ligne >= 0 && ligne < static_cast<int>(liste.size())) liste[ligne].cochée = àUn;
    }
}

int LireBitAProgrammer(int premièreLigne, const ListeCoches& liste) {
    int valeur = 0;
    for (int k = 0; k <= 7; ++k) {
        const int ligne = premièreLigne + k;
        if (ligne < 0 || ligne >= static_cast<int>(liste.size())) continue;
        int bit = liste[ligne].cochée ? 1 : 0;
        if (bit == 1 && liste[ligne].nom == Nom_SPIEN) {
            bit = 0;
            afficherMessage(Fusibles::messageSPIEN());
        }
        valeur += bit << (7 - k);
    }
    return valeur;
}

// --- Textes -----------------------------------------------------------------------------------

namespace Fusibles {

QString ligneDAstérisques() {
    return QString(126, u'*') + CRLF;
}

Message messageCommunication(bool lecture) {
    const QString conseil =
        lecture ? QStringLiteral("Vérifiez la connection de la carte au PC, son alimentation et la "
                                 "configuration éventuelle d'un mode de programmation.")
                : QStringLiteral("Vérifiez la connection de la carte au PC et la configuration éventuelle "
                                 "d'un mode de programmation.");
    return message(QStringLiteral("Le µC ne répond pas. ") + CRLF + CRLF + conseil + CRLF + CRLF +
                       QStringLiteral("Cliquez sur >>>> pour en savoir plus."),
                   QStringLiteral("Erreur de communication"), IconeMessage::Critique);
}

Message messageErreurIndéfinie() {
    return message(QStringLiteral("Une erreur indéfinie c'est produite.") + CRLF + CRLF +
                       QStringLiteral("Regarder dans la fenêtre de droite pour en savoir plus."),
                   QStringLiteral("Erreur indéfinie"), IconeMessage::Critique);
}

Message messageSPIEN() {
    return message(QStringLiteral("Pour votre sécurité, j'interdit la programmation de SPIEN."),
                   QStringLiteral("Attention"), IconeMessage::Critique);
}

Message questionFuser(std::optional<int> verrou) {
    Message m = message(
        QStringLiteral("\"Fuser\" les bits présente le risque de se trouver dans la panade en train de "
                       "démonter son µC de la carte et d'appliquer des signaux un peu partout (lire la fin "
                       "de l'aide \"Y'a pu rin qui marche\" à cet effet).") +
            CRLF + CRLF +
            QStringLiteral("Chez Atmel pour vous simplifier la vie, ils ont décidés de tout inverser. Un "
                           "fusible est donc programmé si la case est décoché.") +
            CRLF + CRLF + QStringLiteral("Voulez-vous vraiment programmer les fusibles ?") +
            (verrou ? CRLF + CRLF +
                          QStringLiteral("Les bits de verrouillage seront aussi écrits (0x%1).")
                              .arg(QString::number(*verrou, 16).toUpper().rightJustified(2, u'0'))
                    : QString()),
        QStringLiteral("ATTENTION"), IconeMessage::Exclamation);
    m.boutons = BoutonsMessage::OuiNon;
    m.parDéfaut = RéponseMessage::Non;
    return m;
}

Message messageLectureAvantEcriture() {
    return message(
        QStringLiteral("Pour votre protection je ne vous permets pas d'écrire les fusibles sans les "
                       "avoir lu auparavant. Et toc !"),
        QStringLiteral("Sécurité : papiers s'il vous plait !!!"), IconeMessage::Exclamation);
}

} // namespace Fusibles

// --- Enchaînement -----------------------------------------------------------------------------

FusiblesAvrdude::FusiblesAvrdude(VueFusibles& vue) : m_vue(vue) {
    QObject::connect(&MyDOS, &DOSClass::ReceiveOutputs, &MyDOS,
                     [this](const QString& morceau) { MyDOS_ReceiveOutputs(morceau); });
}

void FusiblesAvrdude::charger() {
    const ValeursMakefile& v = valeursMakefile();
    // Relue ici : un fichier endommagé ne donnerait sinon qu'une liste vide, sans un mot.
    const ResultatDescriptionAVR r = ChargerDescriptionAVR(v.MicroContrôleur);
    if (!r.réussi() && r.état != EtatDescriptionAVR::FichierAbsent &&
        r.état != EtatDescriptionAVR::NomInvalide)
        afficherMessage(message(r.message, TitreApplication(), IconeMessage::Exclamation));
    // Une copie : la description ne change pas sous la fenêtre.
    m_description = descriptionAVR();
    const DescriptionAVR& d = m_description;
    m_octets.clear();
    ListeFusibles.clear();
    const std::pair<bool, Octet> octets[] = {{d.FusibleEtenduPrésent, Octet::Etendu},
                                             {d.FusibleHautPrésent, Octet::Haut},
                                             {d.FusibleBasPrésent, Octet::Bas}};
    for (const auto& [présent, octet] : octets) {
        if (!présent) continue;
        m_octets.push_back(octet);
        const auto& noms = octet == Octet::Etendu ? d.NomsFusibleEtendu
                           : octet == Octet::Haut ? d.NomsFusibleHaut
                                                  : d.NomsFusibleBas;
        for (int bit = 7; bit >= 0; --bit)
            ListeFusibles.push_back({noms[bit], false});
    }
    ListeVerrouillage.clear();
    m_verrou = false;
    for (int bit = 7; bit >= 0; --bit) {
        ListeVerrouillage.push_back({d.NomsVerrou[bit], false});
        if (!d.NomsVerrou[bit].isEmpty()) m_verrou = true;
    }
    CBLire = {Fusibles::LireLesFusibles, std::nullopt};
    CBFuser = {Fusibles::FuserLesBit, std::nullopt};
    ErreurAvrdude = false;
    m_verrouConnu = false;
    RTAffichageDos.vider();
    m_partie.reset();
    m_partieDemandée = false;
    m_vue.actualiser();
}

void FusiblesAvrdude::vérifierComposant() {
    if (m_enCours) return;
    {
        // Lire et Fuser attendent la réponse : elle décide de ce qui peut être demandé.
        EnCours enCours(m_enCours, m_vue);
        m_vue.montrerÉtape(QStringLiteral("Recherche du composant dans avrdude…"));
        demanderPartie();
    }
    const QStringList problèmes = problèmesAccès();
    if (!problèmes.isEmpty()) afficherMessage(messageInaccessibles(problèmes));
}

void FusiblesAvrdude::demanderPartie() {
    if (m_partieDemandée) return;
    m_partieDemandée = true;
    const QString partie = Avrdude::sansCommentaire(valeursMakefile().PartieAvrdude);
    if ((m_octets.empty() && !m_verrou) || partie.isEmpty()) return;
    m_partie = Avrdude::descriptionPartie(programme, partie, &m_dosVersion, délaiPartie);
}

Avrdude::AccèsMémoire FusiblesAvrdude::accès(Octet octet) const {
    // Sans réponse d'avrdude, rien n'est présumé impossible.
    if (!m_partie) return {true, true, true};
    return m_partie->accès(Avrdude::mémoire(octet, m_description));
}

QStringList FusiblesAvrdude::problèmesAccès() const {
    QStringList r;
    std::vector<Octet> octets = m_octets;
    if (m_verrou) octets.push_back(Octet::Verrou);
    for (const Octet octet : octets) {
        const Avrdude::AccèsMémoire a = accès(octet);
        if (a.lecture && a.écriture) continue;
        const QString manque = !a.lecture && !a.écriture ? QStringLiteral("ni lecture ni écriture")
                               : !a.lecture              ? QStringLiteral("pas de lecture")
                                                         : QStringLiteral("pas d'écriture");
        r << QStringLiteral("- %1 (%2) : %3")
                 .arg(nomOctet(octet), Avrdude::mémoire(octet, m_description), manque);
    }
    return r;
}

Message FusiblesAvrdude::messageInaccessibles(const QStringList& problèmes) const {
    const ValeursMakefile& v = valeursMakefile();
    const QString partie = Avrdude::sansCommentaire(v.PartieAvrdude);
    return message(QStringLiteral("L'avrdude installé ne sait pas lire ou écrire tous les fusibles du "
                                  "microcontrôleur « %1 » : sa description du composant « %2 » "
                                  "(avrdude -p %2/S) n'en donne pas les instructions.")
                           .arg(v.MicroContrôleur, partie) +
                       CRLF + CRLF + problèmes.join(CRLF) + CRLF + CRLF +
                       QStringLiteral("Ce qu'avrdude ne sait pas faire, cette fenêtre ne le demande pas."),
                   QStringLiteral("Fusibles inaccessibles"), IconeMessage::Exclamation);
}

bool FusiblesAvrdude::vérifierAccès(bool lecture) {
    for (const Octet octet : m_octets) {
        const Avrdude::AccèsMémoire a = accès(octet);
        if (lecture ? a.lecture : a.écriture) continue;
        afficherMessage(messageInaccessibles(problèmesAccès()));
        return false;
    }
    return true;
}

QString FusiblesAvrdude::nomOctet(Octet octet) const {
    return Avrdude::nomOctet(octet, m_description);
}

QString FusiblesAvrdude::préfixeCommandes() const {
    const ValeursMakefile& v = valeursMakefile();
    if (Avrdude::sansCommentaire(v.PartieAvrdude).isEmpty()) {
        afficherMessage(message(QStringLiteral("Le microcontrôleur « %1 » n'a pas d'identifiant avrdude : "
                                               "choisissez-le dans la liste de la fenêtre de configuration.")
                                    .arg(v.MicroContrôleur),
                                TitreApplication(), IconeMessage::Exclamation));
        return {};
    }
    if (Avrdude::sansCommentaire(v.Programmateur).isEmpty() ||
        Avrdude::sansCommentaire(v.PortProgrammateur).isEmpty()) {
        afficherMessage(message(QStringLiteral("Choisissez le programmateur et son port dans la fenêtre de "
                                               "configuration avant de lire ou d'écrire les fusibles."),
                                TitreApplication(), IconeMessage::Exclamation));
        return {};
    }
    // make ignore le commentaire qui suit une valeur du makefile ; avrdude doit l'ignorer aussi.
    return Avrdude::préfixe(programme, Avrdude::sansCommentaire(v.PartieAvrdude),
                            Avrdude::sansCommentaire(v.PortProgrammateur),
                            Avrdude::sansCommentaire(v.Programmateur));
}

void FusiblesAvrdude::garderValeur(Octet octet, std::uint8_t valeur) {
    switch (octet) {
    case Octet::Etendu:
        ValeurFusibleEtendu = valeur;
        break;
    case Octet::Haut:
        ValeurFusibleHaut = valeur;
        break;
    case Octet::Bas:
        ValeurFusibleBas = valeur;
        break;
    case Octet::Verrou:
        ValeurVerrou = valeur;
        break;
    }
}

// Lit un octet et coche ses lignes, à partir de premièreLigne.
void FusiblesAvrdude::lireOctet(const QString& préfixe, Octet octet, ListeCoches& liste, int premièreLigne) {
    m_vue.montrerÉtape(QStringLiteral("Lecture du %1…").arg(nomOctet(octet)));
    const int valeur =
        LectureFusibles(Avrdude::commandeLecture(préfixe, Avrdude::mémoire(octet, m_description)));
    if (valeur >= 0) {
        garderValeur(octet, static_cast<std::uint8_t>(valeur));
        AfficherLecture(valeur, premièreLigne, liste);
        if (octet == Octet::Verrou) m_verrouConnu = true;
    }
    m_vue.actualiser();
}

// Écrit l'octet que donnent les lignes de la liste, à partir de premièreLigne.
void FusiblesAvrdude::écrireOctet(const QString& préfixe, Octet octet, const ListeCoches& liste,
                                  int premièreLigne, bool sécurité) {
    const int valeur = LireBitAProgrammer(premièreLigne, liste);
    const QString mémoire = Avrdude::mémoire(octet, m_description);
    m_vue.montrerÉtape(QStringLiteral("Écriture du %1…").arg(nomOctet(octet)));
    EcritureFusibles(Avrdude::commandeEcriture(préfixe, mémoire, valeur, sécurité), mémoire);
    // Le verrouillage écrit est désormais celui de la puce : une écriture suivante le compare à lui.
    if (octet == Octet::Verrou && !ErreurAvrdude) ValeurVerrou = static_cast<std::uint8_t>(valeur);
    m_vue.actualiser();
}

void FusiblesAvrdude::parcourir(const std::function<void()>& préparer,
                                const std::function<void(Octet, ListeCoches&, int)>& traiter,
                                bool avecVerrou) {
    EnCours enCours(m_enCours, m_vue);
    m_arrêtDemandé = false;
    ErreurAvrdude = false;
    préparer();
    int premièreLigne = 0;
    for (const Octet octet : m_octets) {
        // Le premier octet est toujours traité ; les suivants tant que rien n'a échoué.
        if (ErreurAvrdude) break;
        traiter(octet, ListeFusibles, premièreLigne);
        premièreLigne += 8;
        ajouterConsole(Fusibles::ligneDAstérisques());
        m_vue.actualiser();
    }
    if (avecVerrou && !ErreurAvrdude) traiter(Octet::Verrou, ListeVerrouillage, 0);
}

void FusiblesAvrdude::lire() {
    if (m_enCours) return;
    if (m_octets.empty() && !m_verrou) {
        afficherMessage(message(QStringLiteral("Aucun fusible n'est décrit pour le microcontrôleur « %1 » : "
                                               "il n'y a rien à lire.")
                                    .arg(valeursMakefile().MicroContrôleur),
                                TitreApplication(), IconeMessage::Exclamation));
        return;
    }
    demanderPartie();
    if (!vérifierAccès(true)) return;
    const QString préfixe = préfixeCommandes();
    if (préfixe.isEmpty()) return;
    m_verrouConnu = false;
    parcourir(
        [this] {
            RTAffichageDos.vider();
            m_vue.actualiser();
        },
        [this, &préfixe](Octet octet, ListeCoches& liste, int premièreLigne) {
            lireOctet(préfixe, octet, liste, premièreLigne);
        },
        m_verrou && accès(Octet::Verrou).lecture);

    if (!ErreurAvrdude) {
        m_vue.bip();
        CBLire = {Fusibles::FusiblesLus, Fusibles::Vert};
        CBFuser = {Fusibles::FuserLesBits, Fusibles::RougeClair};
    } else {
        // Une lecture incomplète ne vaut pas lecture : il faudra relire avant d'écrire.
        CBLire = {Fusibles::LireLesFusibles, std::nullopt};
    }
    m_vue.actualiser();
}

void FusiblesAvrdude::écrire() {
    if (m_enCours) return;
    RTAffichageDos.vider();
    m_vue.actualiser();
    // Le verrouillage n'est écrit que si ses cases ont changé depuis la dernière lecture : une
    // écriture inutile ne ferait que risquer de verrouiller la puce par mégarde.
    std::optional<int> verrou;
    if (m_verrou && m_verrouConnu && accès(Octet::Verrou).écriture) {
        const int voulu = LireBitAProgrammer(0, ListeVerrouillage);
        if (voulu != ValeurVerrou) verrou = voulu;
    }
    if (afficherMessage(Fusibles::questionFuser(verrou)) != RéponseMessage::Oui) return;
    if (CBLire.légende == Fusibles::LireLesFusibles) {
        afficherMessage(Fusibles::messageLectureAvantEcriture());
        return;
    }
    demanderPartie();
    if (!vérifierAccès(false)) return;
    const QString préfixe = préfixeCommandes();
    if (préfixe.isEmpty()) return;
    bool sécurité = false;
    parcourir(
        [this, &sécurité] {
            m_vue.montrerÉtape(QStringLiteral("Recherche de la version d'avrdude…"));
            sécurité = Avrdude::optionSécurité(Avrdude::versionInstallée(programme, &m_dosVersion));
        },
        [this, &préfixe, &sécurité](Octet octet, ListeCoches& liste, int premièreLigne) {
            écrireOctet(préfixe, octet, liste, premièreLigne, sécurité);
        },
        verrou.has_value());

    CBLire = {Fusibles::LireLesFusibles, Fusibles::VertClair};
    if (!ErreurAvrdude) {
        m_vue.bip();
        CBFuser = {Fusibles::FusiblesEcris, Fusibles::Rouge};
        CBLire = {Fusibles::LireFusibles, Fusibles::VertClair};
    }
    m_vue.actualiser();
}

void FusiblesAvrdude::arrêter() {
    if (!m_enCours) return;
    m_arrêtDemandé = true;
    m_dosVersion.KillCommand();
    MyDOS.KillCommand();
}

int FusiblesAvrdude::LectureFusibles(const QString& ligne) {
    const Avrdude::Exécution e = exécuter(ligne);
    const Avrdude::Bilan b = Avrdude::analyserLecture(e);
    if (b.issue == Issue::Faite) return *b.valeur;
    ErreurAvrdude = true;
    signalerÉchec(b.issue, true, e.statut);
    return -1;
}

void FusiblesAvrdude::EcritureFusibles(const QString& ligne, const QString& mémoire) {
    const Avrdude::Exécution e = exécuter(ligne);
    const Avrdude::Bilan b = Avrdude::analyserEcriture(e, mémoire);
    if (b.issue == Issue::Faite) return;
    ErreurAvrdude = true;
    signalerÉchec(b.issue, false, e.statut);
}

Avrdude::Exécution FusiblesAvrdude::exécuter(const QString& ligne) {
    RTRetourDos.clear();
    m_débutExécution = RTAffichageDos.longueur();
    // Un arrêt demandé entre deux exécutions vaut pour la suivante.
    if (m_arrêtDemandé) {
        ajouterConsole(QStringLiteral("avrdude arrêté à votre demande.") + CRLF);
        return {DOSClass::StatutAnnule, DOSClass::CodeSortieArret, QString()};
    }
    MyDOS.setCommandName(ligne);
    const std::int32_t statut = MyDOS.ExecuteCommand(true);
    if (statut == DOSClass::StatutAnnule)
        ajouterConsole((m_arrêtDemandé ? QStringLiteral("avrdude arrêté à votre demande.")
                                       : QStringLiteral("avrdude arrêté : le programmateur ne répond pas.")) +
                       CRLF);
    else if (statut != 0)
        ajouterConsole(QStringLiteral("avrdude n'a pas pu être lancé (%1).").arg(ligne) + CRLF);
    return {statut, MyDOS.ExitCode(), RTRetourDos};
}

void FusiblesAvrdude::MyDOS_ReceiveOutputs(const QString& strCommandOutputs) {
    RTRetourDos += strCommandOutputs;
    montrerExécution();
    m_vue.actualiser();
    // L'issue est déjà connue : inutile de laisser avrdude réessayer pendant des minutes.
    if (Avrdude::signeDeCommunication(RTRetourDos)) MyDOS.KillCommand();
}

void FusiblesAvrdude::signalerÉchec(Issue issue, bool lecture, std::int32_t statut) {
    switch (issue) {
    case Issue::Communication:
        afficherMessage(Fusibles::messageCommunication(lecture));
        break;
    case Issue::Erreur:
        // La console d'abord : le message y renvoie.
        m_vue.élargirConsole();
        afficherMessage(Fusibles::messageErreurIndéfinie());
        break;
    case Issue::Introuvable:
        afficherMessage(
            message(QStringLiteral("avrdude n'a pas pu être lancé (erreur %1). Vérifiez qu'il est "
                                   "installé et que son dossier figure dans le chemin de "
                                   "recherche des programmes (PATH).")
                        .arg(statut),
                    QStringLiteral("avrdude introuvable"), IconeMessage::Critique));
        break;
    case Issue::Interrompue:
    case Issue::Faite:
        break;
    }
}

void FusiblesAvrdude::ajouterConsole(const QString& texte) {
    if (texte.isEmpty()) return;
    RTAffichageDos.sélectionner(RTAffichageDos.longueur(), 0);
    RTAffichageDos.remplacerSélection(lisible(texte));
}

// La sortie de l'exécution en cours est remontrée en entier à chaque morceau : l'octet brut lu et
// un CR LF coupé entre deux morceaux n'y apparaissent qu'une fois la sortie complète.
void FusiblesAvrdude::montrerExécution() {
    RTAffichageDos.sélectionner(m_débutExécution, RTAffichageDos.longueur() - m_débutExécution);
    RTAffichageDos.remplacerSélection(lisible(Avrdude::texteConsole(RTRetourDos)));
}
