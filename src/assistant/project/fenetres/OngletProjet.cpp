#include "assistant/project/fenetres/OngletProjet.h"

#include "assistant/project/Assistante.h"
#include "assistant/project/ConfigurationPorts.h"
#include "assistant/project/ContexteAssistante.h"
#include "assistant/project/fenetres/FPort.h"
#include "common/Messages.h"
#include "common/Texte.h"
#include "noyau/EtatGlobal.h"
#include "noyau/ValeursMakefile.h"
#include "ui/fenetres/BTL.h"
#include "ui/fenetres/Twips.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const char* const NomsCases[NombrePériphériques] = {"RCBLCD", "RCBCAN", "RCBRS232", "RCBTimers", "RCBDelay"};
const char* const TextesCases[NombrePériphériques] = {
    "Afficheur LCD (Compatible Hitachi HD44780U).", "Convertisseur Analogique Numérique.",
    "Communication série RS232.", "Timers.", "Temporisation (delay)."};

// La liste déroulée est assez large pour sa plus longue forme, 5 pixels de plus.
void largeurDéroulée(QComboBox* liste, const QString& plusLongue) {
    const int largeur = liste->fontMetrics().horizontalAdvance(plusLongue) + 5;
    liste->view()->setMinimumWidth(std::max(liste->width(), largeur + liste->view()->frameWidth() * 2));
}

// Sélectionne l'index s'il existe, rien sinon.
void sélectionner(QComboBox* liste, int index) {
    liste->setCurrentIndex(index >= 0 && index < liste->count() ? index : -1);
}

QString fichierParamètres() {
    return etatGlobal().FichierParamètres;
}

} // namespace

OngletProjet::OngletProjet(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("OngletProjet"));
    construire();
    brancher();
}

OngletProjet::~OngletProjet() {
    Kit::débrancherEnfants(this);
}

void OngletProjet::construire() {
    auto* milieu = new QHBoxLayout;
    auto* commentaire = new QGroupBox(QStringLiteral("Commentaire"), this);
    commentaire->setObjectName(QStringLiteral("FrameCommentaire"));
    TCommentaire = new QPlainTextEdit(commentaire);
    TCommentaire->setObjectName(QStringLiteral("TCommentaire"));
    TCommentaire->setAccessibleName(QStringLiteral("Commentaire"));
    // Tab passe au contrôle suivant : le commentaire n'en a pas besoin.
    TCommentaire->setTabChangesFocus(true);
    (new QVBoxLayout(commentaire))->addWidget(TCommentaire);
    milieu->addWidget(commentaire, 1);
    milieu->addWidget(construirePériphériques());

    auto* colonne = new QVBoxLayout(this);
    colonne->addWidget(construireDétails());
    colonne->addLayout(milieu, 1);
    colonne->addWidget(construireBoutons());
    construireFlottants();
}

template <class Contrôle>
Contrôle* OngletProjet::contrôle(const QString& nom, const QString& légende, QGridLayout* grille, int ligne,
                                 int colonne) {
    auto* c = new Contrôle(grille->parentWidget());
    c->setObjectName(nom);
    grille->addWidget(Kit::légende(QStringLiteral("L") + nom, légende, grille->parentWidget(), c), ligne,
                      colonne);
    grille->addWidget(c, ligne, colonne + 1);
    return c;
}

