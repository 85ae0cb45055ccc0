// L'assistante hors écran ; contrôles trouvés par leur nom, messages lus dans l'enregistreur.
#include "assistant/project/ContexteAssistante.h"
#include "assistant/project/fenetres/OngletProjet.h"
#include "assistant/timers/EtatCalculatrice.h"
#include "common/Identite.h"
#include "makefile/ParametreMakefile.h"
#include "makefile/fenetres/FenConfiguration.h"
#include "noyau/Parametres.h"
#include "outils/EssaiAssistante.h"
#include "outils/QuandModale.h"
#include "ui/fenetres/DessinSignal.h"
#include "ui/fenetres/VueDocumentRiche.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <tuple>

namespace {

using FenetreAssistante = EssaiAssistante;

TEST_F(FenetreAssistante, UneFréquenceEtUnRapportTapésDonnentLeCodeEtCeQueLaPuceFera) {
    // F_CPU suffixé à la façon du C est lu comme le nombre.
    valeursMakefile().FréquenceCPU = valeursMakefile().FréquenceCPULue = QStringLiteral("8000000UL");
    ouvrir();
    EXPECT_EQ(c<QLabel>("TFCPU")->text(), QStringLiteral("8 MHz"));
    const EtatCalculatrice& s = etatCalculatrice();

    // Le point devient une virgule en tapant ; la valeur reste exacte.
    taper("TFrequence", "1.5 kHz");
    EXPECT_EQ(champ("TFrequence")->text(), QStringLiteral("1,5 kHz"));
    // Passer dans la période sans la changer ne touche pas la fréquence.
    emit champ("TPériode")->editingFinished();
    ASSERT_TRUE(s.FréquenceHz);
    EXPECT_DOUBLE_EQ(*s.FréquenceHz, 1500);
    taper("TRC", "0,25");
    const QLabel* obtenu = c<QLabel>("LObtenu");
    EXPECT_TRUE(obtenu->text().startsWith(u"Obtenu : 1,5 kHz")) << obtenu->text().toStdString();
    EXPECT_EQ(obtenu->accessibleName(), obtenu->text()); // lue par le lecteur d'écran

    // « 1,50 ms » vaut 1,5 ms ; la fréquence suit, exacte.
    taper("TPériode", "1,50 ms");
    EXPECT_NEAR(*s.FréquenceHz, 1000.0 / 1.5, 1e-9);
    // 250 Hz et 0,25 : 1 ms et 3 ms.
    taper("TFrequence", "250 Hz");
    EXPECT_EQ(champ("TTon")->text(), QStringLiteral("1 ms"));
    EXPECT_EQ(champ("TToff")->text(), QStringLiteral("3 ms"));

    // Hors limites (un texte invalide : AuClavier) : refusé, rien à générer.
    taper("TFrequence", "100 MHz");
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(champ("TFrequence")->text().isEmpty());
    EXPECT_TRUE(obtenu->text().isEmpty());
    cliquer("BVoir");
    EXPECT_EQ(messages.messages.size(), 2u);
    EXPECT_TRUE(fenêtre->code().texte().isEmpty());
}

// Limites de la sortie, dessin de l'obtenu, sommet ICR1 partagé par OC1A et OC1B, mode de chaque entrée.
TEST_F(FenetreAssistante, SortiesEtModes) {
    ouvrir();
    taper("TFrequence", "100 kHz");
    choisir("TSortie", 2);
    EXPECT_EQ(c<QLabel>("FMax")->text(), QStringLiteral("62,5 kHz"));
    taper("TFrequence", "1 kHz");
    taper("TRC", "0,5");
    const QString dessin = c<DessinSignal>("DessinMLI")->description();
    EXPECT_TRUE(dessin.contains(u"976,6 Hz") && dessin.contains(u"0,5")) << dessin.toStdString();
    for (const auto& [sortie, fréquence, nombre] :
         {std::tuple{0, "1 kHz", 1u}, {1, "1 kHz", 1u}, {1, "2 kHz", 2u}}) {
        choisir("TSortie", sortie);
        taper("TFrequence", QString::fromUtf8(fréquence));
        fenêtre->voirLeCode();
        EXPECT_EQ(messages.messages.size(), nombre) << fréquence; // le refus sur OC2, puis ICR1
    }
    EXPECT_TRUE(messages.messages.back().texte.contains(QStringLiteral("ICR1")));

    choisir("TSortie", 0);
    messages.réponses = {RéponseMessage::Oui};
    const QStringList modes =
        QStringLiteral("Fast PWM|Fast PWM|PWM Phase Correct|CTC|Fast PWM|PWM Phase Correct").split(u'|');
    for (int ligne = 0; ligne < 6; ++ligne) {
        choisir("TMode", ligne);
        taper("TFrequence", "1 kHz");
        const QString texte = c<QLabel>("LObtenu")->text();
        EXPECT_TRUE(texte.contains(QStringLiteral(", %1,").arg(modes[ligne]))) << texte.toStdString();
    }
}

TEST_F(FenetreAssistante, TonToffModeCtcEtHorlogeExterne) {
    ouvrir();
    const EtatCalculatrice& s = etatCalculatrice();
    taper("TFrequence", "50 Hz");
    // Le rapport recalculé reste exact : 1,5 ms sur 20 ms.
    taper("TTon", "1,5 ms");
    taper("TToff", "18,5 ms");
    cliquer("CBRecalcRC");
    EXPECT_EQ(champ("TRC")->text(), QStringLiteral("0,075"));
    EXPECT_DOUBLE_EQ(*s.FréquenceHz, 50);
    // Ton + Toff nul : refusé, rien ne change.
    taper("TTon", "0 s");
    taper("TToff", "0 s");
    cliquer("CBRecalcRC");
    EXPECT_EQ(champ("TRC")->text(), QStringLiteral("0,075"));

    // CTC refusé : la liste remontre le mode d'avant ; accepté : rapport 0,5.
    messages.réponses = {RéponseMessage::Non, RéponseMessage::Oui};
    choisir("TMode", 3);
    EXPECT_EQ(c<QComboBox>("TMode")->currentIndex(), 1);
    choisir("TMode", 3);
    EXPECT_EQ(champ("TRC")->text(), QStringLiteral("0,5"));

    // Horloge externe : lue à la validation, zéro refusé ; l'interne revient à F_CPU.
    choisir("CBHorlogeEntrée", 2); // T1 (PD5)
    EXPECT_EQ(s.FréquenceHorloge, 32768);
    taper("TFreqEntréeHorloge", "100000", false);
    EXPECT_EQ(s.FréquenceHorloge, 32768);
    QTest::keyClick(champ("TFreqEntréeHorloge"), Qt::Key_Return);
    EXPECT_EQ(s.FréquenceHorloge, 100000);
    taper("TFreqEntréeHorloge", "0");
    EXPECT_EQ(s.FréquenceHorloge, 100000);
    EXPECT_EQ(messages.messages.size(), 4u); // deux refus et les deux questions du CTC
    choisir("CBHorlogeEntrée", 0);
    EXPECT_EQ(s.FréquenceHorloge, 16000000);
}

// Chaque échec dit le sien et rend la main à la configuration, sauf le fichier faux : fin en échec.
TEST_F(FenetreAssistante, ÉchecsDuChargementChacunSonMessage) {
    // Image absente : le message de l'image, pas celui du fichier.
    etatGlobal().ImageFenêtreSkin = QStringLiteral("Absente.png");
    ouvrir();
    EXPECT_EQ(fenêtre->chargement(), FeuilleAssistante::Chargement::ImageIllisible);
    EXPECT_EQ(messages.messages.size(), 1u);
    etatGlobal().ImageFenêtreSkin.clear();

    using C = FeuilleAssistante::Chargement;
    const QString f = etatGlobal().FichierConfiguration;
    const QByteArray attributFaux = "<DONNEES><Processeur Nom=\"atmega8\"><ModèleDeCode>m</ModèleDeCode>"
                                    "<Timers NombreTimer=\"trois\"/></Processeur></DONNEES>";
    ValeursMakefile& v = valeursMakefile();
    for (const auto& [cas, chargement, dit, fin] :
         {std::tuple{0, C::MakefileIncomplet, QStringLiteral("« MCU = »"), false},
          {2, C::MakefileIncomplet, QStringLiteral("« 8 MHz »"), false},
          {3, C::ComposantAbsent, Identite::adresseContact(), false},
          {4, C::FichierIllisible, QStringLiteral("NombreTimer n'est pas un nombre entier"), true}}) {
        SCOPED_TRACE(cas);
        messages.messages.clear();
        etatGlobal().AppelantAssistante = QStringLiteral("Ligne de commande");
        v.MicroContrôleurAbsent = cas == 0;
        v.FréquenceCPU = cas == 2 ? QString() : QStringLiteral("16000000");
        v.FréquenceCPULue = cas == 2 ? QStringLiteral("8 MHz") : v.FréquenceCPU;
        v.MicroContrôleur = cas == 3 ? QStringLiteral("atmega9999") : QStringLiteral("ATmega8");
        if (cas == 4) OutilsTests::ecrireFichier(f, attributFaux);
        const QByteArray fichier = OutilsTests::lireFichier(f);
        ouvrir();
        fenêtre->exécuter();
        EXPECT_EQ(fenêtre->chargement(), chargement);
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_TRUE(messages.messages[0].texte.contains(dit)) << messages.messages[0].texte.toStdString();
        EXPECT_EQ(messages.messages[0].modalSystème, !fin);
        EXPECT_EQ(messages.messages[0].texte.contains(QDir::toNativeSeparators(f)), fin);
        EXPECT_EQ(etatGlobal().CodeDeSortie != 0, fin);
        EXPECT_EQ(etatGlobal().AppelantAssistante,
                  fin ? QStringLiteral("Ligne de commande") : QStringLiteral("Configurateur"));
        EXPECT_EQ(OutilsTests::lireFichier(f), fichier);
    }
}

// La liste montre la vitesse du makefile ; celle d'un profil n'y va qu'acceptée, et le bloc série la dit.
TEST_F(FenetreAssistante, LaVitesseEstCelleDuMakefileEtUnProfilNÉcritQuAvecAccord) {
    const QByteArray vide = "MCU = atmega8\r\nBAUD =\r\nF_CPU = 16000000\r\n";
    essai.écrireMakefile(vide);
    ouvrir();
    auto* onglet = fenêtre->findChild<OngletProjet*>();
    ASSERT_TRUE(onglet);

    Profil p = onglet->profilActuel();
    p.baud = QStringLiteral("38400");
    messages.réponses = {RéponseMessage::Non};
    onglet->appliquerProfil(p);
    EXPECT_EQ(essai.makefileÉcrit(), vide);
    EXPECT_EQ(c<QComboBox>("CBBaud")->currentIndex(), -1); // ni avant ni après le refus
    messages.réponses = {RéponseMessage::Oui};
    onglet->appliquerProfil(p);
    EXPECT_EQ(essai.makefileÉcrit(), QByteArray("MCU = atmega8\r\nBAUD = 38400\r\nF_CPU = 16000000\r\n"));
    EXPECT_EQ(c<QComboBox>("CBBaud")->currentText(), QStringLiteral("38400"));
    c<QTabWidget>("SSTab1")->setCurrentIndex(3);
    c<QCheckBox>("RCBRS232")->setChecked(true);
    fenêtre->voirLeCode();
    EXPECT_TRUE(fenêtre->code().texte().contains(QStringLiteral("#define BAUD 38400")));
    EXPECT_EQ(messages.messages.size(), 2u);
    // Une vitesse hors de la liste, tapée puis Entrée : écrite comme un choix.
    OutilsFenetres::taper(c<QComboBox>("CBBaud"), QStringLiteral("115200"));
    EXPECT_EQ(essai.makefileÉcrit(), QByteArray("MCU = atmega8\r\nBAUD = 115200\r\nF_CPU = 16000000\r\n"));
    EXPECT_EQ(onglet->profilActuel().baud, QStringLiteral("115200"));
    ouvrir();
    EXPECT_EQ(c<QComboBox>("CBBaud")->currentText(), QStringLiteral("115200"));
}

TEST_F(FenetreAssistante, OngletDeDémarrageEtRetourÀLaConfiguration) {
    ouvrir();
    fenêtre->définirOngletDeDémarrage(3);
    ouvrir();
    EXPECT_EQ(c<QTabWidget>("SSTab1")->currentIndex(), 3);

    // Un onglet hors de 0 à 3 ouvre l'onglet 0.
    Parametres::Ecrire(Parametres::OngletDeDémarrage, QStringLiteral("7"));
    ouvrir();
    EXPECT_EQ(c<QTabWidget>("SSTab1")->currentIndex(), 0);

    // TFCPU ramène à la configuration, même ouverte par la ligne de commande.
    cliquer("TFCPU");
    EXPECT_FALSE(fenêtre->isVisible());
    EXPECT_EQ(etatGlobal().AppelantAssistante, QStringLiteral("Configurateur"));
    EXPECT_TRUE(OutilsTests::aucunMessage(messages));
}

TEST_F(FenetreAssistante, OuverteParLeBoutonDeLaConfigurationElleYRamèneAvecLaVitesse) {
    etatGlobal().AppelantAssistante.clear();
    essai.écrireMakefile(
        EssaiConfiguration::makefileAvec({{QStringLiteral("MCU ="), QStringLiteral("atmega8")},
                                          {QStringLiteral("F_CPU ="), QStringLiteral("16000000")}}));
    FenConfiguration::Services services = FenConfiguration::Services::parDéfaut();
    services.ouvrirAssistante = &FeuilleAssistante::ouvrir;
    FenConfiguration configuration(services);
    configuration.show();
    // Échap, un texte tapé et pas encore validé : aucune question, seule l'assistante se ferme.
    OutilsFenetres::quandModale<FeuilleAssistante>([&](FeuilleAssistante* assistante) {
        EXPECT_FALSE(configuration.isVisible());
        assistante->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(assistante));
        OutilsFenetres::choisir(assistante->findChild<QComboBox*>(QStringLiteral("CBBaud")), 3);
        OutilsFenetres::taper(assistante->findChild<QLineEdit*>(QStringLiteral("TFrequence")),
                              QStringLiteral("1 kz"), false);
        QTest::keyClick(assistante, Qt::Key_Escape);
    });
    configuration.ouvrirAssistante();
    EXPECT_TRUE(configuration.isVisible()); // revenue, l'assistante ouverte par elle
    // La configuration a la vitesse (écrite sur le disque par le choix) : son OK ne la défait pas.
    EXPECT_EQ(ValeurParamètre(configuration.configuration().RTBMakefile, QStringLiteral("BAUD =")),
              QStringLiteral("57600"));
    EXPECT_TRUE(OutilsTests::aucunMessage(messages));
}

