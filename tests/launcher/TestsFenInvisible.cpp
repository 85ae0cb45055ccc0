// AVR Studio et ISIS lancés dans le processus, les services du système remplacés.
#include "common/Messages.h"
#include "launcher/FenInvisible.h"
#include "launcher/LancementOutils.h"
#include "launcher/Principal.h"
#include "makefile/ParametreMakefile.h"
#include "noyau/EtatGlobal.h"
#include "outils/LireXml.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using OutilsTests::ecrireFichier;
using OutilsTests::lireFichier;

namespace {

// Dossier et nom chargés de caractères spéciaux du XML ; les services notent ce qu'ils feraient.
struct Outils : ::testing::Test {
    QTemporaryDir racine;
    QString projet = racine.filePath("R&D <essai> \"l'été\"");
    QString installation = racine.filePath("installation");
    QString simulateur = racine.filePath("Mes outils/simulateur à blancs.sh");
    EnregistreurMessages messages;
    std::vector<std::pair<QStringList, QString>> démarrées; // arguments, dossier
    QStringList activées;
    bool activationRéussie = true;
    Fenetres::Recherche fenêtreTrouvée;
    int choix = 0;

    void SetUp() override {
        etatGlobal().réinitialiser();
        valeursMakefile().réinitialiser();
        QDir().mkpath(projet);
        for (const char* nom : {"NomFichier_elf.aps.rtf", "makefile.rtf"})
            ecrireFichier(installation + "/Modèle/" + nom,
                          lireFichier(OutilsTests::dossierSources() + "/data/Modèle/" + nom));
        OutilsTests::ecrireScript(simulateur, "exit 0");
        EtatGlobal& e = etatGlobal();
        e.RépertoireDeTravail = projet;
        e.NomDeFichier = "B&P-LED";
        e.DossierInstallation = installation;
        e.ParamètreAdditionnel = simulateur + " -v";
    }

    int lancer(const QString& commande) {
        etatGlobal().Commande = commande;
        ServicesOutils s;
        s.chercherFenêtre = [this](const QString&) { return fenêtreTrouvée; };
        s.activerFenêtre = [this](const QString& t) {
            activées << t;
            return activationRéussie;
        };
        s.démarrer = [this](const Processus::Commande& c, const QString& dossier, QString*) {
            EXPECT_EQ(c.programme, simulateur);
            démarrées.push_back({c.arguments, dossier});
            return true;
        };
        s.choisirSchéma = [this](const QString&) {
            ++choix;
            return true;
        };
        return LancerOutil(s);
    }

    QString fichierProjet() const { return projet + "/B&P-LED_elf.aps"; }
    void makefile(const QByteArray& contenu) { ecrireFichier(projet + "/makefile", contenu); }
};

} // namespace

// Chemins échappés, au séparateur de la plateforme ; aucun repère du modèle ne reste.
TEST_F(Outils, ProjetAVRStudioEcritDepuisLeModele) {
    makefile("MCU = atmega16\r\nAVRStudioExclusif = 1\r\n");
    ASSERT_EQ(lancer("AVRStudio"), CodeSortie::Succès);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_FALSE(
        QString::fromUtf8(lireFichier(fichierProjet())).contains(QRegularExpression("ZZ[A-Za-z]+ZZ")));
    const std::pair<const char*, QString> champs[] = {
        {"//CODE_CREATION/ObjectFile", QDir::toNativeSeparators(projet + "/b&p-led.elf")},
        {"//AVRGCCPLUGIN/CONFIGS/CONFIG/EXTERNALMAKEFILE", QDir::toNativeSeparators(projet + "/makefile")}};
    for (const auto& [chemin, attendu] : champs)
        EXPECT_EQ(OutilsTests::texteXml(fichierProjet(), chemin), attendu) << chemin;
}

// AVRStudioExclusif décide de l'argument (au-delà de 16 bits : levé ; 0,4 : 0) ; clés absentes : vides,
// sans message ; sans makefile, la configuration par défaut ; commande finie par un blanc : rien de vide.
TEST_F(Outils, AVRStudioExclusifEtValeursAbsentes) {
    etatGlobal().ParamètreAdditionnel = simulateur + u' ';
    const struct {
        const char* makefile;
        bool argument;
        const char* partie;
    } cas[] = {{"MCU = atmega8\nAVRStudioExclusif = 99999\n", true, "atmega8"},
               {"MCU = atmega8\nAVRStudioExclusif = 0.4\n", false, "atmega8"},
               {"all:\n\techo rien\n", false, ""},
               {nullptr, false, "atmega8"}};
    for (const auto& c : cas) {
        SCOPED_TRACE(c.makefile ? c.makefile : "sans makefile");
        if (c.makefile)
            makefile(c.makefile);
        else
            QFile::remove(projet + "/makefile");
        démarrées.clear();
        ASSERT_EQ(lancer("avrstudio"), CodeSortie::Succès);
        EXPECT_EQ(OutilsTests::texteXml(fichierProjet(), "//DEBUG_TARGET/CURRENT_PART"), c.partie);
        EXPECT_EQ(démarrées,
                  (decltype(démarrées){{c.argument ? QStringList{fichierProjet()} : QStringList{}, projet}}));
    }
    EXPECT_TRUE(messages.messages.empty());
}

// Simulateur introuvable, modèle absent : un message qui le nomme, avant tout effet (rien d'écrit,
// aucun choix de schéma montré, rien de lancé).
TEST_F(Outils, ÉchecsDitsAvantToutEffet) {
    makefile("MCU = atmega8\r\nAVRStudioExclusif = 1\r\n");
    ecrireFichier(projet + "/a.DSN", "x");
    ecrireFichier(projet + "/b.DSN", "x");
    const auto échoue = [&](const char* action, const QString& manque) {
        messages.messages.clear();
        EXPECT_EQ(lancer(action), CodeSortie::Erreur);
        ASSERT_EQ(messages.messages.size(), 1u) << action;
        EXPECT_TRUE(messages.messages[0].texte.contains(manque)) << action;
    };
    etatGlobal().ParamètreAdditionnel = QStringLiteral("/nulle/part/AVRStudio.exe");
    for (const char* action : {"avrstudio", "isis"})
        échoue(action, "/nulle/part/AVRStudio.exe");
    etatGlobal().ParamètreAdditionnel = simulateur;
    QFile::remove(projet + "/makefile");
    for (const char* modèle : {"NomFichier_elf.aps.rtf", "makefile.rtf"}) {
        QFile::remove(installation + "/Modèle/" + modèle);
        échoue("avrstudio", modèle);
    }
    EXPECT_FALSE(QFileInfo::exists(fichierProjet()));
    EXPECT_EQ(choix, 0);
    EXPECT_TRUE(démarrées.empty());
}

// Fenêtre disparue entre la recherche et l'activation : l'outil est lancé.
TEST_F(Outils, ActivationManquéeLanceLOutil) {
    makefile("MCU = atmega8\nAVRStudioExclusif = 1\n");
    fenêtreTrouvée = {true, "avrstudio - b&p-led_elf.aps", Fenetres::Moyen::X11};
    activationRéussie = false;
    ASSERT_EQ(lancer("avrstudio"), CodeSortie::Succès);
    EXPECT_EQ(std::pair(activées.size(), démarrées.size()), std::pair(qsizetype(1), size_t(1)));
}
