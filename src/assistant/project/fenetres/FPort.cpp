#include "assistant/project/fenetres/FPort.h"

#include "ui/fenetres/BTL.h"
#include "ui/fenetres/Twips.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

namespace {

// Libellé d'une ligne sans bit : elle garde sa place, les huit lignes restent alignées sur les
// bits 7 à 0.
const QString LigneAbsente = QStringLiteral("—");

// Hauteur qui montre les huit lignes sans défilement.
int hauteurHuitLignes(const QListWidget* l) {
    const int ligne = l->count() > 0 ? l->sizeHintForRow(0) : l->fontMetrics().height() + 4;
    return 8 * ligne + 2 * l->frameWidth() + 2;
}

} // namespace

FPort::FPort(ContexteAssistante& contexte, QWidget* parent) : QDialog(parent), m_contexte(contexte) {
    setObjectName(QStringLiteral("FPort"));
    // Une table qui ne suit pas les ports du composant repart à zéro plutôt que de mélanger
    // les réglages de deux composants.
    if (m_contexte.tablePorts.size() != m_contexte.ports.size())
        m_contexte.tablePorts = ConfigurationPorts::nouvelleTable(m_contexte.ports);
    construire();
    m_contexte.portCourant = 0;
    if (aDesPorts()) {
        const QSignalBlocker bloqueur(VScroll1);
        VScroll1->setRange(0, static_cast<int>(m_contexte.ports.size()) - 1);
        VScroll1->setValue(0);
        montrerPort(0);
    }
    TPorts->setVisible(aDesPorts());
    VScroll1->setVisible(aDesPorts());
    LabelAucunPort->setVisible(!aDesPorts());
    brancher();
    (aDesPorts() ? static_cast<QWidget*>(ListDirection) : static_cast<QWidget*>(BTLQuitter))->setFocus();
}

FPort::~FPort() {
    Kit::débrancherEnfants(this);
}

// --- Construction ------------------------------------------------------------------------------

