#include "assistant/timers/CapacitesComposant.h"

#include "common/Nombres.h"
#include "common/Texte.h"
#include "noyau/GestionXML.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace CapacitesComposant {

namespace {

const QString CRLF = QStringLiteral("\r\n");

[[noreturn]] void échec(const QString& fichier, const QString& détail) {
    throw ErreurConfiguration(messageFichierIllisible(fichier), détail);
}

// Ouvre le fichier en lecture seule : jamais de Fermer ni de Sauver, qui le réécriraient.
void ouvrir(GestionXML& xml, const QString& fichier) {
    // Ouvrir crée un fichier absent : on vérifie avant, et on dit ce qui est là à la place.
    const QFileInfo info(fichier);
    if (!info.exists()) échec(fichier, QStringLiteral("Le fichier est absent."));
    if (info.isDir()) échec(fichier, QStringLiteral("C'est un dossier, pas un fichier."));
    if (!info.isFile())
        échec(fichier, QStringLiteral("Ce n'est pas un fichier ordinaire (tube, périphérique…)."));
    try {
        xml.Ouvrir(fichier, QStringLiteral("DONNEES"));
    } catch (const ErreurXML& e) {
        échec(fichier, e.texte());
    }
    if (xml.documentEndommagé()) échec(fichier, xml.dernièreErreur());
}

// Textes (ou un attribut) de tous les éléments nom sous le chemin parent.
struct Liste {
    QStringList valeurs;
    QStringList attributs;
    int size() const { return int(valeurs.size()); }
};

Liste lister(GestionXML& xml, const QString& parent, const QString& nom, const QString& attribut = {}) {
    Liste l;
    const int n = xml.NombreDeNoeudsMultiples(nom, parent.isEmpty() ? nom : parent + u' ' + nom, attribut);
    for (int i = 0; i < n; ++i) {
        l.valeurs << xml.ListeValeur(i);
        l.attributs << (attribut.isEmpty() ? QString() : xml.ListeAttribut(i));
    }
    return l;
}

QStringList attributs(GestionXML& xml, const QString& parent, const QString& nom, const QString& attribut) {
    return lister(xml, parent, nom, attribut).attributs;
}

// Entier écrit dans un attribut ; absent ou illisible : échec.
int entier(const QString& fichier, const QString& texte, const QString& quoi) {
    bool ok = false;
    const int v = Texte::rogner(texte).toInt(&ok);
    if (!ok) échec(fichier, QStringLiteral("%1 n'est pas un nombre entier (« %2 »).").arg(quoi, texte));
    return v;
}

// Premier élément nom sous parent, obligatoire.
QString premier(GestionXML& xml, const QString& fichier, const QString& parent, const QString& nom) {
    const Liste l = lister(xml, parent, nom);
    if (l.size() == 0) échec(fichier, QStringLiteral("L'élément %1 manque sous %2.").arg(nom, parent));
    return l.valeurs[0];
}

void vérifierNombre(const QString& fichier, int trouvés, int annoncés, const QString& nom) {
    if (trouvés != annoncés)
        échec(fichier,
              QStringLiteral("%1 élément(s) %2 pour %3 annoncé(s).").arg(trouvés).arg(nom).arg(annoncés));
}

// « OCR0A: &H23, &H08; 255: &H81, &H08 » : sommet (nombre ou registre), puis une valeur par
// registre de configuration.
std::vector<SommetPossible> lireSommets(const QString& fichier, const QString& texte,
                                        const TimerComposant& tm, const QString& quoi) {
    std::vector<SommetPossible> v;
    for (const QString& entrée : texte.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype deuxPoints = entrée.indexOf(u':');
        const QString sommet = Texte::rogner(entrée.left(deuxPoints));
        const QStringList valeurs = entrée.mid(deuxPoints + 1).split(u',');
        SommetPossible s;
        bool nombre = false;
        s.fixe = sommet.toLongLong(&nombre);
        if (deuxPoints <= 0 || sommet.isEmpty() || valeurs.size() != tm.nombreRegistresConfig ||
            (nombre && (s.fixe < 1 || s.fixe > int64_t(Nombres::val(tm.max)))))
            échec(fichier,
                  QStringLiteral("%1 du timer %2 est mal formé (« %3 »).").arg(quoi, tm.nom, entrée));
        if (!nombre) s.registre = sommet;
        for (int j = 0; j < valeurs.size(); ++j) {
            const double x = Nombres::val(valeurs[j]);
            if (x < 0 || x > 0xFF)
                échec(fichier,
                      QStringLiteral("%1 du timer %2 : une valeur dépasse un octet.").arg(quoi, tm.nom));
            s.valeurs[j] = uint32_t(x);
        }
        v.push_back(s);
    }
    return v;
}

// Attributs des interruptions d'un timer : tous ou aucun ; un nom qui n'est pas un identifiant C
// n'entre jamais dans le code généré.
void lireInterruptions(const QString& fichier, int t, const QString& vecteurs, const QString& autorisations,
                       const QString& modeCTC, TimerComposant& tm) {
    if (vecteurs.isEmpty() && autorisations.isEmpty() && modeCTC.isEmpty()) return;
    const QStringList v = découperChamps(vecteurs, 1, 2), a = découperChamps(autorisations, 1, 3);
    static const QRegularExpression identifiant(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    // Sans ModeCTC, la comparaison peut manquer : le timer n'a que son débordement.
    const bool sansCTC = Texte::rogner(modeCTC).isEmpty();
    const QStringList noms = v + a; // vecteurs, registre, bit de comparaison, bit de débordement
    for (int k = 0; k < noms.size(); ++k)
        if (!(sansCTC && noms[k].isEmpty() && (k == 0 || k == 3)) && !identifiant.match(noms[k]).hasMatch())
            échec(fichier,
                  QStringLiteral("Vecteurs ou Interruptions du timer %1 : « %2 » n'est pas un nom de "
                                 "registre, de bit ou de vecteur.")
                      .arg(t)
                      .arg(noms[k]));
    const QStringList m = sansCTC ? QStringList() : découperChamps(modeCTC, 1, tm.nombreRegistresConfig);
    for (const QString& x : m) {
        const double valeur = Nombres::val(x);
        if (x.isEmpty() || valeur < 0 || valeur > 0xFF)
            échec(
                fichier,
                QStringLiteral("ModeCTC du timer %1 n'a pas un octet par registre de configuration.").arg(t));
        tm.modeCTC.push_back(uint32_t(valeur));
    }
    tm.vecteurComparaison = v[0];
    tm.vecteurDébordement = v[1];
    tm.registreInterruption = a[0];
    tm.bitComparaison = a[1];
    tm.bitDébordement = a[2];
}

} // namespace

QString messageFichierIllisible(const QString& fichier) {
    return QStringLiteral("Il est probable que votre fichier :") + CRLF + QDir::toNativeSeparators(fichier) +
           CRLF + CRLF + QStringLiteral("contienne une erreur qui empêche sa lecture.") + CRLF + CRLF +
           QStringLiteral("J'me casse. Répare le et relance.");
}

QStringList découperChamps(const QString& texte, int début, int n) {
    QStringList champs;
    qsizetype p = début; // position depuis 1
    for (int k = 0; k < n; ++k) {
        qsizetype virgule = p >= 1 ? texte.indexOf(u',', p - 1) + 1 : 0;
        if (virgule == 0) virgule = texte.size() + 1;
        champs << (virgule > p ? Texte::rogner(texte.mid(p - 1, virgule - p)) : QString());
        p = virgule + 1;
    }
    return champs;
}

QStringList composants(const QString& fichier) {
    GestionXML xml;
    ouvrir(xml, fichier);
    return attributs(xml, QString(), QStringLiteral("Processeur"), QStringLiteral("Nom"));
}

bool lire(const QString& fichier, const QString& microContrôleur, CapacitésComposant& c) {
    GestionXML xml;
    ouvrir(xml, fichier);
    QString trouvé; // le composant dont la description est en cause
    try {
        const QStringList noms =
            attributs(xml, QString(), QStringLiteral("Processeur"), QStringLiteral("Nom"));
        qsizetype k = -1;
        for (qsizetype i = 0; i < noms.size() && k < 0; ++i)
            if (Texte::egauxSansCasse(noms[i], microContrôleur)) k = i;
        if (k < 0) return false;

        CapacitésComposant r;
        r.nom = noms[k];
        trouvé = r.nom;
        r.chemin = QStringLiteral("Processeur(%1)").arg(k);
        const QString P = r.chemin;
        r.ModèleDeCode = premier(xml, fichier, P, QStringLiteral("ModèleDeCode"));

        // Timers
        const QString T = P + QStringLiteral(" Timers");
        if (lister(xml, P, QStringLiteral("Timers")).size() == 0)
            échec(fichier, QStringLiteral("L'élément Timers manque sous %1.").arg(P));
        auto attributTimers = [&](const char16_t* nom) {
            return entier(fichier, xml.LireAttribut(T, QString::fromUtf16(nom)), QString::fromUtf16(nom));
        };
        r.NombreTimer = int16_t(attributTimers(u"NombreTimer"));
        r.NombreMaxRegistre = int16_t(attributTimers(u"NombreMaxRegistre"));
        const int maxPrédivision = attributTimers(u"NombreMaxPrédivision");
        const int maxConfig = attributTimers(u"NombreMaxRegistreConfiguration");
        if (r.NombreTimer < 1) échec(fichier, QStringLiteral("%1 n'a aucun timer.").arg(P));
        if (r.NombreMaxRegistre < 4)
            échec(fichier, QStringLiteral("NombreMaxRegistre vaut %1 : il en faut au moins 4.")
                               .arg(r.NombreMaxRegistre));
        if (maxPrédivision < 1 || maxPrédivision > 64 || maxConfig < 1 || maxConfig > 2)
            échec(fichier,
                  QStringLiteral("NombreMaxPrédivision ou NombreMaxRegistreConfiguration hors limites."));

        const Liste timers = lister(xml, T, QStringLiteral("Timer"), QStringLiteral("Nom"));
        const QStringList sections = attributs(xml, T, QStringLiteral("Timer"), QStringLiteral("Section"));
        const QStringList topsCTC = attributs(xml, T, QStringLiteral("Timer"), QStringLiteral("TopCTC"));
        const QStringList sélections =
            attributs(xml, T, QStringLiteral("Timer"), QStringLiteral("RegistreSélection"));
        const QStringList sommetsMLI =
            attributs(xml, T, QStringLiteral("Timer"), QStringLiteral("SommetMLI"));
        const QStringList décalages =
            attributs(xml, T, QStringLiteral("Timer"), QStringLiteral("DécalageRapide"));
        const QStringList gardes = attributs(xml, T, QStringLiteral("Timer"), QStringLiteral("Garder"));
        const QStringList sommetsRapide =
            attributs(xml, T, QStringLiteral("Timer"), QStringLiteral("SommetsFPWM"));
        const QStringList sommetsPhase =
            attributs(xml, T, QStringLiteral("Timer"), QStringLiteral("SommetsPWMPC"));
        const QStringList vecteurs = attributs(xml, T, QStringLiteral("Timer"), QStringLiteral("Vecteurs"));
        const QStringList autorisations =
            attributs(xml, T, QStringLiteral("Timer"), QStringLiteral("Interruptions"));
        const QStringList modesCTC = attributs(xml, T, QStringLiteral("Timer"), QStringLiteral("ModeCTC"));
        const Liste registres = lister(xml, T, QStringLiteral("Registre"));
        const Liste prédivisions = lister(xml, T, QStringLiteral("Prédivision"), QStringLiteral("Codes"));
        const Liste maxs = lister(xml, T, QStringLiteral("Max"));
        const Liste valeurs = lister(xml, T, QStringLiteral("ValeursPWM"));
        vérifierNombre(fichier, timers.size(), r.NombreTimer, QStringLiteral("Timer"));
        vérifierNombre(fichier, registres.size(), r.NombreTimer, QStringLiteral("Registre"));
        vérifierNombre(fichier, prédivisions.size(), r.NombreTimer, QStringLiteral("Prédivision"));
        vérifierNombre(fichier, maxs.size(), r.NombreTimer, QStringLiteral("Max"));
        vérifierNombre(fichier, valeurs.size(), r.NombreTimer, QStringLiteral("ValeursPWM"));

        for (int t = 0; t < r.NombreTimer; ++t) {
            TimerComposant tm;
            tm.nom = timers.attributs[t];
            tm.section = sections[t];
            tm.topCTC = Texte::rogner(topsCTC[t]);
            tm.registres = découperChamps(registres.valeurs[t], 1, r.NombreMaxRegistre);

            const QString p = Texte::rogner(prédivisions.valeurs[t]);
            tm.genrePrédivision = Texte::minuscules(p.left(7));
            const qsizetype virgule = p.indexOf(u',');
            const QStringList champs = découperChamps(p, virgule >= 0 ? int(virgule) + 2 : 1, maxPrédivision);
            const QStringList codes = découperChamps(prédivisions.attributs[t], 1, maxPrédivision);
            for (int i = 0; i < maxPrédivision; ++i) {
                tm.prédivisions << Nombres::texteDecimal(Nombres::val(champs[i]));
                // Code de sélection : donné par l'attribut Codes, sinon la position + 1.
                tm.codesSélection.push_back(codes[i].isEmpty() ? i + 1 : int(Nombres::val(codes[i])));
            }
            tm.max = maxs.valeurs[t];
            tm.sommetMLI = Texte::rogner(sommetsMLI[t]);
            if (!tm.sommetMLI.isEmpty()) {
                const int sommet = entier(fichier, tm.sommetMLI, QStringLiteral("SommetMLI"));
                if (sommet < 1 || sommet > Nombres::val(tm.max))
                    échec(fichier, QStringLiteral("SommetMLI du timer %1 n'est pas entre 1 et Max.").arg(t));
            }
            if (!décalages[t].isEmpty()) {
                tm.décalageRapide = entier(fichier, décalages[t], QStringLiteral("DécalageRapide"));
                if (tm.décalageRapide < -1 || tm.décalageRapide > 1)
                    échec(fichier, QStringLiteral("DécalageRapide du timer %1 n'est pas -1, 0 ou 1.").arg(t));
            }

            const QString v = Texte::rogner(valeurs.valeurs[t]);
            tm.nombreRegistresConfig = int16_t(Nombres::val(v.left(1)));
            if (tm.nombreRegistresConfig < 1 || tm.nombreRegistresConfig > maxConfig)
                échec(fichier,
                      QStringLiteral("ValeursPWM du timer %1 annonce %2 registre(s) de configuration.")
                          .arg(t)
                          .arg(tm.nombreRegistresConfig));
            const qsizetype vv = v.indexOf(u',');
            tm.valeursPWM =
                découperChamps(v, vv >= 0 ? int(vv) + 2 : int(v.size()) + 1, 3 * tm.nombreRegistresConfig);
            while (tm.valeursPWM.size() < 6)
                tm.valeursPWM << QString();
            // Sans attribut : le seul registre, ou le second quand il y en a deux.
            tm.registreSélection =
                sélections[t].isEmpty() ? tm.nombreRegistresConfig - 1 : int(Nombres::val(sélections[t]));
            if (tm.registreSélection < 0 || tm.registreSélection >= tm.nombreRegistresConfig)
                échec(fichier, QStringLiteral("RegistreSélection du timer %1 hors limites.").arg(t));
            const QStringList garder = découperChamps(gardes[t], 1, tm.nombreRegistresConfig);
            for (int j = 0; j < tm.nombreRegistresConfig; ++j) {
                const double g = Nombres::val(garder[j]);
                if (g < 0 || g > 0xFF)
                    échec(fichier, QStringLiteral("Garder du timer %1 dépasse un octet.").arg(t));
                tm.garder[j] = uint32_t(g);
            }
            tm.autresSommets[0] = lireSommets(fichier, sommetsRapide[t], tm, QStringLiteral("SommetsFPWM"));
            tm.autresSommets[1] = lireSommets(fichier, sommetsPhase[t], tm, QStringLiteral("SommetsPWMPC"));
            lireInterruptions(fichier, t, vecteurs[t], autorisations[t], modesCTC[t], tm);
            r.timers.push_back(tm);
        }

        // MLI
        const QString M = P + QStringLiteral(" MLI");
        if (lister(xml, P, QStringLiteral("MLI")).size() == 0)
            échec(fichier, QStringLiteral("L'élément MLI manque sous %1.").arg(P));
        r.DiviseurFmin =
            Nombres::arrondir(Nombres::val(premier(xml, fichier, M, QStringLiteral("DiviseurFmin"))), 4);
        r.DiviseurFmax =
            Nombres::arrondir(Nombres::val(premier(xml, fichier, M, QStringLiteral("DiviseurFmax"))), 4);
        r.TimerParDéfaut = premier(xml, fichier, M, QStringLiteral("TimerParDéfaut"));
        r.NuméroTimerParDéfaut = Nombres::texteDecimal(
            Nombres::val(xml.LireAttribut(M + QStringLiteral(" TimerParDéfaut"), QStringLiteral("Numéro"))));

        const QString ES = M + QStringLiteral(" EntréeSortie");
        const int nombreSorties = entier(fichier, premier(xml, fichier, ES, QStringLiteral("NombreDeSortie")),
                                         QStringLiteral("NombreDeSortie"));
        const Liste sorties = lister(xml, ES, QStringLiteral("Sortie"), QStringLiteral("Timer"));
        const QStringList index = attributs(xml, ES, QStringLiteral("Sortie"), QStringLiteral("IndexTimer"));
        const QStringList portsSortie = attributs(xml, ES, QStringLiteral("Sortie"), QStringLiteral("Port"));
        const QStringList bits = attributs(xml, ES, QStringLiteral("Sortie"), QStringLiteral("Bit"));
        vérifierNombre(fichier, sorties.size(), nombreSorties, QStringLiteral("Sortie"));
        for (int i = 0; i < sorties.size(); ++i) {
            SortieComposant s;
            s.libellé = sorties.valeurs[i];
            s.timer = sorties.attributs[i];
            if (!index[i].isEmpty()) {
                s.indexTimer = entier(fichier, index[i], QStringLiteral("IndexTimer"));
                if (s.indexTimer < 0 || s.indexTimer >= r.NombreTimer)
                    échec(fichier, QStringLiteral("La sortie « %1 » désigne le timer %2, absent.")
                                       .arg(s.libellé)
                                       .arg(s.indexTimer));
            }
            s.port = Texte::rogner(portsSortie[i]);
            if (!bits[i].isEmpty()) s.bit = entier(fichier, bits[i], QStringLiteral("Bit"));
            r.sorties.push_back(s);
        }

        const int nombreEntrées = entier(fichier, premier(xml, fichier, ES, QStringLiteral("NombreDEntrée")),
                                         QStringLiteral("NombreDEntrée"));
        const Liste entrées = lister(xml, ES, QStringLiteral("EntréeDHorloge"), QStringLiteral("Timer"));
        const QStringList codes =
            attributs(xml, ES, QStringLiteral("EntréeDHorloge"), QStringLiteral("CodeHorloge"));
        vérifierNombre(fichier, entrées.size(), nombreEntrées, QStringLiteral("EntréeDHorloge"));
        for (int i = 0; i < entrées.size(); ++i) {
            EntréeHorlogeComposant e;
            e.libellé = entrées.valeurs[i];
            e.timer = entrées.attributs[i];
            if (!codes[i].isEmpty()) e.codeHorloge = entier(fichier, codes[i], QStringLiteral("CodeHorloge"));
            r.entrées.push_back(e);
        }

        r.ports = attributs(xml, P + QStringLiteral(" Ports"), QStringLiteral("Port"), QStringLiteral("Nom"));
        for (int i = 0; i < r.ports.size(); ++i) {
            const QString port = P + QStringLiteral(" Ports Port(%1)").arg(i);
            r.bitsPorts << xml.LireAttribut(port, QStringLiteral("Bits"));
            r.pullUpPorts << xml.LireAttribut(port, QStringLiteral("PullUp"));
        }
        c = r;
        return true;
    } catch (const ErreurXML& e) {
        échec(fichier, e.texte());
    } catch (const ErreurConfiguration& e) {
        if (trouvé.isEmpty()) throw;
        échec(fichier, QStringLiteral("Processeur « %1 » : %2").arg(trouvé, e.détail()));
    }
}

} // namespace CapacitesComposant
