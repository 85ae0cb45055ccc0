#include "noyau/GestionXML.h"

#include "common/FichierAtomique.h"
#include "common/Nombres.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cstring>
#include <vector>

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

// Les textes sont gardés tels qu'écrits dans le fichier, références comprises : une référence
// que l'analyseur ne connaît pas (« &c; ») garde ainsi son sens quand le fichier est réécrit.
// Les lectures décodent les références connues, les écritures codent ce qu'il faut.
QString décoder(const char* brut) {
    const QString t = QString::fromUtf8(brut);
    if (!t.contains(u'&')) return t;
    QString r;
    r.reserve(t.size());
    for (qsizetype i = 0; i < t.size(); ++i) {
        const qsizetype fin = t[i] == u'&' ? t.indexOf(u';', i) : -1;
        if (fin < 0 || fin - i > 12) {
            r += t[i];
            continue;
        }
        const QStringView nom = QStringView(t).mid(i + 1, fin - i - 1);
        char32_t c = 0;
        if (nom == u"lt")
            c = u'<';
        else if (nom == u"gt")
            c = u'>';
        else if (nom == u"amp")
            c = u'&';
        else if (nom == u"quot")
            c = u'"';
        else if (nom == u"apos")
            c = u'\'';
        else if (nom.startsWith(u"#x"))
            c = nom.mid(2).toUInt(nullptr, 16);
        else if (nom.startsWith(u'#'))
            c = nom.mid(1).toUInt(nullptr, 10);
        if (c == 0 || c > 0x10FFFF) {
            r += t[i]; // référence inconnue : gardée telle quelle
            continue;
        }
        r += QString::fromUcs4(&c, 1);
        i = fin;
    }
    return r;
}

std::string coder(const QString& v, bool attribut) {
    QString r;
    r.reserve(v.size());
    for (const QChar c : v) {
        if (c == u'&')
            r += QStringLiteral("&amp;");
        else if (c == u'<')
            r += QStringLiteral("&lt;");
        else if (c == u'>')
            r += QStringLiteral("&gt;");
        else if (attribut && c == u'"')
            r += QStringLiteral("&quot;");
        else if (attribut && (c == u'\r' || c == u'\n' || c == u'\t'))
            r += QStringLiteral("&#%1;").arg(c.unicode());
        else
            r += c;
    }
    return r.toStdString();
}

bool blancSeul(const char* t) {
    for (; *t; ++t)
        if (*t != ' ' && *t != '\t' && *t != '\r' && *t != '\n') return false;
    return true;
}

// Blancs de mise en page : un texte fait seulement de blancs, dont un saut de ligne.
bool miseEnPage(pugi::xml_node n) {
    return n.type() == pugi::node_pcdata && blancSeul(n.value()) && std::strchr(n.value(), '\n');
}

// Texte d'un élément : tous ses textes descendants bout à bout. Les textes faits seulement de
// blancs n'en sont pas : ils sont la mise en page du fichier, gardée pour l'enregistrement.
QString texteComplet(pugi::xml_node n) {
    QString t;
    struct Collecteur final : pugi::xml_tree_walker {
        QString* t;
        bool for_each(pugi::xml_node& x) override {
            if (x.type() == pugi::node_cdata)
                *t += QString::fromUtf8(x.value());
            else if (x.type() == pugi::node_pcdata && !blancSeul(x.value()))
                *t += décoder(x.value());
            return true;
        }
    } c;
    c.t = &t;
    n.traverse(c);
    return t;
}

// Profondeur d'imbrication des éléments, sans récursion (un fichier hostile en a des milliers).
int profondeurMax(const pugi::xml_document& doc) {
    // La racine compte pour un niveau.
    int profondeur = 1, max = doc.document_element() ? 1 : 0;
    pugi::xml_node courant = doc.first_child();
    while (courant) {
        if (courant.first_child()) {
            courant = courant.first_child();
            ++profondeur;
            if (courant.type() == pugi::node_element) max = std::max(max, profondeur);
            continue;
        }
        while (courant && !courant.next_sibling()) {
            courant = courant.parent();
            --profondeur;
        }
        if (courant) courant = courant.next_sibling();
    }
    return max;
}

// Blancs et fins de ligne gardés tels quels : une écriture ne refait pas la mise en page.
constexpr unsigned int OptionsLecture =
    (pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_declaration | pugi::parse_comments |
     pugi::parse_pi | pugi::parse_doctype) &
    ~(pugi::parse_eol | pugi::parse_escapes);

