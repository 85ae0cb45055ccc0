// Le vrai avrdude contre le programmateur simulé, directement et à travers DOSClass.
#include "fixtures/programmateur/ProgrammateurSimule.h"
#include "noyau/DOSClass.h"
#include "noyau/plateforme/Processus.h"
#include "outils/OutilsTests.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct BancProgrammateurSimule : ::testing::Test {
    QString avrdude = Processus::trouverProgramme(QStringLiteral("avrdude"));

    void SetUp() override {
        ASSERT_FALSE(avrdude.isEmpty()) << "avrdude est introuvable";
        ASSERT_TRUE(QFileInfo(ProgrammateurSimule::chemin()).isExecutable()) << "programmateur_simule absent";
    }

    // avrdude seul : sortie standard et erreurs à part.
    int lancer(const ProgrammateurSimule& p, const QString& programmateur, const QString& partie,
               const QStringList& operations, QByteArray* sortie, QByteArray* erreurs = nullptr) {
        QStringList args{QStringLiteral("-c"), programmateur, QStringLiteral("-P"), p.port(),
                         QStringLiteral("-p"), partie};
        for (const QString& o : operations)
            args << QStringLiteral("-U") << o;
        return OutilsTests::executer(avrdude, args, sortie, erreurs, {}, 120000);
    }

    // La ligne de commande telle que la fenêtre des fusibles la donne, sorties fusionnées.
    int32_t parDOSClass(DOSClass& dos, const QString& ligne) {
        QTimer securite;
        securite.setSingleShot(true);
        QObject::connect(&securite, &QTimer::timeout, &dos, [&dos] { dos.KillCommand(); });
        securite.start(120000);
        dos.setCommandName(ligne);
        return dos.ExecuteCommand(true);
    }

    // L'octet brut qui suit « <stdout> » et sa fin de ligne.
    static int octetApresStdout(const QString& sortie) {
        const QString repere = QStringLiteral("writing output file <stdout>\n");
        const qsizetype i = sortie.indexOf(repere);
        if (i < 0 || i + repere.size() >= sortie.size()) return -1;
        return sortie.at(i + repere.size()).unicode();
    }
};

} // namespace

TEST_F(BancProgrammateurSimule, LectureDesFusiblesEtDuVerrouDUnATmega8) {
    ProgrammateurSimule p({QStringLiteral("--signature"), QStringLiteral("1e9307"), QStringLiteral("--lfuse"),
                           QStringLiteral("e1"), QStringLiteral("--hfuse"), QStringLiteral("d9"),
                           QStringLiteral("--lock"), QStringLiteral("fc")});
    ASSERT_TRUE(p.pret());
    QByteArray sortie, erreurs;
    for (const QString& programmateur : {QStringLiteral("avrisp"), QStringLiteral("stk500v1"),
                                         QStringLiteral("stk500"), QStringLiteral("stk500v2")}) {
        EXPECT_EQ(lancer(p, programmateur, QStringLiteral("m8"),
                         {QStringLiteral("lfuse:r:-:h"), QStringLiteral("hfuse:r:-:h"),
                          QStringLiteral("lock:r:-:h")},
                         &sortie, &erreurs),
                  0)
            << programmateur.toStdString() << erreurs.toStdString();
        EXPECT_EQ(sortie, QByteArray("0xe1\n0xd9\n0xfc\n")) << programmateur.toStdString();
        EXPECT_TRUE(erreurs.contains("device signature = 0x1e9307")) << erreurs.toStdString();
    }
    // Rien n'a été écrit.
    p.arreter();
    EXPECT_EQ(p.journal(), QStringLiteral("fin lfuse=e1 hfuse=d9 efuse=ff lock=fc\n"));
}

