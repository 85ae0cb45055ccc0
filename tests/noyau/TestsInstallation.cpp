// Les dispositions d'installation et le fichier des réglages de l'utilisateur, sur de vrais dossiers.
#include "noyau/Installation.h"
#include "outils/OutilsTests.h"
#include "outils/SansPrivileges.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <tuple>

using OutilsTests::ecrireFichier;
using OutilsTests::lireFichier;
using OutilsTests::VariableEnvironnement;

// Données à côté du programme avant un préfixe ; sans données nulle part, le dossier du programme.
TEST(Installation, TroisDispositionsEtRepli) {
    QTemporaryDir d;
    const QString r = d.path();
    for (const char* dossier : {"/usr/share/quillon", "/construit/bin"})
        ecrireFichier(r + dossier + "/Configuration.xml", "<Configuration/>");
    const auto côteÀCôte = [](const QString& p) {
        return Installation::Emplacements{p, p + "/Aide", p + "/quillon-fenetres"};
    };
    // Le programme des fenêtres d'un préfixe (celui de bin/ : vu par l'installation en lecture seule).
    const std::vector<std::pair<QString, Installation::Emplacements>> cas = {
        {r + "/usr/lib/quillon/",
         {r + "/usr/share/quillon", r + "/usr/share/doc/quillon", r + "/usr/lib/quillon/quillon-fenetres"}},
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

// Un XDG_CONFIG_HOME relatif est ignoré (l'absolu, le seul HOME et aucun : vus au lancement).
TEST(Installation, FichierDesReglagesDApresLEnvironnement) {
    VariableEnvironnement v1("XDG_CONFIG_HOME", QByteArray("relatif")), v2("HOME", QByteArray("/home/moi"));
    EXPECT_EQ(Installation::fichierRéglages(), "/home/moi/.config/quillon/Paramètres.xml");
}

// Créé une fois, depuis Paramètres.xml, à défaut la copie intacte ; dossier personnel fermé : la raison.
TEST(Installation, ReglagesCreesUneFoisDepuisLInstallation) {
    QTemporaryDir d;
    const QString données = d.filePath("données"),
                  fichier = d.filePath("maison/.config/quillon/Paramètres.xml");
    QDir().mkpath(données); // rien à copier : le dossier seul, pour la première écriture
    ASSERT_TRUE(Installation::préparerRéglages(fichier, données));
    EXPECT_TRUE(QFileInfo(fichier).absoluteDir().exists());
    EXPECT_FALSE(QFileInfo::exists(fichier));

    ecrireFichier(données + "/Paramètres initial.xml", "<Paramètres/>");
    ASSERT_TRUE(Installation::préparerRéglages(fichier, données));
    EXPECT_EQ(lireFichier(fichier), "<Paramètres/>");

    QFile::remove(fichier);
    ecrireFichier(données + "/Paramètres.xml", "<Paramètres><Silence>1</Silence></Paramètres>");
    ASSERT_TRUE(Installation::préparerRéglages(fichier, données));
    EXPECT_EQ(lireFichier(fichier), "<Paramètres><Silence>1</Silence></Paramètres>");

    const QString fermé = d.filePath("fermé");
    QDir().mkpath(fermé);
    QFile::setPermissions(fermé, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    QFile::setPermissions(d.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeGroup |
                                        QFile::ExeOther);
    SansPrivileges p; // jusqu'à la fin
    QString erreur;
    EXPECT_FALSE(Installation::préparerRéglages(fermé + "/.config/quillon/Paramètres.xml", données, &erreur));
    EXPECT_TRUE(erreur.contains("ne peut pas être créé : permission refusée")) << erreur.toStdString();
    EXPECT_FALSE(QFileInfo::exists(fermé + "/.config"));
}
