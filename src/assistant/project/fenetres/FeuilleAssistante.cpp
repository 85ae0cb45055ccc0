#include "assistant/project/fenetres/FeuilleAssistante.h"

#include "assistant/project/Assistante.h"
#include "assistant/project/ContexteAssistante.h"
#include "assistant/project/fenetres/OngletProjet.h"
#include "assistant/timers/BaseDeTemps.h"
#include "assistant/timers/Calculatrice.h"
#include "assistant/timers/Compteur.h"
#include "assistant/timers/EtatCalculatrice.h"
#include "assistant/timers/fenetres/OngletBaseDeTemps.h"
#include "assistant/timers/fenetres/OngletCompteur.h"
#include "assistant/timers/fenetres/OngletMLI.h"
#include "common/Messages.h"
#include "common/Nombres.h"
#include "common/Texte.h"
#include "makefile/PreferencesInterface.h"
#include "makefile/fenetres/FenConfiguration.h"
#include "noyau/ErreurNonRepertoriee.h"
#include "noyau/EtatGlobal.h"
#include "noyau/ValeursMakefile.h"
#include "ui/fenetres/BTL.h"
#include "ui/fenetres/Twips.h"
#include "ui/fenetres/VueDocumentRiche.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <utility>

namespace {

constexpr int Largeur = 10425; // twips

void message(const QString& texte, IconeMessage icône, bool modalSystème = false) {
    Message m;
    m.texte = texte;
    m.titre = TitreApplication();
    m.icône = icône;
    m.modalSystème = modalSystème;
    afficherMessage(m);
}

// Ce qui manque au makefile pour écrire du code juste ; vide s'il ne manque rien.
QString makefileIncomplet() {
    const ValeursMakefile& v = valeursMakefile();
    const QString sl = Texte::SautDeLigne;
    if (v.MicroContrôleurAbsent || v.MicroContrôleur.trimmed().isEmpty())
        return QStringLiteral("Le makefile du projet ne dit pas quel est le microcontrôleur (pas de ligne "
                              "« MCU = ») : je ne vais pas écrire du code pour une puce au hasard.") +
               sl + QStringLiteral("Choisissez le µC dans la configuration, puis rouvrez l'assistante.");
    // Au-delà de 2^31 − 1 Hz, l'horloge ne tient plus dans les calculs : aucune puce n'en est là.
    if (const auto hertz = hertzDeFCPU(v.FréquenceCPU); hertz && *hertz <= uint32_t(INT32_MAX)) return {};
    const QString lu = v.FréquenceCPULue.isEmpty() ? v.FréquenceCPU : v.FréquenceCPULue;
    return (lu.isEmpty()
                ? QStringLiteral("La fréquence du µC (« F_CPU = » du makefile) est vide.")
                : QStringLiteral("La fréquence du µC (« F_CPU = » du makefile) est illisible : « %1 ».")
                      .arg(lu)) +
           sl +
           QStringLiteral("Sans elle, mon chou, je ne calcule rien. Donnez-la en hertz dans la "
                          "configuration (par exemple 8000000), puis rouvrez l'assistante.");
}

QString imageOnglet() {
    return etatGlobal().DossierInstallation + QStringLiteral("/image/ongletcourant.ico");
}

} // namespace

FeuilleAssistante::FeuilleAssistante(QWidget* propriétaire)
    : QDialog(propriétaire), m_propriétaire(propriétaire) {
    setObjectName(QStringLiteral("FeuilleAssistante"));
    construire();
    m_chargement = charger();
    brancher();
}

FeuilleAssistante::~FeuilleAssistante() {
    Kit::débrancherEnfants(this);
    RTBVisuDuCodeBas->définirDocument(nullptr);
}

