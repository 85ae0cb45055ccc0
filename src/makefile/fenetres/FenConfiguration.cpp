#include "makefile/fenetres/FenConfiguration.h"

#include "common/Messages.h"
#include "makefile/ParametreMakefile.h"
#include "makefile/PreferencesInterface.h"
#include "makefile/RechercheRemplace.h"
#include "makefile/fenetres/AccesFenetres.h"
#include "makefile/fenetres/FenRechercheRemplace.h"
#include "noyau/ErreurNonRepertoriee.h"
#include "noyau/EtatGlobal.h"
#include "noyau/Parametres.h"
#include "ui/fenetres/APropos.h"
#include "ui/fenetres/ApplicationGraphique.h"
#include "ui/fenetres/BTL.h"
#include "ui/fenetres/Dialogues.h"
#include "ui/fenetres/InfoBulle.h"
#include "ui/fenetres/KitFenetres.h"
#include "ui/fenetres/Twips.h"
#include "ui/fenetres/VueDocumentRiche.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QEventLoop>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QRadioButton>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>
#include <map>
#include <stdexcept>

namespace {

// Largeur des légendes des listes, pour aligner les listes entre elles.
constexpr int LargeurLégende = 1560; // twips
// Abscisse de la vue du makefile, juste après la largeur repliée.
constexpr int GaucheVue = Configuration::LargeurRepliée + 60;
// Décalage de la fenêtre de recherche depuis le bord gauche de la configuration.
constexpr int BordDroitRecherche = 5600;

// Une bulle d'aide : zone survolée, titre, texte, largeur en twips, et si PlusDeBulles la coupe.
struct Bulle {
    QString titre;
    QString texte;
    int largeur;
    bool selonPréférence;
};

const QString TexteFréquence = QStringLiteral(
    "Indiquez ici la fréquence du µC. Elle sera alors disponible dans tous les sources sous le nom F_CPU.");
const QString TexteFréquenceCourt =
    QStringLiteral("Le paramètre fréquence sera disponnible dans tous les source sous le nom F_CPU.");
const QString TexteOptimisation = QStringLiteral(
    "Les méthodes 1, 2 et 3 donnent des résultats différents sans présumer de laquelle est la meilleur.");
const QString TexteDéboggage = QStringLiteral(
    "Pour AVRStudio, SimulAVR et Proteus (à partir de 6.8), choisir Dwarf-2, Pour Proteus (avant "
    "6.8) choisir Stabs + Ext Coff.");
const QString TexteOccupation = QStringLiteral(
    "En cochant cette case, Vous demandez l'affichage de l'occupation mémoire en fin de compilation.");

// Zone de survol sans légende, qui contient les contrôles qu'elle couvre.
QLabel* zone(const QString& nom, QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setObjectName(nom);
    l->setMouseTracking(true);
    return l;
}

QComboBox* liste(const QString& nom, QLabel* étiquette, QWidget* parent) {
    auto* l = new QComboBox(parent);
    l->setObjectName(nom);
    l->setEditable(true);
    l->setInsertPolicy(QComboBox::NoInsert);
    l->setMaxVisibleItems(20);
    // Un texte tapé reste tel quel : pas de complétion qui le remplacerait par une entrée.
    l->setCompleter(nullptr);
    Kit::associer(étiquette, l);
    return l;
}

// Une option d'un groupe exclusif, nommée « nom(i) », ajoutée à la colonne de son cadre.
QRadioButton* option(QButtonGroup* groupe, QVBoxLayout* colonne, const QString& nom, const QString& texte,
                     int i) {
    auto* o = new QRadioButton(texte, colonne->parentWidget());
    o->setObjectName(QStringLiteral("%1(%2)").arg(nom).arg(i));
    groupe->addButton(o, i);
    colonne->addWidget(o);
    return o;
}

QHBoxLayout* ligne(std::initializer_list<QWidget*> contrôles, int espacement = 6) {
    auto* h = new QHBoxLayout;
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(espacement);
    for (QWidget* c : contrôles)
        h->addWidget(c);
    return h;
}

void cocherSansSignal(QAbstractButton* b, bool coché) {
    if (b->isChecked() == coché) return;
    const QSignalBlocker bloqueur(b);
    b->setChecked(coché);
}

// Choisit l'option indice d'un groupe exclusif ; -1 : aucune.
void choisirDansGroupe(QButtonGroup* groupe, int indice) {
    QAbstractButton* voulu = groupe->button(indice);
    if (voulu && voulu->isChecked()) return;
    const QSignalBlocker bloqueur(groupe);
    if (!voulu) {
        groupe->setExclusive(false);
        for (QAbstractButton* b : groupe->buttons())
            cocherSansSignal(b, false);
        groupe->setExclusive(true);
        return;
    }
    cocherSansSignal(voulu, true);
}

} // namespace

// Les étapes du chargement que la fenêtre fait elle-même.
class ChargementFenêtre final : public FenêtreEnChargement {
public:
    explicit ChargementFenêtre(FenConfiguration& f) : m_f(f) {}
    void définirSonFusibles(const QString& c) override { m_f.définirSonFusibles(c); }
    void définirImageAssistante(const QString& c) override { m_f.définirImageAssistante(c); }
    void replier() override { m_f.replier(); }
    void remplirListes(const ListesConfiguration& l) override { m_f.remplirListes(l); }
    void montrerPréférences(bool b, bool s) override { m_f.montrerPréférences(b, s); }
    void demanderAssistante() override { m_f.demanderAssistante(); }

private:
    FenConfiguration& m_f;
};

