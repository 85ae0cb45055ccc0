#include "assistant/timers/fenetres/OngletMLI.h"

#include "assistant/timers/Calculatrice.h"
#include "common/Messages.h"
#include "common/Nombres.h"
#include "common/Texte.h"
#include "noyau/ValeursMakefile.h"
#include "ui/fenetres/BTL.h"
#include "ui/fenetres/DessinSignal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QVBoxLayout>
#include <cmath>

namespace {

const QString UnitéObligatoire = QStringLiteral("Unité obligatoire.");

void message(const QString& texte, IconeMessage icône, const QString& titre = TitreApplication()) {
    Message m;
    m.texte = texte;
    m.titre = titre;
    m.icône = icône;
    afficherMessage(m);
}

void messageHorsLimites() {
    message(
        QStringLiteral("Ben mon loulou faudrait faire attention. Ta fréquence sort de l'intervalle FMax - "
                       "Fmin !"),
        IconeMessage::Exclamation, QStringLiteral("Heureusement que t'as une assistante haut de gamme !"));
}

// Un nombre seul, virgule ou point : « 0,25 ». Rien pour un autre texte.
std::optional<double> nombreSeul(const QString& texte) {
    QString t = texte;
    const QString point = Calculatrice::VirguleEnPoint(t);
    bool ok = false;
    const double x = QLocale::c().toDouble(point, &ok);
    if (!ok || !std::isfinite(x)) return std::nullopt;
    return x;
}

double fréquenceCPU() {
    return hertzDeFCPU(valeursMakefile().FréquenceCPU).value_or(0);
}

} // namespace

OngletMLI::OngletMLI(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("OngletMLI"));
    construire();
    brancher();
}

OngletMLI::~OngletMLI() {
    // Un champ qui perd le focus pendant la destruction ne doit plus rien valider.
    Kit::débrancherEnfants(this);
}

QLineEdit* OngletMLI::champ(const QString& nom, QLabel* légende, const QString& bulle) {
    auto* c = new QLineEdit(this);
    c->setObjectName(nom);
    c->setToolTip(bulle);
    Kit::associer(légende, c);
    return c;
}

void OngletMLI::construire() {
    auto* grille = new QGridLayout(this);
    grille->setHorizontalSpacing(8);
    grille->setVerticalSpacing(4);
    int ligne = 0;
    construireChamps(grille, ligne);
    construireLimites(grille, ligne);
    construireHorloge();
    grille->addWidget(Frame1, ligne++, 0, 1, 3);
    grille->addWidget(CBInit, ligne++, 0, 1, 3);
    grille->setColumnStretch(1, 1);
    grille->setRowStretch(ligne, 1);
}

