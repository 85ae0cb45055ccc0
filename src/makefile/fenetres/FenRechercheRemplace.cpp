#include "makefile/fenetres/FenRechercheRemplace.h"

#include "makefile/ConfigurationMakefile.h"
#include "makefile/ParametreMakefile.h"
#include "makefile/PreferencesInterface.h"
#include "makefile/RechercheRemplace.h"
#include "makefile/fenetres/AccesFenetres.h"
#include "ui/fenetres/BTL.h"
#include "ui/fenetres/KitFenetres.h"
#include "ui/fenetres/Twips.h"
#include "ui/fenetres/VueDocumentRiche.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>

namespace {

// Hauteurs des deux dispositions et largeur de la fenêtre, en twips.
constexpr int HauteurRecherche = 2310;
constexpr int HauteurRemplacement = 3405;
constexpr int Largeur = 5400;
// Le bord droit de la fenêtre est à cette distance du bord gauche de la configuration.
constexpr int BordDroit = 5600;

// Les hauteurs comptent la barre de titre : la fenêtre n'a que le reste.
int hauteurIntérieure(int twips, const QWidget* fenêtre) {
    return Twips::versPixels(twips, fenêtre) - fenêtre->style()->pixelMetric(QStyle::PM_TitleBarHeight);
}

const QString LégendeRechercher = QStringLiteral("Rechercher");
const QString LégendeRemplacer = QStringLiteral("Remplacer");

} // namespace

FenRechercheRemplace::FenRechercheRemplace(VueDocumentRiche* vue, QWidget* configuration)
    : QDialog(configuration), m_vue(vue), m_configuration(configuration) {
    setObjectName(QStringLiteral("FenRechercheRemplace"));
    setWindowTitle(QStringLiteral("Rechercher"));
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // Fermer la fenêtre la décharge ; « Remplacer tout » ne fait que la cacher.
    setAttribute(Qt::WA_DeleteOnClose);

    construire();
    // L'état de la dernière recherche, gardé entre deux ouvertures.
    const EtatRecherche& e = etatRecherche();
    TxBRechercher->setText(e.TexteRecherché);
    TxBRemplacement->setText(e.TexteRemplacement);
    CBMotEntier->setChecked(e.OptionsRecherche & DocumentRiche::MotEntier);
    CBMAjMin->setChecked(e.OptionsRecherche & DocumentRiche::RespecterCasse);

    const auto clic = &QPushButton::clicked;
    m_protéger.brancher(CBRechercher, clic, this, [this] { rechercher(); });
    m_protéger.brancher(CBSuivant, clic, this, [this] { suivant(); });
    m_protéger.brancher(CBRExt, clic, this, [this] { étendre(); });
    m_protéger.brancher(CBRemplacer, clic, this, [this] { remplacer(); });
    m_protéger.brancher(CBRemplacerTout, clic, this, [this] { remplacerTout(); });
    m_protéger.brancher(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
                        [] { OuvrirAide(Configuration::cheminAide(), QStringLiteral("recherche")); });

    setFixedWidth(Twips::versPixels(Largeur, this));
    dispositionRecherche();
}

void FenRechercheRemplace::construire() {
    auto tw = [this](int twips) { return Twips::versPixels(twips, this); };
    Label1 = Kit::légende(QStringLiteral("Label1"), QStringLiteral("Texte à rechercher "), this);
    TxBRechercher = new QLineEdit(this);
    TxBRechercher->setObjectName(QStringLiteral("TxBRechercher"));
    Kit::associer(Label1, TxBRechercher);
    Label2 = Kit::légende(QStringLiteral("Label2"), QStringLiteral("Texte de remplacement."), this);
    TxBRemplacement = new QLineEdit(this);
    TxBRemplacement->setObjectName(QStringLiteral("TxBRemplacement"));
    Kit::associer(Label2, TxBRemplacement);

    CBMotEntier =
        Kit::caseÀCocher(QStringLiteral("CBMotEntier"), QStringLiteral("Mot entier seulement."), this);
    CBMAjMin = Kit::caseÀCocher(QStringLiteral("CBMAjMin"), QStringLiteral("Respecter la casse."), this);
    CBDuDébut = Kit::caseÀCocher(QStringLiteral("CBDuDébut"), QStringLiteral("Commencer au début"), this);

    CBRechercher = Kit::bouton(QStringLiteral("CBRechercher"), LégendeRechercher, this);
    CBSuivant = Kit::bouton(QStringLiteral("CBSuivant"), QStringLiteral("Suivant"), this);
    CBRExt = Kit::bouton(QStringLiteral("CBRExt"), LégendeRemplacer, this);
    CBRemplacer = Kit::bouton(QStringLiteral("CBRemplacer"), LégendeRechercher, this);
    CBRemplacerTout = Kit::bouton(QStringLiteral("CBRemplacerTout"), QStringLiteral("Remplacer tout"), this);
    for (BTL* b : {CBRechercher, CBSuivant, CBRExt, CBRemplacer, CBRemplacerTout})
        b->setFixedSize(tw(1650), tw(360));

    auto* textes = new QGridLayout;
    textes->setHorizontalSpacing(8);
    textes->setVerticalSpacing(8);
    textes->addWidget(Label1, 0, 0);
    textes->addWidget(TxBRechercher, 0, 1);
    textes->addWidget(Label2, 1, 0);
    textes->addWidget(TxBRemplacement, 1, 1);
    auto* cases = new QVBoxLayout;
    cases->setSpacing(5);
    for (QCheckBox* c : {CBMotEntier, CBMAjMin, CBDuDébut})
        cases->addWidget(c);
    cases->addStretch(1);
    auto* boutons = new QVBoxLayout;
    boutons->setSpacing(4);
    for (BTL* b : {CBRechercher, CBRemplacer, CBRemplacerTout, CBSuivant, CBRExt})
        boutons->addWidget(b);
    boutons->addStretch(1);
    auto* bas = new QHBoxLayout;
    bas->addLayout(cases, 1);
    bas->addLayout(boutons);
    auto* colonne = new QVBoxLayout(this);
    colonne->setContentsMargins(tw(120), tw(120), tw(120), tw(90));
    colonne->setSpacing(tw(120));
    colonne->addLayout(textes);
    colonne->addLayout(bas);
    colonne->addStretch(1);
}

