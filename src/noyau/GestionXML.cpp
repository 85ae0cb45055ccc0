#include "noyau/GestionXML.h"

#include "common/FichierAtomique.h"
#include "common/Nombres.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <sstream>

namespace {

std::string versUtf8(const QString& s) {
    return s.toStdString();
}
QString depuisUtf8(const char* s) {
    return QString::fromUtf8(s);
}

// Nom d'élément XML valide (lettres, chiffres, « _ », « - », « . », « : », jamais de chiffre en tête).
bool nomXmlValide(const QString& nom) {
    if (nom.isEmpty()) return false;
    const QChar p = nom.front();
    if (!(p.isLetter() || p == u'_' || p == u':')) return false;
    for (const QChar c : nom)
        if (!(c.isLetterOrNumber() || c == u'_' || c == u':' || c == u'-' || c == u'.' || c.isMark()))
            return false;
    return true;
}

// Visite les éléments descendants de parent dans l'ordre du document ; s'arrête quand f rend vrai.
template <typename F> pugi::xml_node parcourirDescendants(pugi::xml_node parent, F f) {
    if (!parent) return {};
    pugi::xml_node courant = parent.first_child();
    while (courant) {
        if (courant.type() == pugi::node_element && f(courant)) return courant;
        if (courant.first_child()) {
            courant = courant.first_child();
            continue;
        }
        while (courant != parent && !courant.next_sibling())
            courant = courant.parent();
        if (courant == parent) break;
        courant = courant.next_sibling();
    }
    return {};
}

// Texte d'un élément : tous ses textes descendants bout à bout.
QString texteComplet(pugi::xml_node n) {
    std::string t;
    struct Collecteur final : pugi::xml_tree_walker {
        std::string* t;
        bool for_each(pugi::xml_node& x) override {
            if (x.type() == pugi::node_pcdata || x.type() == pugi::node_cdata) *t += x.value();
            return true;
        }
    } c;
    c.t = &t;
    n.traverse(c);
    return QString::fromStdString(t);
}

class EcrivainTampon final : public pugi::xml_writer {
public:
    void write(const void* data, size_t size) override {
        tampon.append(static_cast<const char*>(data), size);
    }
    QByteArray tampon;
};

} // namespace

void GestionXML::Ouvrir(const QString& CheminComplet, const QString& PremierNoeud) {
    doc_.reset();
    ouvert_ = true;
    endommagé_ = false;
    erreur_.clear();
    octetsLus_.clear();
    codage_ = Codage::UTF8;
    fichier_ = CheminComplet;
    racine_ = PremierNoeud;

    const QFileInfo info(CheminComplet);
    if (info.exists() && info.isDir())
        throw ErreurXML(QStringLiteral("« %1 » est un dossier, pas un fichier XML.")
                            .arg(QDir::toNativeSeparators(CheminComplet)));

    if (info.exists()) {
        QString e;
        if (!FichierAtomique::lire(CheminComplet, octetsLus_, &e)) {
            endommagé_ = true;
            erreur_ = e;
            return;
        }
        // Le codage déclaré est gardé à l'enregistrement.
        pugi::xml_encoding codage = pugi::encoding_auto;
        if (octetsLus_.startsWith("\xEF\xBB\xBF")) {
            codage_ = Codage::UTF8AvecBOM;
        } else if (octetsLus_.startsWith("\xFF\xFE")) {
            codage_ = Codage::UTF16LE;
        } else if (octetsLus_.startsWith("\xFE\xFF")) {
            codage_ = Codage::UTF16BE;
        } else {
            static const QRegularExpression declaration(
                QStringLiteral("^\\s*<\\?xml[^>]*encoding\\s*=\\s*[\"']([^\"']+)[\"']"));
            const auto m = declaration.match(QString::fromLatin1(octetsLus_.left(300)));
            if (m.hasMatch()) {
                const QString nom = m.captured(1).toLower();
                if (nom == u"iso-8859-1" || nom == u"latin1" || nom == u"latin-1" || nom == u"iso8859-1" ||
                    nom == u"windows-1252" || nom == u"cp1252" || nom == u"iso-8859-15") {
                    codage_ = Codage::Latin1;
                    codage = pugi::encoding_latin1;
                }
            }
        }
        const auto res = doc_.load_buffer(octetsLus_.constData(), octetsLus_.size(),
                                          pugi::parse_default | pugi::parse_declaration |
                                              pugi::parse_comments | pugi::parse_pi | pugi::parse_doctype,
                                          codage);
        if (!res) {
            // Un fichier illisible se lit comme un document vide et n'est jamais réécrit.
            doc_.reset();
            endommagé_ = true;
            erreur_ = QStringLiteral("%1 (position %2)").arg(depuisUtf8(res.description())).arg(res.offset);
        }
        return;
    }

    // Fichier absent : une racine vide, enregistrée tout de suite (un dossier en lecture seule
    // n'empêche pas de continuer en mémoire).
    if (!nomXmlValide(PremierNoeud))
        throw ErreurXML(QStringLiteral("Nom d'élément XML invalide : « %1 ».").arg(PremierNoeud));
    doc_.append_child(versUtf8(PremierNoeud).c_str());
    Sauver();
}

