#include "assistant/timers/fenetres/OngletBaseDeTemps.h"

#include "assistant/timers/Calculatrice.h"
#include "assistant/timers/GenerateurBaseDeTemps.h"
#include "common/Messages.h"
#include "ui/fenetres/DessinSignal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace {

const QString Automatique = QStringLiteral("Automatique (le plus juste)");

} // namespace

OngletBaseDeTemps::OngletBaseDeTemps(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("OngletBaseDeTemps"));
    construire();
    const Kit::Protection& p = m_protéger;
    p.brancher(TPériodeBase, &QLineEdit::textChanged, this, [this] { recalculer(); });
    p.brancher(CBTimerBase, &QComboBox::currentIndexChanged, this, [this] { recalculer(); });
    p.brancher(CBCompenser, &QCheckBox::toggled, this, [this] { recalculer(); });
}

OngletBaseDeTemps::~OngletBaseDeTemps() {
    Kit::débrancherEnfants(this);
}

void OngletBaseDeTemps::construire() {
    auto* grille = new QGridLayout(this);
    grille->setHorizontalSpacing(8);
    grille->setVerticalSpacing(4);

    TPériodeBase = new QLineEdit(this);
    TPériodeBase->setObjectName(QStringLiteral("TPériodeBase"));
    TPériodeBase->setToolTip(QStringLiteral("Une durée (1 ms, 250 µs) ou une fréquence (10 Hz)."));
    grille->addWidget(Kit::légende(QStringLiteral("LPériodeBase"), QStringLiteral("&Période ou fréquence :"),
                                   this, TPériodeBase),
                      0, 0);
    grille->addWidget(TPériodeBase, 0, 1);
    grille->addWidget(
        Kit::légende(QStringLiteral("LUnitéBase"), QStringLiteral("Unité : s, ms, µs ou Hz, kHz."), this), 0,
        2);

    CBTimerBase = new QComboBox(this);
    CBTimerBase->setObjectName(QStringLiteral("CBTimerBase"));
    CBTimerBase->setToolTip(
        QStringLiteral("Automatique : le premier timer qui atteint la période exacte, sinon le plus juste."));
    grille->addWidget(
        Kit::légende(QStringLiteral("LTimerBase"), QStringLiteral("T&imer :"), this, CBTimerBase), 1, 0);
    grille->addWidget(CBTimerBase, 1, 1, 1, 2);

    CBCompenser = Kit::caseÀCocher(QStringLiteral("CBCompenser"), QStringLiteral("&Compenser l'écart"), this);
    CBCompenser->setToolTip(
        QStringLiteral("Quand aucun réglage n'est exact : l'interruption alterne deux sommets "
                       "pour que la période moyenne le soit."));
    grille->addWidget(CBCompenser, 2, 0, 1, 3);

    LObtenuBase = new QLabel(this);
    LObtenuBase->setObjectName(QStringLiteral("LObtenuBase"));
    LObtenuBase->setTextInteractionFlags(Qt::TextSelectableByMouse);
    LObtenuBase->setWordWrap(true);
    grille->addWidget(LObtenuBase, 3, 0, 1, 3);

    DessinBase = new DessinSignal(this);
    DessinBase->setObjectName(QStringLiteral("DessinBase"));
    grille->addWidget(DessinBase, 4, 0, 1, 3);
    grille->setColumnStretch(1, 1);
    grille->setRowStretch(5, 1);
}

void OngletBaseDeTemps::remplir(const CapacitésComposant* composant, double fréquenceHorloge) {
    m_composant = composant;
    m_horloge = fréquenceHorloge;
    {
        const QSignalBlocker bloqueur(CBTimerBase);
        CBTimerBase->clear();
        CBTimerBase->addItem(Automatique, -1);
        if (composant)
            for (const int i : BaseDeTemps::timersUtilisables(*composant))
                CBTimerBase->addItem(composant->timers[i].nom, i);
    }
    recalculer();
}

int OngletBaseDeTemps::timerChoisi() const {
    return CBTimerBase->currentData().isValid() ? CBTimerBase->currentData().toInt() : -1;
}

BaseDeTemps::Résultat OngletBaseDeTemps::résultat() const {
    BaseDeTemps::Résultat r;
    const double période = BaseDeTemps::lirePériodeOuFréquence(TPériodeBase->text());
    if (!m_composant) {
        r.erreur = QStringLiteral("Aucun composant n'est chargé.");
        return r;
    }
    if (période <= 0)
        r.erreur = TPériodeBase->text().trimmed().isEmpty()
                       ? QStringLiteral("Tapez une période (« 1 ms ») ou une fréquence (« 10 Hz »).")
                       : QStringLiteral("« %1 » n'est ni une durée (s, ms, µs) ni une fréquence (Hz, kHz).")
                             .arg(TPériodeBase->text().trimmed());
    if (!r.ok()) return r;
    int timer = timerChoisi();
    if (timer < 0) timer = BaseDeTemps::timerParDéfaut(*m_composant, m_horloge, période);
    // Aucun timer ne convient : le premier dit pourquoi.
    if (timer < 0 && CBTimerBase->count() > 1) timer = CBTimerBase->itemData(1).toInt();
    return BaseDeTemps::calculer(*m_composant, timer, m_horloge, période, CBCompenser->isChecked());
}

void OngletBaseDeTemps::recalculer() {
    const BaseDeTemps::Résultat r = résultat();
    const QString ligne = r.ok() ? BaseDeTemps::ligneObtenu(*m_composant, r.réglage) : r.erreur;
    LObtenuBase->setText(ligne);
    LObtenuBase->setAccessibleName(ligne);
    if (!r.ok()) {
        DessinBase->effacer(r.erreur);
        return;
    }
    const BaseDeTemps::Réglage& g = r.réglage;
    DessinBase->montrerTics(Calculatrice::texteDurée(g.périodeObtenue),
                            Calculatrice::texteFréquence(1 / g.périodeObtenue),
                            g.compensé ? Calculatrice::texteDurée(g.gigue) : QString());
}

bool OngletBaseDeTemps::générer(DocumentRiche& doc) {
    const QString erreur =
        GénérerLeCodeBaseDeTemps(m_composant ? *m_composant : CapacitésComposant(), résultat(), doc);
    if (erreur.isEmpty()) return true;
    afficherMessage(erreur, IconeMessage::Critique);
    return false;
}
