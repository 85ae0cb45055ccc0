#include "assistant/project/GenerateurProjet.h"

#include "assistant/project/Assistante.h"
#include "common/FichierAtomique.h"
#include "common/Messages.h"
#include "common/Nombres.h"
#include "common/Texte.h"

#include <QDir>
#include <algorithm>
#include <pugixml.hpp>

namespace {

using Texte::SautDeLigne;

const QString FinModèle = QStringLiteral(".c.Modèle");
const CouleurRVB CouleurValeur{0, 192, 192};
const QString PoliceValeur = QStringLiteral("Times New Roman");
constexpr double TailleValeur = 10;

const char* const NomsPériphériques[NombrePériphériques] = {"LCD", "CAN", "RS232", "Timers", "Delay"};
const QString RepèreVitesse = QStringLiteral("%Vitesse%");

enum class Contexte { Code, CommentaireLigne, CommentaireBloc };

Contexte contexteEn(const QString& texte, qsizetype position) {
    qsizetype débutLigne = position;
    while (débutLigne > 0 && texte[débutLigne - 1] != u'\n' && texte[débutLigne - 1] != u'\r')
        --débutLigne;
    const qsizetype ouvrant = texte.lastIndexOf(QStringLiteral("/*"), position - 1);
    const qsizetype fermant = texte.lastIndexOf(QStringLiteral("*/"), position - 1);
    if (ouvrant >= 0 && ouvrant > fermant && position >= ouvrant + 2) return Contexte::CommentaireBloc;
    const qsizetype ligne = texte.indexOf(QStringLiteral("//"), débutLigne);
    if (ligne >= 0 && ligne < position) return Contexte::CommentaireLigne;
    return Contexte::Code;
}

} // namespace

namespace GenerateurProjet {

QStringList listeModèles(const QString& dossierModèles) {
    QStringList noms;
    for (const QString& f :
         QDir(dossierModèles).entryList({QStringLiteral("*") + FinModèle}, QDir::Files, QDir::Name))
        noms << f.left(f.size() - FinModèle.size());
    return noms;
}

QString blocInclude(const QString& fichierConfiguration, const QString& microContrôleur,
                    const std::array<bool, NombrePériphériques>& périphériques, const QString& vitesseSérie,
                    bool* vitesseManquante) {
    // Lecture seule et par chemin exact : la recherche par descendants du magasin prendrait le bloc
    // du premier composant qui en a un pour celui de la racine.
    // Même lecture bornée que tout fichier du programme (fichier ordinaire, taille raisonnable).
    pugi::xml_document doc;
    QByteArray octets;
    if (!fichierConfiguration.isEmpty() && FichierAtomique::lire(fichierConfiguration, octets))
        doc.load_buffer(octets.constData(), size_t(octets.size()));
    const pugi::xml_node racine = doc.child("DONNEES");
    pugi::xml_node composant;
    for (pugi::xml_node p : racine.children("Processeur"))
        if (Texte::egauxSansCasse(QString::fromUtf8(p.attribute("Nom").value()), microContrôleur)) {
            // Le premier du nom, comme pour les timers et les ports.
            composant = p;
            break;
        }
    QString bloc;
    for (int i = 0; i < NombrePériphériques; ++i) {
        if (!périphériques[i]) continue;
        pugi::xml_node n = composant.child("Périphériques").child(NomsPériphériques[i]);
        if (!n) n = racine.child("Périphériques").child(NomsPériphériques[i]);
        QString valeur = QString::fromUtf8(n.text().get());
        valeur.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\n', SautDeLigne);
        if (valeur.contains(RepèreVitesse)) {
            // Jamais une vitesse par défaut en silence : le bloc dit celle du makefile.
            if (!Assistante::vitesseSérieValide(vitesseSérie) && vitesseManquante) *vitesseManquante = true;
            valeur.replace(RepèreVitesse, vitesseSérie);
        }
        bloc += valeur + SautDeLigne;
    }
    return bloc;
}

QString texteFréquence(const QString& fréquenceCPU, const QLocale& locale) {
    const double mégahertz = Nombres::val(fréquenceCPU) / 1e6;
    const QString séparateur = locale.decimalPoint();
    return Nombres::texteDecimal(mégahertz, séparateur.isEmpty() ? u'.' : séparateur.front()) +
           QStringLiteral(" MHz");
}

QString neutraliser(const QString& texte, qsizetype position, const QString& valeur) {
    const Contexte c = contexteEn(texte, position);
    if (c == Contexte::Code) return valeur;
    QString v = valeur;
    v.replace(QStringLiteral("*/"), QStringLiteral("* /"))
        .replace(QStringLiteral("/*"), QStringLiteral("/ *"))
        .replace(QStringLiteral("?\?/"), QStringLiteral("?\? /"));
    // Une barre oblique inverse suivie de blancs seulement joint encore la ligne suivante pour gcc
    // (la valeur est suivie d'une espace) : un point après elle et ses blancs l'en empêche.
    QStringList lignes =
        v.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n').split(u'\n');
    for (QString& l : lignes) {
        qsizetype fin = l.size();
        while (fin > 0 &&
               (l[fin - 1] == u' ' || l[fin - 1] == u'\t' || l[fin - 1] == u'\f' || l[fin - 1] == u'\v'))
            --fin;
        if (fin > 0 && l[fin - 1] == u'\\') l += u'.';
    }
    return lignes.join(SautDeLigne + (c == Contexte::CommentaireLigne ? QStringLiteral("// ") : QString()));
}

} // namespace GenerateurProjet

