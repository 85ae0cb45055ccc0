#include "ui/fenetres/BTL.h"

#include "common/Nombres.h"
#include "noyau/EtatGlobal.h"
#include "noyau/Installation.h"
#include "noyau/Parametres.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLinearGradient>
#include <QMediaDevices>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QSoundEffect>
#include <QStyle>
#include <QStyleOptionButton>
#include <QUrl>
#include <algorithm>

namespace {

// Lecteur par défaut : un QSoundEffect par fichier, gardé pour les clics suivants. Sans sortie
// audio il ne fait rien ; il ne bloque jamais (le chargement et la lecture sont asynchrones).
class LecteurQt final : public LecteurSons {
public:
    void jouer(const QString& chemin) override {
        if (!QCoreApplication::instance()) return;
        if (!m_sortieVérifiée) {
            m_sortie = !QMediaDevices::audioOutputs().isEmpty();
            m_sortieVérifiée = true;
        }
        if (!m_sortie) return;
        QPointer<QSoundEffect>& effet = m_effets[chemin];
        if (!effet) {
            // Parent : l'application, car le bouton peut disparaître avant la fin du son.
            effet = new QSoundEffect(QCoreApplication::instance());
            effet->setSource(QUrl::fromLocalFile(chemin));
        }
        effet->stop();
        effet->play();
    }

private:
    QHash<QString, QPointer<QSoundEffect>> m_effets;
    bool m_sortieVérifiée = false;
    bool m_sortie = false;
};

LecteurSons* lecteurInstallé = nullptr;

// Couleur par défaut des boutons : un bleu-gris doux, lisible avec du texte noir.
const QColor FondParDéfaut(0xD8, 0xE2, 0xEE);

} // namespace

BTL::BTL(QWidget* parent) : QPushButton(parent) {
    initialiser();
}

BTL::BTL(const QString& texte, QWidget* parent) : QPushButton(texte, parent) {
    initialiser();
}

void BTL::initialiser() {
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    // Le son part avant les gestionnaires de la fenêtre, connectés après.
    connect(this, &QAbstractButton::clicked, this, [this] { jouer(m_sonClic); });
}

void BTL::définirCouleurFond(const QColor& couleur) {
    m_fond = couleur;
    update();
}

void BTL::définirCouleurTexte(const QColor& couleur) {
    m_texte = couleur;
    update();
}

QSize BTL::sizeHint() const {
    ensurePolished();
    const QFontMetrics fm = fontMetrics();
    const QString t = text();
    int largeur = t.isEmpty() ? 0 : fm.horizontalAdvance(QString(t).remove(u'&'));
    int hauteur = fm.height();
    if (!icon().isNull()) {
        largeur += iconSize().width() + (t.isEmpty() ? 0 : 6);
        hauteur = std::max(hauteur, iconSize().height());
    }
    return QSize(std::max(largeur + 24, 75), std::max(hauteur + 12, 25));
}

QSize BTL::minimumSizeHint() const {
    const QSize s = sizeHint();
    return QSize(std::min(s.width(), 40), s.height());
}

void BTL::enterEvent(QEnterEvent* e) {
    m_survol = true;
    if (isEnabled()) jouer(m_sonSurvol);
    update();
    QPushButton::enterEvent(e);
}

void BTL::leaveEvent(QEvent* e) {
    m_survol = false;
    update();
    QPushButton::leaveEvent(e);
}

void BTL::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);

    const bool actif = isEnabled();
    const bool enfoncé = isDown() || isChecked();
    const bool survolé = actif && (m_survol || underMouse());

    QColor fond = m_fond.isValid() ? m_fond : FondParDéfaut;
    if (!actif) {
        const int gris = qGray(fond.rgb());
        fond = QColor(gris, gris, gris).lighter(108);
    } else if (enfoncé) {
        fond = fond.darker(112);
    } else if (survolé) {
        fond = fond.lighter(106);
    }

    const QRectF cadre = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal rayon = std::min<qreal>(6.0, cadre.height() / 4.0);
    QPainterPath forme;
    forme.addRoundedRect(cadre, rayon, rayon);

    // Dégradé vertical : clair en haut, plus soutenu en bas ; inversé quand le bouton est enfoncé.
    QLinearGradient dégradé(cadre.topLeft(), cadre.bottomLeft());
    const QColor haut = fond.lighter(enfoncé ? 100 : 122);
    const QColor bas = fond.darker(enfoncé ? 100 : 112);
    dégradé.setColorAt(0.0, enfoncé ? bas : haut);
    dégradé.setColorAt(0.48, fond.lighter(enfoncé ? 100 : 106));
    dégradé.setColorAt(0.52, fond);
    dégradé.setColorAt(1.0, enfoncé ? haut : bas);
    p.fillPath(forme, dégradé);

    // Reflet sur la moitié haute, sauf enfoncé.
    if (!enfoncé && actif) {
        QPainterPath reflet;
        const QRectF haute = cadre.adjusted(1.5, 1.5, -1.5, -cadre.height() / 2.0);
        reflet.addRoundedRect(haute, rayon - 1, rayon - 1);
        QLinearGradient brillance(haute.topLeft(), haute.bottomLeft());
        brillance.setColorAt(0.0, QColor(255, 255, 255, 110));
        brillance.setColorAt(1.0, QColor(255, 255, 255, 20));
        p.fillPath(reflet, brillance);
    }

    // Bordure : plus marquée pour le bouton par défaut et au survol.
    const QColor accent = palette().color(QPalette::Highlight);
    QColor bordure = actif ? fond.darker(175) : fond.darker(140);
    qreal épaisseur = 1.0;
    if (actif && (isDefault() || survolé)) {
        bordure = accent.darker(120);
        épaisseur = isDefault() ? 1.6 : 1.2;
    }
    p.setPen(QPen(bordure, épaisseur));
    p.drawPath(forme);

    // Focus clavier : un liseré intérieur.
    if (hasFocus()) {
        QColor liseré = accent;
        liseré.setAlpha(170);
        p.setPen(QPen(liseré, 1.0, Qt::DotLine));
        p.drawRoundedRect(cadre.adjusted(2.5, 2.5, -2.5, -2.5), std::max<qreal>(rayon - 2, 1),
                          std::max<qreal>(rayon - 2, 1));
    }

    dessinerContenu(p, actif, enfoncé);
}