// --- Services ----------------------------------------------------------------------------------

FenConfiguration::Services FenConfiguration::Services::parDéfaut() {
    Services s;
    s.ouvrirAide = [](const QString& fichier) { OuvrirAide(fichier, QStringLiteral("configuration")); };
    s.ouvrirAPropos = [](QWidget* propriétaire) {
        APropos fenêtre(propriétaire);
        fenêtre.exec();
    };
    s.ouvrirFusibles = &OuvrirFenêtreFusibles;
    s.ouvrirAssistante = &OuvrirAssistante;
    s.choisirFichier = &ChoisirFichier;
    s.choisirDossier = &ChoisirDossier;
    return s;
}

// --- Construction ------------------------------------------------------------------------------

FenConfiguration::FenConfiguration(Services services, QWidget* parent)
    : QDialog(parent), m_services(std::move(services)) {
    setObjectName(QStringLiteral("FenConfiguration"));
    construire();
    // Le chargement, étape par étape ; les contrôles ne sont branchés qu'ensuite, pour que
    // seules les actions de l'utilisateur passent par eux.
    ChargementFenêtre chargement(*this);
    m_étapesSautées = m_configuration.charger(chargement);
    RTBMakefile->définirDocument(&m_configuration.RTBMakefile);
    RTBMakefileExistant->définirDocument(&m_configuration.RTBMakefileExistant);
    // La vue s'ouvre sur le début du makefile (la position de recherche reste sur la dernière clé).
    m_configuration.RTBMakefile.sélectionner(0, 0);
    synchroniser();
    brancher();
}

FenConfiguration::~FenConfiguration() {
    // Les contrôles sont détruits après la configuration : plus aucun de leurs signaux (perte du
    // focus d'une liste…) ne doit l'atteindre.
    Kit::débrancherEnfants(this);
    // Les vues ne doivent pas survivre à leurs documents.
    RTBMakefile->définirDocument(nullptr);
    RTBMakefileExistant->définirDocument(nullptr);
}

void FenConfiguration::construire() {
    const EtatGlobal& e = etatGlobal();
    setWindowTitle(e.NomDeFichier.isEmpty()
                       ? QStringLiteral("Configuration du makefile")
                       : QStringLiteral("Configuration du makefile de ") + e.NomDeFichier);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setMouseTracking(true);

    // Partie gauche, toujours visible, de haut en bas (l'ordre de création fait celui du clavier).
    m_panneauGauche = new QWidget(this);
    m_panneauGauche->setMouseTracking(true);
    auto* colonne = new QVBoxLayout(m_panneauGauche);
    colonne->setContentsMargins(tw(120), tw(120), tw(120), tw(120));
    colonne->setSpacing(tw(75));
    colonne->addLayout(construireMicroContrôleur());
    construireProgrammation(colonne);
    colonne->addLayout(construireCadres());
    colonne->addLayout(construireOccupation());
    colonne->addSpacing(tw(30));
    construireChemins(colonne);
    colonne->addSpacing(tw(60));
    construireBoutons(colonne);

    // Partie droite, vue quand la fenêtre est élargie.
    construireVues();
    construireBas();
    InfoBulle1 = new InfoBulle(this);
    InfoBulle1->setObjectName(QStringLiteral("InfoBulle1"));
    InfoBulle1->définirIcône(InfoBulle::Icône::Information);
    m_largeur.emplace(this, CommandButtonMakefile, Configuration::LargeurRepliée,
                      Configuration::LargeurÉlargie, [this] { placerPanneauDroit(); });
    finirConstruction();
}

int FenConfiguration::tw(int twips) const {
    return Twips::versPixels(twips, this);
}

// µC, fréquence et l'image de l'assistante à leur droite.
QLayout* FenConfiguration::construireMicroContrôleur() {
    QWidget* g = m_panneauGauche;
    Label1 = Kit::légende(QStringLiteral("Label1"), QStringLiteral("µC :"), g);
    ComboBoxChip = liste(QStringLiteral("ComboBoxChip"), Label1, g);
    // Plus de deux cents noms : la saisie propose ceux qui commencent par le texte tapé.
    auto* complétion = new QCompleter(ComboBoxChip->model(), ComboBoxChip);
    complétion->setCaseSensitivity(Qt::CaseInsensitive);
    complétion->setCompletionMode(QCompleter::PopupCompletion);
    ComboBoxChip->setCompleter(complétion);
    Label3 = zone(QStringLiteral("Label3"), g);
    Label8 = Kit::légende(QStringLiteral("Label8"), QStringLiteral("Fréquence :"), Label3);
    ComboBoxFreq = liste(QStringLiteral("ComboBoxFreq"), Label8, Label3);
    TxtFreq = Kit::légende(QStringLiteral("TxtFreq"), QStringLiteral("Hz"), g);
    TxtFreq->setMouseTracking(true);
    for (QLabel* l : {Label1, Label8})
        l->setFixedWidth(tw(LargeurLégende));
    auto* espaceFréquence = new QWidget(g);
    espaceFréquence->setFixedWidth(tw(LargeurLégende));
    Label3->setLayout(ligne({Label8, ComboBoxFreq}));

    CBAssistant =
        Kit::bouton(QStringLiteral("CBAssistant"), QStringLiteral("Assistante"), g,
                    QStringLiteral("Ouvrir l'assistante de programmation"), QStringLiteral("Assistante"));
    CBAssistant->setFixedSize(tw(1080), tw(1080));

    auto* colonneHaut = new QVBoxLayout;
    colonneHaut->setSpacing(4);
    colonneHaut->addLayout(ligne({Label1, ComboBoxChip}));
    colonneHaut->addWidget(Label3);
    colonneHaut->addLayout(ligne({espaceFréquence, TxtFreq}));
    auto* haut = new QHBoxLayout;
    haut->setSpacing(8);
    haut->addLayout(colonneHaut, 1);
    haut->addWidget(CBAssistant, 0, Qt::AlignTop);
    return haut;
}

