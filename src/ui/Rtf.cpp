#include "ui/Rtf.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <cctype>
#include <map>
#include <optional>

namespace Rtf {

namespace {

// Octets 0x80 à 0x9F de la page de code 1252 ; 0 là où elle n'a pas de caractère.
constexpr char16_t table80[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Destinations dont le contenu n'est pas du texte du document.
const QSet<QByteArray>& destinationsIgnorées() {
    static const QSet<QByteArray> d = {"stylesheet",
                                       "info",
                                       "pict",
                                       "object",
                                       "objdata",
                                       "header",
                                       "headerl",
                                       "headerr",
                                       "headerf",
                                       "footer",
                                       "footerl",
                                       "footerr",
                                       "footerf",
                                       "footnote",
                                       "annotation",
                                       "atnid",
                                       "atnauthor",
                                       "xe",
                                       "tc",
                                       "txe",
                                       "rxe",
                                       "fldinst",
                                       "datafield",
                                       "themedata",
                                       "listtable",
                                       "listoverridetable",
                                       "revtbl",
                                       "rsidtbl",
                                       "filetbl",
                                       "latentstyles",
                                       "datastore",
                                       "xmlnstbl",
                                       "colorschememapping",
                                       "pgdsctbl",
                                       "author",
                                       "operator",
                                       "title",
                                       "subject",
                                       "comment",
                                       "doccomm",
                                       "company",
                                       "keywords",
                                       "generator",
                                       "userprops",
                                       "nonshppict",
                                       "shpinst",
                                       "shppict",
                                       "template",
                                       "creatim",
                                       "revtim",
                                       "printim",
                                       "buptim",
                                       "fontemb",
                                       "fontfile",
                                       "bkmkstart",
                                       "bkmkend",
                                       "mmathPr",
                                       "pn"};
    return d;
}

// Caractères donnés par un mot de contrôle.
std::optional<char16_t> caractèreDuMot(const QByteArray& mot) {
    static const QHash<QByteArray, char16_t> t = {
        {"emdash", 0x2014},    {"endash", 0x2013},    {"lquote", 0x2018}, {"rquote", 0x2019},
        {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"bullet", 0x2022}, {"emspace", 0x2003},
        {"enspace", 0x2002},   {"qmspace", 0x2005},   {"tab", u'\t'},     {"cell", u'\t'}};
    const auto it = t.constFind(mot);
    if (it == t.constEnd()) return std::nullopt;
    return *it;
}

int chiffreHexa(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

enum class Destination { Texte, Polices, Couleurs, Ignorée };

struct ÉtatGroupe {
    Destination destination = Destination::Texte;
    bool gras = false;
    bool italique = false;
    int couleur = 0;
    int police = -1; // -1 : police par défaut (\deff)
    int demiPoints = 24;
    int uc = 1;
    bool premierMot = true; // le prochain mot de contrôle peut nommer une destination
    bool étoile = false;    // groupe ouvert par \*
};

class Lecteur final {
public:
    Lecteur(const QByteArray& d, const FormatCaractere& base) : m_d(d), m_base(base) {}

    ContenuRiche lire() {
        // Le document est le premier groupe ; ce qui le suit est ignoré.
        while (m_i < m_d.size() && m_d[m_i] != '{')
            ++m_i;
        std::vector<ÉtatGroupe> pile;
        ÉtatGroupe état;
        bool dansDocument = false;
        // Au-delà de cette profondeur, les groupes sont ignorés et seulement comptés : un fichier
        // fait d'accolades ne doit pas coûter des dizaines de fois sa taille en mémoire.
        constexpr std::size_t ProfondeurMax = 10000;
        qsizetype groupesEnTrop = 0;
        ÉtatGroupe étatAvantTrop;
        while (m_i < m_d.size()) {
            const char c = m_d[m_i++];
            if (c == '{') {
                if (pile.size() >= ProfondeurMax) {
                    if (groupesEnTrop++ == 0) étatAvantTrop = état;
                    état.destination = Destination::Ignorée;
                } else if (dansDocument) {
                    pile.push_back(état);
                }
                dansDocument = true;
                état.premierMot = true;
                état.étoile = false;
                m_àSauter = 0;
            } else if (c == '}') {
                finirGroupe(état);
                m_àSauter = 0;
                if (groupesEnTrop > 0) {
                    if (--groupesEnTrop == 0) état = étatAvantTrop;
                    m_formatPrêt = false;
                    continue;
                }
                if (pile.empty()) break;
                état = pile.back();
                pile.pop_back();
                m_formatPrêt = false;
            } else if (c == '\\') {
                controle(état);
            } else if (c == '\r' || c == '\n') {
                // Les fins de ligne du fichier ne comptent pas.
            } else {
                état.premierMot = false;
                caractère(état, Rtf::caractère1252(std::uint8_t(c)));
            }
        }
        return std::move(m_résultat);
    }

private:
    void finirGroupe(ÉtatGroupe& état) {
        if (état.destination == Destination::Polices && !m_nomPolice.trimmed().isEmpty()) {
            m_polices[m_policeCourante] = m_nomPolice.trimmed();
            m_nomPolice.clear();
        }
    }

    void controle(ÉtatGroupe& état) {
        if (m_i >= m_d.size()) return;
        const char c = m_d[m_i];
        if (std::isalpha(static_cast<unsigned char>(c))) {
            QByteArray mot;
            while (m_i < m_d.size() && std::isalpha(static_cast<unsigned char>(m_d[m_i]))) {
                if (mot.size() < 32) mot += m_d[m_i];
                ++m_i;
            }
            bool aParam = false;
            bool négatif = false;
            long long param = 0;
            if (m_i < m_d.size() && m_d[m_i] == '-' && m_i + 1 < m_d.size() &&
                std::isdigit(static_cast<unsigned char>(m_d[m_i + 1]))) {
                négatif = true;
                ++m_i;
            }
            while (m_i < m_d.size() && std::isdigit(static_cast<unsigned char>(m_d[m_i]))) {
                if (param < 100000000000LL) param = param * 10 + (m_d[m_i] - '0');
                aParam = true;
                ++m_i;
            }
            if (négatif) param = -param;
            if (m_i < m_d.size() && m_d[m_i] == ' ') ++m_i; // l'espace délimiteur est mangée
            motDeControle(état, mot, aParam, int(std::clamp(param, -2147483647LL, 2147483647LL)));
            return;
        }
        ++m_i;
        état.premierMot = false;
        switch (c) {
        case '\\':
        case '{':
        case '}':
            caractère(état, QChar::fromLatin1(c));
            break;
        case '\'': {
            int v = 0;
            int n = 0;
            while (n < 2 && m_i < m_d.size()) {
                const int h = chiffreHexa(m_d[m_i]);
                if (h < 0) break;
                v = v * 16 + h;
                ++m_i;
                ++n;
            }
            if (n == 2) caractère(état, Rtf::caractère1252(std::uint8_t(v)));
            break;
        }
        case '*':
            état.étoile = true;
            état.premierMot = true;
            break;
        case '~':
            caractère(état, QChar(0x00A0));
            break;
        case '_':
            caractère(état, QChar(0x2011));
            break;
        case '\r':
        case '\n':
            // Barre oblique inverse suivie d'une fin de ligne : un paragraphe.
            sautDeLigne(état);
            break;
        default:
            // \- \: \| et les symboles inconnus : rien à montrer.
            break;
        }
    }

    void motDeControle(ÉtatGroupe& état, const QByteArray& mot, bool aParam, int param) {
        const bool premier = état.premierMot;
        état.premierMot = false;
        // Un groupe marqué \* dont la destination n'est pas lue ici est sauté en entier.
        if (premier && état.étoile) {
            état.destination = Destination::Ignorée;
            return;
        }
        if (premier) {
            if (mot == "fonttbl") {
                état.destination = Destination::Polices;
                return;
            }
            if (mot == "colortbl") {
                état.destination = Destination::Couleurs;
                m_couleurs.clear();
                m_couleurEnCours = {};
                m_couleurDéfinie = false;
                return;
            }
            if (destinationsIgnorées().contains(mot)) {
                état.destination = Destination::Ignorée;
                return;
            }
        }
        if (mot == "bin") {
            // Données binaires : sautées, même dans un groupe ignoré (une image), car leurs octets
            // peuvent ressembler à des accolades.
            if (aParam && param > 0) m_i = std::min<qsizetype>(m_d.size(), m_i + param);
            return;
        }
        if (état.destination == Destination::Ignorée) return;
        if (état.destination == Destination::Polices) {
            if (mot == "f") m_policeCourante = param;
            return;
        }
        if (état.destination == Destination::Couleurs) {
            const int v = std::clamp(param, 0, 255);
            if (mot == "red")
                m_couleurEnCours.rouge = std::uint8_t(v);
            else if (mot == "green")
                m_couleurEnCours.vert = std::uint8_t(v);
            else if (mot == "blue")
                m_couleurEnCours.bleu = std::uint8_t(v);
            else
                return;
            m_couleurDéfinie = true;
            return;
        }
        // Texte du document.
        if (mot == "par" || mot == "line" || mot == "row") {
            sautDeLigne(état);
        } else if (const auto c = caractèreDuMot(mot)) {
            caractère(état, QChar(*c));
        } else if (mot == "u") {
            int v = param;
            if (v < 0) v += 65536;
            caractère(état, QChar(char16_t(std::clamp(v, 0, 65535))));
            m_àSauter = état.uc;
            return;
        } else if (mot == "uc") {
            état.uc = std::max(0, param);
        } else if (mot == "b") {
            état.gras = !aParam || param != 0;
        } else if (mot == "i") {
            état.italique = !aParam || param != 0;
        } else if (mot == "cf") {
            état.couleur = param;
        } else if (mot == "f") {
            état.police = param;
        } else if (mot == "fs") {
            if (aParam && param > 0) état.demiPoints = std::min(param, 3276);
        } else if (mot == "deff") {
            m_policeDéfaut = param;
        } else if (mot == "plain") {
            état.gras = false;
            état.italique = false;
            état.couleur = 0;
            état.police = -1;
            état.demiPoints = 24;
        } else {
            // Mot inconnu ou sans effet sur le texte (\pard, \ansi, \rtf...) : il compte pour un
            // caractère sauté après \uN.
            if (m_àSauter > 0) --m_àSauter;
            return;
        }
        m_formatPrêt = false;
    }

    FormatCaractere formatDe(const ÉtatGroupe& état) {
        FormatCaractere f = m_base;
        f.gras = état.gras;
        f.italique = état.italique;
        if (état.couleur > 0 && état.couleur < int(m_couleurs.size()) && m_couleurs[état.couleur])
            f.couleur = *m_couleurs[état.couleur];
        else if (état.couleur == 0 && !m_couleurs.empty() && m_couleurs[0])
            f.couleur = *m_couleurs[0];
        const int police = état.police < 0 ? m_policeDéfaut : état.police;
        if (const auto it = m_polices.find(police); it != m_polices.end()) f.police = it->second;
        f.taille = état.demiPoints / 2.0;
        return f;
    }

    void caractère(ÉtatGroupe& état, QChar c) {
        if (m_àSauter > 0) {
            --m_àSauter;
            return;
        }
        switch (état.destination) {
        case Destination::Ignorée:
            return;
        case Destination::Polices:
            if (c == u';') {
                m_polices[m_policeCourante] = m_nomPolice.trimmed();
                m_nomPolice.clear();
            } else {
                m_nomPolice += c;
            }
            return;
        case Destination::Couleurs:
            if (c == u';') {
                m_couleurs.push_back(m_couleurDéfinie ? std::optional(m_couleurEnCours) : std::nullopt);
                m_couleurEnCours = {};
                m_couleurDéfinie = false;
            }
            return;
        case Destination::Texte:
            break;
        }
        // Un CR ou un LF venu d'un \'hh ou d'un \uN : un saut de ligne, CR LF n'en faisant qu'un.
        if (c == u'\r') {
            ajouter(état, QStringLiteral("\r\n"));
            m_aprèsCR = true;
            return;
        }
        if (c == u'\n') {
            if (!m_aprèsCR) ajouter(état, QStringLiteral("\r\n"));
            m_aprèsCR = false;
            return;
        }
        m_aprèsCR = false;
        ajouter(état, QString(c));
    }

    void sautDeLigne(ÉtatGroupe& état) {
        m_àSauter = 0;
        if (état.destination != Destination::Texte) return;
        m_aprèsCR = false;
        ajouter(état, QStringLiteral("\r\n"));
    }

    void ajouter(const ÉtatGroupe& état, const QString& s) {
        if (!m_formatPrêt) {
            m_format = formatDe(état);
            m_formatPrêt = true;
        }
        auto& segs = m_résultat.segments;
        if (segs.empty() || !(segs.back().format == m_format))
            segs.push_back({m_résultat.texte.size(), 0, m_format});
        segs.back().longueur += s.size();
        m_résultat.texte += s;
    }

    const QByteArray& m_d;
    const FormatCaractere m_base;
    qsizetype m_i = 0;
    int m_àSauter = 0;
    bool m_aprèsCR = false;
    std::map<int, QString> m_polices;
    int m_policeCourante = 0;
    int m_policeDéfaut = 0;
    QString m_nomPolice;
    std::vector<std::optional<CouleurRVB>> m_couleurs;
    CouleurRVB m_couleurEnCours;
    bool m_couleurDéfinie = false;
    FormatCaractere m_format;
    bool m_formatPrêt = false;
    ContenuRiche m_résultat;
};

// Caractère écrit dans le corps ou dans un nom de police.
void écrireCaractère(QByteArray& sortie, QChar c) {
    const char16_t u = c.unicode();
    if (u == u'\\' || u == u'{' || u == u'}') {
        sortie += '\\';
        sortie += char(u);
    } else if (u == u'\t') {
        sortie += "\\tab ";
    } else if (u >= 0x20 && u < 0x7F) {
        sortie += char(u);
    } else if (u < 0x80) {
        sortie += QByteArray("\\'") + QByteArray::number(u, 16).rightJustified(2, '0');
    } else {
        // \uN, suivi de ce que liront les lecteurs qui ignorent \u.
        sortie += "\\u" + QByteArray::number(u > 32767 ? int(u) - 65536 : int(u));
        std::uint8_t o = 0;
        if (octet1252(c, o) && o >= 0x80)
            sortie += QByteArray("\\'") + QByteArray::number(o, 16).rightJustified(2, '0');
        else
            sortie += '?';
    }
}

} // namespace

bool estRtf(const QByteArray& données) {
    qsizetype i = 0;
    // Une marque d'ordre UTF-8 ou des blancs avant le RTF n'y changent rien.
    if (données.startsWith("\xEF\xBB\xBF")) i = 3;
    while (i < données.size() &&
           (données[i] == ' ' || données[i] == '\t' || données[i] == '\r' || données[i] == '\n'))
        ++i;
    return QByteArrayView(données).sliced(i).startsWith("{\\rtf");
}

ContenuRiche lire(const QByteArray& données, const FormatCaractere& formatDeBase) {
    return Lecteur(données, formatDeBase).lire();
}

QByteArray écrire(const ContenuRiche& contenu) {
    // Tables : chaque police et chaque couleur une fois, dans l'ordre d'apparition.
    QStringList polices;
    std::vector<CouleurRVB> couleurs;
    for (const auto& s : contenu.segments) {
        if (!polices.contains(s.format.police)) polices << s.format.police;
        if (std::find(couleurs.begin(), couleurs.end(), s.format.couleur) == couleurs.end())
            couleurs.push_back(s.format.couleur);
    }
    if (polices.isEmpty()) polices << FormatCaractere().police;

    QByteArray sortie = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl";
    for (qsizetype i = 0; i < polices.size(); ++i) {
        sortie += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset0 ";
        for (const QChar c : polices[i])
            if (c != u';') écrireCaractère(sortie, c);
        sortie += ";}";
    }
    sortie += "}\n{\\colortbl ;";
    for (const auto& c : couleurs)
        sortie += "\\red" + QByteArray::number(c.rouge) + "\\green" + QByteArray::number(c.vert) + "\\blue" +
                  QByteArray::number(c.bleu) + ";";
    sortie += "}\n\\pard\\plain";

    // Les mots de contrôle ne s'écrivent que là où le format change.
    std::optional<FormatCaractere> courant;
    for (const auto& s : contenu.segments) {
        const FormatCaractere& f = s.format;
        QByteArray mots;
        if (!courant || courant->police != f.police)
            mots += "\\f" + QByteArray::number(polices.indexOf(f.police));
        if (!courant || qRound(courant->taille * 2) != qRound(f.taille * 2))
            mots += "\\fs" + QByteArray::number(std::max(1, qRound(f.taille * 2)));
        if (!courant || courant->couleur != f.couleur) {
            const auto n = std::find(couleurs.begin(), couleurs.end(), f.couleur) - couleurs.begin();
            mots += "\\cf" + QByteArray::number(n + 1);
        }
        if (!courant || courant->gras != f.gras) mots += f.gras ? "\\b" : "\\b0";
        if (!courant || courant->italique != f.italique) mots += f.italique ? "\\i" : "\\i0";
        if (!mots.isEmpty()) sortie += mots + ' ';
        courant = f;

        const QString& t = contenu.texte;
        const qsizetype fin = std::min(t.size(), s.début + s.longueur);
        for (qsizetype i = std::max<qsizetype>(0, s.début); i < fin; ++i) {
            const QChar c = t[i];
            if (c == u'\n' && i > 0 && t[i - 1] == u'\r') continue; // CR LF ne fait qu'un paragraphe
            if (c == u'\r' || c == u'\n')
                sortie += "\\par\n";
            else
                écrireCaractère(sortie, c);
        }
    }
    sortie += "}\n";
    return sortie;
}

QChar caractère1252(std::uint8_t octet) {
    if (octet >= 0x80 && octet < 0xA0 && table80[octet - 0x80] != 0) return QChar(table80[octet - 0x80]);
    return QChar(char16_t(octet));
}

bool octet1252(QChar c, std::uint8_t& octet) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
        octet = std::uint8_t(u);
        return true;
    }
    if (u >= 0x80 && u < 0xA0) {
        // Seuls les cinq octets sans caractère reviennent à eux-mêmes.
        if (table80[u - 0x80] != 0) return false;
        octet = std::uint8_t(u);
        return true;
    }
    for (int i = 0; i < 32; ++i)
        if (table80[i] == u) {
            octet = std::uint8_t(0x80 + i);
            return true;
        }
    return false;
}

} // namespace Rtf
