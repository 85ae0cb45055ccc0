#include "app/ActionsFenetres.h"
#include "common/Messages.h"
#include "launcher/Principal.h"
#include "noyau/EtatGlobal.h"
#include "noyau/OuvrirDocument.h"
#include "noyau/Parametres.h"
#include "outils/FauxXdgOpen.h"
#include "outils/OutilsTests.h"
#include "ui/DocumentRiche.h"
#include "ui/fenetres/APropos.h"
#include "ui/fenetres/BTL.h"
#include "ui/fenetres/FErreur.h"
#include "ui/fenetres/VueDocumentRiche.h"

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Installation temporaire : réglages et, au besoin, l'historique livré.
class Installation {
public:
    explicit Installation(bool avecHistorique) {
        etatGlobal().réinitialiser();
        etatGlobal().DossierInstallation = d.path();
        etatGlobal().FichierParamètres = d.filePath("Paramètres.xml");
        if (avecHistorique)
            OutilsTests::ecrireFichier(
                d.filePath("Historique.rtf"),
                OutilsTests::lireFichier(OutilsTests::dossierSources() + "/data/Historique.rtf"));
    }
    ~Installation() { etatGlobal().réinitialiser(); }
    QTemporaryDir d;
};

QString texte(QWidget* w, const char* nom) {
    auto* l = w->findChild<QLabel*>(QLatin1String(nom));
    return l ? l->text() : "<absent>";
}

} // namespace

TEST(FErreur, DescriptionDeLErreur) {
    Installation installation(false);
    EXPECT_EQ(texte(std::make_unique<FErreur>().get(), "TErreur"), QString());
    etatGlobal().DescriptionErreur = "Dépassement de capacité";
    FErreur f;
    EXPECT_EQ(texte(&f, "TErreur"), "Dépassement de capacité");
}

// Un clic sur l'adresse ouvre le courriel au sujet de chaque fenêtre.
TEST(FErreur, LesAdressesOuvrentLeCourrielDeLeurSujet) {
    Installation installation(false);
    FauxXdgOpen xdg;
    EnregistreurMessages messages;
    FErreur f;
    f.show();
    QTest::mouseClick(f.findChild<QLabel*>("Label2"), Qt::LeftButton);
    EXPECT_EQ(xdg.argument(), Ouverture::adresseCourriel(Ouverture::sujetErreurNonRépertoriée()));
    APropos a;
    a.show();
    QTest::mouseClick(a.findChild<QLabel*>("Label1"), Qt::LeftButton);
    EXPECT_EQ(xdg.argument(), Ouverture::adresseCourriel(Ouverture::sujetAPropos()));
    EXPECT_TRUE(messages.messages.empty());
}

TEST(FErreur, AfficheurDeLErreurNonRepertoriee) {
    Installation installation(false);
    EnregistrerActionsFenêtres();
    QString vu;
    bool modale = false;
    QTimer::singleShot(0, [&] {
        auto* f = qobject_cast<FErreur*>(QApplication::activeModalWidget());
        ASSERT_NE(f, nullptr);
        modale = true;
        vu = texte(f, "TErreur");
        f->findChild<BTL*>("CBFermer")->click();
    });
    // Aucune boucle d'évènements ne tourne encore : la fenêtre attend qu'on la ferme.
    AfficherErreurNonRépertoriée("Erreur inattendue au démarrage");
    EXPECT_TRUE(modale);
    EXPECT_EQ(vu, "Erreur inattendue au démarrage");
    EXPECT_EQ(etatGlobal().DescriptionErreur, "Erreur inattendue au démarrage");
    DéfinirAfficheurErreurNonRépertoriée(nullptr);
}

// L'icône chargée, l'historique caché et en lecture seule ; OK accepte.
TEST(APropos, Chargement) {
    Installation installation(true);
    APropos a;
    EXPECT_NE(a.findChild<QLabel*>("picIcon")->pixmap().cacheKey(), QPixmap().cacheKey());
    auto* historique = a.findChild<VueDocumentRiche*>("RTFHistorique");
    ASSERT_NE(historique, nullptr);
    EXPECT_TRUE(historique->isHidden());
    EXPECT_TRUE(historique->isReadOnly());
    a.show();
    QTimer::singleShot(0, [&] { a.findChild<BTL*>("cmdOK")->click(); });
    EXPECT_EQ(a.exec(), QDialog::Accepted);
}

TEST(APropos, BoutonsMuetsSelonLeReglage) {
    Installation installation(false);
    ASSERT_TRUE(Parametres::Ecrire(Parametres::Silence, "1"));
    APropos a;
    EXPECT_TRUE(a.findChild<BTL*>("cmdOK")->SonSilence());
    EXPECT_TRUE(a.findChild<BTL*>("Command1")->SonSilence());
    FErreur f;
    EXPECT_TRUE(f.findChild<BTL*>("CBFermer")->SonSilence());
}

TEST(APropos, HistoriqueLivreOuAbsent) {
    {
        Installation installation(true);
        EnregistreurMessages messages;
        APropos a;
        a.show();
        QTest::mouseClick(a.findChild<BTL*>("Command1"), Qt::LeftButton);
        auto* vue = a.findChild<VueDocumentRiche*>("RTFHistorique");
        EXPECT_TRUE(vue->isVisible());
        EXPECT_TRUE(messages.messages.empty());
        const DocumentRiche& d = *vue->documentRiche();
        EXPECT_TRUE(d.texte().contains("2.1.30"));
        // Le RTF garde sa mise en forme : les titres de version sont en gras.
        const qsizetype titre = d.chercher("Version 2.1.30");
        ASSERT_GE(titre, 0);
        EXPECT_TRUE(d.formatEn(titre).gras);
        EXPECT_FALSE(vue->document()->toPlainText().contains("\\rtf"));
    }
    {
        Installation installation(false);
        EnregistreurMessages messages;
        APropos a;
        a.show();
        QTest::mouseClick(a.findChild<BTL*>("Command1"), Qt::LeftButton);
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_TRUE(messages.messages[0].texte.contains("Historique.rtf"));
        auto* vue = a.findChild<VueDocumentRiche*>("RTFHistorique");
        EXPECT_TRUE(vue->isVisible());
        EXPECT_TRUE(vue->document()->toPlainText().startsWith("Version  2.0- 5 octobre 2005 -"));
    }
}
