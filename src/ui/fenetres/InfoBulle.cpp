#include "ui/fenetres/InfoBulle.h"

#include "ui/fenetres/Twips.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStyle>
#include <algorithm>

namespace {

constexpr int Marge = 10;
constexpr int HauteurPointe = 14;
constexpr int BasePointe = 18;
constexpr int Ombre = 3;
constexpr int TailleIcône = 20;
constexpr int TailleCroix = 12;
constexpr qreal Rayon = 9;

QRect rectTexte(const QFont& police, int largeur, const QString& texte) {
    if (texte.isEmpty() || largeur <= 0) return QRect(0, 0, std::max(largeur, 0), 0);
    return QFontMetrics(police).boundingRect(QRect(0, 0, largeur, 100000), Qt::TextWordWrap, texte);
}

QFont policeTitre(const QFont& base) {
    QFont f = base;
    f.setBold(true);
    return f;
}

} // namespace

InfoBulle::InfoBulle(QWidget* parent) : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    m_minuterie.setSingleShot(true);
    connect(&m_minuterie, &QTimer::timeout, this, [this] {
        masquer();
        emit tempsEcoule();
    });
}

void InfoBulle::définirTitre(const QString& titre) {
    m_titre = titre;
    if (isVisible()) placer();
}

void InfoBulle::définirTexte(const QString& texte) {
    m_texte = texte;
    if (isVisible()) placer();
}

void InfoBulle::définirIcône(Icône icône) {
    m_icône = icône;
    if (isVisible()) placer();
}

void InfoBulle::définirMarcheArret(bool marche) {
    m_marche = marche;
    if (!marche) masquer();
}

void InfoBulle::définirLargeur(int pixels) {
    m_largeur = std::max(pixels, 4 * Marge + TailleIcône + TailleCroix);
    if (isVisible()) placer();
}

void InfoBulle::définirLargeurTwips(int twips) {
    // Selon la résolution logique de l'écran qui porte la bulle.
    définirLargeur(Twips::versPixels(twips, this));
}

void InfoBulle::définirPosBulle(QWidget* cible) {
    m_cible = cible;
    if (isVisible()) placer();
}

void InfoBulle::définirPosBulle(const QPoint& pointGlobal) {
    m_cible = nullptr;
    m_point = pointGlobal;
    if (isVisible()) placer();
}

bool InfoBulle::afficher() {
    if (!m_marche) return false;
    placer();
    show();
    raise();
    if (m_durée > 0)
        m_minuterie.start(m_durée);
    else
        m_minuterie.stop();
    return true;
}

bool InfoBulle::afficher(QWidget* cible, const QString& texte) {
    m_texte = texte;
    m_cible = cible;
    return afficher();
}

void InfoBulle::masquer() {
    m_minuterie.stop();
    m_survolCroix = false;
    hide();
}

// --- Mise en page ---------------------------------------------------------------------------

QRect InfoBulle::zoneCorps() const {
    const int haut = m_pointeEnBas ? 0 : HauteurPointe;
    return QRect(0, haut, m_largeur, height() - Ombre - HauteurPointe);
}

QRect InfoBulle::zoneCroix() const {
    const QRect corps = zoneCorps();
    return QRect(corps.right() - Marge - TailleCroix + 3, corps.top() + Marge - 3, TailleCroix, TailleCroix);
}

namespace {
// Emplacements du contenu dans le corps (origine au coin du corps).
struct Gabarit {
    QRect icône, titre, texte;
    int hauteurCorps = 0;
};

Gabarit gabarit(const QFont& police, int largeur, bool icône, const QString& titre, const QString& texte) {
    Gabarit g;
    int x = Marge;
    if (icône) {
        g.icône = QRect(Marge, Marge, TailleIcône, TailleIcône);
        x += TailleIcône + 6;
    }
    const int finTête = largeur - Marge - TailleCroix - 6;
    int basTête = Marge + (icône ? TailleIcône : 0);
    int hautTexte = Marge;
    int gaucheTexte = x;
    int largeurTexte = finTête - x;
    if (!titre.isEmpty()) {
        const QRect r = rectTexte(policeTitre(police), finTête - x, titre);
        const int hIcône = icône ? TailleIcône : 0;
        // Titre centré verticalement sur l'icône quand il tient sur une ligne.
        const int y = Marge + std::max(0, (hIcône - r.height()) / 2);
        g.titre = QRect(x, y, finTête - x, r.height());
        basTête = std::max(basTête, y + r.height());
        hautTexte = basTête + 5;
        gaucheTexte = Marge;
        largeurTexte = largeur - 2 * Marge;
    }
    const QRect rt = rectTexte(police, largeurTexte, texte);
    g.texte = QRect(gaucheTexte, hautTexte, largeurTexte, rt.height());
    g.hauteurCorps = std::max({basTête, hautTexte + rt.height(), Marge + TailleCroix}) + Marge;
    return g;
}
} // namespace

void InfoBulle::mettreEnPage() {
    const Gabarit g = gabarit(font(), m_largeur, m_icône != Icône::Aucune, m_titre, m_texte);
    setFixedSize(m_largeur + Ombre, g.hauteurCorps + HauteurPointe + Ombre);
}