class EcrivainTampon final : public pugi::xml_writer {
public:
    void write(const void* data, size_t size) override {
        tampon.append(static_cast<const char*>(data), size);
    }
    QByteArray tampon;
};

} // namespace

void GestionXML::refuser(const QString& raison) {
    doc_.reset();
    endommagé_ = true;
    refusé_ = true;
    erreur_ = raison;
}

void GestionXML::Ouvrir(const QString& CheminComplet, const QString& PremierNoeud) {
    doc_.reset();
    ouvert_ = true;
    endommagé_ = false;
    refusé_ = false;
    modifié_ = false;
    indenté_ = true;
    unitéIndentation_ = QStringLiteral("\t");
    finDeLigne_ = "\n";
    erreur_.clear();
    octetsLus_.clear();
    codage_ = Codage::UTF8;
    fichier_ = CheminComplet;
    racine_ = PremierNoeud;

    // Un lien qui ne mène nulle part est un fichier illisible, pas un fichier à créer.
    const QFileInfo info(CheminComplet);
    if (info.exists() || info.isSymLink()) {
        QString e;
        if (!FichierAtomique::lire(CheminComplet, octetsLus_, &e)) return refuser(e);
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
        // Blancs et fins de ligne gardés tels quels : une écriture ne refait pas la mise en page.
        const auto res = doc_.load_buffer(octetsLus_.constData(), octetsLus_.size(), OptionsLecture, codage);
        if (!res) {
            // Un fichier illisible se lit comme un document vide et n'est jamais réécrit.
            doc_.reset();
            endommagé_ = true;
            erreur_ = QStringLiteral("%1 (position %2)").arg(depuisUtf8(res.description())).arg(res.offset);
            return;
        }
        if (profondeurMax(doc_) > ProfondeurMax)
            return refuser(
                QStringLiteral("Impossible de lire le fichier « %1 » : ses éléments sont imbriqués "
                               "sur plus de %2 niveaux.")
                    .arg(QDir::toNativeSeparators(CheminComplet))
                    .arg(ProfondeurMax));
        apprendreMiseEnPage();
        return;
    }

    // Fichier absent : une racine vide, enregistrée tout de suite (un dossier en lecture seule
    // n'empêche pas de continuer en mémoire).
    if (!nomXmlValide(PremierNoeud))
        throw ErreurXML(QStringLiteral("Nom d'élément XML invalide : « %1 ».").arg(PremierNoeud));
    doc_.append_child(versUtf8(PremierNoeud).c_str());
    enregistrer();
}

void GestionXML::apprendreMiseEnPage() {
    finDeLigne_ = octetsLus_.contains("\r\n") || octetsLus_.contains(QByteArray("\r\0\n\0", 4)) ||
                          octetsLus_.contains(QByteArray("\0\r\0\n", 4))
                      ? "\r\n"
                      : "\n";
    // Le premier blanc de mise en page sous la racine donne l'unité d'indentation ; une racine
    // vide garde la tabulation, des éléments collés restent collés.
    const pugi::xml_node racine = doc_.document_element();
    for (pugi::xml_node n = racine.first_child(); n; n = n.next_sibling()) {
        if (!miseEnPage(n)) continue;
        const std::string v = n.value();
        unitéIndentation_ = QString::fromStdString(v.substr(v.find_last_of('\n') + 1));
        return;
    }
    indenté_ = !racine.first_child();
}

