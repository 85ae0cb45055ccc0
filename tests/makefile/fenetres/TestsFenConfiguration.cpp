// La fenêtre de configuration hors écran : contrôles par leur nom, gestes par QTest.
#include "common/Messages.h"
#include "makefile/fenetres/AccesFenetres.h"
#include "makefile/fenetres/FenConfiguration.h"
#include "noyau/Parametres.h"
#include "outils/EssaiConfiguration.h"
#include "outils/OutilsFenetres.h"
#include "outils/ProjetEnLectureSeule.h"
#include "outils/QuandModale.h"
#include "ui/fenetres/BTL.h"
#include "ui/fenetres/InfoBulle.h"
#include "ui/fenetres/Twips.h"
#include "ui/fenetres/VueDocumentRiche.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

using namespace OutilsTests;

namespace {

class FenetreConfiguration : public OutilsFenetres::EssaiFenetre<FenConfiguration> {
protected:
    // Les services remplacés notent les fenêtres demandées et les dossiers proposés aux boîtes de
    // choix, qui rendent les réponses prévues, puis rien.
    FenConfiguration::Services services() {
        FenConfiguration::Services s;
        s.ouvrirAide = [this](const QString& f) { ouvertes << f; };
        s.ouvrirAPropos = [this](QWidget*) { ouvertes << "APropos"; };
        s.ouvrirFusibles = [this](QWidget*) { ouvertes << "Fusibles"; };
        s.ouvrirAssistante = [this](QWidget*) { ouvertes << "Assistante"; };
        s.choisirFichier = [this](QWidget*, const QString&, const QString&, const QString& dossier) {
            dossiersDialogues << dossier;
            return réponses.isEmpty() ? QString() : réponses.takeFirst();
        };
        s.choisirDossier = [this](QWidget*, const QString&, const QString&) {
            return réponses.isEmpty() ? QString() : réponses.takeFirst();
        };
        return s;
    }

    QString valeur(const QString& clé) {
        return ValeurParamètre(fenêtre->configuration().RTBMakefile, clé).value_or("<absente>");
    }

    // Un clic sur la case d'une option ou d'une case à cocher (le milieu du contrôle peut tomber
    // hors de son texte).
    void cliquerCase(const QString& nom) {
        QWidget* w = c(nom);
        QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(6, w->height() / 2));
    }

    EssaiConfiguration essai;
    EnregistreurMessages messages;
    QStringList ouvertes, dossiersDialogues, réponses;
};

} // namespace

// Chaque étiquette nomme son contrôle ; la fenêtre s'ouvre repliée, sans étape sautée ni message.
TEST_F(FenetreConfiguration, OuvertureÉtiquettesEtLargeur) {
    ouvrir(services());
    int étiquetés = 0;
    for (QLabel* l : fenêtre->findChildren<QLabel*>()) {
        if (QWidget* b = l->buddy(); b && ++étiquetés) {
            EXPECT_EQ(b->accessibleName(), l->text()) << b->objectName().toStdString();
        }
    }
    EXPECT_EQ(std::tuple(étiquetés >= 7, fenêtre->estRepliée(), fenêtre->étapesSautées().size(),
                         messages.messages.size()),
              std::tuple(true, true, 0u, 0u));

    // >>>> élargit à 14500 twips au plus, centrée ; <<<< replie.
    const int replié = fenêtre->width();
    const QRect écran = fenêtre->screen()->geometry();
    cliquer("CommandButtonMakefile");
    EXPECT_EQ(fenêtre->width(), std::min(Twips::versPixels(14500, fenêtre.get()), écran.width()));
    EXPECT_LE(std::abs(fenêtre->frameGeometry().center().x() - écran.center().x()), 1);
    cliquer("CommandButtonMakefile");
    EXPECT_EQ(fenêtre->width(), replié);
}