TEST_F(BancProgrammateurSimule, OctetBrutApresStdoutAvecSortiesFusionnees) {
    // Les valeurs qui ressemblent à une fin de ligne ou à une fin de texte arrivent aussi.
    ProgrammateurSimule p({QStringLiteral("--lfuse"), QStringLiteral("0a"), QStringLiteral("--hfuse"),
                           QStringLiteral("00"), QStringLiteral("--lock"), QStringLiteral("e9")});
    ASSERT_TRUE(p.pret());
    DOSClass dos;
    QString morceaux;
    QObject::connect(&dos, &DOSClass::ReceiveOutputs, &dos, [&](const QString& m) { morceaux += m; });
    const QString prefixe = QStringLiteral("avrdude -p m8 -P ") + p.port() + QStringLiteral(" -c avrisp");
    const std::pair<const char*, int> lectures[] = {{"lfuse", 0x0a}, {"hfuse", 0x00}, {"lock", 0xe9}};
    for (const auto& [memoire, valeur] : lectures) {
        morceaux.clear();
        ASSERT_EQ(parDOSClass(dos, prefixe + QStringLiteral(" -U ") + QLatin1String(memoire) +
                                       QStringLiteral(":r:-:r")),
                  0);
        EXPECT_EQ(dos.ExitCode(), 0);
        EXPECT_EQ(morceaux, dos.Outputs());
        EXPECT_EQ(octetApresStdout(dos.Outputs()), valeur) << memoire;
        // La suite exacte d'avrdude 7.1 : l'octet, une fin de ligne, puis le mot de la fin.
        const QString attendu = QStringLiteral("avrdude: writing output file <stdout>\n") + QChar(valeur) +
                                QStringLiteral("\navrdude done.  Thank you.\n\n");
        EXPECT_TRUE(dos.Outputs().endsWith(attendu)) << dos.Outputs().toStdString();
    }
    // Format hexadécimal : le texte « 0x.. » à la même place.
    ASSERT_EQ(parDOSClass(dos, prefixe + QStringLiteral(" -U lock:r:-:h")), 0);
    EXPECT_TRUE(dos.Outputs().endsWith(
        QStringLiteral("avrdude: writing output file <stdout>\n0xe9\n\navrdude done.  Thank you.\n\n")));
}

TEST_F(BancProgrammateurSimule, EcritureVueDansLeJournalEtALaRelecture) {
    ProgrammateurSimule p({QStringLiteral("--hfuse"), QStringLiteral("d9")});
    ASSERT_TRUE(p.pret());
    QByteArray sortie, erreurs;
    EXPECT_EQ(lancer(p, QStringLiteral("avrisp"), QStringLiteral("m8"), {QStringLiteral("hfuse:w:0xc9:m")},
                     &sortie, &erreurs),
              0)
        << erreurs.toStdString();
    EXPECT_TRUE(erreurs.contains("1 byte of hfuse verified")) << erreurs.toStdString();
    EXPECT_EQ(p.journal(), QStringLiteral("hfuse=c9\n"));
    EXPECT_EQ(
        lancer(p, QStringLiteral("avrisp"), QStringLiteral("m8"), {QStringLiteral("hfuse:r:-:h")}, &sortie),
        0);
    EXPECT_EQ(sortie, QByteArray("0xc9\n"));

    // La ligne d'écriture avec -u : avrdude 7 signale la sécurité disparue mais écrit quand même.
    DOSClass dos;
    ASSERT_EQ(parDOSClass(dos, QStringLiteral("avrdude -p m8 -P ") + p.port() +
                                   QStringLiteral(" -c avrisp -u -U lock:w:252:m")),
              0);
    EXPECT_EQ(dos.ExitCode(), 0);
    EXPECT_TRUE(
        dos.Outputs().contains(QStringLiteral("avrdude error: \"safemode\" feature no longer supported")))
        << dos.Outputs().toStdString();
    EXPECT_TRUE(dos.Outputs().contains(QStringLiteral("1 byte of lock verified")));

    // Par le protocole version 2 ensuite, sur le même port.
    EXPECT_EQ(lancer(p, QStringLiteral("stk500"), QStringLiteral("m8"),
                     {QStringLiteral("lfuse:w:0xe4:m"), QStringLiteral("lock:r:-:h"),
                      QStringLiteral("lfuse:r:-:h")},
                     &sortie, &erreurs),
              0)
        << erreurs.toStdString();
    EXPECT_EQ(sortie, QByteArray("0xfc\n0xe4\n"));
    p.arreter();
    EXPECT_EQ(p.journal(),
              QStringLiteral("hfuse=c9\nlock=fc\nlfuse=e4\nfin lfuse=e4 hfuse=c9 efuse=ff lock=fc\n"));
}

