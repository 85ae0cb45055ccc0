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

// Seul un entier de 1 à 7 chiffres va au makefile, celui que make lit (même « Makefile »).
TEST_F(Assistante_, UneVitesseQuiNEstPasUnNombreNeTouchePasAuMakefile) {
    const QString makefile = dossier.filePath(QStringLiteral("Makefile"));
    const QByteArray avant = "MCU = atmega8\nBAUD = 57600 # lue sans son commentaire\nF_CPU = 8000000\n";
    OutilsTests::ecrireFichier(makefile, avant);
    EXPECT_EQ(Assistante::vitesseDuMakefile(), QStringLiteral("57600"));
    // « 09600 » serait lu en octal par le compilateur.
    for (const QString& v : {QString(), QStringLiteral("9600 $(shell touch pris)"),
                             QStringLiteral("12345678"), QStringLiteral("0"), QStringLiteral("09600")}) {
        SCOPED_TRACE(v.toStdString());
        messages.messages.clear();
        EXPECT_FALSE(Assistante::ÉcrireVitesseSérie(v));
        EXPECT_EQ(messages.messages.size(), 1u);
        EXPECT_EQ(OutilsTests::lireFichier(makefile), avant);
    }
    // La plus grande acceptée.
    ASSERT_TRUE(Assistante::ÉcrireVitesseSérie(QStringLiteral("9999999")));
    EXPECT_EQ(Assistante::vitesseDuMakefile(), QStringLiteral("9999999"));
    EXPECT_TRUE(OutilsTests::lireFichier(makefile).startsWith("MCU = atmega8\nBAUD = 9999999"));
    EXPECT_FALSE(QFileInfo::exists(dossier.filePath(QStringLiteral("makefile"))));
}

// Échecs d'écriture : TestsFichierAtomique ; remplacement et .bak : SqueletteDuProjetÉcritAuClavier.
TEST_F(Assistante_, UnTexteVideNÉcritRien) {
    OutilsTests::ecrireFichier(etatGlobal().FichierC, "int main(void) { return 0; }\n");
    EXPECT_FALSE(Assistante::RemplacerFichierSource(QString()));
    EXPECT_EQ(OutilsTests::lireFichier(etatGlobal().FichierC), QByteArray("int main(void) { return 0; }\n"));
    EXPECT_FALSE(QFileInfo::exists(etatGlobal().FichierC + QStringLiteral(".bak")));
}

} // namespace
