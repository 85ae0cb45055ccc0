#include "ui/DocumentRiche.h"

#include "common/FichierAtomique.h"
#include "common/Texte.h"
#include "ui/Rtf.h"

#include <QStringDecoder>
#include <algorithm>
#include <optional>
#include <unordered_map>

namespace {

FinDeLigne finDeLigneDuSystème() {
#ifdef Q_OS_WIN
    return FinDeLigne::CRLF;
#else
    return FinDeLigne::LF;
#endif
}

// Au-delà, la table des formats est débarrassée de ceux qui ne servent plus.
constexpr std::size_t TailleMaxTable = 512;

// Place libre gardée au bout du texte et des formats : les insertions d'un générateur (quelques
// valeurs dans un gros modèle) tiennent sans réallocation, et une réallocation ne double pas la
// mémoire d'un gros document.
qsizetype marge(qsizetype taille) {
    return taille / 16 + 1024;
}

// Texte seul mis aux sauts CR LF (un CR ou un LF isolé devient CR LF), avec sa marge.
void normaliserTexte(QString& texte) {
    // Lu par une référence constante : l'accès modifiable détacherait (recopierait) un texte partagé.
    const QString& lu = texte;
    qsizetype isolés = 0;
    for (qsizetype i = 0; i < lu.size(); ++i) {
        const QChar c = lu[i];
        if (c == u'\r' && !(i + 1 < lu.size() && lu[i + 1] == u'\n'))
            ++isolés;
        else if (c == u'\n' && !(i > 0 && lu[i - 1] == u'\r'))
            ++isolés;
    }
    if (isolés == 0) {
        // Un texte partagé le reste : le réserver le recopierait.
        if (texte.isDetached()) texte.reserve(texte.size() + marge(texte.size()));
        return;
    }
    QString t;
    t.reserve(lu.size() + isolés + marge(lu.size() + isolés));
    for (qsizetype i = 0; i < lu.size(); ++i) {
        const QChar c = lu[i];
        if (c == u'\r' || c == u'\n') {
            t += QStringLiteral("\r\n");
            if (c == u'\r' && i + 1 < lu.size() && lu[i + 1] == u'\n') ++i;
        } else {
            t += c;
        }
    }
    texte = std::move(t);
}

// Texte et formats mis aux sauts CR LF : un CR ou un LF isolé devient CR LF ; le LF d'un saut
// prend le format de son CR, pour qu'un saut n'ait qu'un format.
void normaliser(QString& texte, std::vector<std::uint32_t>& formats) {
    // Lu par une référence constante : un texte partagé propre n'est pas recopié.
    const QString& lu = texte;
    bool propre = true;
    for (qsizetype i = 0; i < lu.size() && propre; ++i) {
        const QChar c = lu[i];
        if (c == u'\r')
            propre = i + 1 < lu.size() && lu[i + 1] == u'\n';
        else if (c == u'\n')
            propre = i > 0 && lu[i - 1] == u'\r';
    }
    if (propre) {
        for (qsizetype i = 1; i < lu.size(); ++i)
            if (lu[i] == u'\n') formats[i] = formats[i - 1];
        return;
    }
    QString t;
    std::vector<std::uint32_t> f;
    t.reserve(texte.size() + 16);
    f.reserve(formats.size() + 16);
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const QChar c = texte[i];
        if (c == u'\r' || c == u'\n') {
            t += QStringLiteral("\r\n");
            f.push_back(formats[i]);
            f.push_back(formats[i]);
            if (c == u'\r' && i + 1 < texte.size() && texte[i + 1] == u'\n') ++i;
        } else {
            t += c;
            f.push_back(formats[i]);
        }
    }
    texte = std::move(t);
    formats = std::move(f);
}

QString avecFinDeLigne(const QString& texte, FinDeLigne fin) {
    if (fin == FinDeLigne::CRLF) return texte;
    QString t = texte;
    t.replace(QStringLiteral("\r\n"), fin == FinDeLigne::LF ? QStringLiteral("\n") : QStringLiteral("\r"));
    return t;
}

