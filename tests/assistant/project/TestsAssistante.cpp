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

// Ce qui n'est pas un entier de 1 à 7 chiffres n'atteint jamais le makefile, d'où qu'il vienne.
TEST_F(Assistante_, UneVitesseQuiNEstPasUnNombreNeTouchePasAuMakefile) {
    const QString makefile = dossier.filePath(QStringLiteral("makefile"));
    const QByteArray avant = "MCU = atmega8\nBAUD = 57600 # lue sans son commentaire\nF_CPU = 8000000\n";
    OutilsTests::ecrireFichier(makefile, avant);
    EXPECT_EQ(Assistante::vitesseDuMakefile(), QStringLiteral("57600"));
    const QString refusées[] = {QStringLiteral("9600 $(shell touch pris)"),
                                QStringLiteral("9600 \\"),
                                QString(100000, u'9'),
                                QStringLiteral("12345678"),
                                QStringLiteral("0"),
                                QStringLiteral("09600"), // lue en octal par le compilateur
                                QStringLiteral("-9600"),
                                QStringLiteral(" 9600"),
                                QString()};
    for (const QString& v : refusées) {
        SCOPED_TRACE(v.left(30).toStdString());
        messages.messages.clear();
        EXPECT_FALSE(Assistante::ÉcrireVitesseSérie(v));
        EXPECT_EQ(messages.messages.size(), 1u);
        EXPECT_EQ(OutilsTests::lireFichier(makefile), avant);
    }
    // La plus grande acceptée.
    ASSERT_TRUE(Assistante::ÉcrireVitesseSérie(QStringLiteral("9999999")));
    EXPECT_EQ(Assistante::vitesseDuMakefile(), QStringLiteral("9999999"));
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