QWidget* OngletProjet::construireDétails() {
    auto* zone = new QWidget(this);
    auto* g = new QGridLayout(zone);
    g->setContentsMargins(0, 0, 0, 0);
    TProjet = contrôle<QLineEdit>(QStringLiteral("TProjet"), QStringLiteral("&Nom du projet :"), g, 0, 0);
    TVersion = contrôle<QLineEdit>(QStringLiteral("TVersion"), QStringLiteral("Versi&on :"), g, 0, 2);
    TAuteur = contrôle<QLineEdit>(QStringLiteral("TAuteur"), QStringLiteral("&Auteur :"), g, 1, 0);
    TEntreprise =
        contrôle<QLineEdit>(QStringLiteral("TEntreprise"), QStringLiteral("&Entreprise :"), g, 1, 2);
    CBDate = contrôle<QComboBox>(QStringLiteral("CBDate"), QStringLiteral("&Date :"), g, 2, 0);
    CBHeure = contrôle<QComboBox>(QStringLiteral("CBHeure"), QStringLiteral("&Heure :"), g, 2, 2);
    ListeModèle = contrôle<QComboBox>(QStringLiteral("ListeModèle"), QStringLiteral("&Modèle :"), g, 3, 0);
    CBBaud = contrôle<QComboBox>(QStringLiteral("CBBaud"), QStringLiteral("Vitesse &série :"), g, 3, 2);
    // Une vitesse hors de la liste se tape (Entrée l'écrit) : des chiffres seulement, 7 au plus,
    // sans zéro en tête.
    CBBaud->setEditable(true);
    CBBaud->setInsertPolicy(QComboBox::NoInsert);
    CBBaud->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[1-9][0-9]{0,6}")), CBBaud));
    g->setColumnStretch(1, 3);
    g->setColumnStretch(3, 2);
    return zone;
}

QWidget* OngletProjet::construirePériphériques() {
    auto* cadre = new QGroupBox(QStringLiteral("Inclure"), this);
    cadre->setObjectName(QStringLiteral("FrameInclure"));
    auto* l = new QVBoxLayout(cadre);
    for (int i = 0; i < NombrePériphériques; ++i) {
        RCB[size_t(i)] =
            Kit::caseÀCocher(QString::fromUtf8(NomsCases[i]), QString::fromUtf8(TextesCases[i]), cadre);
        l->addWidget(RCB[size_t(i)]);
    }
    return cadre;
}

QWidget* OngletProjet::construireBoutons() {
    auto* zone = new QWidget(this);
    auto* l = new QHBoxLayout(zone);
    l->setContentsMargins(0, 0, 0, 0);
    BTLPort = Kit::bouton(QStringLiteral("BTLPort"), QStringLiteral("Configurer les &ports"), zone);
    CBChargerProfil =
        Kit::bouton(QStringLiteral("CBChargerProfil"), QStringLiteral("&Charger un profil"), zone);
    CBSauverProfil = Kit::bouton(QStringLiteral("CBSauverProfil"), QStringLiteral("Sauver &le profil"), zone);
    CBSupprimerProfil =
        Kit::bouton(QStringLiteral("CBSupprimerProfil"), QStringLiteral("S&upprimer le profil"), zone);
    l->addWidget(BTLPort);
    l->addStretch(1);
    for (BTL* b : {CBChargerProfil, CBSauverProfil, CBSupprimerProfil})
        l->addWidget(b);
    return zone;
}

// La liste des profils et le cadre du nom flottent au-dessus de l'onglet, cachés jusqu'à l'usage.
void OngletProjet::construireFlottants() {
    RLBProfil = new QListWidget(this);
    RLBProfil->setObjectName(QStringLiteral("RLBProfil"));
    RLBProfil->setAccessibleName(QStringLiteral("Profils"));
    RLBProfil->hide();
    RLBProfil->installEventFilter(this);
    LProfil = Kit::légende(QStringLiteral("LProfil"), QString(), this);
    LProfil->setAutoFillBackground(true);
    LProfil->hide();

    RFSaisie = new QGroupBox(QStringLiteral("Saisir le nom du profil puis Entrée"), this);
    RFSaisie->setObjectName(QStringLiteral("RFSaisie"));
    RFSaisie->setAutoFillBackground(true);
    RTBSaisie = new QLineEdit(RFSaisie);
    RTBSaisie->setObjectName(QStringLiteral("RTBSaisie"));
    RTBSaisie->setAccessibleName(RFSaisie->title());
    RTBSaisie->installEventFilter(this);
    BTLX = Kit::bouton(QStringLiteral("BTLX"), QStringLiteral("X"), RFSaisie, QString(),
                       QStringLiteral("Fermer"));
    auto* l = new QHBoxLayout(RFSaisie);
    l->addWidget(RTBSaisie, 1);
    l->addWidget(BTLX);
    RFSaisie->resize(Twips::versPixels(3900, this), RFSaisie->sizeHint().height());
    RFSaisie->hide();
}

