// Une installation en lecture seule, à un autre utilisateur : chaque action y tourne, rien n'y
// change d'un octet et les réglages vont dans le dossier de l'utilisateur. Par défaut, une
// installation faite ici par « cmake --install » ; QUILLON_ESSAI_INSTALLE désigne à la place le
// programme d'une installation existante (celle du paquet : /usr/bin/quillon).
#include "common/Messages.h"
#include "makefile/fenetres/FenConfiguration.h"
#include "noyau/Installation.h"
#include "noyau/OuvrirDocument.h"
#include "outils/ActionEnFenetre.h"
#include "outils/EssaiConfiguration.h"
#include "outils/OutilsFenetres.h"
#include "outils/Releve.h"

#include <QComboBox>
#include <QScopeGuard>
#include <QTest>
#include <gtest/gtest.h>
#include <map>
#include <unistd.h>

using namespace OutilsTests;

namespace {

QString texte(const QString& chemin) {
    return QString::fromUtf8(lireFichier(chemin));
}

} // namespace

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
    // Chaque entrée installée : ses droits et son contenu (ou sa cible).
    const auto relevé = [&] {
        std::map<QString, QByteArray> r;
        for (const QString& c : installés)
            for (const auto& [nom, valeur] : relever(c, true))
                r[c + u'/' + nom] = valeur;
        return r;
    };
    const auto avant = relevé();

    // Les réglages à l'endroit par défaut d'un utilisateur neuf.
    VariableEnvironnement maison("HOME", QFile::encodeName(racine.filePath("maison")));
    VariableEnvironnement sansXdg("XDG_CONFIG_HOME", std::nullopt);
    const QString réglages = racine.filePath("maison/.config/quillon/Paramètres.xml");

    // Une ligne par le programme installé, sans affichage : réussie, ou sa sortie d'erreur.
    const auto lancer = [&](const QString& ligne) {
        QByteArray erreurs;
        if (executer(quillon, {ligne}, nullptr, &erreurs, SansAffichage) == 0)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << ligne.toStdString() << " : " << erreurs.toStdString();
    };
    // Une cible make (les autres, sur une installation : vues par TestsProgramme).
    const QString chantier = racine.filePath("chantier");
    preparerProjetJournal(chantier);
    EXPECT_TRUE(lancer("reconstruire>" + chantier + ">X"));
    EXPECT_EQ(texte(chantier + "/journal.txt"), "clean\nall\n");
    EXPECT_TRUE(lireFichier(réglages) == lireFichier(lieux.données + "/Paramètres.xml"))
        << "réglages de l'utilisateur absents, ou pas copiés de l'installation : " << réglages.toStdString();

    // « configurer » sans makefile, par les fenêtres installées : ATMega16 choisi, OK ; le makefile va
    // au projet (son contenu : vu par la configuration de bout en bout), sans copie.
    EssaiConfiguration essai;
    EnregistreurMessages messages;
    ecrireFichier(essai.projet() + "/Clignotant.c", "int main(void) { return 0; }\n");
    const QString ligne = ">" + essai.projet() + ">Clignotant";
    EXPECT_EQ(OutilsFenetres::actionEnFenêtre<FenConfiguration>(
                  "configurer" + ligne, bin,
                  [](FenConfiguration& f) {
                      auto* mcu = OutilsFenetres::enfant<QComboBox>(&f, "ComboBoxChip");
                      OutilsFenetres::choisir(mcu, mcu->findText("ATMega16"));
                      QTest::mouseClick(OutilsFenetres::enfant(&f, "CommandButtonOK"), Qt::LeftButton);
                  }),
              CodeSortie::Succès);
    EXPECT_TRUE(aucunMessage(messages));
    EXPECT_TRUE(essai.makefileÉcrit().contains("\nMCU = atmega16\n"));
    EXPECT_FALSE(QFileInfo::exists(essai.makefile() + ".bak"));
    // Le bouton d'aide ouvre l'aide installée, où qu'elle soit rangée.
    EXPECT_TRUE(QFileInfo(Ouverture::cheminAide()).isFile()) << Ouverture::cheminAide().toStdString();

    // « avrstudio » par le programme installé : le projet AVR Studio va au projet.
    const QString simulateur = ecrireScript(racine.filePath("outils/simulateur.sh"), "exit 0");
    EXPECT_TRUE(lancer("avrstudio" + ligne + ">" + simulateur));
    EXPECT_TRUE(QFileInfo::exists(essai.projet() + "/Clignotant_elf.aps"));

    // Ce qui a changé, apparu ou disparu dans l'installation.
    EXPECT_EQ(differences(avant, relevé()), QStringList());
}