// Optimisation, programmateur et port.
void FenConfiguration::construireProgrammation(QVBoxLayout* colonne) {
    QWidget* g = m_panneauGauche;
    Label6 = zone(QStringLiteral("Label6"), g);
    Label2 = Kit::légende(QStringLiteral("Label2"), QStringLiteral("Méthode d'optimisation :"), Label6);
    ComboBoxOptimisation = liste(QStringLiteral("ComboBoxOptimisation"), Label2, Label6);
    auto* colonneOpt = new QVBoxLayout(Label6);
    colonneOpt->setContentsMargins(0, 0, 0, 0);
    colonneOpt->setSpacing(2);
    colonneOpt->addWidget(Label2);
    colonneOpt->addWidget(ComboBoxOptimisation);

    Label4 = Kit::légende(QStringLiteral("Label4"), QStringLiteral("Programmateur :"), g);
    ComboBoxProgrammateur = liste(QStringLiteral("ComboBoxProgrammateur"), Label4, g);
    Label5 = Kit::légende(QStringLiteral("Label5"), QStringLiteral("Port :"), g);
    ComboBoxPort = liste(QStringLiteral("ComboBoxPort"), Label5, g);
    for (QLabel* l : {Label4, Label5})
        l->setFixedWidth(tw(LargeurLégende));
    ComboBoxPort->setMinimumWidth(tw(2400));
    auto* lignePort = ligne({Label5, ComboBoxPort});
    lignePort->addStretch(1);

    colonne->addWidget(Label6);
    colonne->addLayout(ligne({Label4, ComboBoxProgrammateur}));
    colonne->addLayout(lignePort);
}

// Les deux cadres d'options : format de sortie, déboggage.
QLayout* FenConfiguration::construireCadres() {
    QWidget* g = m_panneauGauche;
    RFFormatSortie = new QGroupBox(QStringLiteral("Format de sortie :"), g);
    RFFormatSortie->setObjectName(QStringLiteral("RFFormatSortie"));
    m_groupeFormat = new QButtonGroup(this);
    auto* colonneFormat = new QVBoxLayout(RFFormatSortie);
    colonneFormat->setSpacing(2);
    const QStringList formats = {QStringLiteral("Intel Hex"), QStringLiteral("Binaire"),
                                 QStringLiteral("Motorola SRec")};
    for (int i = 0; i < 3; ++i)
        OptionButtonFormatSortie[i] =
            option(m_groupeFormat, colonneFormat, QStringLiteral("OptionButtonFormatSortie"), formats[i], i);

    RFDéboggage = new QGroupBox(QStringLiteral("Déboggage :"), g);
    RFDéboggage->setObjectName(QStringLiteral("RFDéboggage"));
    RFDéboggage->setMouseTracking(true);
    LDéboggage = zone(QStringLiteral("LDéboggage"), RFDéboggage);
    LDéboggageCoff = zone(QStringLiteral("LDéboggageCoff"), RFDéboggage);
    m_groupeStab = new QButtonGroup(this);
    m_groupeCoff = new QButtonGroup(this);
    auto* colonneStab = new QVBoxLayout(LDéboggage);
    auto* colonneCoff = new QVBoxLayout(LDéboggageCoff);
    for (auto* c : {colonneStab, colonneCoff}) {
        c->setContentsMargins(0, 0, 0, 0);
        c->setSpacing(2);
    }
    // Une option de chaque colonne à tour de rôle : l'ordre du clavier va de l'une à l'autre.
    const QStringList stabs = {QStringLiteral("Stabs"), QStringLiteral("Dwarf-2")};
    const QStringList coffs = {QStringLiteral("Coff"), QStringLiteral("Ext Coff")};
    for (int i = 0; i < 2; ++i) {
        OptStab[i] = option(m_groupeStab, colonneStab, QStringLiteral("OptStab"), stabs[i], i);
        OptCoff[i] = option(m_groupeCoff, colonneCoff, QStringLiteral("OptCoff"), coffs[i], i);
    }
    colonneStab->addStretch(1);
    colonneCoff->addStretch(1);
    auto* intérieurDéboggage = new QHBoxLayout(RFDéboggage);
    intérieurDéboggage->setSpacing(8);
    intérieurDéboggage->addWidget(LDéboggage);
    intérieurDéboggage->addWidget(LDéboggageCoff);
    return ligne({RFFormatSortie, RFDéboggage}, 8);
}

QLayout* FenConfiguration::construireOccupation() {
    CKBOccupationMémoire = Kit::caseÀCocher(QStringLiteral("CKBOccupationMémoire"),
                                            QStringLiteral("Afficher l'occupation mémoire"), m_panneauGauche);
    CKBOccupationMémoire->setMouseTracking(true);
    LOccupationMémoire = zone(QStringLiteral("LOccupationMémoire"), m_panneauGauche);
    auto* ligneOccupation = ligne({CKBOccupationMémoire, LOccupationMémoire}, 0);
    ligneOccupation->setStretch(1, 1);
    return ligneOccupation;
}