namespace {

// Chaque nœud de premier niveau tel quel, suivi d'une fin de ligne ; à l'intérieur, les blancs
// du fichier (ou ceux posés à l'ajout des éléments) font la mise en page.
QByteArray imprimer(const pugi::xml_document& doc, pugi::xml_encoding codage, const QByteArray& début,
                    const QByteArray& fin) {
    EcrivainTampon e;
    e.tampon = début;
    for (pugi::xml_node n = doc.first_child(); n; n = n.next_sibling()) {
        n.print(e, "\t", pugi::format_raw | pugi::format_no_escapes, codage);
        e.tampon += fin;
    }
    return e.tampon;
}

// Morceaux d'un texte XML : balises (commentaires, CDATA, instructions compris) et textes entre
// elles, chacun par sa position de fin. Vide si le texte n'est pas découpable.
std::vector<qsizetype> morceaux(const QByteArray& t) {
    std::vector<qsizetype> fins;
    qsizetype i = 0;
    while (i < t.size()) {
        qsizetype fin = -1;
        if (t[i] != '<') {
            fin = t.indexOf('<', i);
            if (fin < 0) fin = t.size();
        } else if (t.mid(i, 4) == "<!--") {
            fin = t.indexOf("-->", i + 4) + 3;
        } else if (t.mid(i, 9) == "<![CDATA[") {
            fin = t.indexOf("]]>", i + 9) + 3;
        } else if (t.mid(i, 2) == "<?") {
            fin = t.indexOf("?>", i + 2) + 2;
        } else if (t.mid(i, 2) == "<!") {
            if (t.indexOf('[', i) >= 0 && t.indexOf('[', i) < t.indexOf('>', i))
                return {}; // DOCTYPE à sous-ensemble
            fin = t.indexOf('>', i) + 1;
        } else {
            char guillemet = 0;
            for (qsizetype j = i + 1; j < t.size() && fin < 0; ++j) {
                if (guillemet) {
                    if (t[j] == guillemet) guillemet = 0;
                } else if (t[j] == '"' || t[j] == '\'') {
                    guillemet = t[j];
                } else if (t[j] == '>') {
                    fin = j + 1;
                }
            }
        }
        if (fin <= i) return {};
        fins.push_back(fin);
        i = fin;
    }
    return fins;
}

// Nom d'une balise ouvrante (« <a b="1"> » : « a »).
QByteArray nomBalise(const QByteArray& t, qsizetype début, qsizetype fin) {
    qsizetype j = début + 1;
    while (j < fin && !std::strchr(" \t\r\n/>", t[j]))
        ++j;
    return t.mid(début + 1, j - début - 1);
}

// Le fichier tel qu'il était, où seul le passage changé entre l'image d'avant (avant) et celle
// d'après (après) est remplacé : le reste du fichier garde ses guillemets, ses blancs dans les
// balises et ses éléments vides écrits « <a></a> ». Vide si les deux ne se correspondent pas.
QByteArray greffer(const QByteArray& fichier, const QByteArray& avant, const QByteArray& après) {
    const std::vector<qsizetype> mA = morceaux(avant), mF = morceaux(fichier);
    if (mA.empty() || mF.empty()) return {};
    // Correspondance des fins de morceaux : même texte, balises au même nom ; « <a/> » de l'image
    // vaut « <a></a> » du fichier.
    std::vector<qsizetype> correspond(mA.size());
    std::size_t k = 0;
    qsizetype débutA = 0, débutF = 0;
    for (std::size_t i = 0; i < mA.size(); ++i) {
        const QByteArray a = avant.mid(débutA, mA[i] - débutA);
        // Les blancs d'après la racine sont ceux du fichier, même absents.
        if (i + 1 == mA.size() && a[0] != '<' &&
            (k == mF.size() || (k + 1 == mF.size() && fichier[débutF] != '<'))) {
            correspond[i] = fichier.size();
            k = mF.size();
            break;
        }
        if (k >= mF.size()) return {};
        QByteArray f = fichier.mid(débutF, mF[k] - débutF);
        if (a[0] != '<' || f[0] != '<') {
            if (a != f) return {};
        } else if (a != f) {
            if (nomBalise(avant, débutA, mA[i]) != nomBalise(fichier, débutF, mF[k])) return {};
            if (a.endsWith("/>") && !f.endsWith("/>")) {
                if (k + 1 >= mF.size() || !fichier.mid(mF[k], mF[k + 1] - mF[k]).startsWith("</")) return {};
                ++k;
            }
        }
        correspond[i] = mF[k];
        débutA = mA[i];
        débutF = mF[k];
        ++k;
    }
    if (k != mF.size()) return {};
    // Passage changé, élargi aux morceaux entiers.
    qsizetype préfixe = 0;
    const qsizetype plusCourt = std::min(avant.size(), après.size());
    while (préfixe < plusCourt && avant[préfixe] == après[préfixe])
        ++préfixe;
    qsizetype suffixe = 0;
    while (suffixe < plusCourt - préfixe &&
           avant[avant.size() - 1 - suffixe] == après[après.size() - 1 - suffixe])
        ++suffixe;
    std::size_t premier = 0;
    while (premier < mA.size() && mA[premier] <= préfixe)
        ++premier;
    const qsizetype début = premier == 0 ? 0 : mA[premier - 1];
    std::size_t dernier = premier;
    while (dernier < mA.size() && mA[dernier] < avant.size() - suffixe)
        ++dernier;
    if (dernier >= mA.size()) dernier = mA.size() - 1;
    const qsizetype finAvant = mA[dernier];
    const qsizetype débutFichier = premier == 0 ? 0 : correspond[premier - 1];
    const qsizetype finFichier = correspond[dernier];
    const qsizetype finAprès = après.size() - (avant.size() - finAvant);
    return fichier.left(débutFichier) + après.mid(début, finAprès - début) + fichier.mid(finFichier);
}

} // namespace

