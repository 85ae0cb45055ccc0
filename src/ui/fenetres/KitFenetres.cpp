#include "ui/fenetres/KitFenetres.h"

#include "noyau/ErreurNonRepertoriee.h"
#include "ui/fenetres/BTL.h"
#include "ui/fenetres/Twips.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <algorithm>
#include <exception>

namespace Kit {

void associer(QLabel* légende, QWidget* contrôle) {
    légende->setBuddy(contrôle);
    // Le lecteur d'écran dit le texte, sans la marque du raccourci (« && » reste « & »).
    QString nom = légende->text();
    nom.replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove(u'&').replace(u'\x01', u'&');
    contrôle->setAccessibleName(nom);
}

QLabel* légende(const QString& nom, const QString& texte, QWidget* parent, QWidget* contrôle) {
    auto* l = new QLabel(texte, parent);
    l->setObjectName(nom);
    if (contrôle) associer(l, contrôle);
    return l;
}

BTL* bouton(const QString& nom, const QString& texte, QWidget* parent, const QString& bulle,
            const QString& nomAccessible) {
    auto* b = new BTL(texte, parent);
    b->setObjectName(nom);
    if (!bulle.isEmpty()) b->setToolTip(bulle);
    if (!nomAccessible.isEmpty()) b->setAccessibleName(nomAccessible);
    return b;
}

QCheckBox* caseÀCocher(const QString& nom, const QString& texte, QWidget* parent) {
    auto* c = new QCheckBox(texte, parent);
    c->setObjectName(nom);
    return c;
}

QListWidget* listeÀCocher(const QString& nom, QLabel* titre, QWidget* parent) {
    auto* l = new QListWidget(parent);
    l->setObjectName(nom);
    l->setSelectionMode(QAbstractItemView::SingleSelection);
    l->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    associer(titre, l);
    return l;
}

void ajouterLigneÀCocher(QListWidget* liste, const QString& texte, const QString& bulle) {
    auto* ligne = new QListWidgetItem(texte, liste);
    ligne->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    ligne->setCheckState(Qt::Unchecked);
    ligne->setToolTip(bulle);
}

void débrancherEnfants(QObject* fenêtre) {
    for (QObject* enfant : fenêtre->findChildren<QObject*>())
        QObject::disconnect(enfant, nullptr, fenêtre, nullptr);
}

void centrerHorizontalement(QWidget* fenêtre) {
    const QScreen* écran = fenêtre->screen();
    if (!écran) return;
    const QRect g = écran->geometry();
    // Division entière, comme le calcul en twips d'origine.
    fenêtre->move(g.x() + (g.width() - fenêtre->frameGeometry().width()) / 2, fenêtre->y());
}

void centrer(QWidget* fenêtre) {
    const QScreen* écran = fenêtre->screen();
    if (!écran) return;
    const QRect g = écran->availableGeometry();
    fenêtre->move(g.x() + (g.width() - fenêtre->frameGeometry().width()) / 2,
                  g.y() + (g.height() - fenêtre->frameGeometry().height()) / 2);
}

// --- Bascule de largeur ------------------------------------------------------------------------

BasculeLargeur::BasculeLargeur(QWidget* fenêtre, QAbstractButton* bouton, int étroiteTwips, int largeTwips,
                               std::function<void()> placer)
    : m_fenêtre(fenêtre), m_bouton(bouton), m_étroite(étroiteTwips), m_large(largeTwips),
      m_placer(std::move(placer)) {}

bool BasculeLargeur::estÉlargie() const {
    return m_fenêtre->width() != Twips::versPixels(m_étroite, m_fenêtre);
}

void BasculeLargeur::fixerLargeur(int pixels) {
    m_fenêtre->setFixedSize(pixels, m_fenêtre->height());
    if (m_placer) m_placer();
}

void BasculeLargeur::replier() {
    fixerLargeur(Twips::versPixels(m_étroite, m_fenêtre));
    m_bouton->setText(QStringLiteral(">>>>"));
}

void BasculeLargeur::élargir() {
    int large = m_large;
    if (const QScreen* écran = m_fenêtre->screen())
        large = std::min(large, Twips::depuisPixels(écran->geometry().width(), m_fenêtre));
    fixerLargeur(Twips::versPixels(large, m_fenêtre));
    m_bouton->setText(QStringLiteral("<<<<"));
}

void BasculeLargeur::basculer() {
    if (estÉlargie())
        replier();
    else
        élargir();
    centrerHorizontalement(m_fenêtre);
}

// --- Protection des gestionnaires --------------------------------------------------------------

Protection::Protection(QString inconnue, std::function<void()> après)
    : m_inconnue(std::move(inconnue)), m_après(std::move(après)) {}

void Protection::operator()(const std::function<void()>& gestionnaire) const {
    try {
        gestionnaire();
    } catch (const std::exception& e) {
        AfficherErreurNonRépertoriée(QString::fromUtf8(e.what()));
    } catch (...) {
        AfficherErreurNonRépertoriée(m_inconnue);
    }
    if (!m_après) return;
    try {
        m_après();
    } catch (...) {
        // La remise à jour des contrôles ne doit jamais interrompre la fenêtre.
    }
}

} // namespace Kit