void OngletProjet::brancher() {
    const Kit::Protection& p = m_protéger;
    const auto clic = &QPushButton::clicked;
    p.brancher(BTLPort, clic, this, [this] { configurerPorts(); });
    p.brancher(CBChargerProfil, clic, this, [this] { montrerProfils(true); });
    p.brancher(CBSupprimerProfil, clic, this, [this] { montrerProfils(false); });
    p.brancher(CBSauverProfil, clic, this, [this] { saisirNomProfil(); });
    p.brancher(BTLX, clic, this, [this] { fermerSaisie(); });
    p.brancher(RTBSaisie, &QLineEdit::returnPressed, this, [this] { sauverProfil(); });
    p.brancher(RLBProfil, &QListWidget::itemClicked, this,
               [this](QListWidgetItem* i) { choisirProfil(RLBProfil->row(i)); });
    p.brancher(RLBProfil, &QListWidget::itemActivated, this,
               [this](QListWidgetItem* i) { choisirProfil(RLBProfil->row(i)); });
    connect(CBBaud, &QComboBox::activated, this, [this](int i) { emit vitesseChoisie(CBBaud->itemText(i)); });
    connect(CBBaud->lineEdit(), &QLineEdit::returnPressed, this, [this] {
        // Entrée sur une liste vide ne choisit rien.
        if (!CBBaud->lineEdit()->text().isEmpty()) emit vitesseChoisie(CBBaud->lineEdit()->text());
    });
}

bool OngletProjet::eventFilter(QObject* objet, QEvent* e) {
    if (objet == RLBProfil && e->type() == QEvent::Hide) LProfil->hide();
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
        // Échap referme la liste ou le cadre, pas l'assistante.
        if (objet == RLBProfil)
            RLBProfil->hide();
        else if (objet == RTBSaisie)
            fermerSaisie();
        else
            return QWidget::eventFilter(objet, e);
        return true;
    }
    return QWidget::eventFilter(objet, e);
}

// --- Chargement -------------------------------------------------------------------------------

