#include "assistant/timers/fenetres/OngletCompteur.h"

#include "common/Messages.h"
#include "ui/fenetres/DessinSignal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>

OngletCompteur::OngletCompteur(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("OngletCompteur"));
    construire();
    const Kit::Protection& p = m_protéger;
    p.brancher(CBEntréeCompteur, &QComboBox::currentIndexChanged, this, [this] { recalculer(); });
    p.brancher(CBFrontCompteur, &QComboBox::currentIndexChanged, this, [this] { recalculer(); });
    p.brancher(CBPullUp, &QCheckBox::toggled, this, [this] { recalculer(); });
    p.brancher(RBInterruptionN, &QRadioButton::toggled, this, [this] { recalculer(); });
    p.brancher(TNCompteur, &QLineEdit::textChanged, this, [this] { recalculer(); });
    for (QComboBox* liste : {CBEntréeCompteur, CBFrontCompteur})
        liste->installEventFilter(this);
}

bool OngletCompteur::eventFilter(QObject* objet, QEvent* e) {
    // Une liste garde Ctrl+Tab pour sa recherche au clavier : il va aux onglets, comme ailleurs.
    if (e->type() == QEvent::KeyPress) {
        auto* touche = static_cast<QKeyEvent*>(e);
        const bool tab = touche->key() == Qt::Key_Tab || touche->key() == Qt::Key_Backtab;
        for (QWidget* w = parentWidget(); tab && (touche->modifiers() & Qt::ControlModifier) && w;
             w = w->parentWidget())
            if (auto* onglets = qobject_cast<QTabWidget*>(w)) {
                QCoreApplication::sendEvent(onglets, e);
                return true;
            }
    }
    return QWidget::eventFilter(objet, e);
}

OngletCompteur::~OngletCompteur() {
    Kit::débrancherEnfants(this);
}

void OngletCompteur::construire() {
    auto* grille = new QGridLayout(this);
    grille->setHorizontalSpacing(8);
    grille->setVerticalSpacing(4);
    int ligne = 0;

    CBEntréeCompteur = new QComboBox(this);
    CBEntréeCompteur->setObjectName(QStringLiteral("CBEntréeCompteur"));
    grille->addWidget(Kit::légende(QStringLiteral("LEntréeCompteur"), QStringLiteral("&Entrée comptée :"),
                                   this, CBEntréeCompteur),
                      ligne, 0);
    grille->addWidget(CBEntréeCompteur, ligne++, 1);

    CBFrontCompteur = new QComboBox(this);
    CBFrontCompteur->setObjectName(QStringLiteral("CBFrontCompteur"));
    CBFrontCompteur->addItems({QStringLiteral("montant"), QStringLiteral("descendant")});
    grille->addWidget(
        Kit::légende(QStringLiteral("LFrontCompteur"), QStringLiteral("&Front :"), this, CBFrontCompteur),
        ligne, 0);
    grille->addWidget(CBFrontCompteur, ligne++, 1);

    CBPullUp = Kit::caseÀCocher(QStringLiteral("CBPullUp"),
                                QStringLiteral("&Avec la résistance de tirage (pull-up)"), this);
    grille->addWidget(CBPullUp, ligne++, 0, 1, 2);

    RBCompterSeulement = new QRadioButton(QStringLiteral("&Compter seulement"), this);
    RBCompterSeulement->setObjectName(QStringLiteral("RBCompterSeulement"));
    RBCompterSeulement->setChecked(true);
    RBInterruptionN = new QRadioButton(QStringLiteral("&Interruption tous les N événements"), this);
    RBInterruptionN->setObjectName(QStringLiteral("RBInterruptionN"));
    grille->addWidget(RBCompterSeulement, ligne++, 0, 1, 2);
    grille->addWidget(RBInterruptionN, ligne++, 0, 1, 2);

    TNCompteur = new QLineEdit(this);
    TNCompteur->setObjectName(QStringLiteral("TNCompteur"));
    TNCompteur->setToolTip(
        QStringLiteral("Nombre d'événements entre deux interruptions, de 1 au sommet du timer + 1."));
    grille->addWidget(Kit::légende(QStringLiteral("LNCompteur"), QStringLiteral("&N :"), this, TNCompteur),
                      ligne, 0);
    grille->addWidget(TNCompteur, ligne++, 1);

    LObtenuCompteur = new QLabel(this);
    LObtenuCompteur->setObjectName(QStringLiteral("LObtenuCompteur"));
    LObtenuCompteur->setTextInteractionFlags(Qt::TextSelectableByMouse);
    LObtenuCompteur->setWordWrap(true);
    grille->addWidget(LObtenuCompteur, ligne++, 0, 1, 2);

    DessinCompteur = new DessinSignal(this);
    DessinCompteur->setObjectName(QStringLiteral("DessinCompteur"));
    grille->addWidget(DessinCompteur, ligne++, 0, 1, 2);
    grille->setColumnStretch(1, 1);
    grille->setRowStretch(ligne, 1);
}

void OngletCompteur::remplir(const CapacitésComposant* composant) {
    m_composant = composant;
    {
        const QSignalBlocker bloqueur(CBEntréeCompteur);
        CBEntréeCompteur->clear();
        if (composant)
            for (const int i : Compteur::entréesUtilisables(*composant))
                CBEntréeCompteur->addItem(composant->entrées[i].libellé, i);
    }
    recalculer();
}

Compteur::Résultat OngletCompteur::résultat() const {
    Compteur::Résultat r;
    if (!m_composant || CBEntréeCompteur->currentIndex() < 0) {
        r.erreur = QStringLiteral("Choisissez d'abord une entrée à compter.");
        return r;
    }
    int64_t n = 0;
    if (RBInterruptionN->isChecked()) {
        bool ok = false;
        n = TNCompteur->text().trimmed().toLongLong(&ok);
        if (!ok || n < 1) {
            r.erreur = QStringLiteral("Tapez N, un nombre entier d'événements (au moins 1).");
            return r;
        }
    }
    return Compteur::calculer(*m_composant, CBEntréeCompteur->currentData().toInt(),
                              CBFrontCompteur->currentIndex() == 0, n, CBPullUp->isChecked());
}

void OngletCompteur::recalculer() {
    TNCompteur->setEnabled(RBInterruptionN->isChecked());
    const Compteur::Résultat r = résultat();
    const QString ligne = r.ok() ? Compteur::ligneObtenu(*m_composant, r.réglage) : r.erreur;
    LObtenuCompteur->setText(ligne);
    LObtenuCompteur->setAccessibleName(ligne);
    if (r.ok())
        DessinCompteur->montrerCompteur(int(r.réglage.n), r.réglage.montant);
    else
        DessinCompteur->effacer(r.erreur);
}

bool OngletCompteur::générer(DocumentRiche& doc) {
    doc.vider();
    const Compteur::Résultat r = résultat();
    if (!r.ok()) {
        afficherMessage(r.erreur, IconeMessage::Critique);
        return false;
    }
    doc.définirTexte(Compteur::code(*m_composant, r.réglage));
    return true;
}
