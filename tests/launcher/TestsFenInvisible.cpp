#include "common/Messages.h"
#include "launcher/FenInvisible.h"
#include "launcher/LancementOutils.h"
#include "launcher/Principal.h"
#include "makefile/ParametreMakefile.h"
#include "noyau/EtatGlobal.h"
#include "outils/OutilsTests.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <pugixml.hpp>

using OutilsTests::ecrireFichier;
using OutilsTests::lireFichier;

namespace {

// Un projet, une installation avec les deux modèles, un faux simulateur exécutable dans un dossier
// à blancs, et des services qui notent ce qui serait démarré ou activé.
struct Outils : ::testing::Test {
    QTemporaryDir racine;
    QString projet = racine.filePath("Mon projet é");
    QString installation = racine.filePath("installation");
    QString simulateur = racine.filePath("Mes outils/simulateur à blancs.sh");
    EnregistreurMessages messages;

    std::vector<std::pair<Processus::Commande, QString>> démarrées;
    QStringList activées;
    bool activationRéussie = true;
    Fenetres::Recherche fenêtreTrouvée;
    QStringList recherches;
    int choix = 0;
    std::function<bool(const QString&)> choixSchéma;

    void SetUp() override {
        etatGlobal().réinitialiser();
        valeursMakefile().réinitialiser();
        QDir().mkpath(projet);
        QDir().mkpath(installation + "/Modèle");
        QDir().mkpath(QFileInfo(simulateur).absolutePath());
        for (const char* nom : {"NomFichier_elf.aps.rtf", "makefile.rtf"})
            ASSERT_TRUE(QFile::copy(OutilsTests::dossierSources() + "/data/Modèle/" + nom,
                                    installation + "/Modèle/" + nom));
        ecrireFichier(simulateur, "#!/bin/sh\nexit 0\n");
        QFile::setPermissions(simulateur, QFile::permissions(simulateur) | QFile::ExeOwner);

        EtatGlobal& e = etatGlobal();
        e.RépertoireDeTravail = projet;
        e.NomDeFichier = "BP-LED";
        e.DossierInstallation = installation;
        e.ParamètreAdditionnel = simulateur + " -v";
    }

    ServicesOutils services() {
        ServicesOutils s;
        s.chercherFenêtre = [this](const QString& t) {
            recherches << t;
            return fenêtreTrouvée;
        };
        s.activerFenêtre = [this](const QString& t) {
            activées << t;
            return activationRéussie;
        };
        s.démarrer = [this](const Processus::Commande& c, const QString& dossier, QString*) {
            démarrées.push_back({c, dossier});
            return true;
        };
        s.choisirSchéma = [this](const QString& dossier) {
            ++choix;
            return choixSchéma ? choixSchéma(dossier) : true;
        };
        return s;
    }

    int lancer(const QString& commande) {
        etatGlobal().Commande = commande;
        return LancerOutil(services());
    }

    QString fichierProjet() const { return projet + "/BP-LED_elf.aps"; }
    void makefile(const QByteArray& contenu) { ecrireFichier(projet + "/makefile", contenu); }
    void schéma(const QString& nom) { ecrireFichier(projet + u'/' + nom, "schéma"); }
};

QString texteDe(const pugi::xml_document& d, const char* chemin) {
    return QString::fromUtf8(d.select_node(chemin).node().text().get());
}

} // namespace

