// Installation en lecture seule, à un autre utilisateur : rien n'y change, les réglages vont chez
// l'utilisateur. QUILLON_ESSAI_INSTALLE désigne une installation existante (/usr/bin/quillon).
#include "common/Messages.h"
#include "makefile/fenetres/FenConfiguration.h"
#include "noyau/Installation.h"
#include "noyau/OuvrirDocument.h"
#include "outils/ActionEnFenetre.h"
#include "outils/EssaiConfiguration.h"
#include "outils/OutilsFenetres.h"
#include "outils/Releve.h"

#include <QScopeGuard>
#include <QTest>
#include <gtest/gtest.h>
#include <map>
#include <unistd.h>

using namespace OutilsTests;

TEST(InstallationLectureSeule, ChaqueActionLaisseLInstallationIntacte) {
    EXIGER_OUTILS("make");
    QTemporaryDir racine;
    QString quillon = qEnvironmentVariable("QUILLON_ESSAI_INSTALLE");
    const QString préfixe = racine.filePath("usr");
    if (quillon.isEmpty()) {
        ASSERT_TRUE(installer(préfixe));
        quillon = préfixe + "/bin/quillon";
        // À un autre utilisateur quand c'est possible, et sans droit d'écriture pour personne.
        if (geteuid() == 0) {
            ASSERT_EQ(executer("chown", {"-R", "65534:65534", préfixe}), 0);
        }
        ASSERT_EQ(executer("chmod", {"-R", "a-w", préfixe}), 0);
    }
    const auto rendreEffaçable = qScopeGuard([&] { executer("chmod", {"-R", "u+w", préfixe}); });
    const QString bin = QFileInfo(quillon).absolutePath();
    const Installation::Emplacements lieux = Installation::depuis(bin);
    ASSERT_TRUE(QFileInfo(lieux.données + "/Configuration.xml").isFile()) << lieux.données.toStdString();
    ASSERT_TRUE(QFileInfo(lieux.programmeFenêtres).isExecutable()) << lieux.programmeFenêtres.toStdString();
    const QStringList installés = {quillon, QFileInfo(lieux.programmeFenêtres).absolutePath(), lieux.données,
                                   lieux.aide};
    const auto relevé = [&] {
        std::map<QString, QByteArray> r;
        for (const QString& c : installés)
            for (const auto& [nom, valeur] : relever(c, true))
                r[c + u'/' + nom] = valeur;
        return r;
    };
    const auto avant = relevé();

    VariableEnvironnement maison("HOME", QFile::encodeName(racine.filePath("maison")));
    VariableEnvironnement sansXdg("XDG_CONFIG_HOME", std::nullopt);
    const QString réglages = racine.filePath("maison/.config/quillon/Paramètres.xml");

    QByteArray erreurs;
    const QString chantier = racine.filePath("chantier");
    preparerProjetJournal(chantier);
    EXPECT_EQ(executer(quillon, {"reconstruire>" + chantier + ">X"}, nullptr, &erreurs, SansAffichage), 0)
        << erreurs.toStdString();
    EXPECT_EQ(lireFichier(chantier + "/journal.txt"), "clean\nall\n");
    EXPECT_TRUE(lireFichier(réglages) == lireFichier(lieux.données + "/Paramètres.xml"))
        << "réglages de l'utilisateur absents, ou pas copiés de l'installation : " << réglages.toStdString();

    // « configurer » sans makefile, par les fenêtres installées : le makefile va au projet, sans copie.
    EssaiConfiguration essai;
    EnregistreurMessages messages;
    ecrireFichier(essai.projet() + "/Clignotant.c", "int main(void) { return 0; }\n");
    const QString ligne = ">" + essai.projet() + ">Clignotant";
    const auto ok = [](FenConfiguration& f) {
        QTest::mouseClick(OutilsFenetres::enfant(&f, "CommandButtonOK"), Qt::LeftButton);
    };
    EXPECT_EQ(OutilsFenetres::actionEnFenêtre<FenConfiguration>("configurer" + ligne, bin, ok),
              CodeSortie::Succès);
    EXPECT_TRUE(aucunMessage(messages));
    EXPECT_TRUE(essai.makefileÉcrit().contains("\nMCU = ")) << essai.makefileÉcrit().toStdString();
    EXPECT_FALSE(QFileInfo::exists(essai.makefile() + ".bak"));
    // L'aide installée, où qu'elle soit rangée.
    EXPECT_TRUE(QFileInfo(Ouverture::cheminAide()).isFile()) << Ouverture::cheminAide().toStdString();

    const QString simulateur = ecrireScript(racine.filePath("outils/simulateur.sh"), "exit 0");
    EXPECT_EQ(executer(quillon, {"avrstudio" + ligne + ">" + simulateur}, nullptr, &erreurs, SansAffichage),
              0)
        << erreurs.toStdString();
    EXPECT_TRUE(QFileInfo::exists(essai.projet() + "/Clignotant_elf.aps"));
    EXPECT_EQ(differences(avant, relevé()), QStringList());
}
