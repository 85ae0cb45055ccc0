#include "fuses/fenetres/FenFuseBit.h"

#include "noyau/EtatGlobal.h"
#include "noyau/OuvrirDocument.h"
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
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Hauteur qui montre toutes les lignes (au moins huit).
int hauteurPour(QListWidget* l) {
    const int ligne = l->count() > 0 ? l->sizeHintForRow(0) : l->fontMetrics().height() + 4;
    return std::max(l->count(), 8) * ligne + 2 * l->frameWidth() + 2;
}

QColor couleur(const std::optional<CouleurRVB>& c) {
    return c ? QColor(c->rouge, c->vert, c->bleu) : QColor();
}

// Le nom d'un octet en tête de bulle : « Fusible haut ».
QString enTête(const QString& nom) {
    return nom.isEmpty() ? nom : nom.front().toUpper() + nom.mid(1);
}

} // namespace

FenFuseBit::FenFuseBit(QWidget* parent, std::function<void()> ouvrirAide)
    : QDialog(parent), m_logique(*this), m_ouvrirAide(std::move(ouvrirAide)) {
    if (!m_ouvrirAide) m_ouvrirAide = [] { Ouverture::ouvrirAide(QStringLiteral("fusibles")); };
    setObjectName(QStringLiteral("FenFuseBit"));
    construire();
    m_logique.charger();
    ajusterHauteur();
    placerConsole();
    brancher();
    // La lecture d'abord : c'est le premier geste attendu.
    CBLire->setFocus();
    // La question à avrdude attend que la fenêtre soit là : son message s'affiche devant elle.
    QTimer::singleShot(0, this, [this] { m_protéger([this] { m_logique.vérifierComposant(); }); });
}

FenFuseBit::~FenFuseBit() {
    Kit::débrancherEnfants(this);
    RTAffichageDos->définirDocument(nullptr);
}

// --- Construction ------------------------------------------------------------------------------

void FenFuseBit::construire() {
    const QString mcu = valeursMakefile().MicroContrôleur;
    setWindowTitle(mcu.isEmpty() ? QStringLiteral("Fusibles") : QStringLiteral("Fusibles : ") + mcu);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_panneau = new QWidget(this);
    construireListes();
    construireBoutons();
    construireOccupation();
    disposer();
    construireConsole();
    m_largeur.emplace(this, CBTaille, LargeurÉtroite, LargeurLarge, [this] { placerConsole(); });
}

void FenFuseBit::construireListes() {
    QWidget* p = m_panneau;
    Label1 = Kit::légende(QStringLiteral("Label1"), QStringLiteral("Fusibles"), p);
    Label2 = Kit::légende(QStringLiteral("Label2"), QStringLiteral("Verrouillage"), p);
    ListeFusibles = Kit::listeÀCocher(QStringLiteral("ListeFusibles"), Label1, p);
    ListeVerrouillage = Kit::listeÀCocher(QStringLiteral("ListeVerrouillage"), Label2, p);
    Label5 = Kit::légende(QStringLiteral("Label5"), QStringLiteral("Attention :"), p);
    Label4 = Kit::légende(QStringLiteral("Label4"), QStringLiteral("Coché = 1 = Fusible non programmé."), p);
    Label3 = Kit::légende(QStringLiteral("Label3"), QStringLiteral("Décoché = 0 = Fusible programmé."), p);
    QFont gras = Label5->font();
    gras.setBold(true);
    Label5->setFont(gras);
    for (QLabel* l : {Label4, Label3})
        l->setWordWrap(true);
}

void FenFuseBit::construireBoutons() {
    QWidget* p = m_panneau;
    CBLire = Kit::bouton(QStringLiteral("CBLire"), Fusibles::LireLesFusibles, p);
    CBFuser = Kit::bouton(QStringLiteral("CBFuser"), Fusibles::FuserLesBit, p);
    CBTaille = Kit::bouton(QStringLiteral("CBTaille"), QStringLiteral(">>>>"), p,
                           QStringLiteral("Montrer ou cacher ce qu'avrdude a écrit"),
                           QStringLiteral("Console d'avrdude"));
    CBAide = Kit::bouton(QStringLiteral("CBAide"), QStringLiteral("?"), p,
                         QStringLiteral("Aide sur les fusibles"), QStringLiteral("Aide"));
    CBAnnuler = Kit::bouton(QStringLiteral("CBAnnuler"), QStringLiteral("Annuler"), p);
    // Le son des deux boutons qui font travailler avrdude.
    const QString son = etatGlobal().RépertoireSkin + QStringLiteral("Fusage.wav");
    CBLire->définirSonOnClick(son);
    CBFuser->définirSonOnClick(son);
}

void FenFuseBit::construireOccupation() {
    QWidget* p = m_panneau;
    LabelEtape = Kit::légende(QStringLiteral("LabelEtape"), QString(), p);
    LabelEtape->setWordWrap(true);
    LabelEtape->setMinimumHeight(LabelEtape->fontMetrics().height() * 2);
    BarreOccupation = new QProgressBar(p);
    BarreOccupation->setObjectName(QStringLiteral("BarreOccupation"));
    BarreOccupation->setRange(0, 0);
    BarreOccupation->setTextVisible(false);
    BarreOccupation->setAccessibleName(QStringLiteral("avrdude travaille"));
    CBArreter = Kit::bouton(QStringLiteral("CBArreter"), QStringLiteral("Arrêter"), p,
                            QStringLiteral("Arrêter avrdude"));
    // La place reste prise quand rien ne tourne : la fenêtre ne change pas de taille.
    for (QWidget* w : {static_cast<QWidget*>(BarreOccupation), static_cast<QWidget*>(CBArreter)}) {
        QSizePolicy sp = w->sizePolicy();
        sp.setRetainSizeWhenHidden(true);
        w->setSizePolicy(sp);
        w->hide();
    }
}