// Dossiers d'inclusion et des outils AVR, chacun avec son bouton de choix.
void FenConfiguration::construireChemins(QVBoxLayout* colonne) {
    QWidget* g = m_panneauGauche;
    TxtInclude = new QLineEdit(g);
    TxtInclude->setObjectName(QStringLiteral("TxtInclude"));
    Label7 = Kit::légende(QStringLiteral("Label7"),
                          QStringLiteral("Ajouter des chemins de recherche pour des fichiers inclus :"), g,
                          TxtInclude);
    Label7->setWordWrap(true);
    CBDossierInclude = Kit::bouton(QStringLiteral("CBDossierInclude"), QString(), g,
                                   QStringLiteral("Ajouter un dossier d'inclusion"),
                                   QStringLiteral("Ajouter un dossier d'inclusion"));
    CBDossierInclude->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));

    TxtOutilsAVR = new QLineEdit(g);
    TxtOutilsAVR->setObjectName(QStringLiteral("TxtOutilsAVR"));
    Label10 = Kit::légende(QStringLiteral("Label10"),
                           QStringLiteral("Changer le répertoire des outils AVR :"), g, TxtOutilsAVR);
    CommandButton1 = Kit::bouton(QStringLiteral("CommandButton1"), QStringLiteral("..."), g,
                                 QStringLiteral("Choisir le dossier des outils AVR"),
                                 QStringLiteral("Choisir le dossier des outils AVR"));
    for (BTL* b : {CBDossierInclude, CommandButton1})
        b->setFixedWidth(tw(540));

    colonne->addWidget(Label7);
    colonne->addLayout(ligne({TxtInclude, CBDossierInclude}));
    colonne->addWidget(Label10);
    colonne->addLayout(ligne({TxtOutilsAVR, CommandButton1}));
}

// Fusibles, à propos, aide, préférences, puis la largeur, OK et Annuler en bas.
void FenConfiguration::construireBoutons(QVBoxLayout* colonne) {
    QWidget* g = m_panneauGauche;
    CBFuseBit = Kit::bouton(QStringLiteral("CBFuseBit"), QStringLiteral("Fuse bit"), g);
    CBApropos = Kit::bouton(QStringLiteral("CBApropos"), QStringLiteral("A propos ..."), g);
    CBAide = Kit::bouton(QStringLiteral("CBAide"), QStringLiteral("?"), g, QStringLiteral("Aide (F1)"),
                         QStringLiteral("Aide"));
    CBAide->setFixedWidth(tw(540));
    auto* ligneOutils = ligne({CBFuseBit, CBApropos});
    ligneOutils->addStretch(1);
    ligneOutils->addWidget(CBAide);

    CBPlusBulles =
        Kit::caseÀCocher(QStringLiteral("CBPlusBulles"), QStringLiteral("Désactiver les bulles d'aide."), g);
    CBSilence = Kit::caseÀCocher(QStringLiteral("CBSilence"), QStringLiteral("Silence."), g);
    auto* lignePréférences = ligne({CBPlusBulles, CBSilence}, 12);
    lignePréférences->addStretch(1);

    CommandButtonMakefile = Kit::bouton(QStringLiteral("CommandButtonMakefile"), QStringLiteral(">>>>"), g,
                                        QStringLiteral("Montrer ou cacher le makefile complet"),
                                        QStringLiteral("Makefile complet"));
    CommandButtonOK = Kit::bouton(QStringLiteral("CommandButtonOK"), QStringLiteral("OK"), g);
    CommandButtonAnnuler = Kit::bouton(QStringLiteral("CommandButtonAnnuler"), QStringLiteral("Annuler"), g);
    auto* ligneFin = ligne({CommandButtonMakefile});
    ligneFin->addStretch(1);
    ligneFin->addWidget(CommandButtonOK);
    ligneFin->addWidget(CommandButtonAnnuler);

    colonne->addLayout(ligneOutils);
    colonne->addLayout(lignePréférences);
    colonne->addStretch(1);
    colonne->addLayout(ligneFin);
}

void FenConfiguration::construireVues() {
    RTBMakefile = new VueDocumentRiche(this);
    RTBMakefile->setObjectName(QStringLiteral("RTBMakefile"));
    RTBMakefile->setToolTip(
        QStringLiteral("En rouge les paramètres changeable, en bleu gras ceux que vous avez changé."));
    RTBMakefile->setAccessibleName(QStringLiteral("Makefile"));
    RTBMakefile->setAccessibleDescription(RTBMakefile->toolTip());
    RTBMakefile->setLineWrapMode(QTextEdit::NoWrap);
    RTBMakefile->définirFocusAuSurvol(true);

    RTBMakefileExistant = new VueDocumentRiche(this);
    RTBMakefileExistant->setObjectName(QStringLiteral("RTBMakefileExistant"));
    RTBMakefileExistant->setReadOnly(true);
    RTBMakefileExistant->hide();
}