void OngletProjet::remplir(const QString& dossierModèles, const QString& vitesseMakefile) {
    m_dossierModèles = dossierModèles;
    ListeModèle->clear();
    const QStringList modèles = GenerateurProjet::listeModèles(dossierModèles);
    ListeModèle->addItems(modèles);
    ListeModèle->setCurrentIndex(-1);
    QString plusLong;
    for (const QString& m : modèles)
        if (ListeModèle->fontMetrics().horizontalAdvance(m) >
            ListeModèle->fontMetrics().horizontalAdvance(plusLong))
            plusLong = m;
    largeurDéroulée(ListeModèle, plusLong);

    // Formes du moment, dans la langue de l'utilisateur.
    const QLocale langue;
    const QDateTime maintenant = QDateTime::currentDateTime();
    const QDate d = maintenant.date();
    const QTime t = maintenant.time();
    CBDate->clear();
    for (const char* forme : {"dd/MM/yy", "dd/MM/yyyy", "d-MMM-yyyy", "dddd d MMMM yyyy"})
        CBDate->addItem(langue.toString(d, QString::fromLatin1(forme)));
    CBDate->setCurrentIndex(-1);
    largeurDéroulée(CBDate, CBDate->itemText(3));
    CBHeure->clear();
    CBHeure->addItems({t.toString(QStringLiteral("HH:mm:ss")), t.toString(QStringLiteral("HH:mm")),
                       t.toString(QStringLiteral("HH")) + QStringLiteral(" h ") +
                           QString::number(t.minute()) + QStringLiteral(" min")});
    CBHeure->setCurrentIndex(-1);
    largeurDéroulée(CBHeure, CBHeure->itemText(2));

    const QSignalBlocker bloqueur(CBBaud);
    CBBaud->clear();
    CBBaud->addItems(
        {QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"), QStringLiteral("57600")});
    montrerVitesse(vitesseMakefile);
}

void OngletProjet::montrerVitesse(const QString& vitesse) {
    const QSignalBlocker bloqueur(CBBaud);
    if (!Assistante::vitesseSérieValide(vitesse)) {
        CBBaud->setCurrentIndex(-1);
        return;
    }
    if (CBBaud->findText(vitesse) < 0) CBBaud->addItem(vitesse);
    CBBaud->setCurrentIndex(CBBaud->findText(vitesse));
}

QString OngletProjet::vitesseMontrée() const {
    return CBBaud->currentIndex() < 0 ? QString() : CBBaud->itemText(CBBaud->currentIndex());
}

// --- Génération -------------------------------------------------------------------------------

EntréesProjet OngletProjet::entrées() const {
    const ContexteAssistante& c = contexteAssistante();
    EntréesProjet e;
    e.détails.Version = TVersion->text();
    e.détails.Nom = TProjet->text();
    e.détails.Auteur = TAuteur->text();
    e.détails.Entreprise = TEntreprise->text();
    e.détails.Commentaire = TCommentaire->toPlainText();
    e.détails.Date = CBDate->currentIndex() < 0 ? QString() : CBDate->currentText();
    e.détails.Heure = CBHeure->currentIndex() < 0 ? QString() : CBHeure->currentText();
    e.microContrôleur = c.nomComposant;
    e.fréquenceCPU = valeursMakefile().FréquenceCPU;
    for (int i = 0; i < NombrePériphériques; ++i)
        e.périphériques[size_t(i)] = RCB[size_t(i)]->isChecked();
    e.textePorts = ConfigurationPorts::texteConfiguration(c.tablePorts, c.ports);
    // La liste montre toujours la vitesse du makefile : le bloc série est fait pour elle.
    e.vitesseSérie = vitesseMontrée();
    e.fichierConfiguration = c.fichierConfiguration;
    e.dossierModèles = m_dossierModèles;
    e.modèle = ListeModèle->currentIndex() < 0 ? QString() : ListeModèle->currentText();
    e.locale = QLocale();
    return e;
}

bool OngletProjet::générer(DocumentRiche& RTBInvisible) {
    const RésultatProjet r = GénérerLeCodeProjet(entrées(), RTBInvisible);
    // Sans choix, le premier modèle sert et devient le choix.
    if (r.généré && ListeModèle->currentIndex() < 0)
        ListeModèle->setCurrentIndex(ListeModèle->findText(r.modèle));
    return r.généré;
}

void OngletProjet::configurerPorts() {
    FPort fenêtre(contexteAssistante(), window());
    fenêtre.exec();
}

// --- Profils ----------------------------------------------------------------------------------

Profil OngletProjet::profilActuel() const {
    Profil p;
    for (int i = 0; i < NombrePériphériques; ++i)
        p.includes[size_t(i)] = RCB[size_t(i)]->isChecked();
    for (const LignePort& l : contexteAssistante().tablePorts)
        p.ports.push_back({l.nom, l.direction, l.pullUp, l.ignorer});
    p.baud = vitesseMontrée();
    p.modèle = ListeModèle->currentIndex();
    p.nomModèle = p.modèle < 0 ? QString() : ListeModèle->currentText();
    p.formatDate = CBDate->currentIndex();
    p.formatHeure = CBHeure->currentIndex();
    p.version = TVersion->text();
    p.auteur = TAuteur->text();
    p.entreprise = TEntreprise->text();
    p.commentaires = TCommentaire->toPlainText();
    return p;
}

void OngletProjet::appliquerProfil(const Profil& p) {
    for (int i = 0; i < NombrePériphériques; ++i)
        RCB[size_t(i)]->setChecked(p.includes[size_t(i)]);
    QStringList modèles;
    for (int i = 0; i < ListeModèle->count(); ++i)
        modèles << ListeModèle->itemText(i);
    sélectionner(ListeModèle, Profils::indexModèle(p, modèles));
    sélectionner(CBDate, p.formatDate);
    sélectionner(CBHeure, p.formatHeure);
    TVersion->setText(p.version);
    TAuteur->setText(p.auteur);
    TEntreprise->setText(p.entreprise);
    TCommentaire->setPlainText(p.commentaires);
    // La vitesse du profil ne va au makefile que si l'utilisateur l'accepte, comme un choix à la main.
    if (p.baud.isEmpty() || p.baud == vitesseMontrée()) return;
    if (!Assistante::vitesseSérieValide(p.baud)) {
        afficherMessage(Assistante::messageVitesseRefusée(p.baud), IconeMessage::Exclamation);
        return;
    }
    const QString actuelle = vitesseMontrée().isEmpty() ? QStringLiteral("aucune vitesse (BAUD vide)")
                                                        : QStringLiteral("BAUD = ") + vitesseMontrée();
    if (!confirmer(QStringLiteral("Le profil choisit la vitesse série ") + p.baud +
                       QStringLiteral(" bauds ; le makefile a ") + actuelle + u'.' + Texte::SautDeLigne +
                       Texte::SautDeLigne + QStringLiteral("Écrire ") + p.baud +
                       QStringLiteral(" dans le makefile ?"),
                   IconeMessage::Question))
        return;
    emit vitesseChoisie(p.baud);
}

void OngletProjet::montrerProfils(bool charger) {
    m_modeChargement = charger;
    fermerSaisie();
    const QStringList noms = Profils::noms(fichierParamètres());
    if (noms.isEmpty()) {
        afficherMessage(QStringLiteral("Aucun profil n'est enregistré."), IconeMessage::Information);
        return;
    }
    RLBProfil->clear();
    RLBProfil->addItems(noms);
    // Le haut de la liste à 1560 twips au-dessus du bouton, sans sortir de l'onglet.
    const BTL* bouton = charger ? CBChargerProfil : CBSupprimerProfil;
    const QPoint coin = bouton->mapTo(this, QPoint(0, 0));
    // La liste dit ce que fera le clic, sur sa légende ; aucun profil n'est choisi d'avance.
    LProfil->setText(charger ? QStringLiteral("Profil à charger :") : QStringLiteral("Profil à supprimer :"));
    Kit::associer(LProfil, RLBProfil);
    LProfil->adjustSize();
    const int hauteur = std::max(1, std::min(Twips::versPixels(1560, this), coin.y() - LProfil->height()));
    RLBProfil->setGeometry(std::min(coin.x(), width() - bouton->width() * 3 / 2), coin.y() - hauteur,
                           bouton->width() * 3 / 2, hauteur);
    LProfil->move(RLBProfil->x(), RLBProfil->y() - LProfil->height());
    RLBProfil->setCurrentIndex(QModelIndex());
    LProfil->show();
    LProfil->raise();
    RLBProfil->show();
    RLBProfil->raise();
    RLBProfil->setFocus();
}

void OngletProjet::choisirProfil(int index) {
    // Un clic puis une activation du même choix ne le traitent qu'une fois.
    if (!RLBProfil->isVisible() || index < 0) return;
    RLBProfil->hide();
    ContexteAssistante& c = contexteAssistante();
    if (m_modeChargement) {
        Profil p = profilActuel();
        if (!Profils::charger(fichierParamètres(), index, p, &c.cheminProfil)) return;
        Profils::appliquerPorts(p, c.tablePorts);
        appliquerProfil(p);
        return;
    }
    if (confirmer(QStringLiteral("Attention vous allez supprimer le profil ") +
                      Profils::nom(fichierParamètres(), index) + u'.' + Texte::SautDeLigne +
                      QStringLiteral("Êtes-vous sûr ?"),
                  IconeMessage::Critique))
        Profils::supprimer(fichierParamètres(), index);
}

void OngletProjet::saisirNomProfil() {
    RLBProfil->hide();
    const int x = std::min(Twips::versPixels(3480, this), width() - RFSaisie->width());
    const int y = std::min(Twips::versPixels(1800, this), height() - RFSaisie->height());
    RFSaisie->move(std::max(0, x), std::max(0, y));
    RFSaisie->show();
    RFSaisie->raise();
    RTBSaisie->setFocus();
}

void OngletProjet::sauverProfil() {
    // Un nom refusé laisse le cadre ouvert pour le corriger.
    if (Profils::sauver(fichierParamètres(), RTBSaisie->text(), profilActuel(),
                        &contexteAssistante().cheminProfil))
        fermerSaisie();
}

void OngletProjet::fermerSaisie() {
    if (!RFSaisie->isVisible()) return;
    RFSaisie->hide();
    CBSauverProfil->setFocus();
}