// Fin de ligne la plus fréquente du fichier ; à égalité, la première rencontrée.
std::optional<FinDeLigne> finDeLigneDominante(const QString& t) {
    int n[3] = {0, 0, 0};
    int premier[3] = {-1, -1, -1};
    for (qsizetype i = 0; i < t.size(); ++i) {
        int k = -1;
        if (t[i] == u'\r') {
            k = (i + 1 < t.size() && t[i + 1] == u'\n') ? 0 : 2;
            if (k == 0) ++i;
        } else if (t[i] == u'\n') {
            k = 1;
        }
        if (k < 0) continue;
        if (premier[k] < 0) premier[k] = int(i);
        ++n[k];
    }
    int meilleur = -1;
    for (int k = 0; k < 3; ++k) {
        if (n[k] == 0) continue;
        if (meilleur < 0 || n[k] > n[meilleur] || (n[k] == n[meilleur] && premier[k] < premier[meilleur]))
            meilleur = k;
    }
    if (meilleur < 0) return std::nullopt;
    return FinDeLigne(meilleur);
}

} // namespace

DocumentRiche::DocumentRiche() : m_finDeLigne(finDeLigneDuSystème()) {
    m_table.push_back(m_formatInsertion);
}

// --- Formats --------------------------------------------------------------------------------

std::uint32_t DocumentRiche::indexDeFormat(const FormatCaractere& f) {
    for (std::size_t i = 0; i < m_table.size(); ++i)
        if (m_table[i] == f) return std::uint32_t(i);
    m_table.push_back(f);
    return std::uint32_t(m_table.size() - 1);
}

void DocumentRiche::matérialiserFormats() {
    if (!uniforme()) return;
    m_formats.reserve(std::size_t(m_texte.size() + marge(m_texte.size())));
    m_formats.assign(std::size_t(m_texte.size()), 0);
}

void DocumentRiche::compacterFormats() {
    if (m_table.size() <= TailleMaxTable) return;
    if (uniforme()) {
        m_table.resize(1);
        return;
    }
    std::vector<std::uint32_t> nouvelIndex(m_table.size(), UINT32_MAX);
    std::vector<FormatCaractere> table;
    for (auto& i : m_formats) {
        if (nouvelIndex[i] == UINT32_MAX) {
            nouvelIndex[i] = std::uint32_t(table.size());
            table.push_back(m_table[i]);
        }
        i = nouvelIndex[i];
    }
    m_table = std::move(table);
}

FormatCaractere DocumentRiche::formatEn(qsizetype position) const {
    if (position < 0 || position >= m_texte.size()) return m_formatInsertion;
    return m_table[uniforme() ? 0 : m_formats[position]];
}

void DocumentRiche::formatSelonSélection() {
    if (m_texte.isEmpty()) return;
    if (m_longueurSélection > 0)
        m_formatInsertion = formatEn(m_débutSélection);
    else if (m_débutSélection > 0)
        m_formatInsertion = formatEn(m_débutSélection - 1);
    else
        m_formatInsertion = formatEn(0);
}

template <class Modif> void DocumentRiche::modifierFormat(Modif modif) {
    modif(m_formatInsertion);
    if (m_longueurSélection <= 0) return;
    matérialiserFormats();
    compacterFormats();
    std::unordered_map<std::uint32_t, std::uint32_t> déjàVus;
    const qsizetype d = m_débutSélection;
    const qsizetype f = d + m_longueurSélection;
    for (qsizetype i = d; i < f; ++i) {
        const std::uint32_t ancien = m_formats[i];
        auto it = déjàVus.find(ancien);
        if (it == déjàVus.end()) {
            FormatCaractere nf = m_table[ancien];
            modif(nf);
            it = déjàVus.emplace(ancien, indexDeFormat(nf)).first;
        }
        m_formats[i] = it->second;
    }
    // Un saut de ligne garde le format de son CR.
    if (m_texte.at(d) == u'\n' && d > 0) m_formats[d] = m_formats[d - 1];
    if (f < m_texte.size() && m_texte.at(f) == u'\n') m_formats[f] = m_formats[f - 1];
}

