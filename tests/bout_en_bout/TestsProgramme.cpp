// Le programme construit, lancé comme un éditeur le lance, sans affichage.
#include "outils/OutilsTests.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <unistd.h>

using OutilsTests::lireFichier;

namespace {

const QStringList SansAffichage = {QStringLiteral("DISPLAY"), QStringLiteral("WAYLAND_DISPLAY"),
                                   QStringLiteral("QT_QPA_PLATFORM")};

struct Programme : ::testing::Test {
    QTemporaryDir racine;
    QString projet = racine.filePath(QStringLiteral("Projets AVR/Clignoté à blancs"));
    QString installation = racine.filePath(QStringLiteral("installé"));
    QString quillon = installation + QStringLiteral("/quillon");

    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(projet));
        OutilsTests::preparerProjetJournal(projet);
        // Une installation à part, faite comme l'utilisateur la fait.
        QByteArray sortie;
        ASSERT_EQ(OutilsTests::executer(QStringLiteral("cmake"),
                                        {QStringLiteral("--install"), OutilsTests::dossierConstruction(),
                                         QStringLiteral("--prefix"), installation},
                                        &sortie, &sortie),
                  0)
            << sortie.toStdString();
    }

    int lancer(const QStringList& arguments, QByteArray* erreurs = nullptr) {
        QByteArray sortie;
        return OutilsTests::executer(quillon, arguments, &sortie, erreurs, SansAffichage, 20000);
    }
    QString journal() const {
        return QString::fromUtf8(lireFichier(projet + QStringLiteral("/journal.txt")));
    }
};

} // namespace

TEST_F(Programme, CiblesMakeEnUnOuPlusieursArguments) {
    // Dossier à blancs passé en un seul argument, tout entre guillemets, mot en capitales.
    ASSERT_EQ(lancer({QStringLiteral("\"NETTOYER>") + projet + QStringLiteral(">Clignoté\"")}), 0);
    ASSERT_TRUE(OutilsTests::attendre([&] { return journal() == u"clean\n"; }));
    // Le même dossier coupé en plusieurs arguments par un éditeur qui ne met pas de guillemets.
    QStringList morceaux = (QStringLiteral("programmer>") + projet + QStringLiteral(">X")).split(u' ');
    ASSERT_GT(morceaux.size(), 2);
    ASSERT_EQ(lancer(morceaux), 0);
    ASSERT_TRUE(OutilsTests::attendre([&] { return journal() == u"clean\nprogram\n"; }));
}

TEST_F(Programme, LigneInvalideSansAffichageVaSurLaSortieDErreur) {
    for (const QString& ligne : {QString(), QStringLiteral("bidule>") + projet,
                                 QStringLiteral(" nettoyer>") + projet, QStringLiteral("nettoyer")}) {
        QByteArray erreurs;
        const int code = lancer(ligne.isEmpty() ? QStringList() : QStringList{ligne}, &erreurs);
        EXPECT_NE(code, 0) << ligne.toStdString();
        EXPECT_TRUE(QString::fromUtf8(erreurs).contains(QStringLiteral("Erreur : la ligne de commande : «") +
                                                        ligne + QStringLiteral("» est invalide.")))
            << erreurs.toStdString();
    }
    // Un affichage nommé mais injoignable : même repli, sans avorter.
    QByteArray sortie, erreurs;
    const int code =
        OutilsTests::executer(quillon, {QStringLiteral("bidule>") + projet}, &sortie, &erreurs,
                              {QStringLiteral("DISPLAY=:1234"), QStringLiteral("WAYLAND_DISPLAY"),
                               QStringLiteral("QT_QPA_PLATFORM")});
    EXPECT_EQ(code, 2) << erreurs.toStdString();
    EXPECT_TRUE(erreurs.contains("est invalide."));
    EXPECT_FALSE(QFileInfo::exists(projet + QStringLiteral("/journal.txt")));
}

TEST_F(Programme, ReglagesAbsentsPuisEndommages) {
    const QString reglages = installation + QStringLiteral("/Paramètres.xml");
    QFile::remove(reglages);
    // Lancé depuis un autre dossier courant : les données sont trouvées à côté du programme.
    ASSERT_EQ(lancer({QStringLiteral("nettoyer>") + projet}), 0);
    const QString xml = QString::fromUtf8(lireFichier(reglages));
    EXPECT_TRUE(xml.contains(QStringLiteral("<Paramètres>"))) << xml.toStdString();
    EXPECT_TRUE(xml.contains(QStringLiteral("<Assistante />")));

    const QByteArray abime = QStringLiteral("<Paramètres><Silence>1</Silence>").toUtf8();
    OutilsTests::ecrireFichier(reglages, abime);
    QByteArray erreurs;
    EXPECT_NE(lancer({QStringLiteral("nettoyer>") + projet}, &erreurs), 0);
    EXPECT_TRUE(QString::fromUtf8(erreurs).contains(QStringLiteral("contient certainement une erreur")));
    EXPECT_EQ(lireFichier(reglages), abime);
}

