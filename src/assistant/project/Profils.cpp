#include "assistant/project/Profils.h"

#include "common/Messages.h"
#include "common/Texte.h"
#include "noyau/GestionXML.h"
#include "noyau/Parametres.h"

#include <algorithm>

namespace Profils {

// Au-delà, le magasin ne compte plus les éléments d'une liste.
static_assert(NombreMax == GestionXML::MaxListe + 1);

namespace {

const QString Base = QStringLiteral("GénérateurDeCode Profiles");
const QString AttributNom = QStringLiteral("Nom");
const std::array<QString, NombrePériphériques> NomsIncludes = {
    QStringLiteral("LCD"), QStringLiteral("CAN"), QStringLiteral("RS232"), QStringLiteral("Timers"),
    QStringLiteral("Delay")};

// Ouvre le fichier des réglages ; un fichier illisible est signalé et jamais réécrit.
bool ouvrir(GestionXML& xml, const QString& fichier) {
    try {
        xml.Ouvrir(fichier, Parametres::Racine);
    } catch (const ErreurXML& e) {
        messageCritique(e.texte());
        return false;
    }
    if (!xml.documentEndommagé()) return true;
    // Sauver refuse un fichier endommagé et en donne la raison : c'est elle qu'on montre.
    if (!xml.fichierRefusé()) xml.Sauver();
    messageCritique(xml.dernièreErreur());
    return false;
}

// Les profils : seuls les enfants directs du nœud des profils en sont (un « Profile » imbriqué à
// la main dans un autre n'en est pas un), sans limite de nombre pour les lister ou les supprimer.
std::vector<GestionXML::EnfantDirect> profils(GestionXML& xml, int* descendants = nullptr) {
    return xml.EnfantsDirects(QStringLiteral("Profile"), Base, AttributNom, descendants);
}

// Chemin du profil n de la liste ; vide s'il n'existe pas.
QString cheminListe(GestionXML& xml, int n) {
    const auto l = profils(xml);
    return n >= 0 && n < int(l.size()) ? chemin(l[size_t(n)].indice) : QString();
}

// Un caractère de contrôle rendrait le fichier des réglages invalide pour d'autres lecteurs.
bool contientContrôle(const QString& nom) {
    return std::any_of(nom.cbegin(), nom.cend(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}

// L'élément existe-t-il ? Un texte vide enregistré n'est pas un texte absent.
bool existe(GestionXML& xml, const QString& chemin) {
    const QString nom = chemin.section(u' ', -1);
    return xml.NombreDeNoeudsMultiples(nom, chemin, {}) > 0;
}

// Entier écrit en décimal ; tout autre texte (ou rien) laisse le champ tel qu'il était.
bool lireEntier(const QString& texte, int& champ) {
    bool ok = false;
    const int v = texte.toInt(&ok);
    if (ok) champ = v;
    return ok;
}

void lireTexte(GestionXML& xml, const QString& chemin, QString& champ) {
    if (existe(xml, chemin)) champ = xml.LireValeur(chemin);
}

void messageÉchec(const QString& nom, const QString& raison) {
    messageCritique(QStringLiteral("Le profil « %1 » n'a pas été enregistré :").arg(nom) +
                    Texte::SautDeLigne + raison);
}

} // namespace

QString chemin(int n) {
    return Base + QStringLiteral(" Profile(%1)").arg(n);
}

QStringList noms(const QString& fichierParamètres) {
    GestionXML xml;
    if (!ouvrir(xml, fichierParamètres)) return {};
    QStringList liste;
    try {
        for (const GestionXML::EnfantDirect& p : profils(xml))
            liste << p.attribut;
    } catch (const ErreurXML& e) {
        messageCritique(e.texte());
    }
    xml.Fermer();
    return liste;
}

bool sauver(const QString& fichierParamètres, const QString& nom, const Profil& profil, QString* chemin) {
    if (nom.isEmpty()) {
        afficherMessage(QStringLiteral("Saisissez le nom du profil avant d'appuyer sur Entrée."),
                        IconeMessage::Exclamation);
        return false;
    }
    if (contientContrôle(nom)) {
        afficherMessage(
            QStringLiteral("Le nom du profil ne peut pas contenir de caractère de contrôle "
                           "(tabulation, saut de ligne…) : corrigez-le avant d'appuyer sur Entrée."),
            IconeMessage::Exclamation);
        return false;
    }
    GestionXML xml;
    if (!ouvrir(xml, fichierParamètres)) return false;
    try {
        int descendants = 0;
        const auto liste = profils(xml, &descendants);
        const auto même = std::find_if(liste.begin(), liste.end(),
                                       [&](const GestionXML::EnfantDirect& e) { return e.attribut == nom; });
        if (même == liste.end() && int(liste.size()) >= NombreMax) {
            messageÉchec(nom,
                         QStringLiteral("il y a déjà %1 profils, le plus grand nombre que le fichier des "
                                        "réglages peut tenir. Supprimez-en un pour faire de la place.")
                             .arg(NombreMax));
            return false;
        }
        // Un nouveau profil se place après tous les éléments « Profile » du nœud.
        const QString p = Profils::chemin(même != liste.end() ? même->indice : descendants);
        xml.EcrireAttribut(p, AttributNom, nom);
        const QString includes = p + QStringLiteral(" Includes");
        for (int i = 0; i < NombrePériphériques; ++i)
            xml.EcrireAttribut(includes, NomsIncludes[i],
                               profil.includes[i] ? QStringLiteral("1") : QStringLiteral("0"));
        for (std::size_t i = 0; i < profil.ports.size(); ++i) {
            const QString port = p + QStringLiteral(" Port(%1)").arg(i);
            const Profil::Port& l = profil.ports[i];
            xml.EcrireAttribut(port, QStringLiteral("Nom"), l.nom);
            xml.EcrireAttribut(port, QStringLiteral("DDR"), QString::number(l.direction));
            xml.EcrireAttribut(port, QStringLiteral("Pull-Up"), QString::number(l.pullUp));
            xml.EcrireAttribut(port, QStringLiteral("Ignorer"), QString::number(l.ignorer));
        }
        // Un profil écrasé par un composant qui a moins de ports ne garde pas les anciens en trop.
        const int anciens =
            xml.NombreDeNoeudsMultiples(QStringLiteral("Port"), p + QStringLiteral(" Port"), {});
        for (int i = anciens - 1; i >= int(profil.ports.size()); --i)
            xml.SupprimerNoeud(p + QStringLiteral(" Port(%1)").arg(i));
        xml.EcrireValeur(p + QStringLiteral(" BAUD"), profil.baud);
        xml.EcrireValeur(p + QStringLiteral(" Modèle"), QString::number(profil.modèle));
        xml.EcrireAttribut(p + QStringLiteral(" Modèle"), QStringLiteral("NomModèle"), profil.nomModèle);
        xml.EcrireValeur(p + QStringLiteral(" FormatDate"), QString::number(profil.formatDate));
        xml.EcrireValeur(p + QStringLiteral(" FormatHeure"), QString::number(profil.formatHeure));
        xml.EcrireValeur(p + QStringLiteral(" VersionInit"), profil.version);
        xml.EcrireValeur(p + QStringLiteral(" Auteur"), profil.auteur);
        xml.EcrireValeur(p + QStringLiteral(" Entreprise"), profil.entreprise);
        xml.EcrireValeur(p + QStringLiteral(" Commentaires"), profil.commentaires);
        if (!xml.Fermer()) {
            messageÉchec(nom, xml.dernièreErreur());
            return false;
        }
        if (chemin) *chemin = p;
        return true;
    } catch (const ErreurXML& e) {
        // Rien n'est enregistré : le document en mémoire est abandonné.
        messageÉchec(nom, e.texte());
        return false;
    }
}

bool charger(const QString& fichierParamètres, int n, Profil& profil, QString* chemin) {
    GestionXML xml;
    if (!ouvrir(xml, fichierParamètres)) return false;
    try {
        const QString p = cheminListe(xml, n);
        if (p.isEmpty()) return false;
        const QString includes = p + QStringLiteral(" Includes");
        for (int i = 0; i < NombrePériphériques; ++i) {
            int v = 0;
            if (lireEntier(xml.LireAttribut(includes, NomsIncludes[i]), v)) profil.includes[i] = v != 0;
        }
        const int nbPorts =
            xml.NombreDeNoeudsMultiples(QStringLiteral("Port"), p + QStringLiteral(" Port"), {});
        std::vector<Profil::Port> ports(nbPorts);
        for (int i = 0; i < nbPorts; ++i) {
            Profil::Port& l = ports[i];
            // Ce que le profil avait à cette place tient lieu des valeurs absentes.
            if (i < int(profil.ports.size()))
                l = profil.ports[i];
            else
                l.avecDirection = l.avecPullUp = l.avecIgnorer = false;
            const QString port = p + QStringLiteral(" Port(%1)").arg(i);
            const QString nomPort = xml.LireAttribut(port, QStringLiteral("Nom"));
            if (!nomPort.isEmpty()) l.nom = nomPort;
            l.avecDirection |= lireEntier(xml.LireAttribut(port, QStringLiteral("DDR")), l.direction);
            l.avecPullUp |= lireEntier(xml.LireAttribut(port, QStringLiteral("Pull-Up")), l.pullUp);
            l.avecIgnorer |= lireEntier(xml.LireAttribut(port, QStringLiteral("Ignorer")), l.ignorer);
        }
        profil.ports = std::move(ports);
        // Le nom et l'index vont ensemble : un profil sans nom de modèle ne prend pas celui du choix présent.
        if (lireEntier(xml.LireValeur(p + QStringLiteral(" Modèle")), profil.modèle))
            profil.nomModèle = xml.LireAttribut(p + QStringLiteral(" Modèle"), QStringLiteral("NomModèle"));
        lireEntier(xml.LireValeur(p + QStringLiteral(" FormatDate")), profil.formatDate);
        lireEntier(xml.LireValeur(p + QStringLiteral(" FormatHeure")), profil.formatHeure);
        lireTexte(xml, p + QStringLiteral(" VersionInit"), profil.version);
        lireTexte(xml, p + QStringLiteral(" Auteur"), profil.auteur);
        lireTexte(xml, p + QStringLiteral(" Entreprise"), profil.entreprise);
        lireTexte(xml, p + QStringLiteral(" Commentaires"), profil.commentaires);
        lireTexte(xml, p + QStringLiteral(" BAUD"), profil.baud);
        xml.Fermer();
        if (chemin) *chemin = p;
        return true;
    } catch (const ErreurXML& e) {
        messageCritique(e.texte());
        return false;
    }
}

QString nom(const QString& fichierParamètres, int n) {
    try {
        GestionXML xml;
        xml.Ouvrir(fichierParamètres, Parametres::Racine);
        const QString p = cheminListe(xml, n);
        const QString v = p.isEmpty() ? QString() : xml.LireAttribut(p, AttributNom);
        xml.Fermer();
        return v;
    } catch (const ErreurXML&) {
        return {};
    }
}

bool supprimer(const QString& fichierParamètres, int n) {
    GestionXML xml;
    if (!ouvrir(xml, fichierParamètres)) return false;
    try {
        const QString p = cheminListe(xml, n);
        if (p.isEmpty()) return false;
        xml.SupprimerNoeud(p);
        if (xml.Fermer()) return true;
        messageCritique(QStringLiteral("Le profil n'a pas été supprimé :") + Texte::SautDeLigne +
                        xml.dernièreErreur());
    } catch (const ErreurXML& e) {
        messageCritique(QStringLiteral("Le profil n'a pas été supprimé :") + Texte::SautDeLigne + e.texte());
    }
    return false;
}

void appliquerPorts(const Profil& profil, TablePorts& table) {
    std::vector<bool> prise(table.size(), false);
    std::vector<int> cible(profil.ports.size(), -1);
    // D'abord par le nom : un port garde ses réglages d'un composant à l'autre.
    for (std::size_t i = 0; i < profil.ports.size(); ++i)
        for (std::size_t j = 0; j < table.size(); ++j)
            if (!profil.ports[i].nom.isEmpty() && table[j].nom == profil.ports[i].nom) {
                if (!prise[j]) cible[i] = int(j);
                prise[j] = true;
                break;
            }
    // Puis par l'index, pour les ports dont le composant n'a pas le nom.
    for (std::size_t i = 0; i < profil.ports.size(); ++i) {
        const bool parNom = std::any_of(table.begin(), table.end(),
                                        [&](const LignePort& l) { return l.nom == profil.ports[i].nom; });
        if (cible[i] < 0 && !parNom && i < table.size() && !prise[i]) cible[i] = int(i);
    }
    for (std::size_t i = 0; i < profil.ports.size(); ++i) {
        if (cible[i] < 0) continue;
        const Profil::Port& p = profil.ports[i];
        LignePort& l = table[cible[i]];
        // Des ports de huit bits : une valeur démesurée du fichier ne déborde pas.
        if (p.avecDirection) l.direction = int16_t(p.direction & 0xFF);
        if (p.avecPullUp) l.pullUp = int16_t(p.pullUp & 0xFF);
        // Seul 1 écarte un port : toute autre valeur du fichier le laisse générer.
        if (p.avecIgnorer) l.ignorer = p.ignorer == 1 ? 1 : 0;
        l.réglage = LignePort::Réglage::Fermé;
    }
}

int indexModèle(const Profil& profil, const QStringList& modèles) {
    if (!profil.nomModèle.isEmpty()) {
        const int i = int(modèles.indexOf(profil.nomModèle));
        if (i >= 0) return i;
    }
    return profil.modèle >= 0 && profil.modèle < modèles.size() ? profil.modèle : -1;
}

} // namespace Profils