// Alt+lettre mène à chaque champ, Entrée ne quitte pas un champ refusé, Annuler ferme.
TEST_F(FenetreAssistante, AuClavier) {
    ouvrir();
    ASSERT_TRUE(activer());
    const char* champs[] = {"TMode", "TSortie", "TFrequence", "TPériode", "TRC", "TTon", "TToff", "CBInit"};
    for (int i = 0; i < 8; ++i) {
        QTest::keyClick(fenêtre.get(), "msfpcnoa"[i], Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), c(QString::fromUtf8(champs[i]))) << champs[i];
    }
    // Entrée après un refus garde le champ (après un texte accepté : promenade au clavier sous Xvfb).
    taper("TFrequence", "1 kz");
    EXPECT_EQ(QApplication::focusWidget(), c("TFrequence"));
    cliquer("BAnnuler");
    EXPECT_FALSE(fenêtre->isVisible());
    EXPECT_EQ(messages.messages.size(), 1u); // le refus de « 1 kz »
}

// Code sélectionné au clavier ; profil rechargé ; « Remplacer » écrit le squelette, pas le code MLI.
TEST_F(FenetreAssistante, ProfilSauvéRechargéPuisSquelettÉcritSurLeSource) {
    ouvrir();
    taper("TFrequence", QStringLiteral("1 kHz"));
    taper("TRC", QStringLiteral("0,25"));
    fenêtre->voirLeCode();
    ASSERT_TRUE(fenêtre->code().texte().contains(QStringLiteral("OCR1A")))
        << OutilsTests::textes(messages).join(u'|').toStdString();
    auto* vue = c<VueDocumentRiche>("RTBVisuDuCodeBas");
    vue->setFocus();
    QTest::keyClick(vue, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(vue->textCursor().selectedText().size(), 1);
    c<QTabWidget>("SSTab1")->setCurrentIndex(3);
    taper("TAuteur", QStringLiteral("Alice"), false);
    c<QCheckBox>("RCBLCD")->setChecked(true);
    ContexteAssistante& ctx = contexteAssistante();
    ASSERT_EQ(ctx.tablePorts.size(), 3u);
    ctx.tablePorts[0].direction = 0xF0;
    ctx.tablePorts[0].réglage = LignePort::Réglage::Fermé;

    // Sauvé sous « Robot », les champs changés, puis rechargé par un clic dans la liste.
    cliquer("CBSauverProfil");
    ASSERT_TRUE(c("RFSaisie")->isVisible());
    taper("RTBSaisie", QStringLiteral("Robot"));
    EXPECT_FALSE(c("RFSaisie")->isVisible());
    // La liste pour supprimer le dit ; Entrée sans choix n'y pose aucune question.
    cliquer("CBSupprimerProfil");
    EXPECT_TRUE(c<QLabel>("LProfil")->isVisible() && c<QLabel>("LProfil")->text().contains(u"supprimer"));
    QTest::keyClick(c("RLBProfil"), Qt::Key_Return);
    EXPECT_TRUE(OutilsTests::aucunMessage(messages));
    taper("TAuteur", QStringLiteral("Bob"), false);
    c<QCheckBox>("RCBLCD")->setChecked(false);
    ctx.tablePorts[0].direction = 0;
    cliquer("CBChargerProfil");
    auto* liste = c<QListWidget>("RLBProfil");
    ASSERT_EQ(liste->count(), 1);
    QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, liste->visualItemRect(liste->item(0)).center());
    EXPECT_FALSE(liste->isVisible());
    EXPECT_EQ(champ("TAuteur")->text(), QStringLiteral("Alice"));
    EXPECT_TRUE(c<QCheckBox>("RCBLCD")->isChecked());
    EXPECT_EQ(ctx.tablePorts[0].direction, 0xF0);

    // Remplacer, Oui : la question nomme la copie au premier nom libre ; jamais le code MLI écrit.
    const QString source = etatGlobal().FichierC;
    OutilsTests::ecrireFichier(source + QStringLiteral(".bak"), "// copie plus ancienne\n");
    messages.réponses = {RéponseMessage::Oui};
    fenêtre->remplacerExistant();
    EXPECT_TRUE(
        OutilsTests::textes(messages).join(u'|').contains(QDir::toNativeSeparators(source) + ".bak.1"));
    const QString écrit = QString::fromUtf8(OutilsTests::lireFichier(source));
    EXPECT_FALSE(écrit.contains(QStringLiteral("OCR1A"))) << écrit.toStdString();
}

} // namespace
