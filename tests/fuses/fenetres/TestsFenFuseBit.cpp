// La fenêtre des fusibles hors écran, avec le vrai avrdude et le programmateur simulé.
#include "common/Messages.h"
#include "fuses/DescriptionAVR.h"
#include "fuses/fenetres/FenFuseBit.h"
#include "makefile/ParametreMakefile.h"
#include "noyau/EtatGlobal.h"
#include "noyau/Parametres.h"
#include "outils/EssaiConfiguration.h"
#include "outils/OutilsFenetres.h"
#include "outils/OutilsTests.h"
#include "outils/ReglagesFusibles.h"
#include "ui/fenetres/BTL.h"
#include "ui/fenetres/Twips.h"
#include "ui/fenetres/VueDocumentRiche.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class FenetreFusibles : public OutilsFenetres::EssaiFenetre<FenFuseBit> {
protected:
    // L'installation d'essai (descriptions, apparence, réglages à part) remet l'état à zéro.
    void SetUp() override {
        EXIGER_OUTILS("avrdude");
        ASSERT_TRUE(QFileInfo(ProgrammateurSimule::chemin()).isExecutable()) << "programmateur_simule absent";
        Avrdude::oublierVersion();
        Avrdude::oublierParties();
    }

    // Le composant, le programmateur et son port tels que la configuration les fixe.
    void composant(const ProgrammateurSimule& p, const QString& mcu = QStringLiteral("atmega8"),
                   const QString& partie = QStringLiteral("m8")) {
        ASSERT_TRUE(ChargerDescriptionAVR(mcu).réussi());
        réglerFusibles(p, mcu, partie, QStringLiteral("avrisp"));
    }

    FenFuseBit& ouvrir() {
        return EssaiFenetre::ouvrir(nullptr, [this] { ++aides; });
    }

    QStringList cochées(const QString& liste) { return OutilsFenetres::lignesCochées(c<QListWidget>(liste)); }
    QStringList titres() const { return OutilsTests::titres(messages); }
    QString console() { return c<VueDocumentRiche>("RTAffichageDos")->toPlainText(); }
    int px(int twips) const { return Twips::versPixels(twips, fenêtre.get()); }
    int largeurElargie() const {
        return std::min(px(FenFuseBit::LargeurLarge), fenêtre->screen()->geometry().width());
    }

    EssaiConfiguration essai;
    EnregistreurMessages messages;
    int aides = 0;
};

} // namespace

TEST_F(FenetreFusibles, ChargementLargeurAideEtSilence) {
    ProgrammateurSimule p;
    composant(p, QStringLiteral("atmega88"), QStringLiteral("m88"));
    // Le silence des réglages, lu à l'activation, vaut pour tous les boutons.
    ASSERT_TRUE(Parametres::Ecrire(Parametres::Silence, QStringLiteral("1")));
    ouvrir();
    ASSERT_TRUE(activer());
    for (const char* nom : {"CBLire", "CBFuser", "CBTaille", "CBAide", "CBAnnuler", "CBArreter"})
        EXPECT_TRUE(c<BTL>(nom)->SonSilence()) << nom;
    // Trois octets, l'étendu d'abord, du bit 7 au bit 0 ; aucune ligne cochée.
    auto* fusibles = c<QListWidget>("ListeFusibles");
    ASSERT_EQ(fusibles->count(), 24);
    EXPECT_EQ(std::tuple(fusibles->item(7)->text(), c<QListWidget>("ListeVerrouillage")->count(),
                         cochées("ListeFusibles").size()),
              std::tuple(descriptionAVR().NomsFusibleEtendu[0], 8, 0));
    // Toutes les lignes sont visibles sans défilement.
    EXPECT_GE(fusibles->viewport()->height(), fusibles->visualItemRect(fusibles->item(23)).bottom());

    // Étroite, puis élargie sur la console (la bascule commune : vue par la configuration).
    EXPECT_EQ(fenêtre->width(), px(FenFuseBit::LargeurÉtroite));
    cliquer("CBTaille");
    EXPECT_EQ(std::tuple(fenêtre->width(), c("RTAffichageDos")->isVisible()),
              std::tuple(largeurElargie(), true));

    cliquer("CBAide");
    cliquer("CBAnnuler");
    EXPECT_EQ(std::tuple(aides, fenêtre->isVisible(), messages.messages.size()), std::tuple(1, false, 0u));
}

