#include "fuses/DescriptionAVR.h"

#include "common/Nombres.h"
#include "common/Texte.h"
#include "noyau/EtatGlobal.h"
#include "noyau/GestionXML.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <exception>

namespace {

const QString DossierDescriptions = QStringLiteral("Description des AVR");
const QString Racine = QStringLiteral("AVRPART");

// Le nom devient un nom de fichier : ni séparateur, ni point, ni rien qui sorte du dossier.
bool nomDeComposantValide(const QString& nom) {
    if (nom.isEmpty()) return false;
    for (const QChar c : nom) {
        const bool asciiAlnum = c.unicode() < 128 && c.isLetterOrNumber();
        if (!asciiAlnum && c != u'_' && c != u'-') return false;
    }
    return true;
}

void viderVerrousDepuis(DescriptionAVR& d, int premier) {
    for (int i = qMax(premier, 0); i < DescriptionAVR::TailleTable; ++i)
        d.NomsVerrou[i].clear();
}

void lireOctet(GestionXML& xml, const QString& octet,
               std::array<QString, DescriptionAVR::TailleTable>& noms) {
    for (int i = 0; i <= 7; ++i)
        noms[i] = xml.LireValeur(QStringLiteral("FUSE %1 FUSE%2 NAME").arg(octet).arg(i));
}

QString natif(const QString& chemin) {
    return QDir::toNativeSeparators(chemin);
}

void signaler(ResultatDescriptionAVR& r, EtatDescriptionAVR état, const QString& message) {
    if (r.réussi()) r.état = état; // le premier problème donne l'état, tous donnent leur message
    if (!r.message.isEmpty()) r.message += u'\n';
    r.message += message;
}

} // namespace

DescriptionAVR& descriptionAVR() {
    static DescriptionAVR description;
    return description;
}

QString CheminDescriptionAVR(const QString& MicroContrôleur) {
    return etatGlobal().DossierInstallation + u'/' + DossierDescriptions + u'/' + MicroContrôleur +
           QStringLiteral(".xml");
}

QStringList ComposantsDécrits() {
    const QDir dossier(etatGlobal().DossierInstallation + u'/' + DossierDescriptions);
    QStringList noms;
    for (const QFileInfo& f :
         dossier.entryInfoList({QStringLiteral("*.xml")}, QDir::Files | QDir::Readable)) {
        // MCU = s'écrit en minuscules : un fichier nommé autrement ne serait pas trouvé.
        const QString nom = f.completeBaseName();
        if (nomDeComposantValide(nom) && nom == Texte::minuscules(nom) && f.suffix() == u"xml") noms << nom;
    }
    noms.sort();
    return noms;
}