void FeuilleAssistante::construire() {
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    const auto tw = [this](int twips) { return Twips::versPixels(twips, this); };

    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    SSTab1->setToolTip(QStringLiteral("Double cliquez pour définir cet onglet comme onglet de démarrage."));
    m_mli = new OngletMLI(SSTab1);
    SSTab1->addTab(m_mli, QStringLiteral("MLI (PWM)"));
    m_compteur = new OngletCompteur(SSTab1);
    SSTab1->addTab(m_compteur, QStringLiteral("Compteur"));
    m_base = new OngletBaseDeTemps(SSTab1);
    SSTab1->addTab(m_base, QStringLiteral("Base de temps"));
    m_projet = new OngletProjet(SSTab1);
    SSTab1->addTab(m_projet, QStringLiteral("Créer un nouveau projet"));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAccessibleName(QStringLiteral("Assistante"));
    Image1->setFixedSize(tw(1800), tw(2400));
    Image1->setAlignment(Qt::AlignCenter);
    auto* portrait = new QVBoxLayout;
    portrait->addWidget(Image1);
    auto* haut = new QHBoxLayout;
    haut->addWidget(SSTab1, 1);
    haut->addLayout(portrait);

    RTBVisuDuCodeBas = new VueDocumentRiche(this);
    RTBVisuDuCodeBas->setObjectName(QStringLiteral("RTBVisuDuCodeBas"));
    RTBVisuDuCodeBas->setAccessibleName(QStringLiteral("Code généré"));
    RTBVisuDuCodeBas->setReadOnly(true);
    // Lecture seule, mais le texte se sélectionne au clavier (Maj+flèches) pour le copier.
    RTBVisuDuCodeBas->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    RTBVisuDuCodeBas->setLineWrapMode(QTextEdit::NoWrap);
    RTBVisuDuCodeBas->setMinimumHeight(tw(2400));
    RTBVisuDuCodeBas->définirDocument(&m_code);

    BVoir = Kit::bouton(QStringLiteral("BVoir"), QStringLiteral("&Voir le code"), this);
    BCopierSélection =
        Kit::bouton(QStringLiteral("BCopierSélection"), QStringLiteral("Copier la sélection"), this);
    BCopierTout = Kit::bouton(QStringLiteral("BCopierTout"), QStringLiteral("Copier &tout"), this);
    BTLRemplacerExistant =
        Kit::bouton(QStringLiteral("BTLRemplacerExistant"), QStringLiteral("&Remplacer l'existant"), this);
    BTLRemplacerExistant->hide();
    BAnnuler = Kit::bouton(QStringLiteral("BAnnuler"), QStringLiteral("Annuler"), this);
    Label10 = new QLabel(QStringLiteral("La fréquence du µC est :"), this);
    Label10->setObjectName(QStringLiteral("Label10"));
    TFCPU = new QLabel(this);
    TFCPU->setObjectName(QStringLiteral("TFCPU"));
    TFCPU->setAccessibleName(QStringLiteral("La fréquence du µC est :"));
    // Sous le portrait : la rangée des boutons garde sa place pour « Remplacer l'existant ».
    for (QLabel* l : {Label10, TFCPU}) {
        l->setToolTip(QStringLiteral("Cliquez pour revenir à la configuration."));
        l->setCursor(Qt::PointingHandCursor);
        l->installEventFilter(this);
        l->setAlignment(Qt::AlignHCenter);
        l->setWordWrap(true);
        l->setFixedWidth(tw(1800));
        portrait->addWidget(l);
    }
    portrait->addStretch(1);
    auto* boutons = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(BVoir), static_cast<QWidget*>(BCopierSélection),
                       static_cast<QWidget*>(BCopierTout), static_cast<QWidget*>(BTLRemplacerExistant)})
        boutons->addWidget(w);
    boutons->addStretch(1);
    boutons->addWidget(BAnnuler);

    // La vue du code prend toute la hauteur qui reste, jusqu'à 400 twips du bas.
    auto* colonne = new QVBoxLayout(this);
    colonne->setContentsMargins(tw(120), tw(120), tw(120), tw(400) / 2);
    colonne->addLayout(haut);
    colonne->addLayout(boutons);
    colonne->addWidget(RTBVisuDuCodeBas, 1);

    for (QPushButton* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);
    const QRect écran = screen() ? screen()->availableGeometry() : QRect(0, 0, 1280, 1024);
    const int hauteur = std::min(std::max(sizeHint().height(), tw(10200)), écran.height() - tw(600));
    setFixedWidth(tw(Largeur));
    resize(tw(Largeur), hauteur);
}

