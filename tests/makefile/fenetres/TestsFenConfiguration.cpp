// La fenêtre de configuration, hors écran : contrôles trouvés par leur nom, gestes de
// l'utilisateur par QTest, messages lus dans l'enregistreur.
#include "common/Messages.h"
#include "makefile/EssaiConfiguration.h"
#include "makefile/ParametreMakefile.h"
#include "makefile/PreferencesInterface.h"
#include "makefile/fenetres/AccesFenetres.h"
#include "makefile/fenetres/FenConfiguration.h"
#include "makefile/fenetres/FenRechercheRemplace.h"
#include "noyau/EtatGlobal.h"
#include "noyau/GestionXML.h"
#include "ui/fenetres/BTL.h"
#include "ui/fenetres/InfoBulle.h"
#include "ui/fenetres/Twips.h"
#include "ui/fenetres/VueDocumentRiche.h"

#include "outils/OutilsFenetres.h"
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace OutilsTests;

namespace {

// Ce que la fenêtre a demandé aux services remplacés.
struct Appels {
    QStringList aide;
    int aPropos = 0, fusibles = 0, assistante = 0;
    struct Dialogue {
        QString titre, filtre, dossier;
    };
    std::vector<Dialogue> dialogues;
    std::deque<QString> réponsesDialogues;
    bool assistanteVisibleAvant = true;
};

class FenetreConfiguration : public ::testing::Test {
protected:
    FenConfiguration::Services services() {
        FenConfiguration::Services s;
        s.ouvrirAide = [this](const QString& f) { appels.aide << f; };
        s.ouvrirAPropos = [this](QWidget*) { ++appels.aPropos; };
        s.ouvrirFusibles = [this](QWidget*) { ++appels.fusibles; };
        s.ouvrirAssistante = [this](QWidget* w) {
            ++appels.assistante;
            appels.assistanteVisibleAvant = w->isVisible();
        };
        s.choisirFichier = [this](QWidget*, const QString& filtre, const QString& titre,
                                  const QString& dossier) {
            appels.dialogues.push_back({titre, filtre, dossier});
            return prochaineRéponse();
        };
        s.choisirDossier = [this](QWidget*, const QString& t1, const QString& t2) {
            appels.dialogues.push_back({t1 + t2, {}, {}});
            return prochaineRéponse();
        };
        return s;
    }

    QString prochaineRéponse() {
        if (appels.réponsesDialogues.empty()) return {};
        const QString r = appels.réponsesDialogues.front();
        appels.réponsesDialogues.pop_front();
        return r;
    }

    // Crée et montre la fenêtre (après avoir préparé le projet).
    FenConfiguration& ouvrir() {
        fenêtre = std::make_unique<FenConfiguration>(services());
        fenêtre->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(fenêtre.get()));
        return *fenêtre;
    }

    template <class T = QWidget> T* c(const QString& nom) {
        return OutilsFenetres::enfant<T>(fenêtre.get(), nom);
    }

    DocumentRiche& makefile() { return fenêtre->configuration().RTBMakefile; }
    QString valeur(const QString& clé) {
        return ValeurParamètre(makefile(), clé).value_or(QStringLiteral("<absente>"));
    }

    // Format, dans la vue (ce que voit l'utilisateur), du premier caractère d'une clé ou de sa
    // valeur (le format lu est celui du caractère avant le curseur).
    QTextCharFormat formatVue(const QString& clé, qsizetype rang) {
        auto* vue = c<VueDocumentRiche>("RTBMakefile");
        QTextCursor t = vue->document()->find(clé, 0, QTextDocument::FindCaseSensitively);
        EXPECT_FALSE(t.isNull()) << clé.toStdString();
        t.setPosition(t.selectionStart() + int(rang));
        return t.charFormat();
    }
    QTextCharFormat formatVueClé(const QString& clé) { return formatVue(clé, 1); }
    QTextCharFormat formatVueValeur(const QString& clé) { return formatVue(clé, clé.size() + 2); }