QByteArray GestionXML::serialiser() const {
    EcrivainTampon e;
    unsigned int options = pugi::format_indent | pugi::format_no_declaration;
    pugi::xml_encoding codage = pugi::encoding_utf8;
    switch (codage_) {
    case Codage::UTF8:
        break;
    case Codage::UTF8AvecBOM:
        options |= pugi::format_write_bom;
        break;
    case Codage::Latin1:
        codage = pugi::encoding_latin1;
        break;
    case Codage::UTF16LE:
        codage = pugi::encoding_utf16_le;
        options |= pugi::format_write_bom;
        break;
    case Codage::UTF16BE:
        codage = pugi::encoding_utf16_be;
        options |= pugi::format_write_bom;
        break;
    }
    doc_.save(e, "\t", options, codage);
    return e.tampon;
}

bool GestionXML::Sauver() {
    if (!ouvert_) return false;
    if (endommagé_) {
        erreur_ = QStringLiteral("Le fichier « %1 » n'a pas pu être lu : il n'est pas réécrit.")
                      .arg(QDir::toNativeSeparators(fichier_));
        return false;
    }
    const QByteArray octets = serialiser();
    if (octets == octetsLus_ && QFileInfo::exists(fichier_)) return true; // rien de changé
    QString e;
    if (!FichierAtomique::ecrire(fichier_, octets, &e)) {
        erreur_ = e;
        return false;
    }
    octetsLus_ = octets;
    return true;
}

bool GestionXML::Fermer() {
    const bool ok = Sauver();
    doc_.reset();
    ouvert_ = false;
    Noeuds.fill(pugi::xml_node());
    return ok;
}

pugi::xml_node GestionXML::chercherDescendant(pugi::xml_node parent, const QString& nom, int index) const {
    if (index < 0) return {};
    const std::string n = versUtf8(nom);
    int vus = 0;
    return parcourirDescendants(parent, [&](pugi::xml_node e) { return n == e.name() && vus++ == index; });
}

pugi::xml_node GestionXML::creerEnfant(pugi::xml_node parent, const QString& nom) {
    if (!parent) throw ErreurXML(QStringLiteral("Le document XML n'a pas d'élément racine."));
    if (!nomXmlValide(nom)) throw ErreurXML(QStringLiteral("Nom d'élément XML invalide : « %1 ».").arg(nom));
    return parent.append_child(versUtf8(nom).c_str());
}

void GestionXML::analyserChemin(const QString& chemin) {
    if (!ouvert_) throw ErreurXML(QStringLiteral("Aucun document XML n'est ouvert."));
    pugi::xml_node racine = doc_.document_element();
    Noeuds.fill(pugi::xml_node());
    Noeuds[0] = (racine && versUtf8(racine_) == racine.name()) ? racine : pugi::xml_node();

    QString reste = chemin;
    Niveau = 1;
    IndexNoeud = 0;
    for (;;) {
        if (Niveau > MaxComposants)
            throw ErreurXML(QStringLiteral("Chemin XML trop long (plus de %1 éléments) : « %2 ».")
                                .arg(MaxComposants)
                                .arg(chemin));
        const qsizetype blanc = reste.indexOf(u' ');
        QString nom = blanc >= 0 ? reste.left(blanc) : reste;
        reste = blanc >= 0 ? reste.mid(blanc + 1) : QString();
        const qsizetype parenthese = nom.indexOf(u'(');
        if (parenthese >= 0) {
            IndexNoeud = Nombres::versEntier16(Nombres::val(nom.mid(parenthese + 1)));
            nom = nom.left(parenthese);
        } else {
            IndexNoeud = 0;
        }
        Noms[Niveau] = nom;

        // L'élément précédent manquait : il est créé, puis la recherche reprend depuis lui.
        if (Niveau >= 2 && !Noeuds[Niveau - 1])
            Noeuds[Niveau - 1] = creerEnfant(Noeuds[Niveau - 2], Noms[Niveau - 1]);
        Noeuds[Niveau] = chercherDescendant(Noeuds[Niveau - 1], nom, IndexNoeud);
        ++Niveau;
        if (reste.isEmpty()) break;
    }
}

