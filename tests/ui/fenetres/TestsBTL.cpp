#include "noyau/EtatGlobal.h"
#include "noyau/Parametres.h"
#include "outils/InstallationTemporaire.h"
#include "outils/OutilsFenetres.h"
#include "outils/OutilsTests.h"
#include "ui/fenetres/BTL.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// Une installation avec une apparence « Plume » ; les sons joués sont comptés, pas émis.
class BTLSons : public ::testing::Test, public LecteurSons {
protected:
    BTLSons() {
        for (const char* nom : {"OverDefaut.wav", "ClickDefaut.wav", "ClickFuseBit.wav"})
            OutilsTests::ecrireFichier(d.filePath("Skin/Plume/" + QLatin1String(nom)), "RIFF");
        etatGlobal().RépertoireSkin = d.filePath("Skin/Plume/");
        BTL::installerLecteurSons(this);
    }
    ~BTLSons() override { BTL::installerLecteurSons(nullptr); }
    void jouer(const QString& chemin) override { joués << QFileInfo(chemin).fileName(); }

    // Survol puis clic.
    static void toucher(QWidget* w) {
        OutilsFenetres::survoler(w, QPointF(5, 5));
        QEvent sortie(QEvent::Leave);
        QApplication::sendEvent(w, &sortie);
        QTest::mouseClick(w, Qt::LeftButton);
    }

    InstallationTemporaire installation;
    const QTemporaryDir& d = installation.d;
    QStringList joués;
};

} // namespace

// Le son du clic suit le signal « clicked » : la barre d'espace passe par le même chemin.
TEST_F(BTLSons, SurvolClicEtBoutonDésactivé) {
    QWidget fenêtre;
    auto* b = new BTL("Lire", &fenêtre);
    fenêtre.show();
    QSignalSpy clics(b, &QAbstractButton::clicked);
    toucher(b);
    EXPECT_EQ(joués, (QStringList{"OverDefaut.wav", "ClickDefaut.wav"}));

    // Le son d'un bouton particulier, par sa propriété ; un bouton désactivé se tait.
    b->setProperty("SonOnClick", "ClickFuseBit.wav");
    QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_EQ(joués.back(), "ClickFuseBit.wav");
    // Un fichier son introuvable n'est pas tenté.
    b->définirSonOnClick("Absent.wav");
    QTest::mouseClick(b, Qt::LeftButton);
    b->setEnabled(false);
    toucher(b);
    EXPECT_EQ(joués.size(), 3);
    EXPECT_EQ(clics.count(), 3);
}

// Le réglage atteint aussi les boutons des cadres ; muets, ils fonctionnent.
TEST_F(BTLSons, SilenceDuReglageAppliqueAChaqueBouton) {
    QWidget fenêtre;
    auto* b1 = new BTL("OK", &fenêtre);
    auto* b2 = new BTL("Annuler", new QWidget(&fenêtre));
    fenêtre.show();
    QSignalSpy clics(b2, &QAbstractButton::clicked);
    ASSERT_TRUE(Parametres::Ecrire(Parametres::Silence, "1"));
    AppliquerSilence(&fenêtre);
    toucher(b1);
    toucher(b2);
    EXPECT_TRUE(joués.isEmpty());
    EXPECT_EQ(clics.count(), 1);

    ASSERT_TRUE(Parametres::Ecrire(Parametres::Silence, "0"));
    AppliquerSilence(&fenêtre);
    QTest::mouseClick(b2, Qt::LeftButton);
    EXPECT_EQ(joués, QStringList{"ClickDefaut.wav"});
}

TEST_F(BTLSons, CheminsDesSonsSansApparence) {
    // Réglages sans apparence : dossier « Skin// » ; les sons viennent de l'apparence installée.
    etatGlobal().RépertoireSkin = d.filePath("Skin//");
    EXPECT_EQ(BTL::cheminSon("ClickDefaut.wav"), d.filePath("Skin/Plume/ClickDefaut.wav"));
    // Un chemin complet est pris tel quel, s'il existe.
    const QString complet = d.filePath("Skin/Plume/ClickFuseBit.wav");
    EXPECT_EQ(BTL::cheminSon(complet), complet);
    EXPECT_EQ(BTL::cheminSon(d.filePath("Fusage.wav")), QString());
}