    // Tape un texte dans une liste à la place du sien, puis Entrée (qui la quitte).
    void taper(QComboBox* liste, const QString& texte) {
        liste->setFocus();
        liste->lineEdit()->selectAll();
        QTest::keyClicks(liste->lineEdit(), texte);
        QTest::keyClick(liste->lineEdit(), Qt::Key_Return);
    }
    // Choisit une entrée dans la liste déroulante.
    void choisir(QComboBox* liste, const QString& entrée) {
        const int i = liste->findText(entrée);
        ASSERT_GE(i, 0) << entrée.toStdString();
        liste->setCurrentIndex(i);
        emit liste->activated(i);
    }

    // Un clic sur la case d'une option ou d'une case à cocher (le milieu du contrôle peut tomber
    // hors de son texte).
    void cliquer(const QString& nom) {
        QWidget* w = c(nom);
        QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(6, w->height() / 2));
    }

    void survoler(QWidget* w) {
        QEnterEvent entrée(QPointF(2, 2), QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)));
        QCoreApplication::sendEvent(w, &entrée);
    }

    int px(int twips) { return Twips::versPixels(twips, fenêtre.get()); }

    EssaiConfiguration essai;
    EnregistreurMessages messages;
    Appels appels;
    std::unique_ptr<FenConfiguration> fenêtre;
};

const QColor Bleu(0, 0, 255), Rouge(255, 0, 0);

} // namespace

// Chaque contrôle a son nom, sa légende, et le nom accessible de son étiquette ; la fenêtre
// s'ouvre repliée, les listes remplies.
TEST_F(FenetreConfiguration, ContrôlesEtLégendes) {
    ouvrir();
    const std::pair<const char*, const char*> légendes[] = {
        {"Label1", "µC :"},
        {"Label8", "Fréquence :"},
        {"Label2", "Méthode d'optimisation :"},
        {"Label4", "Programmateur :"},
        {"Label5", "Port :"},
        {"Label7", "Ajouter des chemins de recherche pour des fichiers inclus :"},
        {"Label10", "Changer le répertoire des outils AVR :"},
        {"Label9", "Couper, copier, coller et annuler sur menu contextuel."},
        {"Label3", ""},
        {"Label6", ""},
        {"LDéboggage", ""}};
    for (const auto& [nom, texte] : légendes)
        EXPECT_EQ(c<QLabel>(nom)->text(), texte) << nom;
    const std::pair<const char*, const char*> boutons[] = {
        {"CommandButton1", "..."},
        {"CommandButtonMakefile", ">>>>"},
        {"CBChargerMakefile", "Charger un makefile existant"},
        {"CBConfigDefaut", "Charger la configuration par défaut"},
        {"CBEnregConfigDéfaut", "Sauver comme configuration par défaut"},
        {"CBRechercher", "Rechercher"},
        {"CBRemplacer", "Remplacer"},
        {"CBSuivant", "Suivant"},
        {"CBFuseBit", "Fuse bit"},
        {"CBApropos", "A propos ..."},
        {"CBAide", "?"},
        {"CBPlusBulles", "Désactiver les bulles d'aide."},
        {"CBSilence", "Silence."},
        {"CKBOccupationMémoire", "Afficher l'occupation mémoire"},
        {"CommandButtonOK", "OK"},
        {"CommandButtonAnnuler", "Annuler"},
        {"OptionButtonFormatSortie(0)", "Intel Hex"},
        {"OptionButtonFormatSortie(1)", "Binaire"},
        {"OptionButtonFormatSortie(2)", "Motorola SRec"},
        {"OptStab(0)", "Stabs"},
        {"OptStab(1)", "Dwarf-2"},
        {"OptCoff(0)", "Coff"},
        {"OptCoff(1)", "Ext Coff"}};
    for (const auto& [nom, texte] : boutons)
        EXPECT_EQ(c<QAbstractButton>(nom)->text(), texte) << nom;
    EXPECT_EQ(c<QGroupBox>("RFFormatSortie")->title(), "Format de sortie :");
    EXPECT_EQ(c<QGroupBox>("RFDéboggage")->title(), "Déboggage :");
    EXPECT_NE(c<BTL>("CBAssistant"), nullptr);
    EXPECT_NE(c<BTL>("CBDossierInclude"), nullptr);
    EXPECT_NE(c<InfoBulle>("InfoBulle1"), nullptr);
    EXPECT_FALSE(c<VueDocumentRiche>("RTBMakefileExistant")->isVisible());
    EXPECT_EQ(c<VueDocumentRiche>("RTBMakefile")->toolTip(),
              "En rouge les paramètres changeable, en bleu gras ceux que vous avez changé.");

    const std::pair<const char*, const char*> étiquetés[] = {
        {"ComboBoxChip", "Label1"},          {"ComboBoxFreq", "Label8"}, {"ComboBoxOptimisation", "Label2"},
        {"ComboBoxProgrammateur", "Label4"}, {"ComboBoxPort", "Label5"}, {"TxtInclude", "Label7"},
        {"TxtOutilsAVR", "Label10"}};
    for (const auto& [contrôle, étiquette] : étiquetés) {
        EXPECT_EQ(c(contrôle)->accessibleName(), c<QLabel>(étiquette)->text()) << contrôle;
        EXPECT_EQ(c<QLabel>(étiquette)->buddy(), c(contrôle)) << contrôle;
    }

    EXPECT_EQ(c<QComboBox>("ComboBoxChip")->count(), 40);
    EXPECT_EQ(c<QComboBox>("ComboBoxPort")->itemText(6), "lpt3");
    EXPECT_FALSE(c<QRadioButton>("OptCoff(0)")->isEnabled());
    EXPECT_EQ(fenêtre->width(), px(5340));
    EXPECT_TRUE(fenêtre->estRepliée());
    EXPECT_TRUE(fenêtre->étapesSautées().empty());
    EXPECT_TRUE(messages.messages.empty());
}