void DocumentRiche::définirGras(bool gras) {
    modifierFormat([&](FormatCaractere& f) { f.gras = gras; });
}
void DocumentRiche::définirItalique(bool italique) {
    modifierFormat([&](FormatCaractere& f) { f.italique = italique; });
}
void DocumentRiche::définirCouleur(CouleurRVB couleur) {
    modifierFormat([&](FormatCaractere& f) { f.couleur = couleur; });
}
void DocumentRiche::définirPolice(const QString& police) {
    modifierFormat([&](FormatCaractere& f) { f.police = police; });
}
void DocumentRiche::définirTaille(double points) {
    modifierFormat([&](FormatCaractere& f) { f.taille = points; });
}
void DocumentRiche::définirFormat(const FormatCaractere& format) {
    modifierFormat([&](FormatCaractere& f) { f = format; });
}

// --- Contenu entier -------------------------------------------------------------------------

void DocumentRiche::définirTexte(QString texte) {
    // Un seul format : le texte est mis aux sauts CR LF sans copier de formats, et l'ancien
    // contenu est libéré avant que le nouveau soit alloué.
    QString t = std::move(texte);
    normaliserTexte(t);
    m_texte = QString();
    std::vector<std::uint32_t>().swap(m_formats);
    m_table.clear();
    indexDeFormat(m_formatInsertion); // m_table[0], le format de tout le texte
    m_texte = std::move(t);
    m_débutSélection = 0;
    m_longueurSélection = 0;
    formatSelonSélection();
    compacterFormats();
}

ContenuRiche DocumentRiche::contenu() const {
    ContenuRiche c;
    c.texte = m_texte;
    if (uniforme()) {
        c.segments.push_back({0, m_texte.size(), m_table[0]});
        return c;
    }
    for (qsizetype i = 0; i < m_texte.size();) {
        qsizetype j = i + 1;
        while (j < m_texte.size() && m_formats[j] == m_formats[i])
            ++j;
        c.segments.push_back({i, j - i, m_table[m_formats[i]]});
        i = j;
    }
    return c;
}

ContenuRiche DocumentRiche::contenuSélection() const {
    ContenuRiche c;
    const qsizetype d = m_débutSélection;
    const qsizetype f = d + m_longueurSélection;
    c.texte = m_texte.mid(d, m_longueurSélection);
    if (uniforme()) {
        if (m_longueurSélection > 0) c.segments.push_back({0, m_longueurSélection, m_table[0]});
        return c;
    }
    for (qsizetype i = d; i < f;) {
        qsizetype j = i + 1;
        while (j < f && m_formats[j] == m_formats[i])
            ++j;
        c.segments.push_back({i - d, j - i, m_table[m_formats[i]]});
        i = j;
    }
    return c;
}

void DocumentRiche::définirContenu(const ContenuRiche& contenu) {
    m_table.clear();
    const std::uint32_t parDéfaut = indexDeFormat(m_formatInsertion);
    QString texte = contenu.texte;
    std::vector<std::uint32_t> formats(texte.size(), parDéfaut);
    // Les segments hors du texte sont rognés ; ce qu'ils ne couvrent pas garde le format d'insertion.
    for (const auto& s : contenu.segments) {
        const qsizetype d = std::clamp<qsizetype>(s.début, 0, texte.size());
        const qsizetype f = std::clamp<qsizetype>(s.début + s.longueur, d, texte.size());
        if (d == f) continue;
        const std::uint32_t k = indexDeFormat(s.format);
        std::fill(formats.begin() + d, formats.begin() + f, k);
    }
    normaliser(texte, formats);
    m_texte = std::move(texte);
    m_formats = std::move(formats);
    m_débutSélection = 0;
    m_longueurSélection = 0;
    formatSelonSélection();
    compacterFormats();
}

// --- Fichiers -------------------------------------------------------------------------------

bool DocumentRiche::charger(const QString& chemin, QString* erreur) {
    QByteArray données;
    if (!FichierAtomique::lire(chemin, données, erreur)) return false;
    chargerOctets(std::move(données));
    return true;
}

void DocumentRiche::chargerDonnées(const QByteArray& données) {
    chargerOctets(données);
}