// --- Dispositions ------------------------------------------------------------------------------

void FenRechercheRemplace::dispositionRecherche() {
    m_remplacement = false;
    for (QWidget* w : {static_cast<QWidget*>(Label2), static_cast<QWidget*>(TxBRemplacement),
                       static_cast<QWidget*>(CBRemplacer), static_cast<QWidget*>(CBRemplacerTout)})
        w->hide();
    CBRechercher->show();
    CBRExt->show();
    setFixedHeight(hauteurIntérieure(HauteurRecherche, this));
    CBRechercher->setDefault(true);
}

void FenRechercheRemplace::dispositionRemplacement(bool légendeRemplacer) {
    m_remplacement = true;
    CBRExt->hide();
    CBRechercher->hide();
    for (QWidget* w : {static_cast<QWidget*>(Label2), static_cast<QWidget*>(TxBRemplacement),
                       static_cast<QWidget*>(CBRemplacer), static_cast<QWidget*>(CBRemplacerTout)})
        w->show();
    CBRemplacer->setText(légendeRemplacer ? LégendeRemplacer : LégendeRechercher);
    setFixedHeight(hauteurIntérieure(HauteurRemplacement, this));
    CBRemplacer->setDefault(true);
}

void FenRechercheRemplace::ouvrir(bool remplacement) {
    if (remplacement)
        dispositionRemplacement(false);
    else
        dispositionRecherche();
    // Modale pour la configuration, sans bloquer l'appelant.
    open();
    placer();
    raise();
    activateWindow();
    TxBRechercher->setFocus(Qt::OtherFocusReason);
    TxBRechercher->selectAll();
}

void FenRechercheRemplace::placer() {
    if (!m_configuration) return;
    const QWidget* conf = m_configuration->window();
    move(conf->x() + Twips::versPixels(BordDroit, this) - frameGeometry().width(),
         conf->y() + Twips::versPixels(600, this));
}

void FenRechercheRemplace::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    placer();
}

void FenRechercheRemplace::changeEvent(QEvent* e) {
    if (e->type() == QEvent::ActivationChange && isActiveWindow()) {
        placer();
        // Ses boutons se taisent comme ceux de la configuration.
        AppliquerSilence(this, préférencesInterface().Silence);
    }
    QDialog::changeEvent(e);
}

// --- Boutons -----------------------------------------------------------------------------------

void FenRechercheRemplace::rechercherDepuisLesBoîtes() {
    DocumentRiche* document = m_vue->documentRiche();
    if (!document) return;
    const qsizetype p = RechercheRemplace::Rechercher(
        *document, TxBRechercher->text(),
        RechercheRemplace::options(CBMotEntier->isChecked(), CBMAjMin->isChecked()), CBDuDébut->isChecked());
    if (p >= 0) m_vue->montrerSélection();
}

void FenRechercheRemplace::rechercher() {
    rechercherDepuisLesBoîtes();
}

void FenRechercheRemplace::suivant() {
    DocumentRiche* document = m_vue->documentRiche();
    if (!document) return;
    switch (RechercheRemplace::RechercherSuivant(*document)) {
    case RechercheRemplace::Suivant::AucuneRecherche:
        // Rien cherché encore : « Suivant » cherche le texte de la boîte.
        rechercherDepuisLesBoîtes();
        break;
    case RechercheRemplace::Suivant::Trouvé:
        m_vue->montrerSélection();
        break;
    case RechercheRemplace::Suivant::Absent:
        break;
    }
}

void FenRechercheRemplace::étendre() {
    dispositionRemplacement(true);
}

void FenRechercheRemplace::remplacer() {
    DocumentRiche* document = m_vue->documentRiche();
    if (!document) return;
    etatRecherche().TexteRemplacement = TxBRemplacement->text();
    if (CBRemplacer->text() == LégendeRechercher) {
        rechercherDepuisLesBoîtes();
        CBRemplacer->setText(LégendeRemplacer);
        return;
    }
    // Après un échec, ou quand la sélection n'est plus la correspondance, on cherche d'abord.
    if (etatMarquage().PositionRecherche >= 0 && RechercheRemplace::RemplacerCorrespondance(*document)) {
        m_vue->rafraîchir();
        m_vue->setFocus(Qt::OtherFocusReason);
    }
    rechercherDepuisLesBoîtes();
}

void FenRechercheRemplace::remplacerTout() {
    DocumentRiche* document = m_vue->documentRiche();
    if (!document) return;
    // Cachée mais gardée : la fenêtre modale s'efface avant le compte rendu.
    hide();
    emit cachee();
    RechercheRemplace::RemplacerTout(
        *document, TxBRechercher->text(), TxBRemplacement->text(),
        RechercheRemplace::options(CBMotEntier->isChecked(), CBMAjMin->isChecked()));
    m_vue->rafraîchir();
    m_vue->setFocus(Qt::OtherFocusReason);
}