// Un makefile du projet : chaque contrôle montre sa valeur, la vue les montre clés en rouge et
// valeurs non bleues ; changer le port ensuite met sa valeur en gras bleu.
TEST_F(FenetreConfiguration, MakefileDuProjetPuisChangementDuPort) {
    essai.écrireMakefile(EssaiConfiguration::makefileAvec({{"MCU =", "atmega16"},
                                                           {"OPT =", "s"},
                                                           {"F_CPU =", "16000000"},
                                                           {"FORMAT =", "srec"},
                                                           {"DEBUG =", "stabs"},
                                                           {"CompilCoff =", "extcoff"},
                                                           {"AffichageMemoire =", ""},
                                                           {"EXTRAINCDIRS =", "../commun"},
                                                           {"AVRDUDE_PROGRAMMER =", "Fendel-stk200"}}));
    ouvrir();
    const std::pair<const char*, const char*> listes[] = {{"ComboBoxChip", "ATMega16"},
                                                          {"ComboBoxOptimisation", "Optimiser la taille"},
                                                          {"ComboBoxFreq", "16000000"},
                                                          {"ComboBoxProgrammateur", "Fendel STK200"},
                                                          {"ComboBoxPort", "com1"}};
    for (const auto& [nom, texte] : listes)
        EXPECT_EQ(c<QComboBox>(nom)->currentText(), texte) << nom;
    EXPECT_EQ(c<QLabel>("TxtFreq")->text(), "Hz = 16 MHz");
    EXPECT_EQ(c<QLineEdit>("TxtInclude")->text(), QDir::toNativeSeparators("../commun"));
    for (const char* coché : {"OptionButtonFormatSortie(2)", "OptStab(0)", "OptCoff(1)"})
        EXPECT_TRUE(c<QRadioButton>(coché)->isChecked()) << coché;
    EXPECT_FALSE(c<QCheckBox>("CKBOccupationMémoire")->isChecked());
    EXPECT_FALSE(c<QCheckBox>("CBPlusBulles")->isChecked());
    EXPECT_EQ(formatVueClé("MCU =").foreground().color(), Rouge);
    EXPECT_NE(formatVueValeur("MCU =").foreground().color(), Bleu);
    EXPECT_NE(formatVueValeur("AVRDUDE_PORT =").foreground().color(), Bleu);

    taper(c<QComboBox>("ComboBoxPort"), "com2");
    EXPECT_EQ(valeur("AVRDUDE_PORT ="), "com2");
    // Entrée, dans une liste ou une boîte, valide sans fermer la fenêtre, rien enregistrer ni
    // rien ouvrir.
    QTest::keyClick(c<QLineEdit>("TxtInclude"), Qt::Key_Return);
    EXPECT_TRUE(fenêtre->isVisible());
    EXPECT_EQ(appels.assistante, 0);
    EXPECT_FALSE(QFileInfo::exists(essai.makefile()) && essai.makefileÉcrit().contains("com2"));
    EXPECT_EQ(formatVueValeur("AVRDUDE_PORT =").foreground().color(), Bleu);
    EXPECT_EQ(formatVueValeur("AVRDUDE_PORT =").fontWeight(), QFont::Bold);
    EXPECT_NE(formatVueValeur("MCU =").foreground().color(), Bleu);

    // Quitter la liste (Tab, clic ailleurs) suffit.
    auto* programmateur = c<QComboBox>("ComboBoxProgrammateur");
    programmateur->lineEdit()->selectAll();
    QTest::keyClicks(programmateur->lineEdit(), "usbasp");
    QFocusEvent sortie(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(programmateur->lineEdit(), &sortie);
    EXPECT_EQ(valeur("AVRDUDE_PROGRAMMER ="), "usbasp");
    EXPECT_TRUE(messages.messages.empty());
}

// Choisir un microcontrôleur réécrit MCU et AVRDUDE_FLAGS ; la fréquence : message pour un texte
// qui n'en est pas une (une seule fois), étiquette en MHz sinon.
TEST_F(FenetreConfiguration, MicroContrôleurEtFréquence) {
    ouvrir();
    choisir(c<QComboBox>("ComboBoxChip"), "ATMega16");
    EXPECT_EQ(valeur("AVRDUDE_FLAGS ="), "-p m16 -P $(AVRDUDE_PORT) -c $(AVRDUDE_PROGRAMMER)");
    // Une valeur hors de la table est prise telle quelle, en minuscules.
    taper(c<QComboBox>("ComboBoxChip"), "ATmega328P");
    EXPECT_EQ(valeur("MCU ="), "atmega328p");

    auto* fréquence = c<QComboBox>("ComboBoxFreq");
    taper(fréquence, "16 MHz");
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages.front().texte, Configuration::messageFréquence());
    QTest::keyClick(fréquence->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(messages.messages.size(), 1u);
    taper(fréquence, "16000000");
    EXPECT_EQ(c<QLabel>("TxtFreq")->text(), "Hz = 16 MHz");
    EXPECT_EQ(valeur("F_CPU ="), "16000000");
    choisir(fréquence, "20000000");
    EXPECT_EQ(c<QLabel>("TxtFreq")->text(), "Hz = 20 MHz");
    EXPECT_EQ(messages.messages.size(), 1u);
}

// Options de sortie, de déboggage et de COFF, case de l'occupation mémoire, au clic de souris.
TEST_F(FenetreConfiguration, OptionsEtCase) {
    ouvrir();
    cliquer("OptionButtonFormatSortie(1)");
    EXPECT_EQ(valeur("FORMAT ="), "binary");
    cliquer("OptStab(0)");
    EXPECT_EQ(valeur("DEBUG ="), "stabs");
    EXPECT_TRUE(c("OptCoff(0)")->isEnabled());
    cliquer("OptCoff(1)");
    EXPECT_EQ(valeur("CompilCoff ="), "extcoff");
    cliquer("OptStab(1)");
    EXPECT_EQ(valeur("DEBUG ="), "dwarf-2");
    EXPECT_EQ(valeur("CompilCoff ="), "");
    EXPECT_FALSE(c("OptCoff(0)")->isEnabled());
    EXPECT_FALSE(c<QRadioButton>("OptCoff(1)")->isChecked());
    cliquer("OptStab(0)");
    EXPECT_EQ(valeur("CompilCoff ="), "");
    cliquer("OptCoff(0)");
    EXPECT_EQ(valeur("CompilCoff ="), "coff");
    cliquer("CKBOccupationMémoire");
    EXPECT_EQ(valeur("AffichageMemoire ="), "");
}

// Dossiers d'inclusion et des outils, par les boutons (dialogue remplacé) et au clavier.
TEST_F(FenetreConfiguration, DossiersIncludeEtOutils) {
    ouvrir();
    auto* include = c<QLineEdit>("TxtInclude");
    include->setFocus();
    QTest::keyClicks(include, "c:\\avr\\inc");
    EXPECT_EQ(valeur("EXTRAINCDIRS ="), "c:/avr/inc");
    appels.réponsesDialogues = {"c:\\projet\\inc", ""};
    QTest::mouseClick(c("CBDossierInclude"), Qt::LeftButton);
    EXPECT_EQ(include->text(), "c:\\avr\\inc c:\\projet\\inc");
    EXPECT_EQ(valeur("EXTRAINCDIRS ="), "c:/avr/inc c:/projet/inc");
    QTest::mouseClick(c("CBDossierInclude"), Qt::LeftButton); // annulé
    EXPECT_EQ(include->text(), "c:\\avr\\inc c:\\projet\\inc");
    ASSERT_EQ(appels.dialogues.size(), 2u);
    EXPECT_EQ(appels.dialogues[0].titre, "Choisir le dossier «Include» à ajouter.");

    appels.réponsesDialogues = {"/opt/avr-gcc", ""};
    QTest::mouseClick(c("CommandButton1"), Qt::LeftButton);
    QTest::mouseClick(c("CommandButton1"), Qt::LeftButton); // annulé
    EXPECT_EQ(c<QLineEdit>("TxtOutilsAVR")->text(), "/opt/avr-gcc");
    EXPECT_EQ(valeur("DIRAVR ="), "/opt/avr-gcc");
    EXPECT_EQ(appels.dialogues[2].titre, "Choisir le dossier qui contient les outils AVR.");
}

// OK impossible (dossier où rien ne s'écrit) : message, la fenêtre reste ouverte ; possible, il
// enregistre et ferme, avec le texte tapé dans une liste qu'on n'a pas quittée.
TEST_F(FenetreConfiguration, OK) {
    ouvrir();
    const QString projet = etatGlobal().RépertoireDeTravail;
    if (geteuid() == 0)
        etatGlobal().RépertoireDeTravail = QStringLiteral("/proc/self/fdinfo");
    else
        QFile::setPermissions(essai.projet(), QFile::ReadOwner | QFile::ExeOwner);
    QTest::mouseClick(c("CommandButtonOK"), Qt::LeftButton);
    QFile::setPermissions(essai.projet(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    etatGlobal().RépertoireDeTravail = projet;
    EXPECT_TRUE(fenêtre->isVisible());
    EXPECT_NE(fenêtre->result(), QDialog::Accepted);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_FALSE(QFileInfo::exists(essai.makefile()));

    auto* port = c<QComboBox>("ComboBoxPort");
    port->setFocus();
    port->lineEdit()->selectAll();
    QTest::keyClicks(port->lineEdit(), "com3");
    QTest::mouseClick(c("CommandButtonOK"), Qt::LeftButton);
    EXPECT_EQ(fenêtre->result(), QDialog::Accepted);
    EXPECT_FALSE(fenêtre->isVisible());
    EXPECT_TRUE(essai.makefileÉcrit().contains("\nAVRDUDE_PORT = com3\n"));
    EXPECT_EQ(messages.messages.size(), 1u);
}

// « Charger un makefile existant » remplace la vue sans toucher aux contrôles ; annulé, rien.
TEST_F(FenetreConfiguration, ChargerUnMakefileDansLaVue) {
    ouvrir();
    const QString autre = essai.temporaire() + "/autre makefile";
    ecrireFichier(autre, "MCU = attiny13\nTARGET = autre\n");
    appels.réponsesDialogues = {autre, ""};
    QTest::mouseClick(c("CBChargerMakefile"), Qt::LeftButton);
    ASSERT_EQ(appels.dialogues.size(), 1u);
    EXPECT_EQ(appels.dialogues[0].titre, "Sélectionner un fichier make");
    EXPECT_EQ(appels.dialogues[0].filtre, "*.*");
    EXPECT_EQ(appels.dialogues[0].dossier, essai.projet());
    EXPECT_EQ(c<VueDocumentRiche>("RTBMakefile")->toPlainText(), "MCU = attiny13\nTARGET = autre\n");
    EXPECT_EQ(c<QComboBox>("ComboBoxChip")->currentText(), "ATMega8");
    QTest::mouseClick(c("CBChargerMakefile"), Qt::LeftButton);
    EXPECT_EQ(c<VueDocumentRiche>("RTBMakefile")->toPlainText(), "MCU = attiny13\nTARGET = autre\n");
}

// Les boutons qui ouvrent d'autres fenêtres ; une exception d'un gestionnaire devient le
// message d'erreur non répertoriée au lieu de sortir de la boucle d'évènements.
TEST_F(FenetreConfiguration, BoutonsVersDAutresFenêtres) {
    ouvrir();
    QTest::mouseClick(c("CBFuseBit"), Qt::LeftButton);
    QTest::mouseClick(c("CBApropos"), Qt::LeftButton);
    QTest::mouseClick(c("CBAide"), Qt::LeftButton);
    EXPECT_EQ(appels.fusibles, 1);
    EXPECT_EQ(appels.aPropos, 1);
    EXPECT_EQ(appels.aide, QStringList{essai.installation() + "/Aide/index.html"});
    fenêtre->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(fenêtre.get()));
    QTest::keyClick(fenêtre.get(), Qt::Key_F1);
    EXPECT_EQ(appels.aide.size(), 2);
    EXPECT_EQ(c<BTL>("CBFuseBit")->SonOnClick(), essai.installation() + "/Skin/Plume/ClickFuseBit.wav");

    // La fenêtre des fusibles s'ouvre, modale, au-dessus de la configuration.
    QString fusibles;
    QWidget* propriétaire = nullptr;
    QTimer::singleShot(0, [&] {
        if (QWidget* f = QApplication::activeModalWidget()) {
            fusibles = f->objectName();
            propriétaire = f->parentWidget();
            f->close();
        }
    });
    OuvrirFenêtreFusibles(fenêtre.get());
    EXPECT_EQ(fusibles, "FenFuseBit");
    EXPECT_EQ(propriétaire, fenêtre.get());
    EXPECT_TRUE(messages.messages.empty());

    FenConfiguration::Services s = services();
    s.ouvrirFusibles = [](QWidget*) { throw std::runtime_error("boum"); };
    FenConfiguration autre(s);
    autre.show();
    QTest::mouseClick(autre.findChild<QWidget*>("CBFuseBit"), Qt::LeftButton);
    EXPECT_EQ(etatGlobal().DescriptionErreur, "boum");
}

// L'assistante : depuis le bouton, la configuration se cache puis revient ; lancée par la ligne
// de commande, elle s'ouvre dès le chargement et sa fermeture termine le programme.
TEST_F(FenetreConfiguration, Assistante) {
    ouvrir();
    QTest::mouseClick(c("CBAssistant"), Qt::LeftButton);
    EXPECT_EQ(appels.assistante, 1);
    EXPECT_FALSE(appels.assistanteVisibleAvant);
    EXPECT_EQ(etatGlobal().AppelantAssistante, "Configurateur");
    EXPECT_TRUE(fenêtre->isVisible());
    EXPECT_FALSE(c<BTL>("CBAssistant")->icon().isNull());

    etatGlobal().AppelantAssistante = "Ligne de commande";
    valeursMakefile().réinitialiser();
    etatMarquage().réinitialiser();
    fenêtre = std::make_unique<FenConfiguration>(services());
    EXPECT_EQ(fenêtre->exécuter(), 0);
    EXPECT_EQ(appels.assistante, 2);
    EXPECT_FALSE(fenêtre->isVisible());

    OuvrirAssistante(nullptr);
    EXPECT_EQ(messages.messages.back().texte, "L'assistante n'est pas encore disponible dans cette version.");
}

// >>>> élargit à 14500 twips ou à la largeur de l'écran, <<<< replie ; la fenêtre est centrée et
// la vue du makefile s'arrête à 100 twips du bord droit.
TEST_F(FenetreConfiguration, Largeur) {
    ouvrir();
    const QRect écran = fenêtre->screen()->geometry();
    const int écranTwips = Twips::depuisPixels(écran.width(), fenêtre.get());
    QTest::mouseClick(c("CommandButtonMakefile"), Qt::LeftButton);
    EXPECT_EQ(fenêtre->width(), px(std::min(14500, écranTwips)));
    EXPECT_EQ(c<QAbstractButton>("CommandButtonMakefile")->text(), "<<<<");
    const QRect vue = c("RTBMakefile")->geometry();
    EXPECT_EQ(vue.x() + vue.width(), fenêtre->width() - px(100));
    EXPECT_EQ(fenêtre->frameGeometry().x() - écran.x(),
              (écran.width() - fenêtre->frameGeometry().width()) / 2);
    QTest::mouseClick(c("CommandButtonMakefile"), Qt::LeftButton);
    EXPECT_EQ(fenêtre->width(), px(5340));
    EXPECT_EQ(c<QAbstractButton>("CommandButtonMakefile")->text(), ">>>>");
}

// Bulles d'aide : une à la fois, près du contrôle, avec sa largeur ; cachées par le fond de la
// fenêtre ; la plupart coupées par « Désactiver les bulles d'aide. », qui s'enregistre.
TEST_F(FenetreConfiguration, Bulles) {
    ouvrir();
    auto* bulle = c<InfoBulle>("InfoBulle1");
    survoler(c("Label3"));
    ASSERT_TRUE(bulle->estAffichée());
    EXPECT_TRUE(bulle->texte().startsWith("Indiquez ici la fréquence du µC."));
    EXPECT_EQ(bulle->largeur(), px(4500));
    survoler(c("Label6"));
    EXPECT_TRUE(bulle->texte().startsWith("Indiquez ici"));

    QMouseEvent fond(QEvent::MouseMove, QPointF(1, 1), fenêtre->mapToGlobal(QPointF(1, 1)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(fenêtre.get(), &fond);
    EXPECT_FALSE(bulle->estAffichée());
    survoler(c("LDéboggage"));
    EXPECT_EQ(bulle->largeur(), px(5000));
    EXPECT_TRUE(bulle->texte().startsWith("Pour AVRStudio"));
    emit bulle->cliquee();
    EXPECT_FALSE(bulle->estAffichée());

    cliquer("CBPlusBulles");
    GestionXML xml;
    xml.Ouvrir(etatGlobal().FichierParamètres, "Paramètres");
    EXPECT_EQ(xml.LireValeur("PlusDeBulles"), "1");
    xml.Fermer();
    for (const char* zone : {"Label3", "Label6", "LDéboggage", "LDéboggageCoff", "CKBOccupationMémoire"}) {
        survoler(c(zone));
        EXPECT_FALSE(bulle->estAffichée()) << zone;
    }
    survoler(c("TxtFreq"));
    ASSERT_TRUE(bulle->estAffichée());
    EXPECT_EQ(bulle->texte(),
              "Le paramètre fréquence sera disponnible dans tous les source sous le nom F_CPU.");
    EXPECT_EQ(bulle->largeur(), px(3500));
    bulle->masquer();
    survoler(c("LOccupationMémoire"));
    EXPECT_TRUE(bulle->estAffichée());
    EXPECT_TRUE(messages.messages.empty());
}

// « Silence. » s'enregistre aussitôt et fait taire chaque bouton de la fenêtre.
TEST_F(FenetreConfiguration, Silence) {
    ouvrir();
    cliquer("CBSilence");
    GestionXML xml;
    xml.Ouvrir(etatGlobal().FichierParamètres, "Paramètres");
    EXPECT_EQ(xml.LireValeur("Silence"), "1");
    xml.Fermer();
    for (BTL* b : fenêtre->findChildren<BTL*>())
        EXPECT_TRUE(b->SonSilence()) << b->objectName().toStdString();
    cliquer("CBSilence");
    EXPECT_FALSE(c<BTL>("CommandButtonOK")->SonSilence());
}