TEST_F(Outils, ProjetAVRStudioEcritDepuisLeModeleEtLanceAvecSonChemin) {
    makefile("XMCU = at90s1200\r\nMCU = atmega16\r\nAVRStudioExclusif = 1\r\n");
    ASSERT_EQ(lancer("AVRStudio"), CodeSortie::Succès);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(recherches, QStringList{"AVRStudio"});

    // Le nom en minuscules dans le fichier, la casse de la ligne de commande dans son nom.
    ASSERT_TRUE(QFileInfo::exists(fichierProjet()));
    const QByteArray octets = lireFichier(fichierProjet());
    EXPECT_FALSE(octets.contains("ZZ"));
    EXPECT_FALSE(octets.contains("\\par"));
    pugi::xml_document d;
    ASSERT_TRUE(d.load_buffer(octets.constData(), octets.size()));
    EXPECT_EQ(texteDe(d, "/AVRStudio/MANAGEMENT/ProjectName"), "bp-led_elf");
    // Un seul style de séparateur dans chaque chemin, celui de la plateforme.
    EXPECT_EQ(texteDe(d, "//CODE_CREATION/ObjectFile"), QDir::toNativeSeparators(projet + "/bp-led.elf"));
    EXPECT_EQ(texteDe(d, "//CODE_CREATION/SaveFolder"), QDir::toNativeSeparators(projet + "/"));
    EXPECT_EQ(texteDe(d, "//AVRGCCPLUGIN/CONFIGS/CONFIG/EXTERNALMAKEFILE"),
              QDir::toNativeSeparators(projet + "/makefile"));
    EXPECT_EQ(texteDe(d, "//DEBUG_TARGET/CURRENT_PART"), "atmega16");
    EXPECT_EQ(texteDe(d, "//AVRGCCPLUGIN/CONFIGS/CONFIG/PART"), "atmega16");
    EXPECT_EQ(valeursMakefile().MicroContrôleur, "atmega16");

    // Le chemin du projet est un seul argument malgré ses blancs.
    EXPECT_EQ(etatGlobal().ArgumentSimulateur, fichierProjet());
    ASSERT_EQ(démarrées.size(), 1u);
    EXPECT_EQ(démarrées[0].first.programme, simulateur);
    EXPECT_EQ(démarrées[0].first.arguments, (QStringList{"-v", fichierProjet()}));
    EXPECT_EQ(démarrées[0].second, projet);
}

TEST_F(Outils, AVRStudioNonExclusifOuSansCléFichierEcritSansArgument) {
    makefile("MCU = atmega8\nAVRStudioExclusif = 0\n");
    ecrireFichier(fichierProjet(), "ancien contenu");
    etatGlobal().ParamètreAdditionnel = simulateur + u' ';
    ASSERT_EQ(lancer("avrstudio"), CodeSortie::Succès);
    const QByteArray octets = lireFichier(fichierProjet());
    EXPECT_TRUE(octets.contains("<CURRENT_PART>atmega8</CURRENT_PART>"));
    EXPECT_FALSE(octets.contains("ancien"));
    EXPECT_EQ(etatGlobal().ArgumentSimulateur, QString());
    ASSERT_EQ(démarrées.size(), 1u);
    // La commande finit par un blanc : aucun argument vide n'est passé.
    EXPECT_TRUE(démarrées[0].first.arguments.isEmpty());

    // Un drapeau au-delà des entiers 16 bits reste levé ; des clés absentes donnent des valeurs
    // vides, sans message ; 0,4 s'arrondit à 0.
    makefile("MCU = atmega8\nAVRStudioExclusif = 99999\n");
    ASSERT_EQ(lancer("avrstudio"), CodeSortie::Succès);
    EXPECT_EQ(etatGlobal().ArgumentSimulateur, fichierProjet());
    makefile("all:\n\techo rien\n");
    ASSERT_EQ(lancer("avrstudio"), CodeSortie::Succès);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_TRUE(lireFichier(fichierProjet()).contains("<CURRENT_PART></CURRENT_PART>"));
    EXPECT_EQ(etatGlobal().ArgumentSimulateur, QString());
    makefile("MCU = atmega8\nAVRStudioExclusif = 0.4\n");
    ASSERT_EQ(lancer("avrstudio"), CodeSortie::Succès);
    EXPECT_EQ(etatGlobal().ArgumentSimulateur, QString());

    // Sans makefile, la configuration par défaut donne ses valeurs.
    QFile::remove(projet + "/makefile");
    ASSERT_EQ(lancer("avrstudio"), CodeSortie::Succès);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_TRUE(lireFichier(fichierProjet()).contains("<CURRENT_PART>atmega8</CURRENT_PART>"));
}