// Un port tapé puis Entrée s'écrit sans fermer ; quitter la liste suffit aussi. OK impossible : message,
// la fenêtre reste ; possible, il enregistre et ferme, avec le texte d'une liste qu'on n'a pas quittée.
TEST_F(FenetreConfiguration, MakefileDuProjetPortEtOK) {
    essai.écrireMakefile(EssaiConfiguration::makefileAvec(
        {{"DEBUG =", "stabs"}, {"CompilCoff =", "extcoff"}, {"AffichageMemoire =", ""}}));
    ouvrir(services());
    EXPECT_TRUE(c<QRadioButton>("OptCoff(1)")->isChecked());
    EXPECT_FALSE(c<QCheckBox>("CKBOccupationMémoire")->isChecked());

    OutilsFenetres::taper(c<QComboBox>("ComboBoxPort"), "com2");
    EXPECT_EQ(valeur("AVRDUDE_PORT ="), "com2");
    QTest::keyClick(c<QLineEdit>("TxtInclude"), Qt::Key_Return);
    EXPECT_EQ(std::tuple(fenêtre->isVisible(), ouvertes.size(), essai.makefileÉcrit().contains("com2")),
              std::tuple(true, 0, false));

    auto* programmateur = c<QComboBox>("ComboBoxProgrammateur");
    OutilsFenetres::taper(programmateur, "stk500", false);
    QFocusEvent sortie(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(programmateur->lineEdit(), &sortie);
    EXPECT_EQ(std::tuple(valeur("AVRDUDE_PROGRAMMER ="), messages.messages.size()), std::tuple("stk500", 0u));

    {
        ProjetEnLectureSeule lectureSeule(essai);
        cliquer("CommandButtonOK");
    }
    ASSERT_EQ(std::tuple(fenêtre->isVisible(), messages.messages.size()), std::tuple(true, 1u));

    OutilsFenetres::taper(c<QComboBox>("ComboBoxPort"), "com3", false);
    cliquer("CommandButtonOK");
    EXPECT_EQ(std::tuple(fenêtre->result(), fenêtre->isVisible()), std::tuple(QDialog::Accepted, false));
    EXPECT_TRUE(essai.makefileÉcrit().contains("\nAVRDUDE_PORT = com3\n"));
    EXPECT_TRUE(essai.makefileÉcrit().contains("\nAVRDUDE_PROGRAMMER = stk500\n"));
}

// Le µC se complète sans égard à la casse : Entrée choisit la proposition (ou le nom tapé en entier)
// et l'écrit dans le makefile, sans fermer la fenêtre.
TEST_F(FenetreConfiguration, MicroContrôleurEtFréquenceTapés) {
    ouvrir(services());
    auto* chip = c<QComboBox>("ComboBoxChip");
    ASSERT_TRUE(chip->completer());
    for (bool proposition : {true, false}) {
        OutilsFenetres::taper(chip, proposition ? "atmega8" : "atmega16", false);
        QAbstractItemView* propositions = chip->completer()->popup();
        ASSERT_TRUE(propositions->isVisible());
        if (proposition) QTest::keyClick(propositions, Qt::Key_Down);
        const QString attendu = proposition ? propositions->currentIndex().data().toString() : "ATMega16";
        QTest::keyClick(propositions, Qt::Key_Return);
        EXPECT_EQ(std::tuple(fenêtre->configuration().contrôles.microContrôleur.texte, valeur("MCU ="),
                             fenêtre->isVisible()),
                  std::tuple(attendu, attendu.toLower(), true));
    }
    EXPECT_TRUE(messages.messages.empty());

    // Une fréquence refusée le dit une seule fois, acceptée elle change l'étiquette.
    auto* fréquence = c<QComboBox>("ComboBoxFreq");
    OutilsFenetres::taper(fréquence, "16 MHz");
    QTest::keyClick(fréquence->lineEdit(), Qt::Key_Return);
    ASSERT_EQ(messages.messages.size(), 1u);
    OutilsFenetres::taper(fréquence, "20000000");
    EXPECT_EQ(std::tuple(c<QLabel>("TxtFreq")->text(), valeur("F_CPU ="), messages.messages.size()),
              std::tuple("Hz = 20 MHz", "20000000", 1u));
}

// Options au clic de souris : Dwarf-2 grise et vide le COFF, Stabs le rend.
TEST_F(FenetreConfiguration, OptionsDossiersEtMakefileChargé) {
    ouvrir(services());
    cliquerCase("OptionButtonFormatSortie(1)");
    EXPECT_EQ(valeur("FORMAT ="), "binary");
    cliquerCase("OptStab(0)");
    EXPECT_TRUE(c("OptCoff(0)")->isEnabled());
    cliquerCase("OptCoff(1)");
    EXPECT_EQ(valeur("CompilCoff ="), "extcoff");
    cliquerCase("OptStab(1)");
    EXPECT_EQ(std::tuple(valeur("CompilCoff ="), c("OptCoff(0)")->isEnabled(),
                         c<QRadioButton>("OptCoff(1)")->isChecked()),
              std::tuple("", false, false));
    cliquerCase("CKBOccupationMémoire");
    EXPECT_EQ(valeur("AffichageMemoire ="), "");

    // Dossiers : au clavier (séparateurs convertis), par le bouton qui ajoute, annulé sans effet.
    auto* include = c<QLineEdit>("TxtInclude");
    include->setFocus();
    QTest::keyClicks(include, "c:\\avr\\inc");
    EXPECT_EQ(valeur("EXTRAINCDIRS ="), "c:/avr/inc");
    réponses = {"c:\\projet\\inc", "", "/opt/avr-gcc"};
    cliquer("CBDossierInclude");
    cliquer("CBDossierInclude");
    EXPECT_EQ(std::pair(include->text(), valeur("EXTRAINCDIRS =")),
              std::pair(QString("c:\\avr\\inc c:\\projet\\inc"), QString("c:/avr/inc c:/projet/inc")));
    cliquer("CommandButton1");
    EXPECT_EQ(valeur("DIRAVR ="), "/opt/avr-gcc");

    // « Charger un makefile existant » remplace la vue sans toucher aux contrôles.
    const QString autre = essai.temporaire() + "/autre makefile";
    ecrireFichier(autre, "MCU = attiny13\nTARGET = autre\n");
    réponses = {autre};
    cliquer("CBChargerMakefile");
    EXPECT_EQ(std::tuple(dossiersDialogues.value(0), c<VueDocumentRiche>("RTBMakefile")->toPlainText(),
                         c<QComboBox>("ComboBoxChip")->currentText()),
              std::tuple(essai.projet(), "MCU = attiny13\nTARGET = autre\n", "ATMega8"));
}

// Les boutons vers d'autres fenêtres, celle des fusibles modale au-dessus ; l'exception d'un
// gestionnaire devient l'erreur non répertoriée au lieu de quitter la boucle.
TEST_F(FenetreConfiguration, BoutonsVersDAutresFenêtres) {
    ouvrir(services());
    for (const char* bouton : {"CBFuseBit", "CBApropos", "CBAide", "CBAssistant"})
        cliquer(bouton);
    EXPECT_EQ(ouvertes,
              (QStringList{"Fusibles", "APropos", essai.installation() + "/Aide/index.html", "Assistante"}));
    ASSERT_TRUE(activer());
    QTest::keyClick(fenêtre.get(), Qt::Key_F1);
    EXPECT_EQ(ouvertes.size(), 5);

    QWidget* propriétaire = nullptr;
    OutilsFenetres::quandModale<QWidget>([&](QWidget* f) {
        propriétaire = f->objectName() == "FenFuseBit" ? f->parentWidget() : nullptr;
        f->close();
    });
    OuvrirFenêtreFusibles(fenêtre.get());
    EXPECT_EQ(propriétaire, fenêtre.get());

    FenConfiguration::Services s = services();
    s.ouvrirFusibles = [](QWidget*) { throw std::runtime_error("boum"); };
    FenConfiguration autre(s);
    autre.show();
    QTest::mouseClick(autre.findChild<QWidget*>("CBFuseBit"), Qt::LeftButton);
    EXPECT_EQ(etatGlobal().DescriptionErreur, "boum");
}

// Bulles cachées par le fond ; les couper s'enregistre et vaut pour les zones d'aide, pas la fréquence.
TEST_F(FenetreConfiguration, BullesEtSilence) {
    ouvrir(services());
    auto* bulle = c<InfoBulle>("InfoBulle1");
    OutilsFenetres::survoler(c("Label3"));
    ASSERT_TRUE(bulle->estAffichée());
    QMouseEvent fond(QEvent::MouseMove, QPointF(1, 1), fenêtre->mapToGlobal(QPointF(1, 1)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(fenêtre.get(), &fond);
    EXPECT_FALSE(bulle->estAffichée());

    cliquerCase("CBPlusBulles");
    EXPECT_EQ(Parametres::Lire(Parametres::PlusDeBulles), "1");
    OutilsFenetres::survoler(c("Label3"));
    EXPECT_FALSE(bulle->estAffichée());
    OutilsFenetres::survoler(c("TxtFreq"));
    EXPECT_EQ(std::tuple(bulle->estAffichée(), messages.messages.size()), std::tuple(true, 0u));

    // « Silence. » s'enregistre aussitôt et fait taire chaque bouton de la fenêtre.
    cliquerCase("CBSilence");
    EXPECT_EQ(Parametres::Lire(Parametres::Silence), "1");
    for (BTL* b : fenêtre->findChildren<BTL*>())
        EXPECT_TRUE(b->SonSilence()) << b->objectName().toStdString();
}