// Icône puis texte, centrés ensemble ; décalés d'un pixel quand le bouton est enfoncé.
void BTL::dessinerContenu(QPainter& p, bool actif, bool enfoncé) {
    const QString t = text();
    const QFontMetrics fm = fontMetrics();
    const int largeurTexte = t.isEmpty() ? 0 : fm.horizontalAdvance(QString(t).remove(u'&'));
    const bool avecIcône = !icon().isNull();
    const QSize tailleIcône = avecIcône ? iconSize() : QSize();
    const int écart = avecIcône && !t.isEmpty() ? 6 : 0;
    const int total = tailleIcône.width() + écart + largeurTexte;
    const int décalage = enfoncé ? 1 : 0;
    int x = (width() - total) / 2 + décalage;
    const int y = height() / 2 + décalage;
    if (avecIcône) {
        const QPixmap image =
            icon().pixmap(tailleIcône, devicePixelRatio(), actif ? QIcon::Normal : QIcon::Disabled);
        p.drawPixmap(QPoint(x, y - tailleIcône.height() / 2), image);
        x += tailleIcône.width() + écart;
    }
    if (!t.isEmpty()) {
        QColor encre = m_texte.isValid() ? m_texte : palette().color(QPalette::ButtonText);
        if (!actif) encre = palette().color(QPalette::Disabled, QPalette::ButtonText);
        p.setPen(encre);
        const QRect zone(x, 0, std::min(largeurTexte + 2, width() - x), height() + 2 * décalage);
        style()->drawItemText(&p, zone, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextShowMnemonic, palette(),
                              actif, t);
    }
}

QString BTL::cheminSon(const QString& nom) {
    if (nom.isEmpty()) return {};
    const QFileInfo direct(nom);
    if (direct.isAbsolute()) return direct.isFile() ? direct.absoluteFilePath() : QString();

    const EtatGlobal& e = etatGlobal();
    if (!e.RépertoireSkin.isEmpty()) {
        const QFileInfo f(QDir(e.RépertoireSkin), nom);
        if (f.isFile()) return f.absoluteFilePath();
    }
    // Apparence absente ou incomplète : la première apparence installée qui a ce son.
    QString installation = e.DossierInstallation;
    if (installation.isEmpty() && QCoreApplication::instance())
        installation = Installation::depuis(QCoreApplication::applicationDirPath()).données;
    if (installation.isEmpty()) return {};
    const QDir skins(QDir(installation).filePath(QStringLiteral("Skin")));
    for (const QString& d : skins.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QFileInfo f(QDir(skins.filePath(d)), nom);
        if (f.isFile()) return f.absoluteFilePath();
    }
    return {};
}

void BTL::installerLecteurSons(LecteurSons* lecteur) {
    lecteurInstallé = lecteur;
}

LecteurSons& BTL::lecteurSons() {
    static LecteurQt parDéfaut;
    return lecteurInstallé ? *lecteurInstallé : parDéfaut;
}

void BTL::jouer(const QString& nom) const {
    if (m_silence) return;
    const QString chemin = cheminSon(nom);
    if (!chemin.isEmpty()) lecteurSons().jouer(chemin);
}

void AppliquerSilence(QObject* fenêtre, const QString& texteSilence) {
    if (!fenêtre) return;
    // « 0 » (ou vide) : les sons restent ; toute autre valeur les coupe.
    const bool silence = Nombres::val(texteSilence) != 0;
    for (BTL* b : fenêtre->findChildren<BTL*>())
        b->définirSonSilence(silence);
}

void AppliquerSilence(QObject* fenêtre) {
    AppliquerSilence(fenêtre, Parametres::Lire(Parametres::Silence));
}