// Sous la vue : recherche et fichiers de configuration.
void FenConfiguration::construireBas() {
    m_panneauBas = new QWidget(this);
    m_panneauBas->setMouseTracking(true);
    QWidget* b = m_panneauBas;
    Label9 = Kit::légende(QStringLiteral("Label9"),
                          QStringLiteral("Couper, copier, coller et annuler sur menu contextuel."), b);
    CBRechercher = Kit::bouton(QStringLiteral("CBRechercher"), QStringLiteral("Rechercher"), b,
                               QStringLiteral("Ctrl+F"));
    CBRemplacer =
        Kit::bouton(QStringLiteral("CBRemplacer"), QStringLiteral("Remplacer"), b, QStringLiteral("Ctrl+H"));
    CBSuivant = Kit::bouton(QStringLiteral("CBSuivant"), QStringLiteral("Suivant"), b, QStringLiteral("F3"));
    CBChargerMakefile =
        Kit::bouton(QStringLiteral("CBChargerMakefile"), QStringLiteral("Charger un makefile existant"), b);
    CBConfigDefaut = Kit::bouton(QStringLiteral("CBConfigDefaut"),
                                 QStringLiteral("Charger la configuration par défaut"), b);
    CBEnregConfigDéfaut = Kit::bouton(QStringLiteral("CBEnregConfigDéfaut"),
                                      QStringLiteral("Sauver comme configuration par défaut"), b);
    auto* colonneBas = new QVBoxLayout(b);
    colonneBas->setContentsMargins(0, 0, 0, tw(120));
    colonneBas->setSpacing(tw(75));
    colonneBas->addWidget(Label9);
    for (auto contrôles : {std::initializer_list<QWidget*>{CBRechercher, CBRemplacer, CBSuivant},
                           std::initializer_list<QWidget*>{CBChargerMakefile, CBConfigDefaut},
                           std::initializer_list<QWidget*>{CBEnregConfigDéfaut}}) {
        auto* l = ligne(contrôles);
        l->addStretch(1);
        colonneBas->addLayout(l);
    }
}

// Taille, boutons par défaut et survols, une fois tous les contrôles créés.
void FenConfiguration::finirConstruction() {
    // Pas de bouton par défaut : Entrée valide le texte d'une liste ou d'une boîte, elle ne doit
    // ni fermer la fenêtre ni ouvrir l'assistante (voir keyPressEvent).
    for (QPushButton* bouton : findChildren<QPushButton*>())
        bouton->setAutoDefault(false);

    // Une étiquette ne tient pas compte des contrôles qu'elle contient : les zones prennent la
    // hauteur de leur contenu.
    for (QLabel* z : {Label3, Label6, LDéboggage, LDéboggageCoff})
        z->setMinimumHeight(z->layout()->sizeHint().height());

    // Hauteur : celle de la partie gauche ; la vue occupe le reste de la partie droite.
    const int largeurRepliée = tw(Configuration::LargeurRepliée);
    m_panneauGauche->setFixedWidth(largeurRepliée);
    const int hauteur = std::max(m_panneauGauche->sizeHint().height(), tw(7800));
    m_panneauGauche->setGeometry(0, 0, largeurRepliée, hauteur);
    setFixedSize(largeurRepliée, hauteur);
    placerPanneauDroit();

    // Le son du bouton des fusibles et l'image de l'assistante viennent du chargement.
    for (QWidget* w :
         {static_cast<QWidget*>(Label3), static_cast<QWidget*>(Label6), static_cast<QWidget*>(LDéboggage),
          static_cast<QWidget*>(LDéboggageCoff), static_cast<QWidget*>(CKBOccupationMémoire),
          static_cast<QWidget*>(TxtFreq), static_cast<QWidget*>(LOccupationMémoire), m_panneauGauche,
          m_panneauBas, static_cast<QWidget*>(RFDéboggage), static_cast<QWidget*>(this)})
        w->installEventFilter(this);
    RTBMakefile->installEventFilter(this);
}

void FenConfiguration::brancher() {
    brancherListe(ComboBoxChip, &EtatContrôles::microContrôleur, &FenConfiguration::quitterMicroContrôleur);
    brancherListe(ComboBoxFreq, &EtatContrôles::fréquence, &FenConfiguration::quitterFréquence);
    brancherListe(ComboBoxOptimisation, &EtatContrôles::optimisation, &FenConfiguration::quitterOptimisation);
    brancherListe(ComboBoxProgrammateur, &EtatContrôles::programmateur,
                  &FenConfiguration::quitterProgrammateur);
    brancherListe(ComboBoxPort, &EtatContrôles::port, &FenConfiguration::quitterPort);
    brancherOptions();
    brancherBoutons();
    // F1 : l'aide, comme le bouton « ? ».
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, CBAide, &QAbstractButton::click);
    // La bulle cliquée ou arrivée au bout de sa durée s'est déjà cachée d'elle-même.
    connect(InfoBulle1, &InfoBulle::cliquee, InfoBulle1, &InfoBulle::masquer);
    connect(InfoBulle1, &InfoBulle::tempsEcoule, InfoBulle1, &InfoBulle::masquer);
}

// Options, case et boîtes de texte : chaque changement passe à la configuration.
void FenConfiguration::brancherOptions() {
    ConfigurationMakefile& c = m_configuration;
    const Kit::Protection& p = m_protéger;
    p.brancher(m_groupeFormat, &QButtonGroup::idClicked, this, [&c](int i) { c.choisirFormatSortie(i); });
    p.brancher(m_groupeStab, &QButtonGroup::idClicked, this, [&c](int i) { c.choisirDéboggage(i); });
    p.brancher(m_groupeCoff, &QButtonGroup::idClicked, this, [&c](int i) { c.choisirCoff(i); });
    p.brancher(CKBOccupationMémoire, &QCheckBox::toggled, this,
               [&c](bool coché) { c.changerOccupationMémoire(coché); });
    p.brancher(TxtInclude, &QLineEdit::textEdited, this, [&c](const QString& t) { c.changerInclude(t); });
    p.brancher(TxtOutilsAVR, &QLineEdit::textEdited, this, [&c](const QString& t) { c.changerOutils(t); });
    p.brancher(CBPlusBulles, &QCheckBox::toggled, this, [this](bool coché) { cocherPlusDeBulles(coché); });
    p.brancher(CBSilence, &QCheckBox::toggled, this, [this](bool coché) { cocherSilence(coché); });
}