TEST_F(FenetreFusibles, LectureModificationEtEcriture) {
    ProgrammateurSimule p({"--signature", "1e9307", "--lfuse", "e1", "--hfuse", "d9", "--lock", "fc"});
    ASSERT_TRUE(p.pret());
    composant(p);
    // Les commentaires des lignes du makefile ne vont pas à avrdude.
    valeursMakefile().Programmateur = QStringLiteral("avrisp # clé");
    valeursMakefile().PortProgrammateur = p.port() + QStringLiteral(" # carte");
    ouvrir();
    // Avant toute lecture : Non, rien ; Oui, refusé, deux fois, sans lancer avrdude.
    messages.réponses = {RéponseMessage::Non, RéponseMessage::Oui, RéponseMessage::OK, RéponseMessage::Oui};
    for (int i = 0; i < 3; ++i)
        cliquer("CBFuser");
    EXPECT_EQ(std::tuple(messages.messages.size(), p.journal()), std::tuple(5u, QString()));
    messages.messages.clear();

    cliquer("CBLire");
    EXPECT_TRUE(OutilsTests::aucunMessage(messages));
    EXPECT_EQ(cochées("ListeFusibles"), (QStringList{"RSTDISBL", "WDTON", "CKOPT", "EESAVE", "BOOTRST",
                                                     "BODLEVEL", "BODEN", "SUT1", "CKSEL0"}));
    EXPECT_EQ(cochées("ListeVerrouillage"), (QStringList{"", "", "BLB12", "BLB11", "BLB02", "BLB01"}));
    // L'octet brut lu se montre en hexadécimal sur sa ligne.
    EXPECT_TRUE(console().contains("writing output file <stdout>\n0xD9\n"));

    // CKOPT décoché au clavier, SPIEN coché : SPIEN est refusé et écrit à 0.
    auto* fusibles = c<QListWidget>("ListeFusibles");
    fusibles->setFocus();
    OutilsFenetres::espace(fusibles, 3);
    fusibles->item(2)->setCheckState(Qt::Checked);

    // BLB12 décoché : verrou fc → dc.
    c<QListWidget>("ListeVerrouillage")->item(2)->setCheckState(Qt::Unchecked);
    messages.réponses = {RéponseMessage::Oui};
    cliquer("CBFuser");
    ASSERT_EQ(titres(), (QStringList{"ATTENTION", "Attention"}));
    EXPECT_TRUE(messages.messages[0].texte.contains("(0xDC)"));
    // avrdude n'écrit que l'octet qui change.
    EXPECT_EQ(p.journal(), "hfuse=c9\nlock=dc\n");
    // La console ne montre que l'écriture.
    EXPECT_TRUE(console().contains("1 byte of hfuse written") && !console().contains("<stdout>"));
    // Le verrou changé par ailleurs : des cases de verrouillage inchangées ne le réécrivent pas.
    OutilsTests::executer("avrdude", {"-p", "m8", "-P", p.port(), "-c", "avrisp", "-U", "lock:w:0xcc:m"});
    ASSERT_TRUE(p.journal().endsWith("lock=cc\n")) << p.journal().toStdString();
    // Une écriture réussie permet la suivante sans relire.
    fusibles->item(15)->setCheckState(Qt::Unchecked);
    messages.messages.clear();
    messages.réponses = {RéponseMessage::Oui};
    cliquer("CBFuser");
    EXPECT_EQ(titres(), (QStringList{"ATTENTION", "Attention"}));
    EXPECT_FALSE(messages.messages[0].texte.contains("(0x")); // verrouillage inchangé
    p.arreter();
    EXPECT_TRUE(p.journal().endsWith("lock=cc\nlfuse=e0\nfin lfuse=e0 hfuse=c9 efuse=ff lock=cc\n"))
        << p.journal().toStdString();
}

