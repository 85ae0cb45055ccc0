#include "ui/fenetres/VueDocumentRiche.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <algorithm>
#include <limits>

namespace {

QTextCharFormat versQt(const FormatCaractere& f) {
    QTextCharFormat q;
    q.setFontWeight(f.gras ? QFont::Bold : QFont::Normal);
    q.setFontItalic(f.italique);
    q.setForeground(QColor(f.couleur.rouge, f.couleur.vert, f.couleur.bleu));
    q.setFontFamilies(QStringList{f.police});
    if (f.taille > 0) q.setFontPointSize(f.taille);
    return q;
}

FormatCaractere depuisQt(const QTextCharFormat& q) {
    FormatCaractere f;
    f.gras = q.fontWeight() > QFont::Medium;
    f.italique = q.fontItalic();
    if (q.foreground().style() != Qt::NoBrush) {
        const QColor c = q.foreground().color();
        f.couleur = {std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue())};
    }
    const QStringList familles = q.fontFamilies().toStringList();
    if (!familles.isEmpty() && !familles.front().isEmpty()) f.police = familles.front();
    if (q.fontPointSize() > 0) f.taille = q.fontPointSize();
    return f;
}

} // namespace

VueDocumentRiche::VueDocumentRiche(QWidget* parent) : QTextEdit(parent) {
    // Un collage n'apporte que du texte : les formats viennent du document.
    setAcceptRichText(false);
    connect(document(), &QTextDocument::contentsChanged, this, [this] {
        if (!m_miseÀJour) reporterDansLeModèle();
    });
    connect(this, &QTextEdit::cursorPositionChanged, this, [this] {
        if (!m_miseÀJour) reporterSélection();
    });
    connect(this, &QTextEdit::selectionChanged, this, [this] {
        if (!m_miseÀJour) reporterSélection();
    });
}

void VueDocumentRiche::définirDocument(DocumentRiche* doc) {
    m_document = doc;
    viderVue();
    m_formats.clear();
    rafraîchir();
}

// Vide la vue et oublie ce qu'elle montrait, sans rien reporter dans le modèle.
void VueDocumentRiche::viderVue() {
    m_miseÀJour = true;
    document()->setUndoRedoEnabled(false);
    document()->clear();
    document()->setUndoRedoEnabled(true);
    m_miseÀJour = false;
    m_texteMontré.clear();
    m_formatsMontrés = {};
}

// --- Positions ------------------------------------------------------------------------------

qsizetype VueDocumentRiche::positionVueVersModèle(qsizetype position) const {
    const QTextDocument* d = document();
    const qsizetype v = std::clamp<qsizetype>(position, 0, d->characterCount() - 1);
    // Chaque saut de paragraphe avant v compte un caractère de plus dans le modèle.
    return v + d->findBlock(int(v)).blockNumber();
}

qsizetype VueDocumentRiche::positionModèleVersVue(qsizetype position) const {
    const QTextDocument* d = document();
    const int blocs = d->blockCount();
    const qsizetype longueurModèle = (d->characterCount() - 1) + (blocs - 1);
    const qsizetype p = std::clamp<qsizetype>(position, 0, longueurModèle);
    // Dernière ligne k dont le début dans le modèle (début dans la vue + k) est avant p.
    int bas = 0, haut = blocs - 1;
    while (bas < haut) {
        const int milieu = (bas + haut + 1) / 2;
        if (d->findBlockByNumber(milieu).position() + milieu <= p)
            bas = milieu;
        else
            haut = milieu - 1;
    }
    const QTextBlock b = d->findBlockByNumber(bas);
    return std::min<qsizetype>(p - bas, b.position() + b.length() - 1);
}

// --- Du modèle vers la vue ------------------------------------------------------------------

std::uint16_t VueDocumentRiche::SuitesDeFormats::en(qsizetype position) const {
    const auto it = std::upper_bound(débuts.begin(), débuts.end(), position);
    return it == débuts.begin() ? 0 : index[std::size_t(it - débuts.begin() - 1)];
}

qsizetype VueDocumentRiche::SuitesDeFormats::suivante(qsizetype position) const {
    const auto it = std::upper_bound(débuts.begin(), débuts.end(), position);
    return it == débuts.end() ? std::numeric_limits<qsizetype>::max() : *it;
}