ResultatDescriptionAVR ChargerDescriptionAVR(const QString& MicroContrôleur) {
    DescriptionAVR& d = descriptionAVR();
    ResultatDescriptionAVR r;

    // Drapeaux baissés d'abord : quoi qu'il arrive ensuite, la fenêtre des fusibles ne montrera
    // pas les octets du composant précédent sous le nom de celui-ci.
    d.FusibleBasPrésent = false;
    d.FusibleHautPrésent = false;
    d.FusibleEtenduPrésent = false;

    if (!nomDeComposantValide(MicroContrôleur)) {
        viderVerrousDepuis(d, 0);
        signaler(r, EtatDescriptionAVR::NomInvalide,
                 QStringLiteral("Le nom de microcontrôleur « %1 » ne peut pas désigner une description de "
                                "composant.")
                     .arg(MicroContrôleur));
        return r;
    }

    r.fichier = CheminDescriptionAVR(MicroContrôleur);
    // Le makefile peut écrire le composant avec des capitales ; les descriptions sont en minuscules.
    if (!QFileInfo::exists(r.fichier)) {
        const QString minuscules = CheminDescriptionAVR(Texte::minuscules(MicroContrôleur));
        if (QFileInfo::exists(minuscules)) r.fichier = minuscules;
    }
    const QFileInfo info(r.fichier);
    if (!info.exists()) {
        viderVerrousDepuis(d, 0);
        signaler(r, EtatDescriptionAVR::FichierAbsent,
                 QStringLiteral("Aucune description des fusibles n'existe pour « %1 » (%2).")
                     .arg(MicroContrôleur, natif(r.fichier)));
        return r;
    }
    if (!info.isFile()) {
        viderVerrousDepuis(d, 0);
        signaler(r, EtatDescriptionAVR::FichierIllisible,
                 QStringLiteral("« %1 » n'est pas un fichier de description.").arg(natif(r.fichier)));
        return r;
    }

    // Le magasin n'est jamais fermé par Fermer, qui enregistrerait : une lecture crée les éléments
    // intermédiaires qui manquent, et une description ne doit pas changer parce qu'on l'a lue.
    GestionXML xml;
    try {
        xml.Ouvrir(r.fichier, Racine);
    } catch (const std::exception& e) {
        viderVerrousDepuis(d, 0);
        signaler(r, EtatDescriptionAVR::FichierIllisible,
                 QStringLiteral("La description « %1 » n'a pas pu être ouverte : %2")
                     .arg(natif(r.fichier), QString::fromUtf8(e.what())));
        return r;
    }
    if (xml.documentEndommagé()) {
        viderVerrousDepuis(d, 0);
        signaler(r, EtatDescriptionAVR::FichierIllisible,
                 QStringLiteral("La description « %1 » n'a pas pu être lue : %2")
                     .arg(natif(r.fichier), xml.dernièreErreur()));
        return r;
    }

    // Liste des octets entre un caractère ouvrant et un fermant, séparés par « : ».
    QString liste = xml.LireValeur(QStringLiteral("FUSE LIST"));
    if (liste.size() < 2) {
        signaler(r, EtatDescriptionAVR::ListeFusiblesInvalide,
                 QStringLiteral("La description « %1 » ne donne pas la liste de ses octets de fusibles.")
                     .arg(natif(r.fichier)));
    } else {
        // Parcours par positions, sans recopier le reste de la liste à chaque élément, et chaque
        // octet lu une seule fois : le coût reste proportionnel à la taille du fichier.
        const QStringView t = QStringView(liste).mid(1, liste.size() - 2);
        qsizetype début = 0;
        while (début < t.size()) {
            qsizetype fin = t.indexOf(u':', début);
            if (fin < 0) fin = t.size();
            // Tous les éléments sont rognés, le dernier comme les autres : « [LOW: HIGH] » a deux octets.
            const QString octet = Texte::rogner(t.mid(début, fin - début).toString());
            début = fin + 1;
            if (octet == u"LOW" && !d.FusibleBasPrésent) {
                d.FusibleBasPrésent = true;
                lireOctet(xml, octet, d.NomsFusibleBas);
            } else if (octet == u"HIGH" && !d.FusibleHautPrésent) {
                d.FusibleHautPrésent = true;
                lireOctet(xml, octet, d.NomsFusibleHaut);
            } else if (octet == u"EXTENDED" && !d.FusibleEtenduPrésent) {
                d.FusibleEtenduPrésent = true;
                lireOctet(xml, octet, d.NomsFusibleEtendu);
            }
        }
    }

    // Bits de verrouillage 0 à n, n compris (l'entrée après le dernier se lit normalement vide) ;
    // les tables s'arrêtent à 8.
    const double annoncés = Nombres::val(xml.LireValeur(QStringLiteral("LOCKBIT NMB_LOCK_BITS")));
    int dernier = 0;
    if (!std::isfinite(annoncés) || annoncés > DescriptionAVR::TailleTable - 0.5) {
        dernier = DescriptionAVR::TailleTable - 1;
        signaler(r, EtatDescriptionAVR::TropDeVerrous,
                 QStringLiteral("La description « %1 » annonce %2 bits de verrouillage : seuls les bits 0 à "
                                "%3 sont lus.")
                     .arg(natif(r.fichier), Nombres::texteDecimal(annoncés))
                     .arg(dernier));
    } else {
        dernier = annoncés < 0 ? -1 : Nombres::versEntier16(annoncés);
    }
    for (int i = 0; i <= dernier; ++i)
        d.NomsVerrou[i] = xml.LireValeur(QStringLiteral("LOCKBIT LOCKBIT%1 NAME").arg(i));
    // La fenêtre montre les huit bits quel que soit le nombre : pas de nom d'un autre composant.
    viderVerrousDepuis(d, dernier + 1);
    return r;
}