// Colonne de gauche : les fusibles ; colonne de droite : le verrouillage, la convention, les
// boutons ; en bas l'étape en cours et l'occupation.
void FenFuseBit::disposer() {
    auto tw = [this](int twips) { return Twips::versPixels(twips, this); };
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
    for (QLabel* l : {Label5, Label4, Label3})
        droite->addWidget(l);
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

    auto* tout = new QVBoxLayout(m_panneau);
    tout->setContentsMargins(tw(120), tw(120), tw(120), tw(120));
    tout->setSpacing(tw(60));
    tout->addLayout(colonnes, 1);
    tout->addWidget(LabelEtape);
    tout->addLayout(ligneOccupation);
}

void FenFuseBit::construireConsole() {
    RTAffichageDos = new VueDocumentRiche(this);
    RTAffichageDos->setObjectName(QStringLiteral("RTAffichageDos"));
    RTAffichageDos->setAccessibleName(QStringLiteral("Console d'avrdude"));
    RTAffichageDos->setReadOnly(true);
    RTAffichageDos->setLineWrapMode(QTextEdit::NoWrap);
    RTAffichageDos->définirDocument(&m_logique.RTAffichageDos);
}

// Les lignes remplies, la fenêtre prend la hauteur de son contenu.
void FenFuseBit::ajusterHauteur() {
    ListeFusibles->setFixedHeight(hauteurPour(ListeFusibles));
    ListeVerrouillage->setFixedHeight(hauteurPour(ListeVerrouillage));
    const int étroite = Twips::versPixels(LargeurÉtroite, this);
    m_panneau->setFixedWidth(étroite);
    // Les légendes à la ligne demandent leur hauteur pour cette largeur-là.
    const int hauteur =
        m_panneau->hasHeightForWidth() ? m_panneau->heightForWidth(étroite) : m_panneau->sizeHint().height();
    m_panneau->setGeometry(0, 0, étroite, hauteur);
    setFixedSize(étroite, hauteur);
}

void FenFuseBit::brancher() {
    const Kit::Protection& p = m_protéger;
    p.brancher(CBLire, &QPushButton::clicked, this, [this] { lire(); });
    p.brancher(CBFuser, &QPushButton::clicked, this, [this] { fuser(); });
    p.brancher(CBTaille, &QPushButton::clicked, this, [this] { basculerTaille(); });
    p.brancher(CBAide, &QPushButton::clicked, this, [this] { m_ouvrirAide(); });
    p.brancher(CBAnnuler, &QPushButton::clicked, this, [this] { reject(); });
    p.brancher(CBArreter, &QPushButton::clicked, this, [this] { arrêter(); });
    connect(ListeFusibles, &QListWidget::itemChanged, this, [this](QListWidgetItem* i) {
        ligneCochée(ListeFusibles, m_logique.ListeFusibles, ListeFusibles->row(i));
    });
    connect(ListeVerrouillage, &QListWidget::itemChanged, this, [this](QListWidgetItem* i) {
        ligneCochée(ListeVerrouillage, m_logique.ListeVerrouillage, ListeVerrouillage->row(i));
    });
}

// --- Boutons -----------------------------------------------------------------------------------

void FenFuseBit::lire() {
    m_logique.lire();
}

void FenFuseBit::fuser() {
    m_logique.écrire();
}

void FenFuseBit::arrêter() {
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

void FenFuseBit::basculerTaille() {
    m_largeur->basculer();
}

void FenFuseBit::placerConsole() {
    const int gauche = Twips::versPixels(LargeurÉtroite, this);
    const int marge = Twips::versPixels(MargeConsole, this);
    const int haut = Twips::versPixels(120, this);
    // Repliée, la console garde une largeur utile hors de la vue.
    const int largeur = std::max(width() - gauche - marge, Twips::versPixels(3000, this));
    RTAffichageDos->setGeometry(gauche, haut, largeur, height() - 2 * haut);
}

// --- Ce que demande la logique -----------------------------------------------------------------

void FenFuseBit::élargirConsole() {
    // Élargie d'office, même si elle l'était déjà ; la console montre sa fin.
    if (!estÉlargie()) basculerTaille();
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
            const int indiceOctet = i / 8;
            const QString octet = !fusibles ? enTête(m_logique.nomOctet(Avrdude::Octet::Verrou))
                                  : indiceOctet < static_cast<int>(octets.size())
                                      ? enTête(m_logique.nomOctet(octets[indiceOctet]))
                                      : QString();
            Kit::ajouterLigneÀCocher(liste, lignes[i].nom,
                                     QStringLiteral("%1, bit %2").arg(octet).arg(7 - i % 8));
            // Un octet sur deux légèrement teinté : on voit où chacun commence.
            if (fusibles && indiceOctet % 2 == 1) liste->item(i)->setBackground(QColor(236, 240, 248));
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
