#include "common/FichierAtomique.h"
#include "outils/OutilsTests.h"
#include "outils/SansPrivileges.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(FichierAtomique, RemplaceSansLaisserDeTemporaire) {
    QTemporaryDir d;
    const QString f = d.filePath(QStringLiteral("fichier é.txt"));
    ASSERT_TRUE(FichierAtomique::ecrire(f, "un"));
    ASSERT_TRUE(FichierAtomique::ecrire(f, "deux"));
    EXPECT_EQ(OutilsTests::lireFichier(f), QByteArray("deux"));
    EXPECT_EQ(QDir(d.path()).entryList(QDir::Files).size(), 1);
}

// Chaque échec donne sa raison en français, jamais le texte anglais du système.
TEST(FichierAtomique, EchecsSansPerteEtRaisonsEnFrancais) {
    QTemporaryDir d;
    QFile::setPermissions(d.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                        QFile::ReadOther | QFile::ExeOther);
    const QString f = d.filePath(QStringLiteral("a.txt"));
    OutilsTests::ecrireFichier(f, "original");
    QFile::setPermissions(f, QFile::ReadOwner | QFile::WriteOwner);
    auto vérifier = [](bool ok, const QString& erreur, const QString& raison) {
        EXPECT_FALSE(ok);
        EXPECT_TRUE(erreur.contains(raison)) << erreur.toStdString();
        for (const char* anglais : {"No such", "ermission denied", "directory", "Is a"})
            EXPECT_FALSE(erreur.contains(QLatin1String(anglais))) << erreur.toStdString();
    };
    QString e;
    QByteArray lu;
    vérifier(FichierAtomique::ecrire(d.filePath(QStringLiteral("absent/b.txt")), "z", &e), e,
             QStringLiteral("le dossier n'existe pas"));
    vérifier(FichierAtomique::lire(d.path(), lu, &e), e, QStringLiteral("dossier"));
    {
        SansPrivileges p;
        vérifier(FichierAtomique::lire(f, lu, &e), e, QStringLiteral("permission refusée"));
        vérifier(FichierAtomique::ecrire(d.filePath(QStringLiteral("c.txt")), "z", &e), e,
                 QStringLiteral("permission refusée"));
    }
    EXPECT_EQ(OutilsTests::lireFichier(f), QByteArray("original"));
}

// Un tube bloquerait, /dev/zero ne finirait pas, un fichier démesuré prendrait toute la mémoire.
TEST(FichierAtomique, LectureRefuseTubesPeripheriquesEtFichiersDemesures) {
    QTemporaryDir d;
    const QString tube = d.filePath(QStringLiteral("tube"));
    ASSERT_EQ(mkfifo(QFile::encodeName(tube).constData(), 0600), 0);
    const QString zero = d.filePath(QStringLiteral("zero"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    const QString gros = d.filePath(QStringLiteral("gros"));
    OutilsTests::ecrireFichier(gros, QByteArray(FichierAtomique::TailleMaxLue + 1, 'x'));
    const QString juste = d.filePath(QStringLiteral("juste"));
    OutilsTests::ecrireFichier(juste, QByteArray(FichierAtomique::TailleMaxLue, 'x'));
    for (const QString& f : {tube, zero, gros}) {
        QByteArray lu = "avant";
        QString e;
        EXPECT_FALSE(FichierAtomique::lire(f, lu, &e)) << f.toStdString();
        EXPECT_TRUE(e.contains(QDir::toNativeSeparators(f))) << e.toStdString();
        EXPECT_EQ(lu, QByteArray("avant"));
    }
    QByteArray lu;
    EXPECT_TRUE(FichierAtomique::lire(juste, lu));
    EXPECT_EQ(lu.size(), FichierAtomique::TailleMaxLue);
}
