#include "makefile/fenetres/FenRechercheRemplace.h"

#include "makefile/ConfigurationMakefile.h"
#include "makefile/ParametreMakefile.h"
#include "makefile/PreferencesInterface.h"
#include "makefile/RechercheRemplace.h"
#include "makefile/fenetres/AccesFenetres.h"
#include "noyau/ErreurNonRepertoriee.h"
#include "noyau/Parametres.h"
#include "ui/fenetres/BTL.h"
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

BTL* bouton(const QString& nom, const QString& texte, QWidget* parent) {
    auto* b = new BTL(texte, parent);
    b->setObjectName(nom);
    return b;
}

QCheckBox* caseÀCocher(const QString& nom, const QString& texte, QWidget* parent) {
    auto* c = new QCheckBox(texte, parent);
    c->setObjectName(nom);
    return c;
}

} // namespace

FenRechercheRemplace::FenRechercheRemplace(VueDocumentRiche* vue, QWidget* configuration)
    : QDialog(configuration), m_vue(vue), m_configuration(configuration) {
    setObjectName(QStringLiteral("FenRechercheRemplace"));
    setWindowTitle(QStringLiteral("Rechercher"));
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // Fermer la fenêtre la décharge ; « Remplacer tout » ne fait que la cacher.
    setAttribute(Qt::WA_DeleteOnClose);
    auto tw = [this](int twips) { return Twips::versPixels(twips, this); };

    Label1 = new QLabel(QStringLiteral("Texte à rechercher "), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    TxBRechercher = new QLineEdit(this);
    TxBRechercher->setObjectName(QStringLiteral("TxBRechercher"));
    TxBRechercher->setAccessibleName(Label1->text());
    Label1->setBuddy(TxBRechercher);
    Label2 = new QLabel(QStringLiteral("Texte de remplacement."), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    TxBRemplacement = new QLineEdit(this);
    TxBRemplacement->setObjectName(QStringLiteral("TxBRemplacement"));
    TxBRemplacement->setAccessibleName(Label2->text());
    Label2->setBuddy(TxBRemplacement);

    CBMotEntier = caseÀCocher(QStringLiteral("CBMotEntier"), QStringLiteral("Mot entier seulement."), this);
    CBMAjMin = caseÀCocher(QStringLiteral("CBMAjMin"), QStringLiteral("Respecter la casse."), this);
    CBDuDébut = caseÀCocher(QStringLiteral("CBDuDébut"), QStringLiteral("Commencer au début"), this);

    CBRechercher = bouton(QStringLiteral("CBRechercher"), LégendeRechercher, this);
    CBSuivant = bouton(QStringLiteral("CBSuivant"), QStringLiteral("Suivant"), this);
    CBRExt = bouton(QStringLiteral("CBRExt"), LégendeRemplacer, this);
    CBRemplacer = bouton(QStringLiteral("CBRemplacer"), LégendeRechercher, this);
    CBRemplacerTout = bouton(QStringLiteral("CBRemplacerTout"), QStringLiteral("Remplacer tout"), this);
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

    // L'état de la dernière recherche, gardé entre deux ouvertures.
    const EtatRecherche& e = etatRecherche();
    TxBRechercher->setText(e.TexteRecherché);
    TxBRemplacement->setText(e.TexteRemplacement);
    CBMotEntier->setChecked(e.OptionsRecherche & DocumentRiche::MotEntier);
    CBMAjMin->setChecked(e.OptionsRecherche & DocumentRiche::RespecterCasse);

    connect(CBRechercher, &QPushButton::clicked, this, [this] { protéger([this] { rechercher(); }); });
    connect(CBSuivant, &QPushButton::clicked, this, [this] { protéger([this] { suivant(); }); });
    connect(CBRExt, &QPushButton::clicked, this, [this] { protéger([this] { étendre(); }); });
    connect(CBRemplacer, &QPushButton::clicked, this, [this] { protéger([this] { remplacer(); }); });
    connect(CBRemplacerTout, &QPushButton::clicked, this, [this] { protéger([this] { remplacerTout(); }); });

    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [this] {
        protéger([] { OuvrirAide(Configuration::cheminAide(), QStringLiteral("recherche")); });
    });

    setFixedWidth(tw(Largeur));
    dispositionRecherche();
}

void FenRechercheRemplace::protéger(const std::function<void()>& gestionnaire) {
    try {
        gestionnaire();
    } catch (const std::exception& e) {
        AfficherErreurNonRépertoriée(QString::fromUtf8(e.what()));
    } catch (...) {
        AfficherErreurNonRépertoriée(QStringLiteral("Erreur inconnue dans la fenêtre de recherche."));
    }
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
