#include "common/Identite.h"
#include "common/Messages.h"
#include "launcher/EtatGlobal.h"
#include "launcher/FauxXdgOpen.h"
#include "launcher/Parametres.h"
#include "launcher/Principal.h"
#include "launcher/fenetres/APropos.h"
#include "launcher/fenetres/FErreur.h"
#include "outils/OutilsTests.h"
#include "ui/DocumentRiche.h"
#include "ui/fenetres/ActionsFenetres.h"
#include "ui/fenetres/BTL.h"
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
        etatGlobal().FichierParamètres = d.filePath(QStringLiteral("Paramètres.xml"));
        if (avecHistorique)
            OutilsTests::ecrireFichier(d.filePath(QStringLiteral("Historique.rtf")),
                                       OutilsTests::lireFichier(OutilsTests::dossierSources() +
                                                                QStringLiteral("/data/Historique.rtf")));
    }
    ~Installation() { etatGlobal().réinitialiser(); }
    QTemporaryDir d;
};

QString texte(QWidget* w, const char* nom) {
    auto* l = w->findChild<QLabel*>(QLatin1String(nom));
    return l ? l->text() : QStringLiteral("<absent>");
}

} // namespace

TEST(FErreur, TextesEtDescriptionDeLErreur) {
    Installation installation(false);
    {
        // Montrée par la procédure d'entrée : pas de description.
        FErreur f;
        EXPECT_EQ(f.windowTitle(), QStringLiteral("Pas de bol Bidule."));
        EXPECT_EQ(texte(&f, "TErreur"), QString());
        EXPECT_EQ(
            texte(&f, "Label1"),
            QStringLiteral("Une p... d'erreur à la c... vient de se produire. En plus elle est non "
                           "répertoriée. Merci de m'envoyer un petit mèl en me disant comment elle s'est "
                           "produite. Indiquez aussi ceci :"));
        EXPECT_EQ(texte(&f, "Label2"), Identite::adresseContact());
    }
    etatGlobal().DescriptionErreur = QStringLiteral("Dépassement de capacité");
    FErreur f;
    EXPECT_EQ(texte(&f, "TErreur"), QStringLiteral("Dépassement de capacité"));
}

TEST(FErreur, LAdresseOuvreLeCourrielDErreur) {
    Installation installation(false);
    FauxXdgOpen xdg;
    EnregistreurMessages messages;
    FErreur f;
    f.show();
    QTest::mouseClick(f.findChild<QLabel*>(QStringLiteral("Label2")), Qt::LeftButton);
    EXPECT_EQ(xdg.argument(), QStringLiteral("mailto:") + Identite::adresseContact() +
                                  QStringLiteral("?Subject=Ereur non répertorié dans Quillon 2.1.30&Body="));
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
        f->findChild<BTL*>(QStringLiteral("CBFermer"))->click();
    });
    // Aucune boucle d'évènements ne tourne encore : la fenêtre attend qu'on la ferme.
    AfficherErreurNonRépertoriée(QStringLiteral("Erreur inattendue au démarrage"));
    EXPECT_TRUE(modale);
    EXPECT_EQ(vu, QStringLiteral("Erreur inattendue au démarrage"));
    EXPECT_EQ(etatGlobal().DescriptionErreur, QStringLiteral("Erreur inattendue au démarrage"));
    DéfinirAfficheurErreurNonRépertoriée(nullptr);
}

