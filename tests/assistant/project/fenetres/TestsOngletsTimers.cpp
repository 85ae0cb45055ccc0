// Les onglets « Base de temps » et « Compteur » de l'assistante hors écran : ouverts selon le
// composant, la ligne « Obtenu » et le dessin suivent chaque frappe, « Voir le code » écrit le code.
#include "assistant/project/fenetres/FeuilleAssistante.h"
#include "common/Messages.h"
#include "noyau/EtatGlobal.h"
#include "noyau/ValeursMakefile.h"
#include "outils/EssaiConfiguration.h"
#include "outils/OutilsFenetres.h"
#include "ui/fenetres/DessinSignal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class OngletsTimers : public OutilsFenetres::EssaiFenetre<FeuilleAssistante> {
protected:
    OngletsTimers() {
        for (const char* f : {"Configuration.xml", "image/ongletcourant.ico"})
            essai.copierConstruit(QString::fromUtf8(f));
        EtatGlobal& e = etatGlobal();
        e.Commande = QStringLiteral("assistante");
        e.FichierConfiguration = essai.installation() + QStringLiteral("/Configuration.xml");
        e.ImageFenêtreSkin.clear();
        e.AppelantAssistante = QStringLiteral("Ligne de commande");
        valeursMakefile().MicroContrôleur = QStringLiteral("ATmega8");
        // Quartz des liaisons série : 1 ms n'y tombe juste avec aucun réglage.
        valeursMakefile().FréquenceCPU = QStringLiteral("14745600");
    }

    QString obtenu(const char* nom) const {
        const QLabel* l = c<QLabel>(QString::fromUtf8(nom));
        // La ligne dit son résultat au lecteur d'écran.
        EXPECT_EQ(l->accessibleName(), l->text());
        return l->text();
    }
    QString dessin(const char* nom) const { return c<DessinSignal>(QString::fromUtf8(nom))->description(); }

    EssaiConfiguration essai;
    EnregistreurMessages messages;
};

TEST_F(OngletsTimers, BaseDeTempsDeLaFrappeAuCode) {
    ouvrir();
    auto* onglets = c<QTabWidget>("SSTab1");
    ASSERT_TRUE(onglets->isTabEnabled(2));
    onglets->setCurrentIndex(2);
    EXPECT_FALSE(c("BTLRemplacerExistant")->isVisible());

    // Timer automatique : le Timer1 (16 bits) est le plus juste à 14,7456 MHz.
    OutilsFenetres::taper(c<QLineEdit>("TPériodeBase"), QStringLiteral("1 ms"), false);
    EXPECT_TRUE(obtenu("LObtenuBase")
                    .contains(QStringLiteral("écart +27,13 ppm – Timer1, CTC, prédivision 1, "
                                             "sommet 14745")))
        << obtenu("LObtenuBase").toStdString();
    EXPECT_TRUE(dessin("DessinBase").contains(QStringLiteral("une toutes les 1 ms")))
        << dessin("DessinBase").toStdString();

    // Compensé : la moyenne est exacte, la gigue d'un tic est dite et dessinée.
    c<QCheckBox>("CBCompenser")->click();
    EXPECT_TRUE(obtenu("LObtenuBase").contains(QStringLiteral("écart à long terme 0 ppm")));
    EXPECT_TRUE(dessin("DessinBase").contains(QStringLiteral("s'écarte au plus de")));

    // Le Timer2 choisi à la main ; son code a le vecteur de l'ATmega8.
    auto* timers = c<QComboBox>("CBTimerBase");
    OutilsFenetres::choisir(timers, timers->findText(QStringLiteral("Timer2")));
    EXPECT_TRUE(obtenu("LObtenuBase").contains(QStringLiteral("Timer2, CTC compensé, prédivision 64")));
    cliquer("BVoir");
    const QString code = fenêtre->code().texte();
    for (const char* attendu : {"void InitBaseDeTempsTimer2(void)", "ISR(TIMER2_COMP_vect)",
                                "TIMSK |= (1 << OCIE2);", "uint32_t LireTicsTimer2(void)", "sei()"})
        EXPECT_TRUE(code.contains(QString::fromUtf8(attendu))) << attendu << "\n" << code.toStdString();
    EXPECT_TRUE(OutilsTests::aucunMessage(messages));

    // Un texte qui n'est ni une durée ni une fréquence : dit, rien à dessiner ni à générer.
    OutilsFenetres::taper(c<QLineEdit>("TPériodeBase"), QStringLiteral("1 mn"), false);
    EXPECT_TRUE(obtenu("LObtenuBase").contains(QStringLiteral("n'est ni une durée")));
    EXPECT_EQ(dessin("DessinBase"), obtenu("LObtenuBase"));
    cliquer("BVoir");
    EXPECT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(fenêtre->code().texte().isEmpty());

    // Double clic : l'onglet devient celui du démarrage.
    fenêtre->définirOngletDeDémarrage(2);
    ouvrir();
    EXPECT_EQ(c<QTabWidget>("SSTab1")->currentIndex(), 2);
}

