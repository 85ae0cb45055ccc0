// L'assistante sans fenêtre : vitesse série d'un projet sans makefile, remplacement refusé.
#include "assistant/project/Assistante.h"
#include "common/Messages.h"
#include "makefile/ParametreMakefile.h"
#include "noyau/EtatGlobal.h"
#include "outils/OutilsTests.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class Assistante_ : public ::testing::Test {
protected:
    Assistante_() {
        EtatGlobal& e = etatGlobal();
        e.réinitialiser();
        e.DossierInstallation = OutilsTests::dossierConstruction();
        e.RépertoireDeTravail = dossier.path();
        e.FichierC = dossier.filePath(QStringLiteral("essai.c"));
    }
    QTemporaryDir dossier;
    EnregistreurMessages messages;
};

TEST_F(Assistante_, UnProjetSansMakefileLeReçoitDeLaConfigurationParDéfaut) {
    ASSERT_TRUE(Assistante::ÉcrireVitesseSérie(QStringLiteral("57600")));
    DocumentRiche d;
    ASSERT_TRUE(d.charger(dossier.filePath(QStringLiteral("makefile"))));
    EXPECT_EQ(ValeurParamètre(d, QStringLiteral("BAUD =")), QStringLiteral("57600"));
    // Le reste de la configuration par défaut est là.
    EXPECT_TRUE(d.texte().contains(QStringLiteral("MCU =")));
    EXPECT_TRUE(messages.messages.empty());
}

// Le makefile que make lit reçoit la vitesse, même nommé « Makefile » : un « makefile » créé à
// côté le masquerait.
TEST_F(Assistante_, LaVitesseVaAuMakefileQueMakeLit) {
    const QString makefile = dossier.filePath(QStringLiteral("Makefile"));
    OutilsTests::ecrireFichier(makefile, "MCU = atmega8\nBAUD = 9600\n");
    ASSERT_TRUE(Assistante::ÉcrireVitesseSérie(QStringLiteral("57600")));
    EXPECT_EQ(OutilsTests::lireFichier(makefile), QByteArray("MCU = atmega8\nBAUD = 57600\n"));
    EXPECT_FALSE(QFileInfo::exists(dossier.filePath(QStringLiteral("makefile"))));
}

// Les échecs d'écriture, les liens et les copies : essais des écrivains (TestsFichierAtomique) ;
// le remplacement réussi et son .bak : essai du programme réel (SqueletteDuProjetÉcritAuClavier).
TEST_F(Assistante_, UnTexteVideNÉcritRien) {
    OutilsTests::ecrireFichier(etatGlobal().FichierC, "int main(void) { return 0; }\n");
    EXPECT_FALSE(Assistante::RemplacerFichierSource(QString()));
    EXPECT_EQ(OutilsTests::lireFichier(etatGlobal().FichierC), QByteArray("int main(void) { return 0; }\n"));
    EXPECT_FALSE(QFileInfo::exists(etatGlobal().FichierC + QStringLiteral(".bak")));
}

} // namespace
