#include "fuses/fenetres/FenFuseBit.h"

#include "noyau/ErreurNonRepertoriee.h"
#include "noyau/EtatGlobal.h"
#include "noyau/OuvrirDocument.h"
#include "noyau/Parametres.h"
#include "noyau/ValeursMakefile.h"
#include "ui/fenetres/BTL.h"
#include "ui/fenetres/Twips.h"
#include "ui/fenetres/VueDocumentRiche.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>
#include <exception>

namespace {

// Noms des octets, pour les bulles des lignes (du premier octet de la liste au dernier).
QString nomOctet(Avrdude::Octet o, bool seul) {
    switch (o) {
    case Avrdude::Octet::Etendu:
        return QStringLiteral("Fusible étendu");
    case Avrdude::Octet::Haut:
        return QStringLiteral("Fusible haut");
    case Avrdude::Octet::Bas:
        return seul ? QStringLiteral("Fusible") : QStringLiteral("Fusible bas");
    case Avrdude::Octet::Verrou:
        return QStringLiteral("Verrouillage");
    }
    return {};
}

QLabel* légende(const QString& nom, const QString& texte, QWidget* parent) {
    auto* l = new QLabel(texte, parent);
    l->setObjectName(nom);
    return l;
}

BTL* bouton(const QString& nom, const QString& texte, QWidget* parent) {
    auto* b = new BTL(texte, parent);
    b->setObjectName(nom);
    return b;
}

QListWidget* listeACocher(const QString& nom, QLabel* titre, QWidget* parent) {
    auto* l = new QListWidget(parent);
    l->setObjectName(nom);
    l->setAccessibleName(titre->text());
    l->setSelectionMode(QAbstractItemView::SingleSelection);
    l->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    titre->setBuddy(l);
    return l;
}

// Hauteur qui montre toutes les lignes (au moins huit).
int hauteurPour(QListWidget* l) {
    const int ligne = l->count() > 0 ? l->sizeHintForRow(0) : l->fontMetrics().height() + 4;
    return std::max(l->count(), 8) * ligne + 2 * l->frameWidth() + 2;
}

QColor couleur(const std::optional<CouleurRVB>& c) {
    return c ? QColor(c->rouge, c->vert, c->bleu) : QColor();
}

} // namespace

FenFuseBit::FenFuseBit(QWidget* parent, std::function<void()> ouvrirAide)
    : QDialog(parent), m_logique(*this), m_ouvrirAide(std::move(ouvrirAide)) {
    if (!m_ouvrirAide) m_ouvrirAide = [] { Ouverture::ouvrirAide(QStringLiteral("fusibles")); };
    setObjectName(QStringLiteral("FenFuseBit"));
    construire();
    m_logique.charger();
    // Les lignes remplies, la fenêtre prend la hauteur de son contenu.
    ListeFusibles->setFixedHeight(hauteurPour(ListeFusibles));
    ListeVerrouillage->setFixedHeight(hauteurPour(ListeVerrouillage));
    const int étroite = Twips::versPixels(LargeurEtroite, this);
    m_panneau->setFixedWidth(étroite);
    // Les légendes à la ligne demandent leur hauteur pour cette largeur-là.
    const int hauteur =
        m_panneau->hasHeightForWidth() ? m_panneau->heightForWidth(étroite) : m_panneau->sizeHint().height();
    m_panneau->setGeometry(0, 0, étroite, hauteur);
    setFixedSize(étroite, hauteur);
    placerConsole();
    brancher();
    // La lecture d'abord : c'est le premier geste attendu.
    CBLire->setFocus();
}

FenFuseBit::~FenFuseBit() {
    for (QObject* enfant : findChildren<QObject*>())
        QObject::disconnect(enfant, nullptr, this, nullptr);
    RTAffichageDos->définirDocument(nullptr);
}