void FeuilleAssistante::brancher() {
    const Kit::Protection& p = m_protéger;
    const auto clic = &QPushButton::clicked;
    p.brancher(BVoir, clic, this, [this] { voirLeCode(); });
    p.brancher(BCopierSélection, clic, this, [this] { copierSélection(); });
    p.brancher(BCopierTout, clic, this, [this] { copierTout(); });
    p.brancher(BTLRemplacerExistant, clic, this, [this] { remplacerExistant(); });
    p.brancher(BAnnuler, clic, this, [this] { reject(); });
    p.brancher(m_projet, &OngletProjet::vitesseChoisie, this,
               [this](const QString& v) { choisirVitesse(v); });
    p.brancher(SSTab1, &QTabWidget::currentChanged, this, [this](int i) { changerOnglet(i); });
    p.brancher(SSTab1->tabBar(), &QTabBar::tabBarDoubleClicked, this,
               [this](int i) { définirOngletDeDémarrage(i); });
}

// --- Chargement -------------------------------------------------------------------------------

FeuilleAssistante::Chargement FeuilleAssistante::charger() {
    const EtatGlobal& e = etatGlobal();
    ContexteAssistante& contexte = contexteAssistante();
    const QString composantPrécédent = contexte.nomComposant;
    contexte.recharger();
    etatCalculatrice().réinitialiser();

    // Réglages relus, onglet de démarrage et sa marque ; les onglets des timers restent grisés
    // tant que le composant n'est pas chargé, et le disent.
    LirePréférencesInterface();
    int départ = Assistante::ongletDeDémarrage();
    for (const int timer : {1, 2}) {
        SSTab1->setTabEnabled(timer, false);
        SSTab1->setTabToolTip(timer, QStringLiteral("Patience, mon chou : cet onglet s'allume quand le "
                                                    "microcontrôleur du makefile est chargé."));
    }
    if (!SSTab1->isTabEnabled(départ)) départ = 0;
    {
        const QSignalBlocker bloqueur(SSTab1);
        SSTab1->setCurrentIndex(départ);
    }
    marquerOnglet(départ);
    BTLRemplacerExistant->setVisible(départ == 3);

    m_projet->remplir(e.DossierInstallation + QStringLiteral("/Modèle"), Assistante::vitesseDuMakefile());
    m_mli->remplirModes();

    // L'image, puis le fichier des possibilités : chaque échec a son propre message.
    setWindowTitle(e.NomSkin + QStringLiteral(", votre assistante de programmation"));
    if (!e.ImageFenêtreSkin.isEmpty()) {
        const QPixmap image(e.RépertoireSkin + e.ImageFenêtreSkin);
        if (image.isNull()) {
            message(QStringLiteral("L'image de l'assistante ") + e.RépertoireSkin + e.ImageFenêtreSkin +
                        QStringLiteral(" n'a pas été trouvée."),
                    IconeMessage::Critique);
            return Chargement::ImageIllisible;
        }
        Image1->setPixmap(image.scaled(Image1->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    contexte.fichierConfiguration = e.FichierConfiguration.isEmpty()
                                        ? e.DossierInstallation + QStringLiteral("/Configuration.xml")
                                        : e.FichierConfiguration;
    if (const QString manque = makefileIncomplet(); !manque.isEmpty()) {
        message(manque, IconeMessage::Critique, true);
        return Chargement::MakefileIncomplet;
    }
    try {
        if (!CapacitesComposant::lire(contexte.fichierConfiguration, valeursMakefile().MicroContrôleur,
                                      contexte.composant)) {
            message(Assistante::messageComposantAbsent(), IconeMessage::Critique, true);
            return Chargement::ComposantAbsent;
        }
    } catch (const ErreurConfiguration& erreur) {
        // Ce que le lecteur a trouvé (élément, attribut) dit quoi réparer.
        message(erreur.texte() + Texte::SautDeLigne + Texte::SautDeLigne + QStringLiteral("Détail : ") +
                    erreur.détail(),
                IconeMessage::Critique);
        return Chargement::FichierIllisible;
    }
    contexte.nomComposant = contexte.composant.nom;
    contexte.cheminComposant = contexte.composant.chemin;
    m_mli->remplir(&contexte.composant, e.DossierInstallation + QStringLiteral("/Modèle"));
    contexte.adopterPorts(ConfigurationPorts::ports(contexte.composant), composantPrécédent);
    activerOngletsTimers();
    return Chargement::Complet;
}

// Les onglets des timers s'ouvrent quand le composant a un timer qui sait faire ; sinon la bulle dit
// pourquoi. Leur onglet de démarrage, grisé au départ, vaut dès qu'ils s'ouvrent.
void FeuilleAssistante::activerOngletsTimers() {
    const CapacitésComposant& c = contexteAssistante().composant;
    const QString pourquoi = BaseDeTemps::pourquoiAucunTimer(c);
    SSTab1->setTabEnabled(2, pourquoi.isEmpty());
    SSTab1->setTabToolTip(2, pourquoi);
    const QString sansEntrée = Compteur::pourquoiAucuneEntrée(c);
    SSTab1->setTabEnabled(1, sansEntrée.isEmpty());
    SSTab1->setTabToolTip(1, sansEntrée);
    m_compteur->remplir(&c);
    m_base->remplir(&c, hertzDeFCPU(valeursMakefile().FréquenceCPU).value_or(0));
    const int voulu = Assistante::ongletDeDémarrage();
    if ((voulu == 1 || voulu == 2) && SSTab1->isTabEnabled(voulu)) {
        const QSignalBlocker bloqueur(SSTab1);
        SSTab1->setCurrentIndex(voulu);
        marquerOnglet(voulu);
        BTLRemplacerExistant->setVisible(false);
    }
}

void FeuilleAssistante::marquerOnglet(int onglet) {
    const QIcon marque(imageOnglet());
    for (int i = 0; i < SSTab1->count(); ++i)
        SSTab1->setTabIcon(i, i == onglet ? marque : QIcon());
}

// --- Ouverture et fermeture -------------------------------------------------------------------

void FeuilleAssistante::exécuter() {
    EtatGlobal& e = etatGlobal();
    switch (m_chargement) {
    case Chargement::ComposantAbsent:
    case Chargement::MakefileIncomplet:
        // La configuration se remontre, pour choisir un autre composant.
        e.AppelantAssistante = QStringLiteral("Configurateur");
        return;
    case Chargement::FichierIllisible:
        // Rien ne peut marcher sans le fichier : le programme se termine, en échec.
        e.AppelantAssistante = QStringLiteral("Ligne de commande");
        e.CodeDeSortie = CodeSortie::Erreur;
        return;
    case Chargement::ImageIllisible:
    case Chargement::Complet:
        break;
    }
    setWindowModality(Qt::ApplicationModal);
    exec();
}

void FeuilleAssistante::ouvrir(QWidget* propriétaire) {
    FeuilleAssistante fenêtre(propriétaire);
    fenêtre.exécuter();
}

void FeuilleAssistante::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    Kit::centrer(this);
    // Une fois par ouverture, pas à chaque retour d'une boîte de message.
    if (m_activée) return;
    m_activée = true;
    TFCPU->setText(Calculatrice::ConvertitFréquence(hertzDeFCPU(valeursMakefile().FréquenceCPU).value_or(0)));
    if (m_chargement != Chargement::Complet) return;
    m_protéger([this] { m_mli->activer(); });
    // La fréquence se tape dès l'ouverture.
    if (SSTab1->currentIndex() == 0) m_mli->TFrequence->setFocus();
    if (SSTab1->currentIndex() == 2) m_base->TPériodeBase->setFocus();
}

void FeuilleAssistante::changeEvent(QEvent* e) {
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        AppliquerSilence(this, préférencesInterface().Silence);
    QDialog::changeEvent(e);
}

bool FeuilleAssistante::eventFilter(QObject* objet, QEvent* e) {
    if ((objet == TFCPU || objet == Label10) && e->type() == QEvent::MouseButtonRelease) {
        m_protéger([this] { retourConfiguration(); });
        return true;
    }
    return QDialog::eventFilter(objet, e);
}

void FeuilleAssistante::keyPressEvent(QKeyEvent* e) {
    // Entrée valide un champ ; elle ne ferme pas la fenêtre.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void FeuilleAssistante::done(int résultat) {
    // Fermée (Échap, Annuler, case de fermeture) : le champ qui perd alors le focus ne valide plus
    // rien, et la fermeture ne pose aucune question.
    Kit::débrancherEnfants(m_mli);
    QDialog::done(résultat);
}

void FeuilleAssistante::retourConfiguration() {
    etatGlobal().AppelantAssistante = QStringLiteral("Configurateur");
    reject();
}

// --- Onglets ----------------------------------------------------------------------------------

void FeuilleAssistante::changerOnglet(int onglet) {
    RTBInvisible.vider();
    BTLRemplacerExistant->setVisible(onglet == 3);
}

void FeuilleAssistante::définirOngletDeDémarrage(int onglet) {
    if (onglet < 0 || !SSTab1->isTabEnabled(onglet)) return;
    marquerOnglet(onglet);
    Assistante::définirOngletDeDémarrage(onglet);
}

// --- Code -------------------------------------------------------------------------------------

void FeuilleAssistante::générerLeCode() {
    m_code.vider();
    // La vue lâche l'ancien code avant la génération : un gros modèle n'est jamais tenu deux fois.
    RTBVisuDuCodeBas->rafraîchir();
    RTBInvisible.vider();
    bool généré = false;
    if (m_chargement == Chargement::Complet) {
        if (SSTab1->currentIndex() == 0)
            généré = m_mli->générer(RTBInvisible);
        else if (SSTab1->currentIndex() == 1)
            généré = m_compteur->générer(RTBInvisible);
        else if (SSTab1->currentIndex() == 2)
            généré = m_base->générer(RTBInvisible);
        else if (SSTab1->currentIndex() == 3)
            généré = m_projet->générer(RTBInvisible);
    }
    // Le code généré passe du tampon au document de la vue sans copie ; le tampon repart vide.
    if (généré) m_code = std::exchange(RTBInvisible, DocumentRiche());
}

void FeuilleAssistante::voirLeCode() {
    générerLeCode();
    RTBVisuDuCodeBas->rafraîchir();
}

void FeuilleAssistante::copierSélection() {
    RTBVisuDuCodeBas->copy();
}

void FeuilleAssistante::copierTout() {
    // Tout le texte, quelle que soit sa longueur.
    QApplication::clipboard()->setText(RTBVisuDuCodeBas->toPlainText());
}

void FeuilleAssistante::remplacerExistant() {
    if (SSTab1->currentIndex() != 3 || m_chargement != Chargement::Complet) return;
    // La question dit où l'ancien sera gardé : l'utilisateur sait où le retrouver.
    const QString copie = Assistante::copieDuSource();
    const QString gardé = copie.isEmpty() ? QString()
                                          : QStringLiteral("L'ancien sera gardé sous le nom ") +
                                                QDir::toNativeSeparators(copie) + QStringLiteral(".") +
                                                Texte::SautDeLigne;
    if (!confirmer(QStringLiteral("Cette action va écraser votre fichier source ") + Texte::SautDeLigne +
                       etatGlobal().FichierC + QStringLiteral(".") + Texte::SautDeLigne + gardé +
                       Texte::SautDeLigne + QStringLiteral("Êtes-vous sûr ?"),
                   IconeMessage::Exclamation))
        return;
    // Le texte écrit est celui que l'onglet du projet donne à l'instant, montré dans la vue :
    // jamais un reste de l'onglet MLI ni un tampon d'avant.
    // Écrit avant d'être montré : la mise en page de la vue, le plus gros de la mémoire, ne
    // s'ajoute pas à l'écriture d'un gros source.
    générerLeCode();
    const bool écrit = !m_code.texte().isEmpty() && Assistante::RemplacerFichierSource(m_code.texte());
    RTBVisuDuCodeBas->rafraîchir();
    if (!écrit) return;
    message(QStringLiteral("Vous devrez accepter que votre EDI recharge le fichier."),
            IconeMessage::Information, true);
    // Ouverte depuis la configuration, celle-ci revient comme sur « Annuler » : ses changements
    // non enregistrés attendent son OK. Sinon le programme se termine.
    EtatGlobal& e = etatGlobal();
    if (e.AppelantAssistante != u"Configurateur") e.AppelantAssistante = QStringLiteral("Ligne de commande");
    accept();
}

void FeuilleAssistante::choisirVitesse(const QString& vitesse) {
    auto* configuration = qobject_cast<FenConfiguration*>(m_propriétaire);
    DocumentRiche* makefile = configuration ? &configuration->configuration().RTBMakefile : nullptr;
    const bool écrite = Assistante::ÉcrireVitesseSérie(vitesse, makefile);
    // Écrite ou non, la liste montre ce que dit le makefile.
    m_projet->montrerVitesse(écrite ? vitesse : Assistante::vitesseDuMakefile());
    if (!écrite || !configuration) return;
    if (auto* vue = configuration->findChild<VueDocumentRiche*>(QStringLiteral("RTBMakefile")))
        vue->rafraîchir();
}