pugi::xml_node GestionXML::dernierSansCreation() const {
    return chercherDescendant(Noeuds[Niveau - 2], Noms[Niveau - 1], IndexNoeud);
}

pugi::xml_node GestionXML::dernierAvecCreation() {
    pugi::xml_node n = dernierSansCreation();
    if (!n) n = creerEnfant(Noeuds[Niveau - 2], Noms[Niveau - 1]);
    Noeuds[Niveau - 1] = n;
    return n;
}

void GestionXML::AjouterNoeud(const QString& NomDuNouveauNoeud, const QString& Ascendants) {
    if (Ascendants.count(u' ') + 1 > MaxComposants - 1)
        throw ErreurXML(QStringLiteral("Chemin XML trop long : « %1 ».").arg(Ascendants));
    analyserChemin(Ascendants);
    pugi::xml_node parent = dernierAvecCreation();
    Noeuds[Niveau] = creerEnfant(parent, NomDuNouveauNoeud);
}

void GestionXML::SupprimerNoeud(const QString& Chemin) {
    analyserChemin(Chemin);
    pugi::xml_node n = dernierSansCreation();
    if (!n) throw ErreurXML(QStringLiteral("Élément XML introuvable : « %1 ».").arg(Chemin));
    if (!Noeuds[Niveau - 2].remove_child(n))
        throw ErreurXML(
            QStringLiteral("L'élément « %1 » n'est pas un enfant direct de son chemin.").arg(Chemin));
}

void GestionXML::EcrireValeur(const QString& Chemin, const QString& Valeur) {
    analyserChemin(Chemin);
    pugi::xml_node n = dernierAvecCreation();
    // Le texte remplace tout le contenu de l'élément.
    while (n.first_child())
        n.remove_child(n.first_child());
    if (!Valeur.isEmpty()) n.append_child(pugi::node_pcdata).set_value(versUtf8(Valeur).c_str());
}

QString GestionXML::LireValeur(const QString& Chemin) {
    try {
        analyserChemin(Chemin);
        const pugi::xml_node n = dernierSansCreation();
        return n ? texteComplet(n) : QString();
    } catch (...) {
        return {};
    }
}

void GestionXML::EcrireAttribut(const QString& Chemin, const QString& Attribut, const QString& Valeur) {
    analyserChemin(Chemin);
    pugi::xml_node n = dernierAvecCreation();
    if (!nomXmlValide(Attribut))
        throw ErreurXML(QStringLiteral("Nom d'attribut XML invalide : « %1 ».").arg(Attribut));
    const std::string a = versUtf8(Attribut);
    pugi::xml_attribute att = n.attribute(a.c_str());
    if (!att) att = n.append_attribute(a.c_str());
    att.set_value(versUtf8(Valeur).c_str());
}

QString GestionXML::LireAttribut(const QString& Chemin, const QString& Attribut) {
    try {
        analyserChemin(Chemin);
        const pugi::xml_node n = dernierSansCreation();
        if (!n) return {};
        return depuisUtf8(n.attribute(versUtf8(Attribut).c_str()).value());
    } catch (...) {
        return {};
    }
}

int16_t GestionXML::NombreDeNoeudsMultiples(const QString& NomElement, const QString& Chemin,
                                            const QString& NomAttribut) {
    ListeAttributs = QStringList(MaxListe + 1);
    ListeValeurs = QStringList(MaxListe + 1);
    compteur_ = 0;
    analyserChemin(Chemin);
    const pugi::xml_node base = Noeuds[Niveau - 2];
    if (!base) return 0;
    const std::string nom = versUtf8(NomElement);
    const std::string att = versUtf8(NomAttribut);
    parcourirDescendants(base, [&](pugi::xml_node n) {
        if (nom != n.name()) return false;
        if (compteur_ > MaxListe)
            throw ErreurXML(QStringLiteral("Plus de %1 éléments « %2 ».").arg(MaxListe + 1).arg(NomElement));
        Noeuds[Niveau - 1] = n;
        if (!att.empty()) ListeAttributs[compteur_] = depuisUtf8(n.attribute(att.c_str()).value());
        ListeValeurs[compteur_] = texteComplet(n);
        ++compteur_;
        return false;
    });
    return compteur_;
}

QString GestionXML::ListeAttribut(int Index) const {
    if (Index < 0 || Index >= ListeAttributs.size())
        throw ErreurXML(QStringLiteral("Indice hors limites : %1.").arg(Index));
    return ListeAttributs[Index];
}

QString GestionXML::ListeValeur(int Index) const {
    if (Index < 0 || Index >= ListeValeurs.size())
        throw ErreurXML(QStringLiteral("Indice hors limites : %1.").arg(Index));
    return ListeValeurs[Index];
}
