// Les onglets « Base de temps » et « Compteur » de l'assistante hors écran.
#include "outils/EssaiAssistante.h"
#include "ui/fenetres/DessinSignal.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class OngletsTimers : public EssaiAssistante {
protected:
    // Quartz des liaisons série : 1 ms n'y tombe juste avec aucun réglage.
    OngletsTimers() { valeursMakefile().FréquenceCPU = "14745600"; }

    QString obtenu(const char* nom) const {
        const QLabel* l = c<QLabel>(QString::fromUtf8(nom));
        // La ligne dit son résultat au lecteur d'écran.
        EXPECT_EQ(l->accessibleName(), l->text());
        return l->text();
    }
    QString dessin(const char* nom) const { return c<DessinSignal>(QString::fromUtf8(nom))->description(); }
};

// Réglages et code : TestsBaseDeTemps, TestsSimavr* ; ici, chaque contrôle atteint le calcul.
TEST_F(OngletsTimers, BaseDeTempsDeLaFrappeAuCode) {
    ouvrir();
    ASSERT_TRUE(c<QTabWidget>("SSTab1")->isTabEnabled(2));
    c<QTabWidget>("SSTab1")->setCurrentIndex(2);
    EXPECT_FALSE(c("BTLRemplacerExistant")->isVisible());

    // Timer automatique : le Timer1 (16 bits) est le plus juste à 14,7456 MHz.
    taper("TPériodeBase", "1 ms", false);
    EXPECT_TRUE(obtenu("LObtenuBase").contains("Timer1, CTC,")) << obtenu("LObtenuBase").toStdString();
    EXPECT_TRUE(dessin("DessinBase").contains("une toutes les 1 ms"));
    c<QCheckBox>("CBCompenser")->click();
    EXPECT_TRUE(dessin("DessinBase").contains("s'écarte au plus de"));
    auto* timers = c<QComboBox>("CBTimerBase");
    OutilsFenetres::choisir(timers, timers->findText("Timer2"));
    EXPECT_TRUE(obtenu("LObtenuBase").contains("Timer2, CTC compensé"));
    cliquer("BVoir");
    EXPECT_TRUE(fenêtre->code().texte().contains("ISR(TIMER2_COMP_vect)"));
    EXPECT_TRUE(OutilsTests::aucunMessage(messages));

    // Un texte qui n'est ni une durée ni une fréquence : dit, rien à dessiner ni à générer.
    taper("TPériodeBase", "1 mn", false);
    EXPECT_EQ(dessin("DessinBase"), obtenu("LObtenuBase"));
    cliquer("BVoir");
    EXPECT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(fenêtre->code().texte().isEmpty());
}

TEST_F(OngletsTimers, CompteurDeLEntréeAuCode) {
    ouvrir();
    ASSERT_TRUE(c<QTabWidget>("SSTab1")->isTabEnabled(1));
    c<QTabWidget>("SSTab1")->setCurrentIndex(1);
    EXPECT_EQ(c<QComboBox>("CBEntréeCompteur")->count(), 2);

    // T0 : le Timer0 de l'ATmega8 n'a pas de CTC ; T1 : N au-delà du sommet + 1. Refusés, rien à générer.
    c<QRadioButton>("RBInterruptionN")->click();
    for (const auto& [entrée, n] : {std::pair{0, "10"}, {1, "70000"}}) {
        choisir("CBEntréeCompteur", entrée);
        taper("TNCompteur", QString::fromLatin1(n), false);
        cliquer("BVoir");
        EXPECT_TRUE(fenêtre->code().texte().isEmpty());
    }
    EXPECT_EQ(messages.messages.size(), 2u);

    taper("TNCompteur", "10", false);
    choisir("CBFrontCompteur", 1);
    EXPECT_TRUE(obtenu("LObtenuCompteur").contains("fronts descendants, interruption tous les 10"));
    EXPECT_TRUE(dessin("DessinCompteur").contains("une interruption tous les 10 fronts"));
    cliquer("BVoir");
    // Front descendant (110) en CTC (WGM12).
    EXPECT_TRUE(fenêtre->code().texte().contains("TCCR1B = 0x0E;"));
    EXPECT_EQ(messages.messages.size(), 2u);
}

// Un fichier des possibilités d'avant ces onglets se charge ; ils restent grisés et disent pourquoi.
TEST_F(OngletsTimers, FichierAncienOngletsGrisésAvecLaRaison) {
    const QString chemin = essai.installation() + "/Configuration.xml";
    QString xml = QString::fromUtf8(OutilsTests::lireFichier(chemin));
    xml.remove(QRegularExpression(QStringLiteral(" (Vecteurs|Interruptions|ModeCTC)=\"[^\"]*\"")));
    OutilsTests::ecrireFichier(chemin, xml.toUtf8());
    ouvrir();
    EXPECT_EQ(fenêtre->chargement(), FeuilleAssistante::Chargement::Complet);
    auto* onglets = c<QTabWidget>("SSTab1");
    EXPECT_FALSE(onglets->isTabEnabled(2));
    EXPECT_TRUE(onglets->tabToolTip(2).contains("ni vecteur d'interruption"));
    EXPECT_FALSE(onglets->isTabEnabled(1));
    EXPECT_TRUE(onglets->tabToolTip(1).contains("rien à compter"));
    // Grisé, il ne devient pas l'onglet de démarrage.
    fenêtre->définirOngletDeDémarrage(2);
    ouvrir();
    EXPECT_EQ(c<QTabWidget>("SSTab1")->currentIndex(), 0);
    EXPECT_TRUE(OutilsTests::aucunMessage(messages));
}

} // namespace