TEST_F(BancProgrammateurSimule, FusibleEtenduParLesDeuxProtocoles) {
    // avrdude n'envoie que les bits significatifs du fusible étendu de l'ATmega168 (masque 07) ; le
    // simulateur garde l'octet tel qu'il le reçoit.
    ProgrammateurSimule p({QStringLiteral("--signature"), QStringLiteral("1e9406"), QStringLiteral("--efuse"),
                           QStringLiteral("f9")});
    ASSERT_TRUE(p.pret());
    QByteArray sortie, erreurs;
    EXPECT_EQ(lancer(p, QStringLiteral("avrisp"), QStringLiteral("m168"),
                     {QStringLiteral("efuse:r:-:h"), QStringLiteral("efuse:w:0xfa:m"),
                      QStringLiteral("efuse:r:-:h")},
                     &sortie, &erreurs),
              0)
        << erreurs.toStdString();
    EXPECT_EQ(sortie, QByteArray("0xf9\n0x2\n"));
    EXPECT_EQ(lancer(p, QStringLiteral("stk500v2"), QStringLiteral("m168"),
                     {QStringLiteral("efuse:w:0xfc:m"), QStringLiteral("efuse:r:-:h")}, &sortie, &erreurs),
              0)
        << erreurs.toStdString();
    EXPECT_EQ(sortie, QByteArray("0x4\n"));
    EXPECT_EQ(p.journal(), QStringLiteral("efuse=02\nefuse=04\n"));
}

TEST_F(BancProgrammateurSimule, ProtocoleVersion2Seul) {
    // Le programmateur « stk500 » essaie la version 2 d'abord : il doit s'en contenter.
    ProgrammateurSimule p({QStringLiteral("--protocole"), QStringLiteral("2"), QStringLiteral("--lfuse"),
                           QStringLiteral("3f")});
    ASSERT_TRUE(p.pret());
    QByteArray sortie, erreurs;
    EXPECT_EQ(lancer(p, QStringLiteral("stk500"), QStringLiteral("m8"), {QStringLiteral("lfuse:r:-:h")},
                     &sortie, &erreurs),
              0)
        << erreurs.toStdString();
    EXPECT_EQ(sortie, QByteArray("0x3f\n"));
}

TEST_F(BancProgrammateurSimule, AutreSignatureRefusee) {
    ProgrammateurSimule p({QStringLiteral("--signature"), QStringLiteral("1e9406")});
    ASSERT_TRUE(p.pret());
    DOSClass dos;
    ASSERT_EQ(parDOSClass(dos, QStringLiteral("avrdude -p m8 -P ") + p.port() +
                                   QStringLiteral(" -c avrisp -U lfuse:r:-:r")),
              0);
    EXPECT_NE(dos.ExitCode(), 0);
    EXPECT_TRUE(
        dos.Outputs().contains(QStringLiteral("avrdude error: expected signature for ATmega8 is 1E 93 07")))
        << dos.Outputs().toStdString();
    EXPECT_FALSE(dos.Outputs().contains(QStringLiteral("<stdout>")));
    EXPECT_FALSE(dos.Outputs().contains(QStringLiteral("not responding")));
}

TEST_F(BancProgrammateurSimule, ProgrammateurMuetFaitEchouerAvrdude) {
    ProgrammateurSimule p({QStringLiteral("--muet")});
    ASSERT_TRUE(p.pret());
    DOSClass dos;
    // Une seule tentative au lieu de dix : le constat est le même.
    ASSERT_EQ(parDOSClass(dos, QStringLiteral("avrdude -p m8 -P ") + p.port() +
                                   QStringLiteral(" -c avrisp -x attempts=1 -U lfuse:r:-:r")),
              0);
    EXPECT_NE(dos.ExitCode(), 0);
    EXPECT_TRUE(dos.Outputs().contains(QStringLiteral("avrdude error: programmer is not responding")))
        << dos.Outputs().toStdString();
    EXPECT_FALSE(dos.Outputs().contains(QStringLiteral("<stdout>")));
    EXPECT_TRUE(dos.Outputs().endsWith(QStringLiteral("avrdude done.  Thank you.\n\n")));
}