void FPort::construire() {
    setWindowTitle(QStringLiteral("Configuration des ports"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
    construireFrame();
    construireAide();
    disposer();
    setTabOrder(VScroll1, ListDirection);
    setTabOrder(ListDirection, ListPullUp);
    setTabOrder(ListPullUp, RCBIgnorerPort);
    setTabOrder(RCBIgnorerPort, BTLQuitter);
}

void FPort::construireFrame() {
    VScroll1 = new QScrollBar(Qt::Vertical, this);
    VScroll1->setObjectName(QStringLiteral("VScroll1"));
    VScroll1->setFocusPolicy(Qt::StrongFocus);
    VScroll1->setPageStep(1);
    TPorts = new QGroupBox(QStringLiteral("Port "), this);
    TPorts->setObjectName(QStringLiteral("TPorts"));
    Label1 = Kit::légende(QStringLiteral("Label1"), QStringLiteral("&Direction"), TPorts);
    Label2 = Kit::légende(QStringLiteral("Label2"), QStringLiteral("&Pull-Up"), TPorts);
    ListDirection = Kit::listeÀCocher(QStringLiteral("ListDirection"), Label1, TPorts);
    ListPullUp = Kit::listeÀCocher(QStringLiteral("ListPullUp"), Label2, TPorts);
    for (QListWidget* l : {ListDirection, ListPullUp})
        l->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Label4 = Kit::légende(QStringLiteral("Label4"),
                          QStringLiteral("Pas de code généré pour ce port. Pour changer cela décochez la "
                                         "case ci-dessous."),
                          TPorts);
    Label4->setWordWrap(true);
    Label4->setAlignment(Qt::AlignCenter);
    Label4->hide();
    RCBIgnorerPort = Kit::caseÀCocher(QStringLiteral("RCBIgnorerPort"),
                                      QStringLiteral("&Ne pas tenir compte de ce port."), TPorts);
    LabelAucunPort = Kit::légende(QStringLiteral("LabelAucunPort"),
                                  QStringLiteral("Ce microcontrôleur n'a aucun port à configurer."), this);
    LabelAucunPort->setWordWrap(true);
}

void FPort::construireAide() {
    Label6 = Kit::légende(QStringLiteral("Label6"), QStringLiteral("1 - &Choisir un port"), this);
    Kit::associer(Label6, VScroll1);
    Label5 = Kit::légende(QStringLiteral("Label5"), QStringLiteral("2 - Le configurer. "), this);
    Label3 = Kit::légende(QStringLiteral("Label3"), QStringLiteral("4 - Passer au port suivant."), this);
    Label9 = Kit::légende(QStringLiteral("Label9"),
                          QStringLiteral("Attention : Les Pull-Up ne marchent que sur les entrées. Pour les "
                                         "sorties : elles sont affectées."),
                          this);
    Label8 =
        Kit::légende(QStringLiteral("Label8"), QStringLiteral("- Direction : coché = port en sortie."), this);
    Label7 =
        Kit::légende(QStringLiteral("Label7"), QStringLiteral("- Pull-Up : coché = Pull-Up activé."), this);
    for (QLabel* l : {Label9, Label8, Label7})
        l->setWordWrap(true);
    BTLQuitter = Kit::bouton(QStringLiteral("BTLQuitter"), QStringLiteral("&Quitter"), this, {},
                             QStringLiteral("Quitter"));
    BTLQuitter->setDefault(true);
}

// À gauche le choix du port et son cadre ; à droite les étapes, l'aide et « Quitter ».
void FPort::disposer() {
    auto tw = [this](int twips) { return Twips::versPixels(twips, this); };
    // Le texte du port ignoré prend la place des listes ; elles gardent la leur cachées.
    for (QWidget* w : std::initializer_list<QWidget*>{Label1, Label2, ListDirection, ListPullUp}) {
        QSizePolicy sp = w->sizePolicy();
        sp.setRetainSizeWhenHidden(true);
        w->setSizePolicy(sp);
    }
    for (QListWidget* l : {ListDirection, ListPullUp}) {
        Kit::ajouterLigneÀCocher(l, QStringLiteral("PB7"), {});
        l->setFixedSize(tw(1300), hauteurHuitLignes(l));
        l->clear();
    }
    auto* grille = new QGridLayout(TPorts);
    grille->setHorizontalSpacing(tw(180));
    grille->setVerticalSpacing(2);
    grille->addWidget(Label1, 0, 0);
    grille->addWidget(Label2, 0, 1);
    grille->addWidget(ListDirection, 1, 0);
    grille->addWidget(ListPullUp, 1, 1);
    grille->addWidget(Label4, 0, 0, 2, 2);
    grille->addWidget(RCBIgnorerPort, 2, 0, 1, 2);
    grille->setRowMinimumHeight(2, RCBIgnorerPort->sizeHint().height() + tw(120));

    auto* gauche = new QHBoxLayout;
    gauche->setSpacing(tw(60));
    gauche->addWidget(VScroll1);
    gauche->addWidget(TPorts);
    gauche->addWidget(LabelAucunPort);

    auto* droite = new QVBoxLayout;
    droite->setSpacing(tw(45));
    for (QLabel* l : {Label6, Label5, Label3})
        droite->addWidget(l);
    droite->addSpacing(tw(180));
    for (QLabel* l : {Label9, Label8, Label7}) {
        l->setFixedWidth(tw(3400));
        droite->addWidget(l);
    }
    droite->addStretch(1);
    droite->addWidget(BTLQuitter);

    auto* tout = new QHBoxLayout(this);
    tout->setContentsMargins(tw(120), tw(120), tw(120), tw(120));
    tout->setSpacing(tw(180));
    tout->addLayout(gauche);
    tout->addLayout(droite);
    tout->setSizeConstraint(QLayout::SetFixedSize);
    LabelAucunPort->setFixedWidth(TPorts->sizeHint().width());
}

void FPort::brancher() {
    const Kit::Protection& p = m_protéger;
    p.brancher(VScroll1, &QScrollBar::valueChanged, this, [this](int v) { changerDePort(v); });
    p.brancher(RCBIgnorerPort, &QCheckBox::toggled, this, [this](bool c) { ignorerChangé(c); });
    p.brancher(BTLQuitter, &QPushButton::clicked, this, [this] { quitter(); });
    // Page suivante, page précédente : le port suivant ou le précédent, où que soit le focus.
    for (auto [touche, pas] : {std::pair{Qt::Key_PageDown, 1}, std::pair{Qt::Key_PageUp, -1}}) {
        auto* raccourci = new QShortcut(QKeySequence(touche), this);
        p.brancher(raccourci, &QShortcut::activated, this,
                   [this, pas = pas] { VScroll1->setValue(VScroll1->value() + pas); });
    }
}

// --- Listes ------------------------------------------------------------------------------------

void FPort::ChargerListesPort(int index) {
    if (index < 0 || index >= static_cast<int>(m_contexte.ports.size())) return;
    const PortComposant& port = m_contexte.ports[index];
    for (auto [liste, libellés] :
         {std::pair{ListDirection, &port.bits}, std::pair{ListPullUp, &port.pullUp}}) {
        const QSignalBlocker bloqueur(liste);
        liste->clear();
        for (int ligne = 0; ligne < 8; ++ligne) {
            const int bit = 7 - ligne;
            if (port.ligneDisponible(ligne)) {
                const QString texte =
                    (*libellés)[ligne].isEmpty() ? QStringLiteral("Bit %1").arg(bit) : (*libellés)[ligne];
                Kit::ajouterLigneÀCocher(liste, texte,
                                         QStringLiteral("Port %1, bit %2").arg(port.nom).arg(bit));
                continue;
            }
            Kit::ajouterLigneÀCocher(liste, LigneAbsente,
                                     QStringLiteral("Le port %1 n'a pas de bit %2").arg(port.nom).arg(bit));
            // Grisée, ni cochable ni sélectionnable : le bit n'existe pas.
            liste->item(ligne)->setFlags(Qt::NoItemFlags);
        }
    }
}

void FPort::montrerValeur(QListWidget* liste, int valeur) {
    const QSignalBlocker bloqueur(liste);
    for (int ligne = 0; ligne < liste->count(); ++ligne) {
        QListWidgetItem* i = liste->item(ligne);
        const bool coché = (i->flags() & Qt::ItemIsUserCheckable) && ((valeur >> (7 - ligne)) & 1);
        i->setCheckState(coché ? Qt::Checked : Qt::Unchecked);
    }
}

int FPort::lireValeur(const QListWidget* liste) const {
    std::array<bool, 8> coches{};
    for (int ligne = 0; ligne < 8 && ligne < liste->count(); ++ligne) {
        const QListWidgetItem* i = liste->item(ligne);
        coches[ligne] = (i->flags() & Qt::ItemIsUserCheckable) && i->checkState() == Qt::Checked;
    }
    return lireBits(coches).valeur;
}

// --- Ports -------------------------------------------------------------------------------------

void FPort::montrerPort(int index) {
    const LignePort& l = m_contexte.tablePorts[index];
    TPorts->setTitle(QStringLiteral("Port ") + m_contexte.ports[index].nom);
    ChargerListesPort(index);
    montrerValeur(ListDirection, l.direction);
    montrerValeur(ListPullUp, l.pullUp);
    // La case suit le drapeau sans le réécrire : une valeur autre que 1 reste telle quelle.
    const QSignalBlocker bloqueur(RCBIgnorerPort);
    RCBIgnorerPort->setChecked(l.ignorer == 1);
    montrerIgnoré(l.ignorer == 1);
}

void FPort::montrerIgnoré(bool ignoré) {
    for (QWidget* w : std::initializer_list<QWidget*>{Label1, Label2, ListDirection, ListPullUp})
        w->setVisible(!ignoré);
    Label4->setVisible(ignoré);
}

void FPort::lireListes(int index, LignePort::Réglage réglage) {
    LignePort& l = m_contexte.tablePorts[index];
    // Un port ignoré garde ses valeurs ; son réglage compte, son bloc est vide.
    if (l.ignorer != 1) {
        l.direction = static_cast<int16_t>(lireValeur(ListDirection));
        l.pullUp = static_cast<int16_t>(lireValeur(ListPullUp));
        l.directionHexa = DeciHexa(l.direction, 2);
        l.pullUpHexa = DeciHexa(l.pullUp, 2);
    }
    l.réglage = réglage;
    l.blocCode = réglage == LignePort::Réglage::Fermé ? ConfigurationPorts::blocEnFermant(l)
                                                      : ConfigurationPorts::blocEnQuittantLePort(l);
}

void FPort::changerDePort(int nouveau) {
    const int n = static_cast<int>(m_contexte.ports.size());
    if (nouveau < 0 || nouveau >= n) return;
    lireListes(std::clamp<int>(m_contexte.portCourant, 0, n - 1), LignePort::Réglage::Quitté);
    montrerPort(nouveau);
    m_contexte.portCourant = static_cast<int16_t>(nouveau);
}

void FPort::ignorerChangé(bool ignoré) {
    if (!aDesPorts()) return;
    m_contexte.tablePorts[m_contexte.portCourant].ignorer = ignoré ? 1 : 0;
    montrerIgnoré(ignoré);
}

void FPort::quitter() {
    if (aDesPorts()) {
        m_contexte.portCourant = static_cast<int16_t>(VScroll1->value());
        lireListes(m_contexte.portCourant, LignePort::Réglage::Fermé);
        m_contexte.texteConfigurationPorts =
            ConfigurationPorts::texteConfiguration(m_contexte.tablePorts, m_contexte.ports);
    }
    accept();
}

// --- Fenêtre -----------------------------------------------------------------------------------

void FPort::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (m_centrée) return;
    m_centrée = true;
    Kit::centrer(this);
}

void FPort::changeEvent(QEvent* e) {
    if (e->type() == QEvent::ActivationChange && isActiveWindow()) AppliquerSilence(this);
    QDialog::changeEvent(e);
}