// Suites de formats du contenu, chacune avec son index dans une table de formats partagée ; ce
// que les segments ne couvrent pas a l'index 0.
VueDocumentRiche::SuitesDeFormats VueDocumentRiche::suitesDe(const ContenuRiche& c,
                                                             std::vector<FormatCaractere>& table) {
    SuitesDeFormats r;
    qsizetype couvert = 0;
    auto ajouter = [&r](qsizetype début, std::uint16_t k) {
        if (!r.débuts.empty() && r.débuts.back() == début) {
            r.index.back() = k;
            return;
        }
        if (!r.index.empty() && r.index.back() == k) return;
        r.débuts.push_back(début);
        r.index.push_back(k);
    };
    for (const SegmentRiche& s : c.segments) {
        const qsizetype d = std::clamp<qsizetype>(s.début, couvert, c.texte.size());
        const qsizetype f = std::clamp<qsizetype>(s.début + s.longueur, d, c.texte.size());
        if (d == f) continue;
        std::size_t k = 0;
        while (k < table.size() && !(table[k] == s.format))
            ++k;
        if (k == table.size()) table.push_back(s.format);
        if (d > couvert) ajouter(couvert, 0);
        ajouter(d, std::uint16_t(k));
        couvert = f;
    }
    if (couvert < c.texte.size()) ajouter(couvert, 0);
    return r;
}

void VueDocumentRiche::rafraîchir() {
    if (!m_document) {
        if (!m_texteMontré.isEmpty() || !document()->isEmpty()) viderVue();
        return;
    }
    // Une table qui n'a fait que grandir repart de zéro (la vue est alors réécrite en entier).
    if (m_formats.size() > 4096) {
        m_formats.clear();
        viderVue();
    }
    // Un modèle vidé vide la vue en entier : le document Qt rend alors toute sa mémoire.
    if (m_document->longueur() == 0) {
        if (!m_texteMontré.isEmpty() || !document()->isEmpty()) viderVue();
        appliquerSélection();
        return;
    }
    const ContenuRiche c = m_document->contenu();
    SuitesDeFormats formats = suitesDe(c, m_formats);

    // Seule la plage qui diffère (texte ou format) entre ce qui est montré et le modèle est réécrite.
    const QString& ancien = m_texteMontré;
    const QString& nouveau = c.texte;
    const qsizetype n0 = ancien.size(), n1 = nouveau.size(), n = std::min(n0, n1);
    qsizetype début = 0;
    while (début < n && ancien[début] == nouveau[début] && m_formatsMontrés.en(début) == formats.en(début))
        ++début;
    qsizetype fin = 0;
    while (fin < n - début && ancien[n0 - 1 - fin] == nouveau[n1 - 1 - fin] &&
           m_formatsMontrés.en(n0 - 1 - fin) == formats.en(n1 - 1 - fin))
        ++fin;
    // Un CR LF n'est jamais coupé entre la partie gardée et la partie réécrite.
    if (début > 0 && ancien[début - 1] == u'\r') --début;
    if (fin > 0 && ancien[n0 - fin] == u'\n') --fin;

    if (début < n0 - fin || début < n1 - fin) {
        QScrollBar* vertical = verticalScrollBar();
        QScrollBar* horizontal = horizontalScrollBar();
        const int v = vertical->value(), h = horizontal->value();
        remplacerPlage(début, n0 - fin, c, formats, n1 - fin);
        m_texteMontré = nouveau;
        m_formatsMontrés = std::move(formats);
        appliquerSélection();
        vertical->setValue(v);
        horizontal->setValue(h);
    } else {
        appliquerSélection();
    }
}