QByteArray GestionXML::serialiser() const {
    EcrivainTampon e;
    pugi::xml_encoding codage = pugi::encoding_utf8;
    QByteArray fin = finDeLigne_;
    switch (codage_) {
    case Codage::UTF8:
        break;
    case Codage::UTF8AvecBOM:
        e.tampon = "\xEF\xBB\xBF";
        break;
    case Codage::Latin1:
        codage = pugi::encoding_latin1;
        break;
    case Codage::UTF16LE:
        codage = pugi::encoding_utf16_le;
        e.tampon = "\xFF\xFE";
        fin.clear();
        for (const char c : finDeLigne_)
            fin += QByteArray(1, c) + '\0';
        break;
    case Codage::UTF16BE:
        codage = pugi::encoding_utf16_be;
        e.tampon = "\xFE\xFF";
        fin.clear();
        for (const char c : finDeLigne_)
            fin += QByteArray(1, '\0') + c;
        break;
    }
    return imprimer(doc_, codage, e.tampon, fin);
}

bool GestionXML::enregistrer() {
    QByteArray octets = serialiser();
    // Un fichier que l'enregistrement n'aurait pas écrit tel quel : seul le passage changé est
    // remplacé (les fichiers UTF-16 sont réécrits en entier).
    if (!octetsLus_.isEmpty() && codage_ != Codage::UTF16LE && codage_ != Codage::UTF16BE) {
        pugi::xml_document tel;
        const auto res =
            tel.load_buffer(octetsLus_.constData(), octetsLus_.size(), OptionsLecture,
                            codage_ == Codage::Latin1 ? pugi::encoding_latin1 : pugi::encoding_auto);
        if (res) {
            const pugi::xml_encoding codage =
                codage_ == Codage::Latin1 ? pugi::encoding_latin1 : pugi::encoding_utf8;
            const QByteArray bom = codage_ == Codage::UTF8AvecBOM ? QByteArray("\xEF\xBB\xBF") : QByteArray();
            const QByteArray avant = imprimer(tel, codage, bom, finDeLigne_);
            if (avant != octetsLus_) {
                const QByteArray greffé = greffer(octetsLus_, avant, octets);
                // La greffe n'est gardée que si elle dit exactement le document à écrire.
                pugi::xml_document relu;
                if (!greffé.isEmpty() &&
                    relu.load_buffer(greffé.constData(), size_t(greffé.size()), OptionsLecture,
                                     codage_ == Codage::Latin1 ? pugi::encoding_latin1
                                                               : pugi::encoding_auto) &&
                    imprimer(relu, codage, bom, finDeLigne_) == octets)
                    octets = greffé;
            }
        }
    }
    if (octets == octetsLus_ && QFileInfo::exists(fichier_)) return true; // rien de changé
    QString e;
    if (!FichierAtomique::ecrire(fichier_, octets, &e)) {
        erreur_ = e;
        return false;
    }
    octetsLus_ = octets;
    return true;
}

bool GestionXML::Sauver() {
    if (!ouvert_) return false;
    if (endommagé_) {
        erreur_ = QStringLiteral("Le fichier « %1 » n'a pas pu être lu : il n'est pas réécrit.")
                      .arg(QDir::toNativeSeparators(fichier_));
        return false;
    }
    if (!modifié_) return true;
    if (!enregistrer()) return false;
    modifié_ = false;
    return true;
}

bool GestionXML::Fermer() {
    const bool ok = Sauver();
    doc_.reset();
    ouvert_ = false;
    modifié_ = false;
    Noeuds.fill(pugi::xml_node());
    return ok;
}

