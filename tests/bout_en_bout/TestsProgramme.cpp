// Le programme construit, lancé comme un éditeur le lance, sans affichage.
#include "common/Identite.h"
#include "launcher/LigneDeCommande.h"
#include "outils/OutilsTests.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using OutilsTests::lireFichier;

namespace {

using OutilsTests::SansAffichage;

struct Programme : ::testing::Test {
    QTemporaryDir racine;
    QString projet = racine.filePath("Projets AVR/Clignoté à blancs");
    QString installation = racine.filePath("installé");
    QString quillon = installation + "/bin/quillon";
    OutilsTests::VariableEnvironnement xdg{"XDG_CONFIG_HOME", QFile::encodeName(racine.filePath("config"))};

    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(projet));
        OutilsTests::preparerProjetJournal(projet);
        // Une installation à part, faite comme l'utilisateur la fait.
        ASSERT_TRUE(OutilsTests::installer(installation));
    }

    int lancer(const QStringList& arguments, QByteArray* erreurs = nullptr, QByteArray* sortie = nullptr) {
        return OutilsTests::executer(quillon, arguments, sortie, erreurs, SansAffichage, 20000);
    }
    QString journal() const { return QString::fromUtf8(lireFichier(projet + "/journal.txt")); }
};

} // namespace

// Le dossier à blancs en un argument, entre guillemets, mot en capitales ; puis coupé en plusieurs
// par un éditeur qui ne met pas de guillemets.
TEST_F(Programme, CiblesMakeEnUnOuPlusieursArguments) {
    ASSERT_EQ(lancer({"\"NETTOYER>" + projet + ">Clignoté\""}), 0);
    EXPECT_EQ(journal(), "clean\n");
    QStringList morceaux = ("programmer>" + projet + ">X").split(u' ');
    ASSERT_GT(morceaux.size(), 2);
    ASSERT_EQ(lancer(morceaux), 0);
    EXPECT_EQ(journal(), "clean\nprogram\n");
}

// --help et --version, seuls, sur la sortie standard ; toute ligne invalide sur la sortie d'erreur,
// sans rien lancer.
TEST_F(Programme, OptionsEtLignesInvalidesSansAffichage) {
    const std::pair<QStringList, QString> cas[] = {
        {{"--help"}, TexteAide()},  {{"--version"}, "Quillon " + Identite::version() + "\n"},
        {{"--help", "x"}, {}},      {{}, {}},
        {{"bidule>" + projet}, {}}, {{" nettoyer>" + projet}, {}},
        {{"nettoyer"}, {}}};
    for (const auto& [arguments, attendue] : cas) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        QByteArray sortie, erreurs;
        EXPECT_EQ(lancer(arguments, &erreurs, &sortie) == 0, !attendue.isEmpty());
        EXPECT_EQ(QString::fromUtf8(sortie), attendue);
        EXPECT_EQ(QString::fromUtf8(erreurs).contains("«" + arguments.join(' ') + "» est invalide."),
                  attendue.isEmpty())
            << erreurs.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(projet + "/journal.txt"));
}

// Réglages abîmés, projet relatif, affichage injoignable : le programme des fenêtres refait le même
// démarrage, du même dossier, et dit l'erreur des réglages sans les toucher.
TEST_F(Programme, ReglagesEndommages) {
    const QString reglages = racine.filePath("config/quillon/Paramètres.xml");
    const QByteArray abime = "<Paramètres><Silence>";
    OutilsTests::ecrireFichier(reglages, abime);
    const QFileInfo infoProjet(projet);
    QByteArray sortie, erreurs;
    const int code = OutilsTests::executer("sh",
                                           {"-c", "cd \"$1\" && exec \"$2\" \"nettoyer>$3>X\"", "sh",
                                            infoProjet.absolutePath(), quillon, infoProjet.fileName()},
                                           &sortie, &erreurs, SansAffichage + QStringList{"DISPLAY=:1234"});
    EXPECT_EQ(code, 1) << erreurs.toStdString();
    EXPECT_TRUE(QString::fromUtf8(erreurs).contains("contient certainement une erreur"))
        << erreurs.toStdString();
    EXPECT_FALSE(erreurs.contains("est invalide."));
    EXPECT_EQ(lireFichier(reglages), abime);
}