TEST_F(Programme, MessageConfieAuProgrammeDesFenetresDepuisLeDossierDOrigine) {
    // Réglages abîmés, dossier de projet relatif, affichage nommé (mais injoignable) : le
    // programme léger passe la main au programme des fenêtres, qui doit refaire le même
    // démarrage depuis le même dossier et dire la même erreur, pas celle de la ligne de commande.
    const QString reglages = installation + QStringLiteral("/Paramètres.xml");
    const QByteArray abime = QStringLiteral("<Paramètres><Silence>").toUtf8();
    OutilsTests::ecrireFichier(reglages, abime);
    const QFileInfo infoProjet(projet);
    QByteArray sortie, erreurs;
    const int code = OutilsTests::executer(
        QStringLiteral("sh"),
        {QStringLiteral("-c"), QStringLiteral("cd \"$1\" && exec \"$2\" \"nettoyer>$3>X\""),
         QStringLiteral("sh"), infoProjet.absolutePath(), quillon, infoProjet.fileName()},
        &sortie, &erreurs,
        {QStringLiteral("DISPLAY=:1234"), QStringLiteral("WAYLAND_DISPLAY"),
         QStringLiteral("QT_QPA_PLATFORM")});
    EXPECT_EQ(code, 1) << erreurs.toStdString();
    EXPECT_TRUE(QString::fromUtf8(erreurs).contains(QStringLiteral("contient certainement une erreur")))
        << erreurs.toStdString();
    EXPECT_FALSE(erreurs.contains("est invalide."));
    EXPECT_EQ(lireFichier(reglages), abime);
}

TEST_F(Programme, InstallationEnLectureSeule) {
    // Lance une action avec le dossier d'installation en lecture seule ; 99 si c'est impossible ici.
    auto lancerLectureSeule = [&](QByteArray* erreurs) {
        if (geteuid() != 0) {
            QFile::setPermissions(installation, QFile::ReadOwner | QFile::ExeOwner);
            const int code = lancer({QStringLiteral("nettoyer>") + projet}, erreurs);
            QFile::setPermissions(installation, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            return code;
        }
        // root passe outre les droits : le dossier est monté en lecture seule dans un espace à part.
        const QString script =
            QStringLiteral("mount --bind \"$1\" \"$1\" && mount -o remount,ro,bind \"$1\" \"$1\" "
                           "|| exit 99; shift; exec \"$@\"");
        QByteArray sortie;
        return OutilsTests::executer(QStringLiteral("unshare"),
                                     {QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"),
                                      script, QStringLiteral("sh"), installation, quillon,
                                      QStringLiteral("nettoyer>") + projet},
                                     &sortie, erreurs, SansAffichage);
    };

    // Réglages déjà complets : la lecture suffit, rien n'est écrit.
    ASSERT_EQ(lancer({QStringLiteral("nettoyer>") + projet}), 0);
    const QByteArray avant = lireFichier(installation + QStringLiteral("/Paramètres.xml"));
    QByteArray erreurs;
    int code = lancerLectureSeule(&erreurs);
    if (code == 99) SAUTER_TEST("montage en lecture seule impossible ici");
    EXPECT_EQ(code, 0) << erreurs.toStdString();
    EXPECT_EQ(lireFichier(installation + QStringLiteral("/Paramètres.xml")), avant);
    ASSERT_TRUE(OutilsTests::attendre([&] { return journal().count(QStringLiteral("clean")) == 2; }));

    // Réglages absents : rien ne peut être créé, l'action a lieu quand même.
    QFile::remove(installation + QStringLiteral("/Paramètres.xml"));
    code = lancerLectureSeule(&erreurs);
    EXPECT_EQ(code, 0) << erreurs.toStdString();
    EXPECT_FALSE(QFileInfo::exists(installation + QStringLiteral("/Paramètres.xml")));
    ASSERT_TRUE(OutilsTests::attendre([&] { return journal().count(QStringLiteral("clean")) == 3; }));
}