void FenConfiguration::brancherBoutons() {
    ConfigurationMakefile& c = m_configuration;
    const Kit::Protection& p = m_protéger;
    const auto clic = &QPushButton::clicked;
    p.brancher(CBDossierInclude, clic, this, [this, &c] {
        c.ajouterDossierInclude(m_services.choisirDossier(
            this, QStringLiteral("Choisir le dossier «Include» à ajouter."), QString()));
    });
    p.brancher(CommandButton1, clic, this, [this, &c] {
        c.choisirDossierOutils(m_services.choisirDossier(
            this, QStringLiteral("Choisir le dossier qui contient les outils AVR."), QString()));
    });
    p.brancher(CBChargerMakefile, clic, this, [this, &c] {
        c.chargerMakefileDansLaVue(m_services.choisirFichier(this, QStringLiteral("*.*"),
                                                             QStringLiteral("Sélectionner un fichier make"),
                                                             etatGlobal().RépertoireDeTravail));
    });
    p.brancher(CBConfigDefaut, clic, this, [&c] { c.rechargerConfigurationParDéfaut(); });
    p.brancher(CBEnregConfigDéfaut, clic, this, [&c] { c.sauverCommeConfigurationParDéfaut(); });
    p.brancher(CommandButtonMakefile, clic, this, [this] { basculerLargeur(); });
    p.brancher(CBRechercher, clic, this, [this] { rechercher(); });
    p.brancher(CBRemplacer, clic, this, [this] { remplacer(); });
    p.brancher(CBSuivant, clic, this, [this] { suivant(); });
    p.brancher(CBFuseBit, clic, this, [this] { m_services.ouvrirFusibles(this); });
    p.brancher(CBAssistant, clic, this, [this] { ouvrirAssistante(); });
    p.brancher(CBApropos, clic, this, [this] { m_services.ouvrirAPropos(this); });
    p.brancher(CBAide, clic, this, [this] { m_services.ouvrirAide(m_configuration.fichierAide()); });
    p.brancher(CommandButtonOK, clic, this, [this] { valider(); });
    p.brancher(CommandButtonAnnuler, clic, this, [this] { annuler(); });
}

void FenConfiguration::brancherListe(QComboBox* l, ChampListe EtatContrôles::*champ,
                                     void (FenConfiguration::*quitté)()) {
    // Une entrée choisie dans la liste, ou un texte tapé quand on quitte la liste (Entrée, Tab,
    // clic ailleurs) : le gestionnaire ne tourne que si le texte a changé depuis la dernière fois.
    connect(l, &QComboBox::activated, this, [this, l, champ, quitté] { listeQuittée(l, champ, quitté); });
    connect(l->lineEdit(), &QLineEdit::editingFinished, this,
            [this, l, champ, quitté] { listeQuittée(l, champ, quitté); });
}

void FenConfiguration::listeQuittée(QComboBox* l, ChampListe EtatContrôles::*champ,
                                    void (FenConfiguration::*quitté)()) {
    ChampListe& état = m_configuration.contrôles.*champ;
    const QString texte = l->currentText();
    if (texte == état.texte) return;
    état = {l->findText(texte, Qt::MatchExactly | Qt::MatchCaseSensitive), texte};
    m_protéger([this, quitté] { (this->*quitté)(); });
}

void FenConfiguration::quitterMicroContrôleur() {
    m_configuration.microContrôleurQuitté();
}
void FenConfiguration::quitterFréquence() {
    m_configuration.fréquenceQuittée();
}
void FenConfiguration::quitterOptimisation() {
    m_configuration.optimisationQuittée();
}
void FenConfiguration::quitterProgrammateur() {
    m_configuration.programmateurQuitté();
}
void FenConfiguration::quitterPort() {
    m_configuration.portQuitté();
}

// --- Synchronisation des contrôles -------------------------------------------------------------