void FenFuseBit::construire() {
    const QString mcu = valeursMakefile().MicroContrôleur;
    setWindowTitle(mcu.isEmpty() ? QStringLiteral("Fusibles") : QStringLiteral("Fusibles : ") + mcu);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto tw = [this](int twips) { return Twips::versPixels(twips, this); };

    m_panneau = new QWidget(this);
    QWidget* p = m_panneau;

    Label1 = légende(QStringLiteral("Label1"), QStringLiteral("Fusibles"), p);
    Label2 = légende(QStringLiteral("Label2"), QStringLiteral("Verrouillage"), p);
    ListeFusibles = listeACocher(QStringLiteral("ListeFusibles"), Label1, p);
    ListeVerrouillage = listeACocher(QStringLiteral("ListeVerrouillage"), Label2, p);
    Label5 = légende(QStringLiteral("Label5"), QStringLiteral("Attention :"), p);
    Label4 = légende(QStringLiteral("Label4"), QStringLiteral("Coché = 1 = Fusible non programmé."), p);
    Label3 = légende(QStringLiteral("Label3"), QStringLiteral("Décoché = 0 = Fusible programmé."), p);
    QFont gras = Label5->font();
    gras.setBold(true);
    Label5->setFont(gras);
    for (QLabel* l : {Label4, Label3})
        l->setWordWrap(true);

    CBLire = bouton(QStringLiteral("CBLire"), Fusibles::LireLesFusibles, p);
    CBFuser = bouton(QStringLiteral("CBFuser"), Fusibles::FuserLesBit, p);
    CBTaille = bouton(QStringLiteral("CBTaille"), QStringLiteral(">>>>"), p);
    CBTaille->setAccessibleName(QStringLiteral("Console d'avrdude"));
    CBTaille->setToolTip(QStringLiteral("Montrer ou cacher ce qu'avrdude a écrit"));
    CBAide = bouton(QStringLiteral("CBAide"), QStringLiteral("?"), p);
    CBAide->setAccessibleName(QStringLiteral("Aide"));
    CBAide->setToolTip(QStringLiteral("Aide sur les fusibles"));
    CBAnnuler = bouton(QStringLiteral("CBAnnuler"), QStringLiteral("Annuler"), p);
    // Le son des deux boutons qui font travailler avrdude.
    const QString son = etatGlobal().RépertoireSkin + QStringLiteral("Fusage.wav");
    CBLire->définirSonOnClick(son);
    CBFuser->définirSonOnClick(son);

    LabelEtape = légende(QStringLiteral("LabelEtape"), QString(), p);
    LabelEtape->setWordWrap(true);
    BarreOccupation = new QProgressBar(p);
    BarreOccupation->setObjectName(QStringLiteral("BarreOccupation"));
    BarreOccupation->setRange(0, 0);
    BarreOccupation->setTextVisible(false);
    BarreOccupation->setAccessibleName(QStringLiteral("avrdude travaille"));
    CBArreter = bouton(QStringLiteral("CBArreter"), QStringLiteral("Arrêter"), p);
    CBArreter->setToolTip(QStringLiteral("Arrêter avrdude"));
    // La place reste prise quand rien ne tourne : la fenêtre ne change pas de taille.
    for (QWidget* w : {static_cast<QWidget*>(BarreOccupation), static_cast<QWidget*>(CBArreter)}) {
        QSizePolicy sp = w->sizePolicy();
        sp.setRetainSizeWhenHidden(true);
        w->setSizePolicy(sp);
        w->hide();
    }

    // Colonne de gauche : les fusibles ; colonne de droite : le verrouillage, la convention, les boutons.
    auto* gauche = new QVBoxLayout;
    gauche->setSpacing(2);
    gauche->addWidget(Label1);
    gauche->addWidget(ListeFusibles);
    gauche->addStretch(1);

    auto* droite = new QVBoxLayout;
    droite->setSpacing(2);
    droite->addWidget(Label2);
    droite->addWidget(ListeVerrouillage);
    droite->addSpacing(tw(120));
    droite->addWidget(Label5);
    droite->addWidget(Label4);
    droite->addWidget(Label3);
    droite->addStretch(1);
    droite->addSpacing(tw(120));
    droite->addWidget(CBLire);
    droite->addSpacing(tw(45));
    droite->addWidget(CBFuser);
    droite->addSpacing(tw(120));
    auto* ligneTaille = new QHBoxLayout;
    ligneTaille->setSpacing(tw(60));
    ligneTaille->addWidget(CBTaille, 1);
    ligneTaille->addWidget(CBAide);
    droite->addLayout(ligneTaille);
    droite->addSpacing(tw(45));
    droite->addWidget(CBAnnuler);
    CBAide->setFixedWidth(tw(540));

    auto* colonnes = new QHBoxLayout;
    colonnes->setSpacing(tw(120));
    colonnes->addLayout(gauche, 11);
    colonnes->addLayout(droite, 10);

    auto* ligneOccupation = new QHBoxLayout;
    ligneOccupation->setSpacing(tw(60));
    ligneOccupation->addWidget(BarreOccupation, 1);
    ligneOccupation->addWidget(CBArreter);

    auto* tout = new QVBoxLayout(p);
    tout->setContentsMargins(tw(120), tw(120), tw(120), tw(120));
    tout->setSpacing(tw(60));
    tout->addLayout(colonnes, 1);
    tout->addWidget(LabelEtape);
    tout->addLayout(ligneOccupation);
    LabelEtape->setMinimumHeight(LabelEtape->fontMetrics().height() * 2);

    RTAffichageDos = new VueDocumentRiche(this);
    RTAffichageDos->setObjectName(QStringLiteral("RTAffichageDos"));
    RTAffichageDos->setAccessibleName(QStringLiteral("Console d'avrdude"));
    RTAffichageDos->setReadOnly(true);
    RTAffichageDos->setLineWrapMode(QTextEdit::NoWrap);
    RTAffichageDos->définirDocument(&m_logique.RTAffichageDos);
}

