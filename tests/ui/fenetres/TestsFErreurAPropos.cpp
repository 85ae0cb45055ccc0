#include "app/ActionsFenetres.h"
#include "common/Messages.h"
#include "launcher/Principal.h"
#include "noyau/EtatGlobal.h"
#include "noyau/OuvrirDocument.h"
#include "noyau/Parametres.h"
#include "outils/FauxXdgOpen.h"
#include "outils/InstallationTemporaire.h"
#include "outils/OutilsFenetres.h"
#include "outils/OutilsTests.h"
#include "outils/QuandModale.h"
#include "ui/DocumentRiche.h"
#include "ui/fenetres/APropos.h"
#include "ui/fenetres/BTL.h"
#include "ui/fenetres/FErreur.h"
#include "ui/fenetres/VueDocumentRiche.h"

#include <QFile>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

// Avant toute boucle d'évènements, la fenêtre modale montre l'erreur et attend qu'on la ferme.
TEST(FErreur, AfficheurDeLErreurNonRepertoriee) {
    InstallationTemporaire installation;
    EnregistrerActionsFenêtres();
    QString vu = "<jamais ouverte>";
    OutilsFenetres::quandModale<FErreur>([&](FErreur* f) {
        vu = f->findChild<QLabel*>("TErreur")->text();
        f->findChild<BTL*>("CBFermer")->click();
    });
    AfficherErreurNonRépertoriée("Erreur inattendue au démarrage");
    EXPECT_EQ(
        std::pair(vu, etatGlobal().DescriptionErreur),
        std::pair(QString("Erreur inattendue au démarrage"), QString("Erreur inattendue au démarrage")));
    DéfinirAfficheurErreurNonRépertoriée(nullptr);
}

// Icône chargée, boutons muets selon le réglage ; un clic sur l'adresse ouvre le courriel au sujet
// de chaque fenêtre ; OK accepte.
TEST(APropos, ChargementSilenceEtCourriel) {
    InstallationTemporaire installation;
    FauxXdgOpen xdg;
    EnregistreurMessages messages;
    ASSERT_TRUE(Parametres::Ecrire(Parametres::Silence, "1"));
    FErreur f;
    f.show();
    EXPECT_TRUE(f.findChild<BTL*>("CBFermer")->SonSilence());
    QTest::mouseClick(f.findChild<QLabel*>("Label2"), Qt::LeftButton);
    EXPECT_EQ(xdg.argument(), Ouverture::adresseCourriel(Ouverture::sujetErreurNonRépertoriée()));
    APropos a;
    a.show();
    EXPECT_NE(a.findChild<QLabel*>("picIcon")->pixmap().cacheKey(), QPixmap().cacheKey());
    for (BTL* b : a.findChildren<BTL*>())
        EXPECT_TRUE(b->SonSilence()) << b->objectName().toStdString();
    QTest::mouseClick(a.findChild<QLabel*>("Label1"), Qt::LeftButton);
    EXPECT_EQ(xdg.argument(), Ouverture::adresseCourriel(Ouverture::sujetAPropos()));
    EXPECT_TRUE(messages.messages.empty());
    QTimer::singleShot(0, [&] { a.findChild<BTL*>("cmdOK")->click(); });
    EXPECT_EQ(a.exec(), QDialog::Accepted);
}

// L'historique s'ouvre au clic : le livré mis en forme ; l'absent dit, le texte de secours montré.
TEST(APropos, HistoriqueLivreOuAbsent) {
    for (bool livré : {true, false}) {
        SCOPED_TRACE(livré);
        InstallationTemporaire installation;
        if (livré)
            QFile::copy(OutilsTests::dossierSources() + "/data/Historique.rtf",
                        installation.chemin("Historique.rtf"));
        EnregistreurMessages messages;
        APropos a;
        a.show();
        auto* vue = OutilsFenetres::enfant<VueDocumentRiche>(&a, "RTFHistorique");
        EXPECT_FALSE(vue->isVisible());
        QTest::mouseClick(a.findChild<BTL*>("Command1"), Qt::LeftButton);
        EXPECT_TRUE(vue->isVisible());
        EXPECT_EQ(messages.messages.size(), livré ? 0u : 1u);
        const DocumentRiche& d = *vue->documentRiche();
        EXPECT_TRUE(livré ? d.formatEn(d.chercher("Version 2.1.30")).gras : !d.texte().isEmpty());
    }
}