void FenConfiguration::montrerListe(QComboBox* l, const ChampListe& champ) {
    const QSignalBlocker bloqueur(l);
    int indice = champ.indice;
    // Une valeur hors de la table peut être une entrée ajoutée (port série du système).
    if (indice < 0 || indice >= l->count() || l->itemText(indice) != champ.texte)
        indice = l->findText(champ.texte, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (l->currentIndex() != indice) l->setCurrentIndex(indice);
    if (l->currentText() != champ.texte) l->setEditText(champ.texte);
}

void FenConfiguration::synchroniser() {
    const EtatContrôles& c = m_configuration.contrôles;
    montrerListe(ComboBoxChip, c.microContrôleur);
    montrerListe(ComboBoxFreq, c.fréquence);
    montrerListe(ComboBoxOptimisation, c.optimisation);
    montrerListe(ComboBoxProgrammateur, c.programmateur);
    montrerListe(ComboBoxPort, c.port);
    TxtFreq->setText(c.texteFréquence);
    choisirDansGroupe(m_groupeFormat, c.formatSortie);
    choisirDansGroupe(m_groupeStab, c.déboggage);
    choisirDansGroupe(m_groupeCoff, c.coff);
    for (QRadioButton* o : OptCoff)
        o->setEnabled(c.coffActif);
    cocherSansSignal(CKBOccupationMémoire, c.occupationMémoire);
    for (auto [boîte, texte] : {std::pair{TxtInclude, c.include}, std::pair{TxtOutilsAVR, c.outils}}) {
        if (boîte->text() == texte) continue;
        const QSignalBlocker bloqueur(boîte);
        boîte->setText(texte);
    }
    RTBMakefile->rafraîchir();
}

// --- Étapes du chargement faites par la fenêtre ------------------------------------------------

void FenConfiguration::définirSonFusibles(const QString& cheminSon) {
    CBFuseBit->définirSonOnClick(cheminSon);
}

void FenConfiguration::définirImageAssistante(const QString& cheminImage) {
    const QPixmap image(cheminImage);
    if (image.isNull()) throw std::runtime_error("image de l'assistante illisible");
    CBAssistant->setText(QString());
    CBAssistant->setIcon(QIcon(image));
    const int côté = CBAssistant->height() - 8;
    CBAssistant->setIconSize(QSize(côté, côté));
}

void FenConfiguration::replier() {
    m_largeur->replier();
}

void FenConfiguration::remplirListes(const ListesConfiguration& l) {
    const std::pair<QComboBox*, const QStringList*> listes[] = {{ComboBoxChip, &l.microContrôleurs},
                                                                {ComboBoxFreq, &l.fréquences},
                                                                {ComboBoxOptimisation, &l.optimisations},
                                                                {ComboBoxProgrammateur, &l.programmateurs},
                                                                {ComboBoxPort, &l.ports}};
    for (const auto& [liste, entrées] : listes) {
        const QSignalBlocker bloqueur(liste);
        liste->clear();
        liste->addItems(*entrées);
        liste->setCurrentIndex(-1);
    }
}

void FenConfiguration::montrerPréférences(bool plusDeBulles, bool silence) {
    cocherSansSignal(CBPlusBulles, plusDeBulles);
    cocherSansSignal(CBSilence, silence);
}

void FenConfiguration::demanderAssistante() {
    m_assistanteDemandée = true;
}

// --- Largeur -----------------------------------------------------------------------------------

bool FenConfiguration::estRepliée() const {
    return !m_largeur->estÉlargie();
}

void FenConfiguration::placerPanneauDroit() {
    const int gauche = Twips::versPixels(GaucheVue, this);
    const int marge = Twips::versPixels(Configuration::MargeVue, this);
    const int haut = Twips::versPixels(120, this);
    // Sans largeur utile (fenêtre repliée), la partie droite garde la largeur de l'écran élargi.
    int largeur = width() - gauche - marge;
    if (largeur < Twips::versPixels(3000, this))
        largeur =
            Twips::versPixels(Configuration::LargeurÉlargie - GaucheVue - Configuration::MargeVue, this);
    const int hauteurBas = m_panneauBas->sizeHint().height();
    m_panneauBas->setGeometry(gauche, height() - hauteurBas, largeur, hauteurBas);
    RTBMakefile->setGeometry(gauche, haut, largeur,
                             height() - hauteurBas - haut - Twips::versPixels(60, this));
}

void FenConfiguration::basculerLargeur() {
    m_largeur->basculer();
}

// --- Recherche ---------------------------------------------------------------------------------

FenRechercheRemplace* FenConfiguration::fenêtreRecherche() const {
    return m_recherche.data();
}

void FenConfiguration::ouvrirRecherche(bool remplacement) {
    if (!m_recherche) {
        m_recherche = new FenRechercheRemplace(RTBMakefile, this);
        // Tant que la fenêtre de recherche est chargée, son propre bouton remplace celui-ci.
        CBRemplacer->hide();
        connect(m_recherche, &QObject::destroyed, this, [this] { CBRemplacer->show(); });
        connect(m_recherche, &FenRechercheRemplace::cachee, this, [this] { CBRemplacer->show(); });
    }
    CBRemplacer->hide();
    m_recherche->ouvrir(remplacement);
}

void FenConfiguration::rechercher() {
    ouvrirRecherche(false);
}

void FenConfiguration::remplacer() {
    ouvrirRecherche(true);
}

void FenConfiguration::suivant() {
    switch (RechercheRemplace::RechercherSuivant(m_configuration.RTBMakefile)) {
    case RechercheRemplace::Suivant::AucuneRecherche:
        // Rien encore à chercher : la fenêtre de recherche le demande.
        ouvrirRecherche(false);
        return;
    case RechercheRemplace::Suivant::Trouvé:
        RTBMakefile->montrerSélection();
        break;
    case RechercheRemplace::Suivant::Absent:
        break;
    }
    RTBMakefile->setFocus(Qt::OtherFocusReason);
}

// --- Assistante, préférences, OK et Annuler ----------------------------------------------------

void FenConfiguration::ouvrirAssistante() {
    EtatGlobal& e = etatGlobal();
    if (e.AppelantAssistante.isEmpty()) e.AppelantAssistante = QStringLiteral("Configurateur");
    const bool visible = isVisible();
    hide();
    m_services.ouvrirAssistante(this);
    if (e.AppelantAssistante == u"Configurateur") {
        if (visible) show();
        return;
    }
    // Lancée par la ligne de commande : fermer l'assistante termine le programme.
    m_fin = true;
    done(QDialog::Rejected);
}

void FenConfiguration::cocherPlusDeBulles(bool coché) {
    PréférencesInterface& p = préférencesInterface();
    p.PlusDeBulles = coché ? QStringLiteral("1") : QStringLiteral("0");
    EcrirePréférenceInterface(Parametres::PlusDeBulles, p.PlusDeBulles);
    if (coché) InfoBulle1->masquer();
}

void FenConfiguration::cocherSilence(bool coché) {
    PréférencesInterface& p = préférencesInterface();
    p.Silence = coché ? QStringLiteral("1") : QStringLiteral("0");
    EcrirePréférenceInterface(Parametres::Silence, p.Silence);
    AppliquerSilence(this, p.Silence);
}

void FenConfiguration::valider() {
    // Le texte en cours de saisie dans une liste compte, même sans l'avoir quittée.
    for (QComboBox* l :
         {ComboBoxChip, ComboBoxFreq, ComboBoxOptimisation, ComboBoxProgrammateur, ComboBoxPort})
        if (l->hasFocus()) emit l->lineEdit()->editingFinished();
    if (!m_configuration.enregistrer()) return;
    m_fin = true;
    accept();
}

void FenConfiguration::annuler() {
    m_fin = true;
    done(QDialog::Rejected);
}

void FenConfiguration::closeEvent(QCloseEvent* e) {
    // La case de fermeture ferme sans rien enregistrer.
    InfoBulle1->masquer();
    m_fin = true;
    QDialog::closeEvent(e);
}

int FenConfiguration::exécuter() {
    if (m_assistanteDemandée) {
        m_assistanteDemandée = false;
        m_protéger([this] { ouvrirAssistante(); });
        if (m_fin) return CodeSortie::Succès;
    }
    setWindowModality(Qt::ApplicationModal);
    show();
    Kit::centrerHorizontalement(this);
    // Une boucle à soi plutôt que exec() : cacher la fenêtre pendant que l'assistante est ouverte
    // ne doit pas la terminer.
    QEventLoop boucle;
    connect(this, &QDialog::finished, &boucle, &QEventLoop::quit);
    if (!m_fin) boucle.exec();
    return CodeSortie::Succès;
}

int FenConfiguration::action() {
    if (!ApplicationGraphique::assurer()) {
        Message m;
        m.texte = QStringLiteral("La fenêtre de configuration ne peut pas s'ouvrir : aucun affichage n'est "
                                 "disponible.");
        m.titre = TitreApplication();
        m.icône = IconeMessage::Critique;
        afficherMessage(m);
        return CodeSortie::Erreur;
    }
    FenConfiguration fenêtre;
    return fenêtre.exécuter();
}

// --- Évènements -------------------------------------------------------------------------------

void FenConfiguration::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        // Entrée presse le bouton qui a le focus, et rien d'autre.
        if (auto* b = qobject_cast<QAbstractButton*>(focusWidget()); b && e->modifiers() == Qt::NoModifier)
            b->animateClick();
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void FenConfiguration::changeEvent(QEvent* e) {
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        AppliquerSilence(this, préférencesInterface().Silence);
    QDialog::changeEvent(e);
}

void FenConfiguration::bulleSurvolée(QWidget* z) {
    static const std::map<QString, Bulle> bulles = {
        {QStringLiteral("Label3"), {QStringLiteral("Fréquence"), TexteFréquence, 4500, true}},
        {QStringLiteral("Label6"), {QStringLiteral("Optimisation"), TexteOptimisation, 5000, true}},
        {QStringLiteral("LDéboggage"), {QStringLiteral("Déboggage"), TexteDéboggage, 5000, true}},
        {QStringLiteral("CKBOccupationMémoire"),
         {QStringLiteral("Occupation mémoire"), TexteOccupation, 5000, true}},
        {QStringLiteral("LDéboggageCoff"), {QStringLiteral("Déboggage"), TexteDéboggage, 5000, true}},
        {QStringLiteral("TxtFreq"), {QStringLiteral("Fréquence"), TexteFréquenceCourt, 3500, false}},
        {QStringLiteral("LOccupationMémoire"),
         {QStringLiteral("Occupation mémoire"), TexteOccupation, 3500, false}},
    };
    const auto it = bulles.find(z->objectName());
    if (it == bulles.end()) return;
    const Bulle& b = it->second;
    // Une bulle à la fois ; la plupart se taisent quand l'utilisateur n'en veut plus.
    if (InfoBulle1->estAffichée()) return;
    if (b.selonPréférence && !préférencesInterface().bullesPermises()) return;
    InfoBulle1->définirTitre(b.titre);
    InfoBulle1->définirLargeurTwips(b.largeur);
    InfoBulle1->afficher(z, b.texte);
}

bool FenConfiguration::eventFilter(QObject* objet, QEvent* e) {
    try {
        if (objet == RTBMakefile && e->type() == QEvent::KeyPress) {
            const auto* touche = static_cast<QKeyEvent*>(e);
            const bool ctrl = touche->modifiers() == Qt::ControlModifier;
            if (touche->key() == Qt::Key_F3 && touche->modifiers() == Qt::NoModifier) {
                m_protéger([this] { suivant(); });
                return true;
            }
            if (ctrl && touche->key() == Qt::Key_F) {
                m_protéger([this] { rechercher(); });
                return true;
            }
            if (ctrl && touche->key() == Qt::Key_H) {
                m_protéger([this] { remplacer(); });
                return true;
            }
            return false;
        }
        if (e->type() == QEvent::Enter || e->type() == QEvent::MouseMove) {
            auto* w = qobject_cast<QWidget*>(objet);
            if (!w) return false;
            if (w == this || w == m_panneauGauche || w == m_panneauBas || w == RFDéboggage) {
                // Le fond de la fenêtre (pas un contrôle) cache la bulle.
                if (e->type() == QEvent::MouseMove) {
                    const auto* souris = static_cast<QMouseEvent*>(e);
                    const QWidget* sous = w->childAt(souris->position().toPoint());
                    if (!sous || sous == m_panneauGauche || sous == m_panneauBas) InfoBulle1->masquer();
                }
                return false;
            }
            bulleSurvolée(w);
        }
    } catch (...) {
        // Un survol ne doit jamais interrompre la fenêtre.
    }
    return QDialog::eventFilter(objet, e);
}
