#include "assistant/project/GenerateurProjet.h"

#include "assistant/timers/GenerateurPWM.h"
#include "common/FichierAtomique.h"
#include "common/Messages.h"
#include "common/Nombres.h"
#include "common/Texte.h"

#include <QDir>
#include <pugixml.hpp>

namespace {

using Texte::SautDeLigne;

const QString FinModèle = QStringLiteral(".c.Modèle");
const CouleurRVB CouleurValeur{0, 192, 192};
const QString PoliceValeur = QStringLiteral("Times New Roman");
constexpr double TailleValeur = 10;

const char* const NomsPériphériques[NombrePériphériques] = {"LCD", "CAN", "RS232", "Timers", "Delay"};

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
                    const std::array<bool, NombrePériphériques>& périphériques) {
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
        if (Texte::egauxSansCasse(QString::fromUtf8(p.attribute("Nom").value()), microContrôleur))
            composant = p;
    QString bloc;
    for (int i = 0; i < NombrePériphériques; ++i) {
        if (!périphériques[i]) continue;
        pugi::xml_node n = composant.child("Périphériques").child(NomsPériphériques[i]);
        if (!n) n = racine.child("Périphériques").child(NomsPériphériques[i]);
        QString valeur = QString::fromUtf8(n.text().get());
        valeur.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\n', SautDeLigne);
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
        .replace(QStringLiteral("/*"), QStringLiteral("/ *"));
    if (c == Contexte::CommentaireBloc) return v;
    // Une barre oblique inverse en fin de ligne prolongerait le commentaire sur la ligne suivante.
    QStringList lignes =
        v.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n').split(u'\n');
    for (QString& l : lignes)
        if (l.endsWith(u'\\')) l += u'.';
    return lignes.join(SautDeLigne + QStringLiteral("// "));
}

} // namespace GenerateurProjet

RésultatProjet GénérerLeCodeProjet(const EntréesProjet& e, DocumentRiche& RTBInvisible) {
    RésultatProjet r;
    r.blocInclude = GenerateurProjet::blocInclude(e.fichierConfiguration, e.microContrôleur, e.périphériques);

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
    r.texteFréquence = GenerateurProjet::texteFréquence(e.fréquenceCPU, e.locale);
    const DétailsProjet& d = e.détails;
    const std::pair<const char*, QString> repères[] = {
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
    for (const auto& [repère, valeur] : repères) {
        const QString clé = QString::fromUtf8(repère);
        // Chaque repère une fois, cherché dès le premier caractère du modèle.
        const qsizetype p = modèle.chercher(clé, 0, DocumentRiche::MotEntier | DocumentRiche::RespecterCasse);
        if (p < 0) continue;
        const QString v = GenerateurProjet::neutraliser(modèle.texte(), p, valeur);
        GenerateurPWM::InsérerAprèsClé(modèle, clé, v, true, 0, false, false, CouleurValeur, PoliceValeur,
                                       TailleValeur);
    }
    RTBInvisible = modèle;
    r.généré = true;
    return r;
}