TEST(APropos, TextesAuChargement) {
    Installation installation(true);
    APropos a;
    EXPECT_EQ(a.windowTitle(), QStringLiteral("À propos de Quillon"));
    EXPECT_EQ(texte(&a, "lblTitle"), QStringLiteral("Quillon"));
    EXPECT_EQ(texte(&a, "lblVersion"), QStringLiteral("Version 2.1.30"));
    EXPECT_EQ(texte(&a, "lblDescription"), QStringLiteral("Description de l'application"));
    EXPECT_EQ(
        texte(&a, "Label2"),
        QStringLiteral("Ce soft n'est utilisable que pour AVR GCC. Il permet de configurer les AVR (création "
                       "de makefile). Il est maintenant doté d'un générateur de code et d'un module pour "
                       "fuser les bit."));
    EXPECT_EQ(texte(&a, "lblDisclaimer"), QString());
    EXPECT_TRUE(texte(&a, "Label1").contains(Identite::adresseContact()));
    EXPECT_NE(a.findChild<QLabel*>(QStringLiteral("picIcon"))->pixmap().cacheKey(), QPixmap().cacheKey());
    auto* historique = a.findChild<VueDocumentRiche*>(QStringLiteral("RTFHistorique"));
    ASSERT_NE(historique, nullptr);
    EXPECT_TRUE(historique->isHidden());
    EXPECT_TRUE(historique->isReadOnly());
    EXPECT_TRUE(
        historique->documentRiche()->texte().startsWith(QStringLiteral("Version  2.0- 5 octobre 2005 -")));
    EXPECT_EQ(a.findChild<BTL*>(QStringLiteral("Command1"))->text(), QStringLiteral("Historique"));

    a.show();
    QTimer::singleShot(0, [&] { a.findChild<BTL*>(QStringLiteral("cmdOK"))->click(); });
    EXPECT_EQ(a.exec(), QDialog::Accepted);
}

TEST(APropos, BoutonsMuetsSelonLeReglage) {
    Installation installation(false);
    ASSERT_TRUE(Parametres::Ecrire(Parametres::Silence, QStringLiteral("1")));
    APropos a;
    EXPECT_TRUE(a.findChild<BTL*>(QStringLiteral("cmdOK"))->SonSilence());
    EXPECT_TRUE(a.findChild<BTL*>(QStringLiteral("Command1"))->SonSilence());
    FErreur f;
    EXPECT_TRUE(f.findChild<BTL*>(QStringLiteral("CBFermer"))->SonSilence());
}

TEST(APropos, HistoriqueLivreOuAbsent) {
    {
        Installation installation(true);
        EnregistreurMessages messages;
        APropos a;
        a.show();
        QTest::mouseClick(a.findChild<BTL*>(QStringLiteral("Command1")), Qt::LeftButton);
        auto* vue = a.findChild<VueDocumentRiche*>(QStringLiteral("RTFHistorique"));
        EXPECT_TRUE(vue->isVisible());
        EXPECT_TRUE(messages.messages.empty());
        const DocumentRiche& d = *vue->documentRiche();
        EXPECT_TRUE(d.texte().contains(QStringLiteral("2.1.30")));
        // Le RTF garde sa mise en forme : les titres de version sont en gras.
        const qsizetype titre = d.chercher(QStringLiteral("Version 2.1.30"));
        ASSERT_GE(titre, 0);
        EXPECT_TRUE(d.formatEn(titre).gras);
        EXPECT_FALSE(vue->document()->toPlainText().contains(QStringLiteral("\\rtf")));
    }
    {
        Installation installation(false);
        EnregistreurMessages messages;
        APropos a;
        a.show();
        QTest::mouseClick(a.findChild<BTL*>(QStringLiteral("Command1")), Qt::LeftButton);
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_EQ(messages.messages[0].icône, IconeMessage::Information);
        EXPECT_TRUE(messages.messages[0].texte.contains(QStringLiteral("introuvable")));
        EXPECT_TRUE(messages.messages[0].texte.contains(QStringLiteral("Historique.rtf")));
        auto* vue = a.findChild<VueDocumentRiche*>(QStringLiteral("RTFHistorique"));
        EXPECT_TRUE(vue->isVisible());
        EXPECT_TRUE(
            vue->document()->toPlainText().startsWith(QStringLiteral("Version  2.0- 5 octobre 2005 -")));
    }
}

TEST(APropos, LeContactOuvreLeCourrielDeRemarques) {
    Installation installation(false);
    FauxXdgOpen xdg;
    EnregistreurMessages messages;
    APropos a;
    a.show();
    QTest::mouseClick(a.findChild<QLabel*>(QStringLiteral("Label1")), Qt::LeftButton);
    EXPECT_EQ(xdg.argument(), QStringLiteral("mailto:") + Identite::adresseContact() +
                                  QStringLiteral("?Subject=A propos de Quillon 2.1.30&Body="));
}