TEST_F(OngletsTimers, CompteurDeLEntréeAuCode) {
    ouvrir();
    auto* onglets = c<QTabWidget>("SSTab1");
    ASSERT_TRUE(onglets->isTabEnabled(1));
    onglets->setCurrentIndex(1);
    auto* entrées = c<QComboBox>("CBEntréeCompteur");
    ASSERT_EQ(entrées->count(), 1);
    EXPECT_EQ(entrées->itemText(0), QStringLiteral("T1 (PD5)"));
    EXPECT_TRUE(
        obtenu("LObtenuCompteur").contains(QStringLiteral("fronts montants comptés sur 32 bits – Timer1")));

    // N au-delà du sommet + 1 : refusé avec la limite ; rien à générer.
    c<QRadioButton>("RBInterruptionN")->click();
    OutilsFenetres::taper(c<QLineEdit>("TNCompteur"), QStringLiteral("70000"), false);
    EXPECT_TRUE(obtenu("LObtenuCompteur").contains(QStringLiteral("de 1 à 65536")))
        << obtenu("LObtenuCompteur").toStdString();
    cliquer("BVoir");
    EXPECT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(fenêtre->code().texte().isEmpty());

    OutilsFenetres::taper(c<QLineEdit>("TNCompteur"), QStringLiteral("10"), false);
    OutilsFenetres::choisir(c<QComboBox>("CBFrontCompteur"), 1);
    EXPECT_TRUE(obtenu("LObtenuCompteur")
                    .contains(QStringLiteral(
                        "fronts descendants, interruption tous les 10 événements – Timer1, CTC, sommet 9")));
    EXPECT_TRUE(dessin("DessinCompteur").contains(QStringLiteral("une interruption tous les 10 fronts")));
    cliquer("BVoir");
    const QString code = fenêtre->code().texte();
    // Front descendant (110) en CTC (WGM12) ; la broche en entrée.
    for (const char* attendu : {"DDRD &= ~(1 << 5);", "TCCR1B = 0x0E;", "OCR1A = 9;",
                                "ISR(TIMER1_COMPA_vect)", "uint32_t LireCompteTimer1(void)"})
        EXPECT_TRUE(code.contains(QString::fromUtf8(attendu))) << attendu << "\n" << code.toStdString();
    EXPECT_EQ(messages.messages.size(), 1u);
}

// Le dessin de l'onglet MLI montre ce que la puce fera : 900 Hz sur OC2 (sommet fixe) pour 1 kHz voulu.
TEST_F(OngletsTimers, LeDessinMLIMontreLObtenu) {
    ouvrir();
    auto* sorties = c<QComboBox>("TSortie");
    OutilsFenetres::choisir(sorties, sorties->findText(QStringLiteral("OC2"), Qt::MatchStartsWith));
    OutilsFenetres::taper(c<QLineEdit>("TFrequence"), QStringLiteral("1 kHz"));
    OutilsFenetres::taper(c<QLineEdit>("TRC"), QStringLiteral("0,5"));
    EXPECT_TRUE(dessin("DessinMLI").contains(QStringLiteral("deux périodes à 900 Hz")))
        << dessin("DessinMLI").toStdString();
    EXPECT_TRUE(dessin("DessinMLI").contains(QStringLiteral("rapport cyclique 0,5")));
}

// Un fichier des possibilités d'avant ces onglets se charge ; ils restent grisés et disent pourquoi.
TEST_F(OngletsTimers, FichierAncienOngletsGrisésAvecLaRaison) {
    const QString chemin = essai.installation() + QStringLiteral("/Configuration.xml");
    QString xml = QString::fromUtf8(OutilsTests::lireFichier(chemin));
    xml.remove(QRegularExpression(QStringLiteral(" (Vecteurs|Interruptions|ModeCTC)=\"[^\"]*\"")));
    OutilsTests::ecrireFichier(chemin, xml.toUtf8());
    ouvrir();
    EXPECT_EQ(fenêtre->chargement(), FeuilleAssistante::Chargement::Complet);
    auto* onglets = c<QTabWidget>("SSTab1");
    EXPECT_FALSE(onglets->isTabEnabled(2));
    EXPECT_TRUE(onglets->tabToolTip(2).contains(QStringLiteral("ni vecteur d'interruption")));
    EXPECT_FALSE(onglets->isTabEnabled(1));
    EXPECT_TRUE(onglets->tabToolTip(1).contains(QStringLiteral("rien à compter")));
    // Grisé, il ne devient pas l'onglet de démarrage.
    fenêtre->définirOngletDeDémarrage(2);
    ouvrir();
    EXPECT_EQ(c<QTabWidget>("SSTab1")->currentIndex(), 0);
    EXPECT_TRUE(OutilsTests::aucunMessage(messages));
}

} // namespace
