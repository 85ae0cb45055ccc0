// Le vrai avrdude contre le programmateur simulé, par les protocoles que les tests des fusibles
// n'emploient pas (ceux-ci passent par avrisp) : version 2 seule, fusible étendu masqué.
#include "fixtures/programmateur/ProgrammateurSimule.h"
#include "outils/OutilsTests.h"

#include <gtest/gtest.h>

TEST(BancProgrammateurSimule, FusibleEtenduParLesDeuxProtocolesEtVersion2Seule) {
    EXIGER_OUTILS("avrdude");
    ASSERT_TRUE(QFileInfo(ProgrammateurSimule::chemin()).isExecutable()) << "programmateur_simule absent";
    auto avrdude = [](const ProgrammateurSimule& p, const QString& programmateur, const QString& partie,
                      const QStringList& opérations, QByteArray* sortie) {
        QStringList args{"-c", programmateur, "-P", p.port(), "-p", partie};
        for (const QString& o : opérations)
            args << "-U" << o;
        QByteArray erreurs;
        const int code = OutilsTests::executer("avrdude", args, sortie, &erreurs, {}, 120000);
        EXPECT_EQ(code, 0) << erreurs.toStdString();
    };
    // avrdude n'envoie que les bits significatifs du fusible étendu de l'ATmega168 (masque 07) ; le
    // simulateur garde l'octet tel qu'il le reçoit.
    ProgrammateurSimule p({"--signature", "1e9406", "--efuse", "f9"});
    ASSERT_TRUE(p.pret());
    QByteArray sortie;
    avrdude(p, "avrisp", "m168", {"efuse:r:-:h", "efuse:w:0xfa:m", "efuse:r:-:h"}, &sortie);
    EXPECT_EQ(sortie, QByteArray("0xf9\n0x2\n"));
    avrdude(p, "stk500v2", "m168", {"efuse:w:0xfc:m", "efuse:r:-:h"}, &sortie);
    EXPECT_EQ(sortie, QByteArray("0x4\n"));
    EXPECT_EQ(p.journal(), "efuse=02\nefuse=04\n");

    // Le programmateur « stk500 » essaie la version 2 d'abord : il doit s'en contenter.
    ProgrammateurSimule v2({"--protocole", "2", "--lfuse", "3f"});
    ASSERT_TRUE(v2.pret());
    avrdude(v2, "stk500", "m8", {"lfuse:r:-:h"}, &sortie);
    EXPECT_EQ(sortie, QByteArray("0x3f\n"));
}