void VueDocumentRiche::remplacerPlage(qsizetype début, qsizetype finAncienne, const ContenuRiche& nouveau,
                                      const SuitesDeFormats& formats, qsizetype finNouvelle) {
    m_miseÀJour = true;
    // Les écritures du programme ne s'annulent pas depuis la vue.
    document()->setUndoRedoEnabled(false);
    QTextCursor curseur(document());
    curseur.beginEditBlock();
    curseur.setPosition(int(positionModèleVersVue(début)));
    curseur.setPosition(int(positionModèleVersVue(finAncienne)), QTextCursor::KeepAnchor);
    curseur.removeSelectedText();

    // Insertion par suites de même format, par morceaux de taille bornée (un gros texte n'est pas
    // recopié d'un bloc) jamais coupés dans un CR LF ; un CR LF devient un saut de paragraphe.
    constexpr qsizetype MorceauMax = 64 * 1024;
    qsizetype i = début;
    while (i < finNouvelle) {
        qsizetype j = std::min({finNouvelle, i + MorceauMax, formats.suivante(i)});
        if (j < finNouvelle && nouveau.texte[j - 1] == u'\r' && j - i > 1) --j;
        QString morceau = nouveau.texte.mid(i, j - i);
        morceau.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        curseur.insertText(morceau, versQt(m_formats[formats.en(i)]));
        i = j;
    }
    curseur.endEditBlock();
    document()->setUndoRedoEnabled(true);
    m_miseÀJour = false;
}

void VueDocumentRiche::appliquerSélection() {
    if (!m_document) return;
    const qsizetype d = m_document->débutSélection();
    QTextCursor c(document());
    c.setPosition(int(positionModèleVersVue(d)));
    c.setPosition(int(positionModèleVersVue(d + m_document->longueurSélection())), QTextCursor::KeepAnchor);
    m_miseÀJour = true;
    setTextCursor(c);
    m_miseÀJour = false;
}

void VueDocumentRiche::montrerSélection() {
    appliquerSélection();
    ensureCursorVisible();
}

// --- De la vue vers le modèle ---------------------------------------------------------------

void VueDocumentRiche::reporterSélection() {
    if (!m_document) return;
    const QTextCursor c = textCursor();
    const qsizetype d = positionVueVersModèle(c.selectionStart());
    const qsizetype f = positionVueVersModèle(c.selectionEnd());
    m_document->sélectionner(d, f - d);
}

void VueDocumentRiche::reporterDansLeModèle() {
    if (!m_document) return;
    // Le modèle est reconstruit depuis la vue : à ces tailles, c'est immédiat.
    ContenuRiche c;
    bool transformé = false;
    auto ajouter = [&c](const QString& texte, const FormatCaractere& f) {
        if (texte.isEmpty()) return;
        if (!c.segments.empty() && c.segments.back().format == f &&
            c.segments.back().début + c.segments.back().longueur == c.texte.size())
            c.segments.back().longueur += texte.size();
        else
            c.segments.push_back({c.texte.size(), texte.size(), f});
        c.texte += texte;
    };
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
        FormatCaractere dernier = depuisQt(b.charFormat());
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment fr = it.fragment();
            if (!fr.isValid()) continue;
            QString t = fr.text();
            // Un saut de ligne dans le paragraphe devient un vrai saut ; un objet incrusté disparaît.
            if (t.contains(QChar::LineSeparator) || t.contains(QChar::ObjectReplacementCharacter)) {
                transformé = true;
                t.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
                t.remove(QChar::ObjectReplacementCharacter);
            }
            dernier = depuisQt(fr.charFormat());
            ajouter(t, dernier);
        }
        if (b.next().isValid()) ajouter(QStringLiteral("\r\n"), dernier);
    }
    const qsizetype débutSél = positionVueVersModèle(textCursor().selectionStart());
    const qsizetype finSél = positionVueVersModèle(textCursor().selectionEnd());
    m_document->définirContenu(c);
    if (transformé) {
        // La vue ne correspond plus caractère pour caractère : elle est réécrite depuis le modèle.
        m_document->sélectionner(débutSél, finSél - débutSél);
        m_texteMontré.clear();
        m_formatsMontrés = {};
        m_miseÀJour = true;
        document()->clear();
        m_miseÀJour = false;
        rafraîchir();
    } else {
        const ContenuRiche montré = m_document->contenu();
        m_texteMontré = montré.texte;
        m_formatsMontrés = suitesDe(montré, m_formats);
        reporterSélection();
    }
    emit modifieeParUtilisateur();
}

// --- Évènements -----------------------------------------------------------------------------

void VueDocumentRiche::enterEvent(QEnterEvent* e) {
    if (m_focusAuSurvol) setFocus(Qt::MouseFocusReason);
    QTextEdit::enterEvent(e);
}