// Mode, sortie, fréquence, période, rapport cyclique, Ton et Toff, une ligne chacun.
void OngletMLI::construireChamps(QGridLayout* grille, int& ligne) {
    auto placer = [&](QLabel* l, QWidget* c, QLabel* unité = nullptr) {
        grille->addWidget(l, ligne, 0);
        // Une liste prend aussi la place de l'unité.
        grille->addWidget(c, ligne, 1, 1, unité || qobject_cast<QLineEdit*>(c) ? 1 : 2);
        if (unité) grille->addWidget(unité, ligne, 2);
        ++ligne;
    };

    auto* Label13 = Kit::légende(QStringLiteral("Label13"), QStringLiteral("&Mode :"), this);
    TMode = new QComboBox(this);
    TMode->setObjectName(QStringLiteral("TMode"));
    TMode->setToolTip(QStringLiteral("Choisir un mode ou un type de commande."));
    Kit::associer(Label13, TMode);
    placer(Label13, TMode);

    auto* Label2 = Kit::légende(QStringLiteral("Label2"), QStringLiteral("&Sortie :"), this);
    TSortie = new QComboBox(this);
    TSortie->setObjectName(QStringLiteral("TSortie"));
    Kit::associer(Label2, TSortie);
    placer(Label2, TSortie);

    auto* Label11 = Kit::légende(QStringLiteral("Label11"), QStringLiteral("&Fréquence :"), this);
    TFrequence = champ(QStringLiteral("TFrequence"), Label11, UnitéObligatoire);
    placer(Label11, TFrequence,
           Kit::légende(QStringLiteral("Label8"), QStringLiteral("Unité : Hz, kHz, MHz."), this));

    auto* Label1 = Kit::légende(QStringLiteral("Label1"), QStringLiteral("&Période :"), this);
    TPériode = champ(QStringLiteral("TPériode"), Label1, UnitéObligatoire);
    placer(Label1, TPériode,
           Kit::légende(QStringLiteral("Label3"), QStringLiteral("Unité : s, ms, µs, ns."), this));

    auto* Label6 =
        Kit::légende(QStringLiteral("Label6"), QStringLiteral("Rapport &Cyclique (0 < RC < 1) :"), this);
    TRC = champ(QStringLiteral("TRC"), Label6);
    placer(Label6, TRC);

    auto* Label5 = Kit::légende(QStringLiteral("Label5"), QStringLiteral("To&n :"), this);
    TTon = champ(QStringLiteral("TTon"), Label5, UnitéObligatoire);
    CBRecalcRC = Kit::bouton(QStringLiteral("CBRecalcRC"), QStringLiteral("Recalculer RC et T"), this);
    CBRecalcRC->hide();
    placer(Label5, TTon);
    grille->addWidget(CBRecalcRC, ligne - 1, 2);

    auto* Label4 = Kit::légende(QStringLiteral("Label4"), QStringLiteral("T&off :"), this);
    TToff = champ(QStringLiteral("TToff"), Label4, UnitéObligatoire);
    placer(Label4, TToff,
           Kit::légende(QStringLiteral("Label7"), QStringLiteral("Unité : s, ms, µs, ns."), this));
}

void OngletMLI::construireLimites(QGridLayout* grille, int& ligne) {
    // Les limites : fréquences et périodes extrêmes du timer de la sortie choisie.
    auto limite = [this](const QString& nom) {
        auto* l = new QLabel(this);
        l->setObjectName(nom);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return l;
    };
    Fmin = limite(QStringLiteral("Fmin"));
    FMax = limite(QStringLiteral("FMax"));
    Tmin = limite(QStringLiteral("Tmin"));
    TMax = limite(QStringLiteral("TMax"));
    auto* limites = new QGridLayout;
    limites->addWidget(new QLabel(QStringLiteral("Fmin :"), this), 0, 0);
    limites->addWidget(Fmin, 0, 1);
    limites->addWidget(new QLabel(QStringLiteral("Fmax :"), this), 0, 2);
    limites->addWidget(FMax, 0, 3);
    limites->addWidget(new QLabel(QStringLiteral("Tmax :"), this), 1, 0);
    limites->addWidget(Tmin, 1, 1);
    limites->addWidget(new QLabel(QStringLiteral("Tmin :"), this), 1, 2);
    limites->addWidget(TMax, 1, 3);
    grille->addLayout(limites, ligne++, 0, 1, 3);

    // Ce que le composant fera vraiment, calculé par le générateur.
    LObtenu = new QLabel(this);
    LObtenu->setObjectName(QStringLiteral("LObtenu"));
    LObtenu->setAccessibleName(QStringLiteral("Réglage obtenu"));
    LObtenu->setTextInteractionFlags(Qt::TextSelectableByMouse);
    LObtenu->setWordWrap(true);
    grille->addWidget(LObtenu, ligne++, 0, 1, 3);
    DessinMLI = new DessinSignal(this);
    DessinMLI->setObjectName(QStringLiteral("DessinMLI"));
    grille->addWidget(DessinMLI, ligne++, 0, 1, 3);
}

