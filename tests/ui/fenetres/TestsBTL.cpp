#include "noyau/EtatGlobal.h"
#include "noyau/Parametres.h"
#include "outils/OutilsTests.h"
#include "ui/fenetres/BTL.h"

#include <QDir>
#include <QEnterEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class CompteurSons final : public LecteurSons {
public:
    CompteurSons() { BTL::installerLecteurSons(this); }
    ~CompteurSons() override { BTL::installerLecteurSons(nullptr); }
    void jouer(const QString& chemin) override { joués << QFileInfo(chemin).fileName(); }
    QStringList joués;
};

// Une installation avec une apparence « Plume » et son fichier de réglages.
class InstallationSons {
public:
    InstallationSons() {
        QDir(d.path()).mkpath("Skin/Plume");
        for (const char* nom : {"OverDefaut.wav", "ClickDefaut.wav", "ClickFuseBit.wav"})
            OutilsTests::ecrireFichier(d.filePath("Skin/Plume/" + QLatin1String(nom)), "RIFF");
        etatGlobal().réinitialiser();
        etatGlobal().DossierInstallation = d.path();
        etatGlobal().RépertoireSkin = d.filePath("Skin/Plume/");
        etatGlobal().FichierParamètres = d.filePath("Paramètres.xml");
    }
    ~InstallationSons() { etatGlobal().réinitialiser(); }
    QTemporaryDir d;
};

void survoler(QWidget* w) {
    QEnterEvent e(QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), w->mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(w, &e);
    QEvent sortie(QEvent::Leave);
    QApplication::sendEvent(w, &sortie);
}

} // namespace

TEST(BTL, SonsDeSurvolEtDeClicEtActivationAuClavier) {
    InstallationSons installation;
    CompteurSons sons;
    QWidget fenêtre;
    auto* b = new BTL("Lire", &fenêtre);
    fenêtre.show();
    QSignalSpy clics(b, &QAbstractButton::clicked);

    EXPECT_EQ(b->SonOnMouseOver(), "OverDefaut.wav");
    EXPECT_EQ(b->SonOnClick(), "ClickDefaut.wav");
    survoler(b);
    QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_EQ(sons.joués, (QStringList{"OverDefaut.wav", "ClickDefaut.wav"}));

    // Au clavier, comme un bouton ordinaire : espace.
    b->setFocus();
    QTest::keyClick(b, Qt::Key_Space);
    EXPECT_EQ(clics.count(), 2);
    EXPECT_EQ(sons.joués.size(), 3);

    // Le son de clic d'un bouton particulier, par sa propriété ; un bouton désactivé se tait.
    b->setProperty("SonOnClick", "ClickFuseBit.wav");
    QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_EQ(sons.joués.back(), "ClickFuseBit.wav");
    b->setEnabled(false);
    survoler(b);
    QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_EQ(sons.joués.size(), 4);
    EXPECT_EQ(clics.count(), 3);
}

TEST(BTL, SilenceDuReglageAppliqueAChaqueBouton) {
    InstallationSons installation;
    CompteurSons sons;
    QWidget fenêtre;
    auto* cadre = new QWidget(&fenêtre);
    auto* b1 = new BTL("OK", &fenêtre);
    auto* b2 = new BTL("Annuler", cadre);
    fenêtre.show();
    QSignalSpy clics(b2, &QAbstractButton::clicked);

    ASSERT_TRUE(Parametres::Ecrire(Parametres::Silence, "1"));
    AppliquerSilence(&fenêtre);
    EXPECT_TRUE(b1->SonSilence());
    EXPECT_TRUE(b2->property("SonSilence").toBool());
    for (BTL* b : {b1, b2}) {
        survoler(b);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    EXPECT_TRUE(sons.joués.isEmpty()); // aucun son seulement tenté
    EXPECT_EQ(clics.count(), 1);       // le bouton, lui, fonctionne

    ASSERT_TRUE(Parametres::Ecrire(Parametres::Silence, "0"));
    AppliquerSilence(&fenêtre);
    QTest::mouseClick(b2, Qt::LeftButton);
    EXPECT_EQ(sons.joués, QStringList{"ClickDefaut.wav"});
}

TEST(BTL, FichierSonIntrouvableOuApparenceAbsente) {
    InstallationSons installation;
    CompteurSons sons;
    BTL b("X");
    b.show();
    b.définirSonOnClick("Absent.wav");
    QTest::mouseClick(&b, Qt::LeftButton);
    EXPECT_TRUE(sons.joués.isEmpty());

    // Réglages sans apparence : dossier « Skin// » ; les sons viennent de l'apparence installée.
    etatGlobal().RépertoireSkin = installation.d.filePath("Skin//");
    EXPECT_EQ(BTL::cheminSon("ClickDefaut.wav"), installation.d.filePath("Skin/Plume/ClickDefaut.wav"));
    // Un chemin complet est pris tel quel, s'il existe.
    const QString complet = installation.d.filePath("Skin/Plume/ClickFuseBit.wav");
    EXPECT_EQ(BTL::cheminSon(complet), complet);
    EXPECT_EQ(BTL::cheminSon(installation.d.filePath("Fusage.wav")), QString());
    EXPECT_EQ(BTL::cheminSon(QString()), QString());
}

TEST(BTL, LecteurReelSansSortieAudioNiBlocageNiPlantage) {
    InstallationSons installation;
    BTL b("Son");
    b.show();
    QSignalSpy clics(&b, &QAbstractButton::clicked);
    for (int i = 0; i < 3; ++i) {
        survoler(&b);
        QTest::mouseClick(&b, Qt::LeftButton);
    }
    EXPECT_EQ(clics.count(), 3);
}
