// De « configurer » au makefile écrit par OK, puis compilé par le vrai make avec avr-gcc.
#include "assistant/project/fenetres/FeuilleAssistante.h"
#include "common/Messages.h"
#include "makefile/fenetres/FenConfiguration.h"
#include "outils/ActionEnFenetre.h"
#include "outils/EssaiConfiguration.h"
#include "outils/OutilsFenetres.h"
#include "outils/QuandModale.h"

#include <QComboBox>
#include <QTabWidget>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <tuple>

using namespace OutilsTests;
using OutilsFenetres::enfant;

namespace {

// La commande « configurer » sur le projet d'essai, qui doit réussir ; geste reçoit la fenêtre et
// doit la fermer.
void configurer(const EssaiConfiguration& essai, const std::function<void(FenConfiguration&)>& geste) {
    const QString ligne = "configurer>" + essai.projet() + ">Clignotant";
    EXPECT_EQ(OutilsFenetres::actionEnFenêtre<FenConfiguration>(ligne, essai.installation(), geste),
              CodeSortie::Succès);
}

} // namespace

// Makefile étranger au modèle classique : valeurs reportées, chaque clé absente signalée une fois.
TEST(ConfigurationBoutEnBout, MakefileÉtrangerAuModèleClassique) {
    EXIGER_OUTILS("make", "avr-gcc");
    EssaiConfiguration essai;
    EnregistreurMessages messages;
    essai.écrireMakefile(lireFichier(dossierSources() + "/tests/fixtures/makefiles/gabarit_classique.mk"));
    configurer(essai,
               [](FenConfiguration& f) { QTest::mouseClick(enfant(&f, "CommandButtonOK"), Qt::LeftButton); });
    QStringList absentes;
    for (const Message& m : messages.messages)
        absentes << m.texte.section(u'«', 1).section(u'»', 0, 0);
    EXPECT_EQ(absentes, (QStringList{"DIRAVR =", "CompilCoff =", "AffichageMemoire ="}));

    const QByteArray écrit = essai.makefileÉcrit();
    for (const char* ligne :
         {"\nTARGET = Clignotant\n", "\nMCU = atmega16\n", "\nF_CPU = 16000000\n", "\nOPT = 2\n",
          "\nFORMAT = srec\n", "\nDEBUG = stabs\n", "\nEXTRAINCDIRS = ../commun\n",
          "\nAVRDUDE_PROGRAMMER = stk500v2\n", "\nAVRDUDE_PORT = /dev/ttyUSB0\n",
          "\nAVRDUDE_FLAGS = -p m16 -P $(AVRDUDE_PORT) -c $(AVRDUDE_PROGRAMMER)\n"})
        EXPECT_TRUE(écrit.contains(ligne)) << ligne;
    // Le nouveau makefile vient de la configuration par défaut, pas des règles de l'autre.
    EXPECT_FALSE(écrit.contains("AVRDUDE_WRITE_FLASH"));

    QString journal;
    EXPECT_EQ(make(essai.projet(), {"all"}, &journal), 0) << journal.toStdString();
}

// Annuler : le programme se termine et le makefile du projet reste tel quel.
TEST(ConfigurationBoutEnBout, AnnulerNeTouchePasAuMakefile) {
    EssaiConfiguration essai;
    EnregistreurMessages messages;
    const QByteArray original = EssaiConfiguration::makefileAvec({{"MCU =", "atmega8"}});
    essai.écrireMakefile(original);
    configurer(essai, [](FenConfiguration& f) {
        auto* mcu = enfant<QComboBox>(&f, "ComboBoxChip");
        OutilsFenetres::choisir(mcu, mcu->findText("ATMega32"));
        QTest::mouseClick(enfant(&f, "CommandButtonAnnuler"), Qt::LeftButton);
    });
    EXPECT_EQ(essai.makefileÉcrit(), original);
}

// Modèle « Mfile » (exemples en commentaire, ligne indentée, commentaire après la valeur, CR LF) :
// chaque valeur vient de la ligne du réglage.
TEST(ConfigurationBoutEnBout, LesCommentairesNeFixentAucunRéglage) {
    EXIGER_OUTILS("make", "avr-gcc");
    EssaiConfiguration essai;
    EnregistreurMessages messages;
    essai.écrireMakefile(lireFichier(dossierSources() + "/tests/fixtures/makefiles/gabarit_mfile.mk"));
    configurer(essai, [](FenConfiguration& f) {
        // Ce que lisent, avant OK, la fenêtre des fusibles et le chargeur des descriptions.
        const ValeursMakefile& v = valeursMakefile();
        EXPECT_EQ(std::tie(v.MicroContrôleur, v.PartieAvrdude, v.Programmateur),
                  std::tuple("atmega644p", "m644p", "usbasp"));
        EXPECT_TRUE(descriptionAVR().FusibleEtenduPrésent);
        QTest::mouseClick(enfant(&f, "CommandButtonOK"), Qt::LeftButton);
    });
    EXPECT_TRUE(aucunMessage(messages));
    const QByteArray écrit = essai.makefileÉcrit();
    for (const char* ligne : {"\nOPT = s\n", "\nFORMAT = ihex\n", "\nAVRDUDE_PORT = usb"})
        EXPECT_TRUE(écrit.contains(ligne)) << ligne;

    QString journal;
    ASSERT_EQ(make(essai.projet(), {"all"}, &journal), 0) << journal.toStdString();
    EXPECT_TRUE(journal.contains("-mmcu=atmega644p -DF_CPU=20000000UL")) << journal.toStdString();
}

// MCU changé, puis « Remplacer l'existant » de l'assistante ouverte par son bouton, puis OK.
TEST(ConfigurationBoutEnBout, AssistanteOuverteParLaConfigurationPuisOK) {
    EXIGER_OUTILS("make", "avr-gcc");
    EssaiConfiguration essai;
    for (const char* f : {"Configuration.xml", "image/ongletcourant.ico"})
        essai.copierConstruit(QString::fromUtf8(f));
    // F_CPU suffixé à la façon du C : lu, gardé, et construit.
    essai.écrireMakefile(EssaiConfiguration::makefileAvec({{"F_CPU =", "16000000L"}}));
    EnregistreurMessages messages;
    messages.réponses = {RéponseMessage::Oui};
    configurer(essai, [&](FenConfiguration& f) {
        auto* mcu = enfant<QComboBox>(&f, "ComboBoxChip");
        OutilsFenetres::choisir(mcu, mcu->findText("ATmega328P"));
        OutilsFenetres::quandModale<FeuilleAssistante>([](FeuilleAssistante* a) {
            a->SSTab1->setCurrentIndex(3);
            QTest::mouseClick(enfant(a, "BTLRemplacerExistant"), Qt::LeftButton);
        });
        QTest::mouseClick(enfant(&f, "CBAssistant"), Qt::LeftButton);
        EXPECT_TRUE(f.isVisible());
        QTest::mouseClick(enfant(&f, "CommandButtonOK"), Qt::LeftButton);
    });
    EXPECT_TRUE(essai.makefileÉcrit().contains("\nMCU = atmega328p\n"));
    EXPECT_TRUE(lireFichier(essai.projet() + "/Clignotant.c").contains("atmega328p"));
    QString journal;
    ASSERT_EQ(make(essai.projet(), {"all"}, &journal), 0) << journal.toStdString();
    EXPECT_TRUE(journal.contains("-mmcu=atmega328p -DF_CPU=16000000UL")) << journal.toStdString();
}