TEST_F(FenetreFusibles, ProgrammateurMuetPuisArretParLeBouton) {
    ProgrammateurSimule p({"--muet"});
    ASSERT_TRUE(p.pret());
    composant(p);
    ouvrir();
    cliquer("CBLire");
    ASSERT_EQ(titres(), QStringList{"Erreur de communication"});
    // La console n'est pas ouverte d'office ; avrdude est arrêté sans réessayer pendant une minute.
    EXPECT_EQ(std::tuple(fenêtre->width(), console().contains("attempt 2 of")),
              std::tuple(px(FenFuseBit::LargeurÉtroite), false));

    // Pendant qu'avrdude attend : l'étape, l'indicateur et l'arrêt se montrent ; un clic l'arrête.
    messages.messages.clear();
    QString étape;
    bool occupée = false, lireActif = true, fermer = false;
    int attentes = 0;
    QObject::connect(&fenêtre->logique().MyDOS, &DOSClass::WaitForInput, fenêtre.get(), [&] {
        if (attentes++) return;
        étape = c<QLabel>("LabelEtape")->text();
        occupée = c("BarreOccupation")->isVisible() && c("CBArreter")->isVisible();
        lireActif = c("CBLire")->isEnabled();
        if (!fermer) return cliquer("CBArreter");
        // La fenêtre reste là tant qu'avrdude tourne, puis se ferme.
        fenêtre->close();
        EXPECT_TRUE(fenêtre->isVisible());
    });
    cliquer("CBLire");
    EXPECT_EQ(std::tuple(attentes > 0, étape, occupée, lireActif),
              std::tuple(true, QStringLiteral("Lecture du fusible haut…"), true, false));
    // Arrêtée : sans message, en échec, le bouton d'arrêt caché et Lire rendu.
    EXPECT_EQ(std::tuple(OutilsTests::aucunMessage(messages), fenêtre->logique().ErreurAvrdude,
                         c("CBArreter")->isVisible(), c("CBLire")->isEnabled()),
              std::tuple(true, true, false, true));
    EXPECT_TRUE(console().contains("avrdude arrêté à votre demande."));

    // Fermeture demandée pendant une lecture.
    attentes = 0;
    fermer = true;
    cliquer("CBLire");
    EXPECT_EQ(std::tuple(attentes > 0, fenêtre->isVisible(), fenêtre->logique().enCours(),
                         OutilsTests::aucunMessage(messages)),
              std::tuple(true, false, false, true));
}

TEST_F(FenetreFusibles, MauvaisComposantEtSecondeLecture) {
    // La carte porte un ATmega168 : la console s'ouvre avec le message.
    ProgrammateurSimule p({"--signature", "1e9406", "--hfuse", "d9", "--lfuse", "e1"});
    ASSERT_TRUE(p.pret());
    composant(p);
    ouvrir();
    cliquer("CBLire");
    ASSERT_EQ(titres(), QStringList{"Erreur indéfinie"});
    EXPECT_EQ(std::tuple(fenêtre->width(), console().contains("expected signature for ATmega8"),
                         cochées("ListeFusibles").size()),
              std::tuple(largeurElargie(), true, 0));

    // L'identifiant corrigé : relues, les lignes montrent la puce, même après une case cochée entre-temps.
    composant(p, QStringLiteral("atmega8"), QStringLiteral("m168"));
    messages.messages.clear();
    cliquer("CBLire");
    EXPECT_TRUE(OutilsTests::aucunMessage(messages));
    auto* fusibles = c<QListWidget>("ListeFusibles");
    ASSERT_EQ(fusibles->item(0)->checkState(), Qt::Checked);
    fusibles->item(0)->setCheckState(Qt::Unchecked);
    fusibles->item(5)->setCheckState(Qt::Checked);
    cliquer("CBLire");
    messages.réponses = {RéponseMessage::Oui};
    cliquer("CBFuser");
    p.arreter();
    EXPECT_EQ(p.journal(), "fin lfuse=e1 hfuse=d9 efuse=ff lock=ff\n");
}

TEST_F(FenetreFusibles, SansDescriptionNiPort) {
    ProgrammateurSimule p;
    ASSERT_TRUE(p.pret());
    // Un composant sans description : des listes vides et un message clair, pas d'avrdude.
    EXPECT_FALSE(ChargerDescriptionAVR(QStringLiteral("atxmega999")).réussi());
    réglerFusibles(p, QStringLiteral("atxmega999"), QStringLiteral("x999"), QStringLiteral("avrisp"));
    ouvrir();
    EXPECT_EQ(std::tuple(c<QListWidget>("ListeFusibles")->count(), messages.messages.size()),
              std::tuple(0, 0u));
    cliquer("CBLire");
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(messages.messages[0].texte.contains("atxmega999"));

    // Un ATmega8 sans port : le port n'est pas pris pour autre chose.
    fenêtre.reset();
    messages.messages.clear();
    composant(p);
    valeursMakefile().PortProgrammateur.clear();
    ouvrir();
    cliquer("CBLire");
    EXPECT_EQ(std::tuple(messages.messages.size(), console().isEmpty()), std::tuple(1u, true));

    // Un AT90S2313, dont avrdude ne lit pas le fusible : dit à l'ouverture et à la lecture, sans avrdude.
    fenêtre.reset();
    messages.messages.clear();
    composant(p, QStringLiteral("at90s2313"), QStringLiteral("2313"));
    ouvrir();
    ASSERT_TRUE(OutilsTests::attendre([this] { return !messages.messages.empty(); }, 10000));
    cliquer("CBLire");
    EXPECT_EQ(titres(), (QStringList{"Fusibles inaccessibles", "Fusibles inaccessibles"}));
    EXPECT_TRUE(console().isEmpty());
}
