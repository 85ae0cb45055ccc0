#include "common/FichierAtomique.h"
#include "outils/OutilsTests.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <unistd.h>

TEST(FichierAtomique, RemplaceSansLaisserDeTemporaire) {
    QTemporaryDir d;
    const QString f = d.filePath(QStringLiteral("fichier é.txt"));
    ASSERT_TRUE(FichierAtomique::ecrire(f, "un"));
    ASSERT_TRUE(FichierAtomique::ecrire(f, "deux"));
    EXPECT_EQ(OutilsTests::lireFichier(f), QByteArray("deux"));
    EXPECT_EQ(QDir(d.path()).entryList(QDir::Files).size(), 1);
}

TEST(FichierAtomique, EchecDansUnDossierEnLectureSeuleNePerdRien) {
    if (geteuid() == 0) {
        // root passe outre les droits : on vise un dossier qui n'existe pas.
        QString erreur;
        EXPECT_FALSE(FichierAtomique::ecrire(QStringLiteral("/inexistant/x/y.txt"), "z", &erreur));
        EXPECT_TRUE(erreur.contains(QStringLiteral("y.txt")));
        return;
    }
    QTemporaryDir d;
    const QString f = d.filePath(QStringLiteral("a.txt"));
    OutilsTests::ecrireFichier(f, "original");
    QFile::setPermissions(d.path(), QFile::ReadOwner | QFile::ExeOwner);
    QString erreur;
    EXPECT_FALSE(FichierAtomique::ecrire(f, "nouveau", &erreur));
    QFile::setPermissions(d.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(OutilsTests::lireFichier(f), QByteArray("original"));
    EXPECT_FALSE(erreur.isEmpty());
}