void InfoBulle::placer() {
    mettreEnPage();
    const int hauteurCorps = height() - Ombre - HauteurPointe;

    // Point visé : le milieu du bas de la cible (ou de son haut si la bulle passe au-dessus).
    QPoint sousCible = m_point, surCible = m_point;
    if (m_cible) {
        const QRect r(m_cible->mapToGlobal(QPoint(0, 0)), m_cible->size());
        sousCible = QPoint(r.center().x(), r.bottom() - 2);
        surCible = QPoint(r.center().x(), r.top() + 2);
    }
    QScreen* écran = QGuiApplication::screenAt(sousCible);
    if (!écran && m_cible) écran = m_cible->screen();
    if (!écran) écran = QGuiApplication::primaryScreen();
    const QRect dispo = écran ? écran->availableGeometry() : QRect(0, 0, 1 << 20, 1 << 20);

    m_pointeEnBas = sousCible.y() + HauteurPointe + hauteurCorps > dispo.bottom() &&
                    surCible.y() - HauteurPointe - hauteurCorps >= dispo.top();
    const QPoint visé = m_pointeEnBas ? surCible : sousCible;

    int gauche = visé.x() - 24;
    gauche = std::clamp(gauche, dispo.left(), std::max(dispo.left(), dispo.right() - m_largeur));
    const int minPointe = int(Rayon) + BasePointe / 2 + 2;
    m_decalagePointe = std::clamp(visé.x() - gauche, minPointe, std::max(minPointe, m_largeur - minPointe));
    // La dernière rangée de la pointe (au-dessus de l'ombre) est celle du point visé.
    const int haut = m_pointeEnBas ? visé.y() - (height() - Ombre) + 1 : visé.y();
    move(gauche, haut);
    update();
}

// --- Dessin et souris -----------------------------------------------------------------------

void InfoBulle::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);

    const QRectF corps = QRectF(zoneCorps()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath forme;
    forme.addRoundedRect(corps, Rayon, Rayon);
    QPainterPath pointe;
    const qreal px = m_decalagePointe;
    if (m_pointeEnBas) {
        pointe.moveTo(px - BasePointe / 2.0, corps.bottom() - 1);
        pointe.lineTo(px - BasePointe / 2.0 + 3, corps.bottom() + HauteurPointe - 0.5);
        pointe.lineTo(px + BasePointe / 2.0, corps.bottom() - 1);
    } else {
        pointe.moveTo(px - BasePointe / 2.0, corps.top() + 1);
        pointe.lineTo(px - BasePointe / 2.0 + 3, corps.top() - HauteurPointe + 0.5);
        pointe.lineTo(px + BasePointe / 2.0, corps.top() + 1);
    }
    pointe.closeSubpath();
    forme = forme.united(pointe).simplified();

    // Ombre portée légère.
    p.fillPath(forme.translated(Ombre, Ombre), QColor(0, 0, 0, 45));

    QLinearGradient fond(corps.topLeft(), corps.bottomLeft());
    fond.setColorAt(0.0, QColor(0xFF, 0xFF, 0xF4));
    fond.setColorAt(1.0, QColor(0xFF, 0xF4, 0xC8));
    p.fillPath(forme, fond);
    p.setPen(QPen(QColor(0x8C, 0x7A, 0x3C), 1.0));
    p.drawPath(forme);

    const QPoint origine = zoneCorps().topLeft();
    const Gabarit g = gabarit(font(), m_largeur, m_icône != Icône::Aucune, m_titre, m_texte);
    if (m_icône != Icône::Aucune) {
        QStyle::StandardPixmap sp = QStyle::SP_MessageBoxInformation;
        if (m_icône == Icône::Avertissement) sp = QStyle::SP_MessageBoxWarning;
        if (m_icône == Icône::Erreur) sp = QStyle::SP_MessageBoxCritical;
        const QIcon icône = style()->standardIcon(sp, nullptr, this);
        icône.paint(&p, g.icône.translated(origine));
    }
    p.setPen(QColor(0x20, 0x20, 0x20));
    if (!m_titre.isEmpty()) {
        p.setFont(policeTitre(font()));
        p.drawText(g.titre.translated(origine), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignVCenter, m_titre);
        p.setFont(font());
    }
    if (!m_texte.isEmpty()) {
        p.setPen(QColor(0x30, 0x30, 0x30));
        p.drawText(g.texte.translated(origine), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, m_texte);
    }

    // Croix de fermeture, rougie au survol.
    const QRectF croix = QRectF(zoneCroix()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (m_survolCroix) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xC8, 0x3C, 0x32));
        p.drawRoundedRect(croix.adjusted(-2, -2, 2, 2), 3, 3);
    }
    p.setPen(
        QPen(m_survolCroix ? QColor(Qt::white) : QColor(0x6E, 0x64, 0x46), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(croix.topLeft() + QPointF(2, 2), croix.bottomRight() - QPointF(2, 2));
    p.drawLine(croix.topRight() + QPointF(-2, 2), croix.bottomLeft() + QPointF(2, -2));
}

void InfoBulle::mousePressEvent(QMouseEvent* e) {
    e->accept();
    masquer();
    emit cliquee();
}

void InfoBulle::mouseMoveEvent(QMouseEvent* e) {
    const bool sur = zoneCroix().adjusted(-3, -3, 3, 3).contains(e->position().toPoint());
    if (sur != m_survolCroix) {
        m_survolCroix = sur;
        update();
    }
}

void InfoBulle::leaveEvent(QEvent*) {
    if (m_survolCroix) {
        m_survolCroix = false;
        update();
    }
}
