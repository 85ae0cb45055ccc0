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
#include <tuple>

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

// Survol et clic sonnent, le son d'un bouton par sa propriété ; muet par le réglage (dans un cadre),
// désactivé ou son introuvable, il se tait ; muet, le clic passe.
TEST_F(BTLSons, SurvolClicSilenceEtBoutonDésactivé) {
    QWidget fenêtre;
    auto* b = new BTL("Lire", new QWidget(&fenêtre));
    fenêtre.show();
    QSignalSpy clics(b, &QAbstractButton::clicked);
    toucher(b);
    b->setProperty("SonOnClick", "ClickFuseBit.wav");
    for (const char* silence : {"1", "0"}) {
        ASSERT_TRUE(Parametres::Ecrire(Parametres::Silence, silence));
        AppliquerSilence(&fenêtre);
        toucher(b);
    }
    b->définirSonOnClick("Absent.wav");
    QTest::mouseClick(b, Qt::LeftButton);
    b->setEnabled(false);
    toucher(b);
    EXPECT_EQ(joués,
              (QStringList{"OverDefaut.wav", "ClickDefaut.wav", "OverDefaut.wav", "ClickFuseBit.wav"}));
    EXPECT_EQ(clics.count(), 4);
}

TEST_F(BTLSons, CheminsDesSonsSansApparence) {
    // Sans apparence (« Skin// »), celle installée ; un chemin complet tel quel, s'il existe.
    etatGlobal().RépertoireSkin = d.filePath("Skin//");
    const QString plume = d.filePath("Skin/Plume/");
    EXPECT_EQ(std::tuple(BTL::cheminSon("ClickDefaut.wav"), BTL::cheminSon(plume + "ClickFuseBit.wav"),
                         BTL::cheminSon(d.filePath("Fusage.wav"))),
              std::tuple(plume + "ClickDefaut.wav", plume + "ClickFuseBit.wav", QString()));
}