RésultatProjet GénérerLeCodeProjet(const EntréesProjet& e, DocumentRiche& RTBInvisible) {
    RésultatProjet r;
    bool vitesseManquante = false;
    r.blocInclude = GenerateurProjet::blocInclude(e.fichierConfiguration, e.microContrôleur, e.périphériques,
                                                  e.vitesseSérie, &vitesseManquante);

    const QString dossier = e.dossierModèles.endsWith(u'/') ? e.dossierModèles : e.dossierModèles + u'/';
    const QStringList modèles = GenerateurProjet::listeModèles(dossier);
    r.modèle = modèles.contains(e.modèle) ? e.modèle : modèles.value(0);
    if (r.modèle.isEmpty()) {
        Message m;
        m.texte = QStringLiteral("Pas de modèle dans le répertoire ") + QDir::toNativeSeparators(dossier) +
                  u'.' + SautDeLigne + SautDeLigne +
                  QStringLiteral("Réinstaller le produit peut résoudre ce problème.");
        m.titre = QStringLiteral("Rararerovu");
        m.icône = IconeMessage::Exclamation;
        afficherMessage(m);
        return r;
    }
    DocumentRiche modèle;
    QString erreur;
    if (!modèle.charger(dossier + r.modèle + FinModèle, &erreur)) {
        messageCritique(QStringLiteral("Le modèle « ") + r.modèle +
                        QStringLiteral(" » ne peut pas être lu.") + SautDeLigne + SautDeLigne + erreur);
        return r;
    }
    QString texte = modèle.texte();
    if (std::all_of(texte.cbegin(), texte.cend(), [](QChar c) { return c.isSpace(); })) {
        afficherMessage(QStringLiteral("Le modèle « ") + r.modèle +
                            QStringLiteral(" » est vide : il n'y a rien à générer.") + SautDeLigne +
                            QDir::toNativeSeparators(dossier + r.modèle + FinModèle),
                        IconeMessage::Exclamation);
        return r;
    }
    if (vitesseManquante) {
        afficherMessage(
            QStringLiteral("La liaison série a besoin d'une vitesse : choisissez-la dans la liste "
                           "« Vitesse série » (elle sera écrite dans le makefile)."),
            IconeMessage::Exclamation);
        return r;
    }
    r.texteFréquence = GenerateurProjet::texteFréquence(e.fréquenceCPU, e.locale);
    const DétailsProjet& d = e.détails;
    const std::pair<const char*, const QString&> repères[] = {
        {"%Version%", d.Version},
        {"%Nom%", d.Nom},
        {"%Auteur%", d.Auteur},
        {"%Entreprise%", d.Entreprise},
        {"%Commentaire%", d.Commentaire},
        {"%Date%", d.Date},
        {"%Heure%", d.Heure},
        {"%µC%", e.microContrôleur},
        {"%Include%", r.blocInclude},
        {"%Freq%", r.texteFréquence},
        {"%Port%", e.textePorts},
    };
    // Un seul passage : chaque repère (le premier de son nom, hors de ceux déjà pris plus haut dans
    // la table) est trouvé dans le modèle tel qu'il est écrit, puis tous sont remplacés en partant
    // de la fin ; une valeur qui contient un repère le garde donc tel quel.
    struct Remplacement {
        qsizetype position, longueur;
        QString valeur;
    };
    std::vector<Remplacement> trouvés;
    constexpr int options = DocumentRiche::MotEntier | DocumentRiche::RespecterCasse;
    for (const auto& [repère, valeur] : repères) {
        const QString clé = QString::fromUtf8(repère);
        const auto chevauche = [&](qsizetype p) {
            return std::any_of(trouvés.begin(), trouvés.end(), [&](const Remplacement& t) {
                return p < t.position + t.longueur && t.position < p + clé.size();
            });
        };
        qsizetype p = modèle.chercher(clé, 0, options);
        while (p >= 0 && chevauche(p))
            p = modèle.chercher(clé, p + 1, options);
        if (p >= 0) trouvés.push_back({p, clé.size(), GenerateurProjet::neutraliser(texte, p, valeur)});
    }
    // Le texte lu n'est plus partagé : le modifier ne le recopie pas.
    texte.clear();
    std::sort(trouvés.begin(), trouvés.end(),
              [](const Remplacement& a, const Remplacement& b) { return a.position > b.position; });
    for (const Remplacement& t : trouvés) {
        modèle.sélectionner(t.position, t.longueur);
        modèle.remplacerSélection(QString());
        FormatCaractere f;
        f.couleur = CouleurValeur;
        f.police = PoliceValeur;
        f.taille = TailleValeur;
        modèle.définirFormat(f);
        modèle.remplacerSélection(t.valeur + u' ');
    }
    RTBInvisible = std::move(modèle);
    r.généré = true;
    return r;
}