// Une commande de simulateur vide ou introuvable est dite avant tout : aucun projet AVR Studio
// écrit, aucun choix de schéma montré.
TEST_F(Outils, CommandeDuSimulateurVérifiéeAvantToutEffet) {
    makefile("MCU = atmega8\r\nAVRStudioExclusif = 1\r\n");
    schéma("a.DSN");
    schéma("b.DSN");
    for (const QString& commande : {QString(), QStringLiteral("/nulle/part/AVRStudio.exe")}) {
        for (const char* action : {"avrstudio", "isis"}) {
            messages.messages.clear();
            etatGlobal().ParamètreAdditionnel = commande;
            EXPECT_EQ(lancer(action), CodeSortie::Erreur);
            ASSERT_EQ(messages.messages.size(), 1u) << action;
            EXPECT_EQ(messages.messages[0].icône, IconeMessage::Critique);
        }
    }
    EXPECT_FALSE(QFileInfo::exists(fichierProjet()));
    EXPECT_EQ(choix, 0);
    EXPECT_TRUE(démarrées.empty());
}

TEST_F(Outils, ModelesManquantsMessageClairEtRienNestLance) {
    makefile("MCU = atmega8\nAVRStudioExclusif = 1\n");
    QFile::remove(installation + "/Modèle/NomFichier_elf.aps.rtf");
    EXPECT_EQ(lancer("avrstudio"), CodeSortie::Erreur);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].icône, IconeMessage::Critique);
    EXPECT_TRUE(messages.messages[0].texte.startsWith("Le modèle de projet AVR Studio est introuvable"));
    EXPECT_TRUE(messages.messages[0].texte.contains("NomFichier_elf.aps.rtf"));
    EXPECT_TRUE(démarrées.empty());
    EXPECT_FALSE(QFileInfo::exists(fichierProjet()));

    // Sans makefile ni configuration par défaut, de même.
    QFile::remove(projet + "/makefile");
    QFile::remove(installation + "/Modèle/makefile.rtf");
    messages.messages.clear();
    EXPECT_EQ(lancer("avrstudio"), CodeSortie::Erreur);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(messages.messages[0].texte.contains("makefile.rtf"));
    EXPECT_TRUE(démarrées.empty());
}

TEST_F(Outils, DossierAvecCaracteresSpeciauxDuXMLResteBienForme) {
    projet = racine.filePath("R&D <essai> \"l'été\"");
    QDir().mkpath(projet);
    etatGlobal().RépertoireDeTravail = projet;
    etatGlobal().NomDeFichier = "A&B";
    ecrireFichier(projet + "/makefile", "MCU = atmega8\nAVRStudioExclusif = 1\n");
    ASSERT_EQ(lancer("avrstudio"), CodeSortie::Succès);
    const QByteArray octets = lireFichier(projet + "/A&B_elf.aps");
    pugi::xml_document d;
    ASSERT_TRUE(d.load_buffer(octets.constData(), octets.size()));
    EXPECT_EQ(texteDe(d, "//CODE_CREATION/SaveFolder"), QDir::toNativeSeparators(projet + "/"));
    EXPECT_EQ(texteDe(d, "/AVRStudio/MANAGEMENT/ProjectName"), "a&b_elf");
}