void GestionXML::préparerÉcriture() {
    // La vraie raison (fichier illisible, refusé) plutôt qu'une racine introuvable.
    if (ouvert_ && endommagé_ && !erreur_.isEmpty()) throw ErreurXML(erreur_);
    // Une écriture refusée ne compte pas comme un changement : le fichier ne sera pas réécrit.
    const pugi::xml_node racine = doc_.document_element();
    if (!racine || versUtf8(racine_) != racine.name())
        throw ErreurXML(QStringLiteral("Le document XML n'a pas d'élément racine."));
    modifié_ = true;
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
    const std::string n = versUtf8(nom);
    pugi::xml_node dernier = parent.last_child();
    // Contenu en ligne (texte, éléments collés) : rien à indenter.
    if (!indenté_ || (dernier && !miseEnPage(dernier))) return parent.append_child(n.c_str());
    int profondeur = 0;
    for (pugi::xml_node p = parent; p.parent(); p = p.parent())
        ++profondeur;
    auto blancs = [&](int niveau) {
        QString t = QString::fromLatin1(finDeLigne_);
        for (int i = 1; i < niveau; ++i)
            t += unitéIndentation_;
        return versUtf8(t);
    };
    if (!dernier) {
        // Premier enfant : la balise fermante du parent passe à la ligne.
        parent.append_child(pugi::node_pcdata).set_value(blancs(profondeur).c_str());
        dernier = parent.last_child();
    }
    parent.insert_child_before(pugi::node_pcdata, dernier).set_value(blancs(profondeur + 1).c_str());
    return parent.insert_child_before(n.c_str(), dernier);
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
    préparerÉcriture();
    analyserChemin(Ascendants);
    pugi::xml_node parent = dernierAvecCreation();
    Noeuds[Niveau] = creerEnfant(parent, NomDuNouveauNoeud);
}

void GestionXML::SupprimerNoeud(const QString& Chemin) {
    préparerÉcriture();
    analyserChemin(Chemin);
    pugi::xml_node n = dernierSansCreation();
    if (!n) throw ErreurXML(QStringLiteral("Élément XML introuvable : « %1 ».").arg(Chemin));
    if (n.parent() != Noeuds[Niveau - 2])
        throw ErreurXML(
            QStringLiteral("L'élément « %1 » n'est pas un enfant direct de son chemin.").arg(Chemin));
    // Sa ligne part avec lui.
    if (miseEnPage(n.previous_sibling())) Noeuds[Niveau - 2].remove_child(n.previous_sibling());
    Noeuds[Niveau - 2].remove_child(n);
}

void GestionXML::EcrireValeur(const QString& Chemin, const QString& Valeur) {
    préparerÉcriture();
    analyserChemin(Chemin);
    pugi::xml_node n = dernierAvecCreation();
    // Le texte remplace tout le contenu de l'élément.
    while (n.first_child())
        n.remove_child(n.first_child());
    if (!Valeur.isEmpty()) n.append_child(pugi::node_pcdata).set_value(coder(Valeur, false).c_str());
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
    préparerÉcriture();
    analyserChemin(Chemin);
    pugi::xml_node n = dernierAvecCreation();
    if (!nomXmlValide(Attribut))
        throw ErreurXML(QStringLiteral("Nom d'attribut XML invalide : « %1 ».").arg(Attribut));
    const std::string a = versUtf8(Attribut);
    pugi::xml_attribute att = n.attribute(a.c_str());
    if (!att) att = n.append_attribute(a.c_str());
    att.set_value(coder(Valeur, true).c_str());
}

QString GestionXML::LireAttribut(const QString& Chemin, const QString& Attribut) {
    try {
        analyserChemin(Chemin);
        const pugi::xml_node n = dernierSansCreation();
        if (!n) return {};
        return décoder(n.attribute(versUtf8(Attribut).c_str()).value());
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
        if (!att.empty()) ListeAttributs[compteur_] = décoder(n.attribute(att.c_str()).value());
        ListeValeurs[compteur_] = texteComplet(n);
        ++compteur_;
        return false;
    });
    return compteur_;
}

std::vector<GestionXML::EnfantDirect> GestionXML::EnfantsDirects(const QString& NomElement,
                                                                 const QString& Chemin,
                                                                 const QString& NomAttribut,
                                                                 int* descendants) {
    std::vector<EnfantDirect> r;
    if (descendants) *descendants = 0;
    analyserChemin(Chemin + u' ' + NomElement);
    const pugi::xml_node base = Noeuds[Niveau - 2];
    if (!base) return r;
    const std::string nom = versUtf8(NomElement);
    const std::string att = versUtf8(NomAttribut);
    int rang = 0;
    parcourirDescendants(base, [&](pugi::xml_node n) {
        if (nom != n.name()) return false;
        if (n.parent() == base) r.push_back({rang, décoder(n.attribute(att.c_str()).value())});
        ++rang;
        return false;
    });
    if (descendants) *descendants = rang;
    return r;
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