// Les octets lus sont libérés dès qu'ils sont décodés : un gros fichier n'est pas tenu deux fois.
void DocumentRiche::chargerOctets(QByteArray données) {
    if (Rtf::estRtf(données)) {
        const ContenuRiche c = Rtf::lire(données);
        m_formatInsertion = c.segments.empty() ? FormatCaractere() : c.segments.front().format;
        définirContenu(c);
        m_venuDUnRtf = true;
        m_finDeLigne = finDeLigneDuSystème();
        m_codage = CodageTexte::UTF8;
        return;
    }
    // Texte brut : UTF-8 s'il l'est d'un bout à l'autre, sinon la page de code de Windows.
    QByteArray corps = données;
    CodageTexte codage = CodageTexte::UTF8;
    if (corps.startsWith("\xEF\xBB\xBF")) {
        corps.remove(0, 3);
        codage = CodageTexte::UTF8AvecBOM;
    }
    QStringDecoder décodeur(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    QString texte = décodeur.decode(corps);
    corps = QByteArray();
    if (décodeur.hasError()) {
        codage = CodageTexte::Windows1252;
        texte = QString();
        texte.reserve(données.size());
        for (const char o : données)
            texte += Rtf::caractère1252(std::uint8_t(o));
    }
    données = QByteArray();
    m_finDeLigne = finDeLigneDominante(texte).value_or(finDeLigneDuSystème());
    m_codage = codage;
    m_venuDUnRtf = false;
    m_formatInsertion = FormatCaractere();
    définirTexte(std::move(texte));
}

QByteArray DocumentRiche::octetsTexte() const {
    if (m_codage != CodageTexte::Windows1252) {
        // Codé par morceaux (toUtf8 réserve trois octets par caractère), puis les fins de ligne
        // changées sur les octets, sur place : le texte n'est jamais recopié.
        QStringEncoder codeur(QStringConverter::Utf8);
        QByteArray o;
        o.reserve(m_texte.size() + m_texte.size() / 8);
        constexpr qsizetype Morceau = 64 * 1024;
        for (qsizetype i = 0; i < m_texte.size(); i += Morceau)
            o += codeur.encode(QStringView(m_texte).mid(i, std::min(Morceau, m_texte.size() - i)));
        if (m_finDeLigne != FinDeLigne::CRLF)
            o.replace("\r\n", m_finDeLigne == FinDeLigne::LF ? QByteArray("\n") : QByteArray("\r"));
        if (m_codage == CodageTexte::UTF8AvecBOM) o.prepend("\xEF\xBB\xBF");
        return o;
    }
    const QString t = avecFinDeLigne(m_texte, m_finDeLigne);
    QByteArray o;
    o.reserve(t.size());
    for (const QChar c : t) {
        std::uint8_t b = 0;
        // Un caractère que la page de code n'a pas : tout le fichier en UTF-8 plutôt qu'une perte.
        if (!Rtf::octet1252(c, b)) return t.toUtf8();
        o += char(b);
    }
    return o;
}

QByteArray DocumentRiche::octetsRtf() const {
    return Rtf::écrire(contenu());
}

bool DocumentRiche::enregistrerTexte(const QString& chemin, QString* erreur) const {
    return FichierAtomique::ecrire(chemin, octetsTexte(), erreur);
}

bool DocumentRiche::enregistrerRtf(const QString& chemin, QString* erreur) const {
    return FichierAtomique::ecrire(chemin, octetsRtf(), erreur);
}

// --- Recherche ------------------------------------------------------------------------------

qsizetype DocumentRiche::chercher(const QString& texte, qsizetype début, int options) const {
    if (texte.isEmpty() || début > m_texte.size()) return -1;
    début = std::max<qsizetype>(0, début);
    const Qt::CaseSensitivity casse = (options & RespecterCasse) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const bool motEntier = options & MotEntier;
    const bool motAuDébut = Texte::estCaractereDeMot(texte.front());
    const bool motÀLaFin = Texte::estCaractereDeMot(texte.back());
    for (qsizetype p = m_texte.indexOf(texte, début, casse); p >= 0;
         p = m_texte.indexOf(texte, p + 1, casse)) {
        if (!motEntier) return p;
        const qsizetype f = p + texte.size();
        const bool colléAvant = motAuDébut && p > 0 && Texte::estCaractereDeMot(m_texte[p - 1]);
        const bool colléAprès = motÀLaFin && f < m_texte.size() && Texte::estCaractereDeMot(m_texte[f]);
        if (!colléAvant && !colléAprès) return p;
    }
    return -1;
}

qsizetype DocumentRiche::trouver(const QString& texte, qsizetype début, int options) {
    const qsizetype p = chercher(texte, début, options);
    if (p >= 0) sélectionner(p, texte.size());
    return p;
}

// --- Sélection ------------------------------------------------------------------------------

void DocumentRiche::définirDébutSélection(qsizetype position) {
    m_débutSélection = std::clamp<qsizetype>(position, 0, m_texte.size());
    m_longueurSélection = 0;
    formatSelonSélection();
}

void DocumentRiche::définirLongueurSélection(qsizetype longueur) {
    m_longueurSélection = std::clamp<qsizetype>(longueur, 0, m_texte.size() - m_débutSélection);
    formatSelonSélection();
}

void DocumentRiche::sélectionner(qsizetype début, qsizetype longueur) {
    m_débutSélection = std::clamp<qsizetype>(début, 0, m_texte.size());
    m_longueurSélection = std::clamp<qsizetype>(longueur, 0, m_texte.size() - m_débutSélection);
    formatSelonSélection();
}

void DocumentRiche::insérer(qsizetype position, const QString& texte, std::uint32_t format) {
    // Une croissance d'un seizième plutôt que du double : voir marge().
    const qsizetype n = m_texte.size() + texte.size();
    if (m_formats.capacity() < std::size_t(n)) m_formats.reserve(std::size_t(n + marge(n)));
    if (m_texte.capacity() < n) m_texte.reserve(n + marge(n));
    m_texte.insert(position, texte);
    m_formats.insert(m_formats.begin() + position, texte.size(), format);
}

// Complète un saut coupé à la frontière k (entre k - 1 et k) ; rend le nombre de caractères ajoutés.
static int compléterSaut(QString& t, std::vector<std::uint32_t>& f, qsizetype k) {
    if (k > 0 && t[k - 1] == u'\r' && (k >= t.size() || t[k] != u'\n')) {
        t.insert(k, u'\n');
        f.insert(f.begin() + k, f[k - 1]);
        return 1;
    }
    if (k < t.size() && t[k] == u'\n' && (k == 0 || t[k - 1] != u'\r')) {
        t.insert(k, u'\r');
        f.insert(f.begin() + k, f[k]);
        return 1;
    }
    return 0;
}

void DocumentRiche::remplacerSélection(const QString& texte) {
    matérialiserFormats();
    compacterFormats();
    const std::uint32_t format = indexDeFormat(m_formatInsertion);
    QString nouveau = texte;
    std::vector<std::uint32_t> formats(nouveau.size(), format);
    normaliser(nouveau, formats);

    const qsizetype d = m_débutSélection;
    m_texte.remove(d, m_longueurSélection);
    m_formats.erase(m_formats.begin() + d, m_formats.begin() + d + m_longueurSélection);
    insérer(d, nouveau, format);

    // La frontière de droite d'abord, pour que celle de gauche garde sa place.
    compléterSaut(m_texte, m_formats, d + nouveau.size());
    const int ajoutés = compléterSaut(m_texte, m_formats, d);
    m_débutSélection = d + ajoutés + nouveau.size();
    m_longueurSélection = 0;
    // Le texte suivant continue dans le format inséré.
}

// --- Déplacements ---------------------------------------------------------------------------

qsizetype DocumentRiche::avancerJusquÀ(const QString& ensemble, bool horsEnsemble) {
    qsizetype p = m_débutSélection + m_longueurSélection;
    while (p < m_texte.size() && ensemble.contains(m_texte.at(p)) == horsEnsemble)
        ++p;
    définirDébutSélection(p);
    return p;
}

qsizetype DocumentRiche::étendreSur(const QString& ensemble, bool horsEnsemble) {
    qsizetype p = m_débutSélection + m_longueurSélection;
    while (p < m_texte.size() && ensemble.contains(m_texte.at(p)) != horsEnsemble)
        ++p;
    définirLongueurSélection(p - m_débutSélection);
    return m_longueurSélection;
}