TEST_F(Outils, AVRStudioDejaLanceActiveAuLieuDeRelancer) {
    makefile("MCU = atmega8\nAVRStudioExclusif = 1\n");
    fenêtreTrouvée = {true, "avrstudio - bp-led_elf.aps", Fenetres::Moyen::X11};
    ASSERT_EQ(lancer("avrstudio"), CodeSortie::Succès);
    EXPECT_EQ(activées, QStringList{"avrstudio - bp-led_elf.aps"});
    EXPECT_TRUE(démarrées.empty());
    // Le projet est écrit même quand l'outil tourne.
    EXPECT_TRUE(QFileInfo::exists(fichierProjet()));
    EXPECT_TRUE(etatGlobal().AppliDéjàLancée);

    // Fenêtre disparue entre la recherche et l'activation : l'outil est lancé.
    activationRéussie = false;
    ASSERT_EQ(lancer("avrstudio"), CodeSortie::Succès);
    ASSERT_EQ(démarrées.size(), 1u);
    EXPECT_EQ(démarrées[0].first.arguments.last(), fichierProjet());
}

TEST_F(Outils, RemplacerTexteToutesLesOccurrencesCasseRespecteeEnUnPassage) {
    FenInvisible f;
    f.RichTextBox1.définirTexte("ZZNomZZ/zznomzz/ZZNomZZ\r\nfin ZZNomZZ");
    f.RemplacerTexte("ZZNomZZ", "bp-led");
    EXPECT_EQ(f.RichTextBox1.texte(), "bp-led/zznomzz/bp-led\r\nfin bp-led");
    // Une valeur qui contient le repère ne fait pas boucler.
    f.RichTextBox1.définirTexte("a ZZXZZ b ZZXZZ");
    f.RemplacerTexte("ZZXZZ", "<ZZXZZ>");
    EXPECT_EQ(f.RichTextBox1.texte(), "a <ZZXZZ> b <ZZXZZ>");
    f.RemplacerTexte("ZZXZZ", QString());
    EXPECT_EQ(f.RichTextBox1.texte(), "a <> b <>");
}

TEST_F(Outils, IsisSansSchemaUnSchemaPlusieursSchemas) {
    // Aucun schéma : ISIS seul.
    ASSERT_EQ(lancer("isis"), CodeSortie::Succès);
    EXPECT_EQ(recherches, QStringList{"ISIS"});
    EXPECT_TRUE(etatGlobal().LancerIsis);
    EXPECT_EQ(etatGlobal().ArgumentSimulateur, QString());
    ASSERT_EQ(démarrées.size(), 1u);
    EXPECT_EQ(démarrées[0].first.arguments, QStringList{"-v"});
    EXPECT_EQ(démarrées[0].second, projet);

    // Un schéma (extension en minuscules comprise) : son nom entre guillemets, un seul argument.
    schéma("Mon schéma l'essai.dsn");
    démarrées.clear();
    ASSERT_EQ(lancer("ISIS"), CodeSortie::Succès);
    EXPECT_EQ(etatGlobal().ArgumentSimulateur, " \"Mon schéma l'essai.dsn\"");
    ASSERT_EQ(démarrées.size(), 1u);
    EXPECT_EQ(démarrées[0].first.arguments, (QStringList{"-v", "Mon schéma l'essai.dsn"}));
    EXPECT_EQ(choix, 0);

    // Plusieurs : la fenêtre de choix, qui règle l'argument.
    schéma("Autre.DSN");
    démarrées.clear();
    choixSchéma = [](const QString&) {
        etatGlobal().ArgumentSimulateur = " \"Autre.DSN\"";
        return true;
    };
    ASSERT_EQ(lancer("isis"), CodeSortie::Succès);
    EXPECT_EQ(choix, 1);
    ASSERT_EQ(démarrées.size(), 1u);
    EXPECT_EQ(démarrées[0].first.arguments, (QStringList{"-v", "Autre.DSN"}));

    // La fenêtre de choix ne peut pas s'afficher : un message, rien n'est lancé.
    démarrées.clear();
    choixSchéma = [](const QString&) { return false; };
    EXPECT_EQ(lancer("isis"), CodeSortie::Erreur);
    EXPECT_TRUE(démarrées.empty());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(messages.messages[0].texte.contains("plusieurs schémas"));
}