// Sous les champs : horloge d'entrée et en-tête d'initialisation.
void OngletMLI::construireHorloge() {
    Frame1 = new QGroupBox(QStringLiteral("&Horloge d'entrée"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    CBHorlogeEntrée = new QComboBox(Frame1);
    CBHorlogeEntrée->setObjectName(QStringLiteral("CBHorlogeEntrée"));
    CBHorlogeEntrée->setAccessibleName(QStringLiteral("Horloge d'entrée"));
    Label9 = Kit::légende(QStringLiteral("Label9"), QStringLiteral("Fr&eq :"), Frame1);
    TFreqEntréeHorloge = new QLineEdit(QStringLiteral("32768"), Frame1);
    TFreqEntréeHorloge->setObjectName(QStringLiteral("TFreqEntréeHorloge"));
    TFreqEntréeHorloge->setToolTip(QStringLiteral("Des Hertz que des Hertz"));
    Kit::associer(Label9, TFreqEntréeHorloge);
    Label12 = Kit::légende(QStringLiteral("Label12"), QStringLiteral("Hz"), Frame1);
    auto* cadre = new QHBoxLayout(Frame1);
    cadre->addWidget(CBHorlogeEntrée, 1);
    cadre->addWidget(Label9);
    cadre->addWidget(TFreqEntréeHorloge);
    cadre->addWidget(Label12);
    for (QWidget* w : {static_cast<QWidget*>(TFreqEntréeHorloge), static_cast<QWidget*>(Label9),
                       static_cast<QWidget*>(Label12)})
        w->setEnabled(false);

    CBInit = Kit::caseÀCocher(QStringLiteral("CBInit"), QStringLiteral("&Ajouter l'en-tête d'initialisation"),
                              this);
    CBInit->setToolTip(
        QStringLiteral("Si une procédure d'initialisation est créée, ajoute InitMLI_OCxx () au "
                       "début du texte."));
}

void OngletMLI::brancher() {
    const Kit::Protection& p = m_protéger;
    p.brancher(TMode, &QComboBox::activated, this, [this](int i) { choisirMode(i); });
    p.brancher(TSortie, &QComboBox::activated, this, [this](int i) { choisirSortie(i); });
    p.brancher(CBHorlogeEntrée, &QComboBox::activated, this, [this](int i) { choisirEntrée(i); });
    for (QLineEdit* c : {TFrequence, TPériode, TRC, TTon, TToff, TFreqEntréeHorloge})
        p.brancher(c, &QLineEdit::textEdited, this, [this, c] { saisie(c); });
    // Entrée ou sortie du champ : sa validation.
    p.brancher(TFrequence, &QLineEdit::editingFinished, this, [this] { validerFréquence(); });
    p.brancher(TPériode, &QLineEdit::editingFinished, this, [this] { validerPériode(); });
    p.brancher(TRC, &QLineEdit::editingFinished, this, [this] { validerRapport(); });
    p.brancher(TFreqEntréeHorloge, &QLineEdit::editingFinished, this, [this] { validerHorloge(); });
    // Entrée valide le champ puis passe au suivant à remplir ; un refus garde le focus.
    const std::pair<QLineEdit*, QWidget*> suivants[] = {
        {TFrequence, TRC}, {TPériode, TRC},     {TRC, CBInit},
        {TTon, TToff},     {TToff, CBRecalcRC}, {TFreqEntréeHorloge, TFrequence}};
    for (const auto& [c, suivant] : suivants)
        p.brancher(c, &QLineEdit::returnPressed, this, [this, c, suivant] { entrée(c, suivant); });
    for (QLineEdit* c : {TTon, TToff}) {
        c->installEventFilter(this);
        p.brancher(c, &QLineEdit::editingFinished, this, [this, c] {
            // Le champ réécrit sous sa forme normale : « 1.5ms » devient « 1,5 ms ».
            const Calculatrice::Valeur v = Calculatrice::lireTemps(c->text());
            if (m_modifiés.contains(c) && v.valide && !v.vide)
                écrire(c, Calculatrice::texteChamp(v.nombre, v.unité));
        });
    }
    p.brancher(CBRecalcRC, &QPushButton::clicked, this, [this] { recalculerRapport(); });
}

void OngletMLI::entrée(QLineEdit* c, QWidget* suivant) {
    // La validation d'abord : returnPressed vient avant editingFinished.
    emit c->editingFinished();
    const EtatCalculatrice& s = etatCalculatrice();
    const bool accepté = c == TFrequence           ? s.FréquenceHz.has_value()
                         : c == TPériode           ? s.PériodeS.has_value()
                         : c == TRC                ? s.rapportValide()
                         : c == TTon               ? s.TonS.has_value()
                         : c == TToff              ? s.ToffS.has_value()
                         : c == TFreqEntréeHorloge ? nombreSeul(c->text()).value_or(0) >= 1
                                                   : true;
    if (!accepté || c->text().trimmed().isEmpty()) return;
    if (suivant == CBRecalcRC) CBRecalcRC->show();
    suivant->setFocus(Qt::TabFocusReason);
    if (auto* champSuivant = qobject_cast<QLineEdit*>(suivant)) champSuivant->selectAll();
}

bool OngletMLI::eventFilter(QObject* objet, QEvent* e) {
    if (e->type() == QEvent::FocusIn && (objet == TTon || objet == TToff)) CBRecalcRC->show();
    return QWidget::eventFilter(objet, e);
}

// --- Remplissage ------------------------------------------------------------------------------

void OngletMLI::remplirModes() {
    const QSignalBlocker bloqueur(TMode);
    TMode->clear();
    TMode->addItems({QStringLiteral("Moteur"), QStringLiteral("Régulation, Rectification, CNA"),
                     QStringLiteral("Haute résolution"), QStringLiteral("CTC"), QStringLiteral("Fast PWM"),
                     QStringLiteral("PWM Phase Correct")});
    TMode->setCurrentIndex(1);
    m_indexMode = 1;
    etatCalculatrice().ModePWM = QStringLiteral("FPWM");
}

void OngletMLI::remplir(const CapacitésComposant* composant, const QString& dossierModèles) {
    m_composant = composant;
    m_dossierModèles = dossierModèles;
    m_générées.clear();
    EtatCalculatrice& s = etatCalculatrice();
    s.ContrôleESArmé = false;
    {
        const QSignalBlocker b1(TSortie), b2(CBHorlogeEntrée);
        TSortie->clear();
        CBHorlogeEntrée->clear();
        for (const SortieComposant& sortie : composant->sorties)
            TSortie->addItem(sortie.libellé);
        for (const EntréeHorlogeComposant& entrée : composant->entrées)
            CBHorlogeEntrée->addItem(entrée.libellé);
    }
    if (TSortie->count() > 0) {
        TSortie->setCurrentIndex(0);
        choisirSortie(0);
    }
    if (CBHorlogeEntrée->count() > 0) {
        CBHorlogeEntrée->setCurrentIndex(0);
        choisirEntrée(0);
    }
}

void OngletMLI::activer() {
    EtatCalculatrice& s = etatCalculatrice();
    const bool externe = m_composant && s.indexEntrée < int(m_composant->entrées.size()) &&
                         !m_composant->entrées[s.indexEntrée].interne();
    // L'horloge suit l'entrée choisie : une entrée externe garde sa fréquence.
    if (!externe) s.FréquenceHorloge = Nombres::versEntier32(fréquenceCPU());
    CalculMinEtMax();
    montrerObtenu();
}

// --- Saisie -----------------------------------------------------------------------------------

void OngletMLI::écrire(QLineEdit* c, const QString& texte) {
    m_modifiés.remove(c);
    if (c->text() != texte) c->setText(texte);
}

void OngletMLI::saisie(QLineEdit* c) {
    // Un point tapé devient une virgule, le curseur restant où il était.
    if (c->text().contains(u'.')) {
        const int curseur = c->cursorPosition();
        c->setText(QString(c->text()).replace(u'.', u','));
        c->setCursorPosition(curseur);
    }
    m_modifiés.insert(c);
    EtatCalculatrice& s = etatCalculatrice();
    const QString t = c->text();
    if (c == TFrequence) {
        const Calculatrice::Valeur v = Calculatrice::lireFréquence(t);
        s.FréquenceHz = v.valide && !v.vide && v.valeurSI > 0 ? std::optional(v.valeurSI) : std::nullopt;
    } else if (c == TPériode) {
        const Calculatrice::Valeur v = Calculatrice::lireTemps(t);
        s.PériodeS = v.valide && !v.vide && v.valeurSI > 0 ? std::optional(v.valeurSI) : std::nullopt;
    } else if (c == TRC) {
        s.RapportCyclique = nombreSeul(t);
        dériverTonToff();
    } else if (c == TTon || c == TToff) {
        const Calculatrice::Valeur v = Calculatrice::lireTemps(t);
        (c == TTon ? s.TonS : s.ToffS) = v.valide && !v.vide ? std::optional(v.valeurSI) : std::nullopt;
    }
    // La fréquence d'une horloge externe ne se lit qu'à la validation : « 32768 » passe par 3 et 32.
}

void OngletMLI::dériverTonToff() {
    EtatCalculatrice& s = etatCalculatrice();
    if (!s.PériodeS || !s.rapportValide()) return;
    s.TonS = *s.PériodeS * *s.RapportCyclique;
    s.ToffS = *s.PériodeS - *s.TonS;
    écrire(TTon, Calculatrice::texteDurée(*s.TonS));
    écrire(TToff, Calculatrice::texteDurée(*s.ToffS));
}

// --- Validations ------------------------------------------------------------------------------

void OngletMLI::validerFréquence() {
    if (!m_modifiés.contains(TFrequence)) return;
    m_modifiés.remove(TFrequence);
    EtatCalculatrice& s = etatCalculatrice();
    const Calculatrice::Valeur v = Calculatrice::lireFréquence(TFrequence->text());
    if (v.vide) {
        s.FréquenceHz.reset();
        return;
    }
    if (!v.valide || v.valeurSI <= 0) {
        s.FréquenceHz.reset();
        message(QStringLiteral("Mon pauvre chéri, ta fréquence est invalide ..."), IconeMessage::Critique);
        TFrequence->setFocus();
        return;
    }
    écrire(TFrequence, Calculatrice::texteChamp(v.nombre, v.unité));
    s.FréquenceHz = v.valeurSI;
    if (s.horsLimites()) {
        refuserHorsLimites();
        return;
    }
    s.PériodeS = 1 / *s.FréquenceHz;
    écrire(TPériode, Calculatrice::texteDurée(*s.PériodeS));
    dériverTonToff();
}

void OngletMLI::validerPériode() {
    if (!m_modifiés.contains(TPériode)) return;
    m_modifiés.remove(TPériode);
    EtatCalculatrice& s = etatCalculatrice();
    const Calculatrice::Valeur v = Calculatrice::lireTemps(TPériode->text());
    if (v.vide) {
        s.PériodeS.reset();
        return;
    }
    if (!v.valide || v.valeurSI <= 0) {
        s.PériodeS.reset();
        message(QStringLiteral("Ben alors c'est pas une période qui va ça !!!"), IconeMessage::Critique);
        TPériode->setFocus();
        return;
    }
    écrire(TPériode, Calculatrice::texteChamp(v.nombre, v.unité));
    s.PériodeS = v.valeurSI;
    appliquerPériode();
}

// La fréquence qui suit d'une période acceptée ; refusée, les deux valeurs sont effacées.
void OngletMLI::appliquerPériode() {
    EtatCalculatrice& s = etatCalculatrice();
    s.FréquenceHz = 1 / *s.PériodeS;
    if (s.horsLimites()) {
        s.PériodeS.reset();
        refuserHorsLimites();
        return;
    }
    écrire(TFrequence, Calculatrice::ConvertitFréquence(*s.FréquenceHz));
    dériverTonToff();
}

void OngletMLI::refuserHorsLimites() {
    messageHorsLimites();
    etatCalculatrice().FréquenceHz.reset();
    écrire(TFrequence, QString());
    TFrequence->setFocus();
}

void OngletMLI::validerRapport() {
    if (!m_modifiés.contains(TRC)) return;
    m_modifiés.remove(TRC);
    EtatCalculatrice& s = etatCalculatrice();
    if (TRC->text().trimmed().isEmpty()) {
        s.RapportCyclique.reset();
        return;
    }
    QString refus = QStringLiteral("Le rapport cyclique doit être entre 0 et 1.");
    if (s.rapportValide()) {
        // Un rapport que le sommet du timer ne sait pas rendre est refusé de même.
        const RésultatGénération r = m_composant && s.FréquenceHz && s.FréquenceHorloge > 0
                                         ? GenerateurPWM::calculer(entrées())
                                         : RésultatGénération{};
        if (!r.rapportInexprimable) {
            dériverTonToff();
            return;
        }
        refus = r.erreur;
    }
    s.RapportCyclique.reset();
    message(refus, IconeMessage::Critique);
    TRC->setFocus();
}

void OngletMLI::recalculerRapport() {
    CBRecalcRC->hide();
    EtatCalculatrice& s = etatCalculatrice();
    // Ton + Toff nul ou négatif ne donne aucune période.
    if (!s.TonS || !s.ToffS || *s.TonS + *s.ToffS <= 0) {
        message(QStringLiteral("Ben alors c'est pas une période qui va ça !!!"), IconeMessage::Critique);
        return;
    }
    const double période = *s.TonS + *s.ToffS;
    const double rapport = *s.TonS / période;
    if (!(rapport > 0 && rapport < 1)) {
        message(QStringLiteral("Le rapport cyclique doit être entre 0 et 1."), IconeMessage::Critique);
        return;
    }
    // Le rapport reste exact : 1,5 ms sur 20 ms donne 0,075.
    s.PériodeS = période;
    s.RapportCyclique = rapport;
    écrire(TPériode, Calculatrice::texteDurée(période));
    écrire(TRC, Nombres::texteDecimalVirgule(rapport));
    appliquerPériode();
}

// --- Mode, sortie, horloge --------------------------------------------------------------------

void OngletMLI::choisirMode(int index) {
    EtatCalculatrice& s = etatCalculatrice();
    if (index == 3) {
        Message m;
        m.texte = QStringLiteral(
                      "Attention le mode CTC n'est pas un vrai PWM. Le rapport cyclique sera forcé à 0,5.") +
                  Texte::SautDeLigne + QStringLiteral("Confirmez vous ce mode.");
        m.titre = TitreApplication();
        m.icône = IconeMessage::Information;
        m.boutons = BoutonsMessage::OuiNon;
        m.parDéfaut = RéponseMessage::Oui;
        if (afficherMessage(m) != RéponseMessage::Oui) {
            // Refusé : la liste remontre le mode d'avant.
            const QSignalBlocker bloqueur(TMode);
            TMode->setCurrentIndex(m_indexMode);
            return;
        }
        s.ModePWM = QStringLiteral("CTC");
        écrire(TRC, QStringLiteral("0,5"));
        s.RapportCyclique = 0.5;
        dériverTonToff();
    } else if (index == 2 || index == 5) {
        s.ModePWM = QStringLiteral("PWMPC");
    } else if (index >= 0) {
        s.ModePWM = QStringLiteral("FPWM");
    }
    m_indexMode = index;
    CalculMinEtMax();
}

void OngletMLI::choisirSortie(int index) {
    if (!m_composant || index < 0 || index >= int(m_composant->sorties.size())) return;
    EtatCalculatrice& s = etatCalculatrice();
    s.indexSortie = index;
    s.TimerSortie = m_composant->sorties[index].timer;
    VérifierCompatibilitéES(s.TimerEntrée, s.TimerSortie);
    // Les limites sont celles du timer de la sortie.
    if (s.ContrôleESArmé && s.FréquenceHorloge > 0) CalculMinEtMax();
}

void OngletMLI::choisirEntrée(int index) {
    if (!m_composant || index < 0 || index >= int(m_composant->entrées.size())) return;
    EtatCalculatrice& s = etatCalculatrice();
    s.indexEntrée = index;
    s.TimerEntrée = m_composant->entrées[index].timer;
    VérifierCompatibilitéES(s.TimerEntrée, s.TimerSortie);
    const bool externe = !m_composant->entrées[index].interne();
    for (QWidget* w : {static_cast<QWidget*>(TFreqEntréeHorloge), static_cast<QWidget*>(Label9),
                       static_cast<QWidget*>(Label12)})
        w->setEnabled(externe);
    if (externe) {
        TFreqEntréeHorloge->setFocus();
        const std::optional<double> f = nombreSeul(TFreqEntréeHorloge->text());
        if (f && Nombres::arrondir(*f) >= 1 && *f <= 2147483647.0) {
            s.FréquenceHorloge = Nombres::versEntier32(*f);
            CalculMinEtMax();
        }
        return;
    }
    s.FréquenceHorloge = Nombres::versEntier32(fréquenceCPU());
    CalculMinEtMax();
}

void OngletMLI::validerHorloge() {
    if (!m_modifiés.contains(TFreqEntréeHorloge)) return;
    m_modifiés.remove(TFreqEntréeHorloge);
    const std::optional<double> f = nombreSeul(TFreqEntréeHorloge->text());
    if (!f || Nombres::arrondir(*f) < 1 || *f > 2147483647.0) {
        message(QStringLiteral(
                    "La fréquence de l'horloge d'entrée doit être un nombre de hertz plus grand que 0."),
                IconeMessage::Critique);
        TFreqEntréeHorloge->setFocus();
        return;
    }
    etatCalculatrice().FréquenceHorloge = Nombres::versEntier32(*f);
    CalculMinEtMax();
}

void OngletMLI::VérifierCompatibilitéES(const QString& entrée, const QString& sortie) {
    EtatCalculatrice& s = etatCalculatrice();
    if (!s.ContrôleESArmé) {
        s.ContrôleESArmé = true;
        return;
    }
    // L'horloge interne (code « 11 ») cadence tous les timers, comme une sortie en « 11 » accepte
    // toutes les entrées.
    for (qsizetype i = 0; i + 2 <= entrée.size(); i += 2)
        if (entrée.mid(i, 2) == u"11") return;
    if (GenerateurPWM::entréeCompatible(entrée, sortie)) return;
    message(QStringLiteral("L'entrée et la sortie sont incompatible mon chou."), IconeMessage::Exclamation,
            QStringLiteral("Bou la la, la la !!!"));
}

void OngletMLI::CalculMinEtMax() {
    EtatCalculatrice& s = etatCalculatrice();
    double fmin = 0, fmax = 0;
    // Les limites du timer de la sortie, dans le mode choisi ; à défaut, celles du composant.
    const CalculTimer::Limites l =
        m_composant && s.FréquenceHorloge > 0 ? GenerateurPWM::limites(entrées()) : CalculTimer::Limites{};
    if (l.erreur.isEmpty() && l.FmaxHz > 0) {
        fmin = l.FminHz;
        fmax = l.FmaxHz;
    } else if (m_composant && m_composant->DiviseurFmin > 0 && m_composant->DiviseurFmax > 0) {
        fmin = s.FréquenceHorloge / m_composant->DiviseurFmin;
        fmax = s.FréquenceHorloge / m_composant->DiviseurFmax;
    }
    s.FminHz = Nombres::arrondir(fmin, 4);
    s.FmaxHz = Nombres::arrondir(fmax, 4);
    // Les limites montrées d'abord : un refus qui suit doit se lire contre celles du nouveau timer.
    if (s.FminHz <= 0 || s.FmaxHz <= 0) {
        for (QLabel* l2 : {Fmin, FMax, Tmin, TMax})
            l2->clear();
    } else {
        Fmin->setText(Calculatrice::ConvertitFréquence(s.FminHz));
        FMax->setText(Calculatrice::ConvertitFréquence(s.FmaxHz));
        Tmin->setText(Calculatrice::ConvertitPériode(1 / s.FminHz));
        TMax->setText(Calculatrice::ConvertitPériode(1 / s.FmaxHz));
    }
    if (s.horsLimites()) refuserHorsLimites();
}

// --- Génération -------------------------------------------------------------------------------

EntréesGénérateur OngletMLI::entrées() const {
    const EtatCalculatrice& s = etatCalculatrice();
    EntréesGénérateur e;
    e.composant = m_composant;
    e.dossierModèles = m_dossierModèles;
    e.indexSortie = s.indexSortie;
    e.indexEntrée = s.indexEntrée;
    e.fréquenceHorloge = s.FréquenceHorloge;
    e.fréquenceVoulue = s.FréquenceHz.value_or(0);
    e.rapportCyclique = s.RapportCyclique.value_or(0);
    e.ModePWM = s.ModePWM;
    e.CBInit = CBInit->isChecked();
    return e;
}

void OngletMLI::montrerObtenu() {
    const EtatCalculatrice& s = etatCalculatrice();
    QString ligne;
    if (m_composant && s.FréquenceHz && s.FréquenceHorloge > 0) {
        EntréesGénérateur e = entrées();
        if (!s.rapportValide()) e.rapportCyclique = 0.5;
        ligne = GenerateurPWM::ligneObtenu(e);
        // Le dessin montre le réglage obtenu, pas le voulu.
        const RésultatGénération r = GenerateurPWM::calculer(e);
        if (r.ok()) {
            const Calculatrice::Résumé x = Calculatrice::résumé(r.réglage, r.mode);
            DessinMLI->montrerMLI(r.réglage.rapportObtenu, x.F, x.RC, x.Ton, x.Toff);
        }
    }
    if (ligne.isEmpty()) DessinMLI->effacer(QStringLiteral("Tapez une fréquence ou une période."));
    LObtenu->setText(ligne);
    // Le lecteur d'écran lit ce qui est montré, pas un titre fixe.
    LObtenu->setAccessibleName(ligne.isEmpty() ? QStringLiteral("Réglage obtenu") : ligne);
}

bool OngletMLI::générer(DocumentRiche& RTBInvisible) {
    const EtatCalculatrice& s = etatCalculatrice();
    RTBInvisible.vider();
    if (!s.FréquenceHz) {
        message(QStringLiteral("Mon pauvre chéri, ta fréquence est invalide ..."), IconeMessage::Critique);
        return false;
    }
    if (s.ModePWM != u"CTC" && !s.rapportValide()) {
        message(QStringLiteral("Le rapport cyclique doit être entre 0 et 1."), IconeMessage::Critique);
        return false;
    }
    const RésultatGénération r = GénérerLeCodePWM(entrées(), RTBInvisible);
    if (!r.ok()) {
        message(r.erreur, IconeMessage::Critique);
        return false;
    }
    signalerConflit(r);
    return true;
}

void OngletMLI::signalerConflit(const RésultatGénération& r) {
    const int sortie = etatCalculatrice().indexSortie;
    const TimerComposant& t = m_composant->timers[std::size_t(r.indexTimer)];
    const auto miennes = GenerateurPWM::écritures(t, r.réglage);
    m_générées[sortie] = {t.nom, miennes};
    if (t.nom.isEmpty()) return;
    for (auto it = m_générées.cbegin(); it != m_générées.cend(); ++it) {
        if (it.key() == sortie || it->timer != t.nom) continue;
        const QString c = GenerateurPWM::conflit(it->écritures, miennes);
        if (c.isEmpty()) continue;
        message(
            QStringLiteral("Les sorties %1 et %2 partagent le %3, mais leurs réglages ne peuvent pas "
                           "cohabiter (%4) : le code de %2 défait celui de %1.")
                    .arg(m_composant->sorties[std::size_t(it.key())].libellé,
                         m_composant->sorties[std::size_t(sortie)].libellé, t.nom, c) +
                Texte::SautDeLigne +
                QStringLiteral("Donnez-leur le même mode et une fréquence que les deux obtiennent avec la "
                               "même prédivision, ou prenez une sortie d'un autre timer."),
            IconeMessage::Exclamation);
        return;
    }
}
