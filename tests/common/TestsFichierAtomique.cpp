#include "common/FichierAtomique.h"
#include "outils/OutilsTests.h"
#include "outils/SansPrivileges.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

// Le remplacement sans temporaire laissé est vu de bout en bout (makefile réécrit puis make clean).

// Chaque échec donne sa raison en français, jamais le texte anglais du système.
TEST(FichierAtomique, EchecsDEcritureEtRaisonsEnFrancais) {
    QTemporaryDir d;
    QFile::setPermissions(d.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                        QFile::ReadOther | QFile::ExeOther);
    auto vérifier = [](bool ok, const QString& erreur, const QString& raison) {
        EXPECT_FALSE(ok);
        EXPECT_TRUE(erreur.contains(raison)) << erreur.toStdString();
        for (const char* anglais : {"No such", "ermission denied", "directory", "Is a"})
            EXPECT_FALSE(erreur.contains(QLatin1String(anglais))) << erreur.toStdString();
    };
    QString e;
    vérifier(FichierAtomique::ecrire(d.filePath(QStringLiteral("absent/b.txt")), "z", &e), e,
             QStringLiteral("le dossier n'existe pas"));
    // Les lectures refusées (un dossier, un fichier fermé) : vues au lancement, avec leur raison.
    {
        SansPrivileges p;
        vérifier(FichierAtomique::ecrire(d.filePath(QStringLiteral("c.txt")), "z", &e), e,
                 QStringLiteral("permission refusée"));
    }
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