void FenFuseBit::brancher() {
    connect(CBLire, &QPushButton::clicked, this, [this] { protéger([this] { lire(); }); });
    connect(CBFuser, &QPushButton::clicked, this, [this] { protéger([this] { fuser(); }); });
    connect(CBTaille, &QPushButton::clicked, this, [this] { protéger([this] { basculerTaille(); }); });
    connect(CBAide, &QPushButton::clicked, this, [this] { protéger([this] { m_ouvrirAide(); }); });
    connect(CBAnnuler, &QPushButton::clicked, this, [this] { protéger([this] { reject(); }); });
    connect(CBArreter, &QPushButton::clicked, this, [this] { protéger([this] { arreter(); }); });
    connect(ListeFusibles, &QListWidget::itemChanged, this, [this](QListWidgetItem* i) {
        ligneCochée(ListeFusibles, m_logique.ListeFusibles, ListeFusibles->row(i));
    });
    connect(ListeVerrouillage, &QListWidget::itemChanged, this, [this](QListWidgetItem* i) {
        ligneCochée(ListeVerrouillage, m_logique.ListeVerrouillage, ListeVerrouillage->row(i));
    });
}

void FenFuseBit::protéger(const std::function<void()>& gestionnaire) {
    try {
        gestionnaire();
    } catch (const std::exception& e) {
        AfficherErreurNonRépertoriée(QString::fromUtf8(e.what()));
    } catch (...) {
        AfficherErreurNonRépertoriée(QStringLiteral("Erreur inconnue dans la fenêtre des fusibles."));
    }
    try {
        actualiser();
        fermerSiDemandé();
    } catch (...) {
    }
}

// --- Boutons -----------------------------------------------------------------------------------

void FenFuseBit::lire() {
    m_logique.lire();
}

void FenFuseBit::fuser() {
    m_logique.écrire();
}

void FenFuseBit::arreter() {
    m_logique.arrêter();
}

void FenFuseBit::reject() {
    // Pendant une exécution, la fenêtre ne peut pas disparaître sous avrdude : on l'arrête et la
    // fenêtre se ferme quand la lecture ou l'écriture a fini.
    if (m_logique.enCours()) {
        m_fermerAprès = true;
        m_logique.arrêter();
        return;
    }
    QDialog::reject();
}

void FenFuseBit::closeEvent(QCloseEvent* e) {
    if (m_logique.enCours()) {
        e->ignore();
        m_fermerAprès = true;
        m_logique.arrêter();
        return;
    }
    QDialog::closeEvent(e);
}

void FenFuseBit::fermerSiDemandé() {
    if (!m_fermerAprès || m_logique.enCours()) return;
    m_fermerAprès = false;
    QDialog::reject();
}

// --- Largeur -----------------------------------------------------------------------------------

bool FenFuseBit::estElargie() const {
    return width() != Twips::versPixels(LargeurEtroite, this);
}

void FenFuseBit::basculerTaille() {
    if (estElargie()) {
        setFixedSize(Twips::versPixels(LargeurEtroite, this), height());
        CBTaille->setText(QStringLiteral(">>>>"));
    } else {
        int large = LargeurLarge;
        if (const QScreen* écran = screen())
            large = std::min(large, Twips::depuisPixels(écran->geometry().width(), this));
        setFixedSize(Twips::versPixels(large, this), height());
        CBTaille->setText(QStringLiteral("<<<<"));
    }
    placerConsole();
    centrer();
}

