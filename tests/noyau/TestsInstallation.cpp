// Les trois dispositions d'installation et le fichier des réglages de l'utilisateur, sur de vrais
// dossiers.
#include "noyau/Installation.h"
#include "outils/OutilsTests.h"
#include "outils/SansPrivileges.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <optional>
#include <tuple>

using OutilsTests::ecrireFichier;
using OutilsTests::lireFichier;
using OutilsTests::VariableEnvironnement;

// Chaque disposition, vue du programme léger comme du programme des fenêtres ; des données à côté
// du programme l'emportent sur un préfixe, et rien nulle part laisse le dossier du programme.
TEST(Installation, TroisDispositionsEtRepli) {
    QTemporaryDir d;
    const QString r = d.path();
    // Des données : un Configuration.xml.
    for (const char* dossier : {"/usr/share/quillon", "/construit/bin"})
        ecrireFichier(r + dossier + "/Configuration.xml", "<Configuration/>");
    const QString préfixe = r + "/usr";
    const Installation::Emplacements habituel{préfixe + "/share/quillon", préfixe + "/share/doc/quillon",
                                              préfixe + "/lib/quillon/quillon-fenetres"};
    const auto côteÀCôte = [](const QString& p) {
        return Installation::Emplacements{p, p + "/Aide", p + "/quillon-fenetres"};
    };
    const std::vector<std::pair<QString, Installation::Emplacements>> cas = {
        // Le programme léger d'un préfixe (bin) : vu par l'installation en lecture seule.
        {préfixe + "/lib/quillon/", habituel},
        // Un arbre de construction rangé dans un dossier « bin » garde ses données à côté.
        {r + "/construit/bin", côteÀCôte(r + "/construit/bin")},
        {r + "/vide/bin", côteÀCôte(r + "/vide/bin")},
    };
    for (const auto& [programme, attendu] : cas) {
        const Installation::Emplacements e = Installation::depuis(programme);
        EXPECT_EQ(std::tie(e.données, e.aide, e.programmeFenêtres),
                  std::tie(attendu.données, attendu.aide, attendu.programmeFenêtres))
            << programme.toStdString();
    }
}

// XDG_CONFIG_HOME d'abord, s'il est absolu ; sinon ~/.config. Le seul HOME, et sans dossier
// personnel la raison : vus par l'installation en lecture seule et par Principal.
TEST(Installation, FichierDesReglagesDApresLEnvironnement) {
    using Valeur = std::optional<QByteArray>;
    const std::vector<std::tuple<Valeur, Valeur, QString>> cas = {
        {"/x/config", "/home/moi", "/x/config/quillon/Paramètres.xml"},
        {"relatif", "/home/moi", "/home/moi/.config/quillon/Paramètres.xml"},
    };
    for (const auto& [xdg, maison, attendu] : cas) {
        VariableEnvironnement v1("XDG_CONFIG_HOME", xdg), v2("HOME", maison);
        QString erreur;
        EXPECT_EQ(Installation::fichierRéglages(&erreur), attendu) << xdg.value_or("-").toStdString();
        EXPECT_EQ(erreur.contains("HOME"), attendu.isEmpty()) << erreur.toStdString();
    }
}

// Créé une fois depuis l'installation, à défaut depuis la copie intacte ; un dossier personnel fermé
// donne la raison et rien n'est écrit.
TEST(Installation, ReglagesCreesUneFoisDepuisLInstallation) {
    QTemporaryDir d;
    const QString données = d.filePath("données"),
                  fichier = d.filePath("maison/.config/quillon/Paramètres.xml");
    // Rien à copier : le dossier seul, pour que la première écriture réussisse.
    QDir().mkpath(données);
    ASSERT_TRUE(Installation::préparerRéglages(fichier, données));
    EXPECT_TRUE(QFileInfo(fichier).absoluteDir().exists());
    EXPECT_FALSE(QFileInfo::exists(fichier));

    ecrireFichier(données + "/Paramètres initial.xml", "<Paramètres/>");
    ASSERT_TRUE(Installation::préparerRéglages(fichier, données));
    EXPECT_EQ(lireFichier(fichier), "<Paramètres/>");

    // Paramètres.xml avant la copie intacte (les deux livrés sont égaux : rien d'autre ne le voit).
    QFile::remove(fichier);
    ecrireFichier(données + "/Paramètres.xml", "<Paramètres><Silence>1</Silence></Paramètres>");
    ASSERT_TRUE(Installation::préparerRéglages(fichier, données));
    EXPECT_EQ(lireFichier(fichier), "<Paramètres><Silence>1</Silence></Paramètres>");

    const QString fermé = d.filePath("fermé");
    QDir().mkpath(fermé);
    QFile::setPermissions(fermé, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    QFile::setPermissions(d.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeGroup |
                                        QFile::ExeOther);
    QString erreur;
    {
        SansPrivileges p;
        EXPECT_FALSE(
            Installation::préparerRéglages(fermé + "/.config/quillon/Paramètres.xml", données, &erreur));
    }
    EXPECT_TRUE(erreur.contains("ne peut pas être créé : permission refusée")) << erreur.toStdString();
    EXPECT_FALSE(QFileInfo::exists(fermé + "/.config"));
}
