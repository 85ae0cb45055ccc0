// Une installation en lecture seule, à un autre utilisateur : chaque action y tourne, rien n'y
// change d'un octet et les réglages vont dans le dossier de l'utilisateur. Par défaut, une
// installation faite ici par « cmake --install » ; QUILLON_ESSAI_INSTALLE désigne à la place le
// programme d'une installation existante (celle du paquet : /usr/bin/quillon).
#include "assistant/project/fenetres/FeuilleAssistante.h"
#include "common/Messages.h"
#include "makefile/fenetres/FenConfiguration.h"
#include "noyau/Installation.h"
#include "noyau/OuvrirDocument.h"
#include "outils/ActionEnFenetre.h"
#include "outils/EssaiConfiguration.h"
#include "outils/OutilsFenetres.h"
#include "outils/Releve.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QScopeGuard>
#include <QTabWidget>
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

    // Les cibles make, par le programme installé.
    const QString chantier = racine.filePath("chantier");
    preparerProjetJournal(chantier);
    QString attendu;
    for (const auto& [mot, cibles] :
         {std::pair{"nettoyer", "clean\n"}, {"programmer", "program\n"}, {"reconstruire", "clean\nall\n"}}) {
        QByteArray erreurs;
        EXPECT_EQ(executer(quillon, {QString(mot) + ">" + chantier + ">X"}, nullptr, &erreurs, SansAffichage),
                  0)
            << mot << " : " << erreurs.toStdString();
        attendu += cibles;
        EXPECT_TRUE(attendre([&] { return texte(chantier + "/journal.txt") == attendu; }))
            << mot << " : " << texte(chantier + "/journal.txt").toStdString();
    }
    EXPECT_TRUE(lireFichier(réglages) == lireFichier(lieux.données + "/Paramètres.xml"))
        << "réglages de l'utilisateur absents, ou pas copiés de l'installation : " << réglages.toStdString();

    // « configurer » sans makefile : ATMega16 choisi, OK. Le makefile va au projet, en texte brut,
    // sans copie d'un makefile qui n'existait pas.
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
    const QByteArray écrit = essai.makefileÉcrit();
    EXPECT_FALSE(écrit.contains("{\\rtf") || écrit.contains('\r'));
    EXPECT_TRUE(écrit.contains("\nTARGET = Clignotant\n") && écrit.contains("\nMCU = atmega16\n"));
    EXPECT_FALSE(QFileInfo::exists(essai.makefile() + ".bak"));
    // Le bouton d'aide ouvre l'aide installée, où qu'elle soit rangée.
    EXPECT_TRUE(QFileInfo(Ouverture::cheminAide()).isFile()) << Ouverture::cheminAide().toStdString();

    // « assistante » : un profil sauvé puis supprimé, dans les réglages de l'utilisateur.
    messages.réponses = {RéponseMessage::Oui};
    bool sauvé = false;
    EXPECT_EQ(OutilsFenetres::actionEnFenêtre<FeuilleAssistante>(
                  "assistante" + ligne, bin,
                  [&](FeuilleAssistante& f) {
                      OutilsFenetres::enfant<QTabWidget>(&f, "SSTab1")->setCurrentIndex(3);
                      QTest::mouseClick(OutilsFenetres::enfant(&f, "CBSauverProfil"), Qt::LeftButton);
                      OutilsFenetres::taper(OutilsFenetres::enfant<QLineEdit>(&f, "RTBSaisie"),
                                            "Profil d'essai");
                      sauvé = texte(réglages).contains("Profil d'essai");
                      QTest::mouseClick(OutilsFenetres::enfant(&f, "CBSupprimerProfil"), Qt::LeftButton);
                      auto* liste = OutilsFenetres::enfant<QListWidget>(&f, "RLBProfil");
                      if (liste && liste->count() == 1)
                          QTest::mouseClick(liste->viewport(), Qt::LeftButton, {},
                                            liste->visualItemRect(liste->item(0)).center());
                      f.close();
                  }),
              CodeSortie::Succès);
    EXPECT_TRUE(sauvé) << texte(réglages).toStdString();
    EXPECT_FALSE(texte(réglages).contains("Profil d'essai"));
    EXPECT_TRUE(messages.réponses.empty()) << "suppression jamais confirmée";

    // « avrstudio » par le programme installé : le projet AVR Studio va au projet.
    const QString simulateur = ecrireScript(racine.filePath("outils/simulateur.sh"), "exit 0");
    QByteArray erreurs;
    EXPECT_EQ(executer(quillon, {"avrstudio" + ligne + ">" + simulateur}, nullptr, &erreurs, SansAffichage),
              0)
        << erreurs.toStdString();
    EXPECT_TRUE(QFileInfo::exists(essai.projet() + "/Clignotant_elf.aps"));

    // Ce qui a changé, apparu ou disparu dans l'installation.
    const auto après = relevé();
    QStringList changés;
    for (const auto& [chemin, valeur] : avant)
        if (!après.count(chemin) || après.at(chemin) != valeur) changés << chemin;
    for (const auto& [chemin, valeur] : après)
        if (!avant.count(chemin)) changés << chemin;
    EXPECT_TRUE(changés.isEmpty()) << "l'installation a changé : " << changés.join(", ").toStdString();
}