void FenFuseBit::placerConsole() {
    const int gauche = Twips::versPixels(LargeurEtroite, this);
    const int marge = Twips::versPixels(MargeConsole, this);
    const int haut = Twips::versPixels(120, this);
    // Repliée, la console garde une largeur utile hors de la vue.
    const int largeur = std::max(width() - gauche - marge, Twips::versPixels(3000, this));
    RTAffichageDos->setGeometry(gauche, haut, largeur, height() - 2 * haut);
}

void FenFuseBit::centrer() {
    const QScreen* écran = screen();
    if (!écran) return;
    const QRect g = écran->geometry();
    move(g.x() + (g.width() - frameGeometry().width()) / 2, y());
}

// --- Ce que demande la logique -----------------------------------------------------------------

void FenFuseBit::élargirConsole() {
    // Élargie d'office, même si elle l'était déjà ; la console montre sa fin.
    if (!estElargie()) basculerTaille();
    RTAffichageDos->rafraîchir();
    RTAffichageDos->moveCursor(QTextCursor::End);
    RTAffichageDos->ensureCursorVisible();
}

void FenFuseBit::bip() {
    QApplication::beep();
}

void FenFuseBit::montrerÉtape(const QString& étape) {
    const bool occupé = !étape.isEmpty();
    LabelEtape->setText(étape);
    BarreOccupation->setVisible(occupé);
    CBArreter->setVisible(occupé);
    CBArreter->setEnabled(occupé);
    for (QWidget* w : {static_cast<QWidget*>(CBLire), static_cast<QWidget*>(CBFuser),
                       static_cast<QWidget*>(ListeFusibles), static_cast<QWidget*>(ListeVerrouillage)})
        w->setEnabled(!occupé);
}

void FenFuseBit::actualiser() {
    montrerListe(ListeFusibles, m_logique.ListeFusibles);
    montrerListe(ListeVerrouillage, m_logique.ListeVerrouillage);
    for (auto [b, état] : {std::pair{CBLire, &m_logique.CBLire}, std::pair{CBFuser, &m_logique.CBFuser}}) {
        if (b->text() != état->légende) b->setText(état->légende);
        const QColor fond = couleur(état->fond);
        if (b->couleurFond() != fond) b->définirCouleurFond(fond);
    }
    RTAffichageDos->rafraîchir();
    RTAffichageDos->moveCursor(QTextCursor::End);
}

void FenFuseBit::montrerListe(QListWidget* liste, const ListeCoches& lignes) {
    const QSignalBlocker bloqueur(liste);
    const bool fusibles = liste == ListeFusibles;
    if (liste->count() != static_cast<int>(lignes.size())) {
        liste->clear();
        const auto& octets = m_logique.octetsPrésents();
        for (int i = 0; i < static_cast<int>(lignes.size()); ++i) {
            auto* item = new QListWidgetItem(lignes[i].nom, liste);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
            const int bit = 7 - i % 8;
            const int indiceOctet = i / 8;
            const QString octet = fusibles ? (indiceOctet < static_cast<int>(octets.size())
                                                  ? nomOctet(octets[indiceOctet], octets.size() == 1)
                                                  : QString())
                                           : nomOctet(Avrdude::Octet::Verrou, true);
            item->setToolTip(QStringLiteral("%1, bit %2").arg(octet).arg(bit));
            // Un octet sur deux légèrement teinté : on voit où chacun commence.
            if (fusibles && indiceOctet % 2 == 1) item->setBackground(QColor(236, 240, 248));
        }
    }
    for (int i = 0; i < liste->count(); ++i) {
        const Qt::CheckState voulu = lignes[i].cochée ? Qt::Checked : Qt::Unchecked;
        if (liste->item(i)->checkState() != voulu) liste->item(i)->setCheckState(voulu);
    }
}

void FenFuseBit::ligneCochée(QListWidget* liste, ListeCoches& lignes, int ligne) {
    if (ligne < 0 || ligne >= static_cast<int>(lignes.size())) return;
    lignes[ligne].cochée = liste->item(ligne)->checkState() == Qt::Checked;
}

void FenFuseBit::changeEvent(QEvent* e) {
    if (e->type() == QEvent::ActivationChange && isActiveWindow()) AppliquerSilence(this);
    QDialog::changeEvent(e);
}
