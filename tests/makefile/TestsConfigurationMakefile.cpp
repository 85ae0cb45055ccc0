// La configuration du makefile sans fenêtre : chargement, lecture, écritures, marques, messages.
#include "common/Messages.h"
#include "makefile/ConfigurationMakefile.h"
#include "makefile/ParametreMakefile.h"
#include "makefile/PreferencesInterface.h"
#include "outils/EssaiConfiguration.h"

#include <QDir>
#include <gtest/gtest.h>
#include <stdexcept>
#include <tuple>

using namespace OutilsTests;

namespace {

// Ce que le chargement demande à la fenêtre, retenu.
class FenêtreRetenue final : public FenêtreEnChargement {
public:
    void définirSonFusibles(const QString&) override {}
    void définirImageAssistante(const QString&) override {
        if (imageIllisible) throw std::runtime_error("image");
    }
    void replier() override {}
    void remplirListes(const ListesConfiguration& l) override { listes = l; }
    void montrerPréférences(bool b, bool) override { bulles = b; }
    void demanderAssistante() override {}

    bool imageIllisible = false, bulles = false;
    ListesConfiguration listes;
};

QString valeur(const DocumentRiche& d, const QString& clé) {
    return ValeurParamètre(d, clé).value_or(QStringLiteral("<absente>"));
}
// La clé en gras rouge, ou sa valeur (après « = » et l'espace) en gras bleu, à leur premier caractère.
bool marquée(const DocumentRiche& d, const QString& clé, const CouleurRVB& couleur) {
    const auto début = d.chercher(clé, 0, DocumentRiche::MotEntier | DocumentRiche::RespecterCasse);
    const FormatCaractere f = d.formatEn(début + (couleur == CouleurClé ? 0 : clé.size() + 1));
    return f.gras && f.couleur == couleur;
}
const auto rouge = [](const DocumentRiche& d, const QString& clé) { return marquée(d, clé, CouleurClé); };
const auto bleu = [](const DocumentRiche& d, const QString& clé) {
    return marquée(d, clé, CouleurValeurChangée);
};
using Réglages = std::vector<std::pair<QString, std::optional<QString>>>;

class Configuration_ : public ::testing::Test {
protected:
    EssaiConfiguration essai;
    EnregistreurMessages messages;
    FenêtreRetenue fenêtre;
    ConfigurationMakefile c;
    const DocumentRiche& m = c.RTBMakefile;

    std::vector<int> charger() { return c.charger(fenêtre); }
    bool relire(const Réglages& r) {
        essai.écrireMakefile(EssaiConfiguration::makefileAvec(r));
        return c.LectureDuMakefile(essai.makefile());
    }
};

} // namespace

// Sans makefile : la configuration par défaut (lue sans message et compilée de bout en bout), clés
// gérées en rouge sans valeur bleue ; sous Linux elle programme sans retouche (USBasp sur « usb »).
TEST_F(Configuration_, ChargementSansMakefile) {
    EXPECT_TRUE(charger().empty());
    EXPECT_EQ(std::tuple(fenêtre.listes.programmateurs.value(c.contrôles.programmateur.indice),
                         c.contrôles.port.texte, fenêtre.listes.ports.contains("usb")),
              std::tuple("USBasp", "usb", true));
    for (const char* clé : {"MCU =", "F_CPU =", "AVRDUDE_PORT =", "AffichageMemoire =", "TARGET ="})
        EXPECT_TRUE(rouge(m, clé) && !bleu(m, clé)) << clé;
    EXPECT_FALSE(rouge(m, "BAUD =")); // jamais écrite ici
}

// Les valeurs d'un makefile du projet sont réécrites telles quelles (DEBUG en minuscules), celles
// qu'aucune table ne connaît comprises.
TEST_F(Configuration_, ChargementDUnMakefileDuProjet) {
    essai.écrireMakefile(EssaiConfiguration::makefileAvec({{"DEBUG =", "STABS"}, {"DIRAVR =", "/opt/avr"}}));
    EXPECT_TRUE(charger().empty());
    EXPECT_EQ(
        std::tuple(messages.messages.size(), valeur(m, "DEBUG ="), valeur(m, "DIRAVR ="), bleu(m, "MCU =")),
        std::tuple(0u, "stabs", "/opt/avr", false));

    ASSERT_TRUE(relire({{"OPT =", "g"}}));
    EXPECT_EQ(std::tuple(c.contrôles.optimisation, valeur(m, "OPT =")), std::tuple(ChampListe{-1, "g"}, "g"));
    // À la lecture, Dwarf-2 l'emporte sur un CompilCoff impossible ; avec Stabs il est gardé.
    ASSERT_TRUE(relire({{"DEBUG =", "dwarf-2"}, {"CompilCoff =", "coff"}}));
    EXPECT_EQ(std::tuple(valeur(m, "CompilCoff ="), c.contrôles.coff, c.contrôles.coffActif),
              std::tuple(QString(), -1, false));
    c.choisirCoff(0); // grisée : sans effet
    EXPECT_EQ(valeur(m, "CompilCoff ="), "");
    ASSERT_TRUE(relire({{"DEBUG =", "stabs"}, {"CompilCoff =", "COFF"}}));
    EXPECT_EQ(valeur(m, "CompilCoff ="), "coff");
}

// Clés absentes : le message une fois par clé (EXTRAINCDIRS est relue à la fin), et la valeur par
// défaut plutôt qu'un vide qui changerait de microcontrôleur.
TEST_F(Configuration_, ClésAbsentes) {
    const std::optional<QString> absente;
    essai.écrireMakefile(EssaiConfiguration::makefileAvec(
        {{"MCU =", absente}, {"F_CPU =", absente}, {"EXTRAINCDIRS =", absente}, {"AVRDUDE_PORT =", "com3"}}));
    charger();
    QStringList attendus;
    for (const char* clé : {"MCU =", "F_CPU =", "EXTRAINCDIRS =", "EXTRAINCDIRS ="})
        attendus << MessageParamètreManquantLecture(clé);
    EXPECT_EQ(textes(messages), attendus);
    EXPECT_EQ(std::tuple(valeur(m, "MCU ="), valeur(m, "F_CPU ="), valeur(m, "AVRDUDE_PORT =")),
              std::tuple("atmega8", "8000000", "com3"));
    // Le composant par défaut reste dit absent jusqu'à un choix.
    EXPECT_TRUE(valeursMakefile().MicroContrôleurAbsent);
    c.microContrôleurQuitté();
    EXPECT_FALSE(valeursMakefile().MicroContrôleurAbsent);
}

// Un texte vide ou hors table réécrit la valeur précédente, une case inchangée n'écrit rien.
TEST_F(Configuration_, GestionnairesAuxBords) {
    charger();
    c.contrôles.programmateur = {6, "Fendel STK200"};
    c.programmateurQuitté();
    c.contrôles.programmateur = {-1, ""};
    c.programmateurQuitté();
    c.contrôles.optimisation = {1, "Optimiser la vitesse méthode 1"};
    c.optimisationQuittée();
    c.contrôles.optimisation = {-1, "n'importe quoi"};
    c.optimisationQuittée();
    c.changerOccupationMémoire(true);
    EXPECT_EQ(std::tuple(valeur(m, "AVRDUDE_PROGRAMMER ="), valeur(m, "OPT ="), bleu(m, "AffichageMemoire ="),
                         messages.messages.size()),
              std::tuple("Fendel-stk200", "1", false, 0u));

    // La fréquence : un entier en hertz, rien d'autre ; un refus laisse F_CPU et l'étiquette.
    for (const char* refusée : {"8,5", "", "0", "99999999999"}) {
        c.contrôles.fréquence = {-1, refusée};
        EXPECT_FALSE(c.fréquenceQuittée()) << refusée;
    }
    EXPECT_EQ(std::tuple(messages.messages.size(), valeur(m, "F_CPU ="), c.contrôles.texteFréquence),
              std::tuple(4u, "8000000", "Hz = 8 MHz"));
    EXPECT_EQ(Configuration::texteMégahertz("7372800"), "Hz = 7,3728 MHz");
    // Les suffixes d'entier du C sont lus, et F_CPU gardé tel quel ; un autre reste refusé.
    for (const auto& [f, lu] : {std::pair{"8000000ull # quartz", true},
                                {"8000000LU", true},
                                {"8000000UUL", false},
                                {"8000000 UL", false}})
        EXPECT_EQ(Configuration::texteMégahertz(f).has_value(), lu) << f;
    ASSERT_TRUE(relire({{"F_CPU =", "8000000UL"}}));
    EXPECT_EQ(valeursMakefile().FréquenceCPU, "8000000UL");
}

// Un « makefile » illisible : OK demande avant de le remplacer, non ne touche à rien.
TEST_F(Configuration_, MakefileIllisibleRemplacéSeulementAvecAccord) {
    EssaiConfiguration autre;
    QDir().mkpath(autre.makefile()); // un dossier à la place du fichier
    ConfigurationMakefile d;
    d.charger(fenêtre);
    EXPECT_FALSE(messages.messages.empty());
    messages.messages.clear();
    messages.réponses = {RéponseMessage::Non};
    EXPECT_FALSE(d.enregistrer());
    EXPECT_EQ(std::tuple(messages.messages.size(), QFileInfo(autre.makefile()).isDir()),
              std::tuple(1u, true));
}

// Un projet au seul « Makefile » : lu, réécrit sur place avec sa copie « Makefile.bak », sans créer
// de « makefile » qui le masquerait.
TEST_F(Configuration_, UnMakefileEnMajusculeEstCeluiQuOnLitEtRéécrit) {
    const QString makefile = essai.projet() + "/Makefile";
    const QByteArray original = EssaiConfiguration::makefileAvec({{"MCU =", "atmega644p"}, {"OPT =", "2"}});
    ecrireFichier(makefile, original);
    EXPECT_TRUE(charger().empty());
    EXPECT_EQ(std::tuple(messages.messages.size(), valeur(m, "MCU =")), std::tuple(0u, "atmega644p"));
    c.contrôles.optimisation = {1, "Optimiser la vitesse méthode 1"};
    c.optimisationQuittée();
    ASSERT_TRUE(c.enregistrer());

    EXPECT_EQ(lireFichier(makefile + ".bak"), original);
    EXPECT_FALSE(QFileInfo::exists(essai.makefile()));
    const QByteArray écrit = lireFichier(makefile);
    EXPECT_TRUE(écrit.contains("\nMCU = atmega644p\n") && écrit.contains("\nOPT = 1\n"))
        << écrit.toStdString();
}

// Une étape qui échoue est sautée et le chargement continue ; une configuration par défaut
// illisible est dite, et le makefile du projet sert alors de base. Les préférences sont montrées.
TEST_F(Configuration_, ÉtapesSautéesEtPréférences) {
    ASSERT_TRUE(EcrirePréférenceInterface("PlusDeBulles", "1"));
    fenêtre.imageIllisible = true;
    EXPECT_EQ(charger(), std::vector<int>{3});
    EXPECT_EQ(std::tuple(valeur(m, "TARGET ="), fenêtre.bulles), std::tuple("Clignotant", true));

    essai.écrireMakefile(EssaiConfiguration::makefileAvec({{"MCU =", "atmega16"}}));
    QFile::remove(essai.configurationParDéfaut());
    ConfigurationMakefile autre;
    fenêtre.imageIllisible = false;
    messages.messages.clear();
    EXPECT_EQ(autre.charger(fenêtre), std::vector<int>{5});
    EXPECT_EQ(std::tuple(messages.messages.empty(), valeur(autre.RTBMakefile, "MCU ="),
                         valeur(autre.RTBMakefile, "TARGET =")),
              std::tuple(false, "atmega16", "Clignotant"));
}

// Les deux questions sur la configuration par défaut, et ce que fait chaque réponse.
TEST_F(Configuration_, ConfigurationParDéfaut) {
    charger();
    c.contrôles.microContrôleur = {22, "ATMega16"};
    c.microContrôleurQuitté();
    messages.réponses = {RéponseMessage::Non};
    EXPECT_FALSE(c.rechargerConfigurationParDéfaut());
    EXPECT_EQ(valeur(m, "MCU ="), "atmega16");
    messages.réponses = {RéponseMessage::Oui};
    EXPECT_TRUE(c.rechargerConfigurationParDéfaut());
    EXPECT_EQ(std::tuple(valeur(m, "MCU ="), c.contrôles.microContrôleur.texte),
              std::tuple("atmega8", "ATMega8"));

    // Enregistrée à côté des réglages de l'utilisateur, jamais dans l'installation ; relue ensuite.
    etatGlobal().FichierParamètres = essai.temporaire() + "/Réglages/Paramètres.xml";
    const QString perso = essai.temporaire() + "/Réglages/Modèle/makefile.rtf";
    const QByteArray avant = lireFichier(essai.configurationParDéfaut());
    messages.réponses = {RéponseMessage::Non};
    EXPECT_FALSE(c.sauverCommeConfigurationParDéfaut());
    EXPECT_FALSE(QFileInfo::exists(perso));
    messages.réponses = {RéponseMessage::Oui};
    EXPECT_TRUE(c.sauverCommeConfigurationParDéfaut());
    EXPECT_EQ(lireFichier(essai.configurationParDéfaut()), avant);
    DocumentRiche relu;
    ASSERT_TRUE(relu.charger(perso));
    EXPECT_EQ(std::tuple(valeur(relu, "TARGET ="), rouge(relu, "MCU ="),
                         Configuration::cheminConfigurationParDéfaut(), messages.messages.size()),
              std::tuple("Clignotant", true, perso, 4u));
}

// Ports série du système : triés par nom puis numéro, sans ceux qui n'ont pas de circuit (type 0).
TEST(ConfigurationSansFenêtre, PortsSérie) {
    QTemporaryDir dev, sys;
    for (const char* n : {"ttyUSB10", "ttyUSB2", "ttyS0", "ttyS1", "ttyS2", "ttyACM0", "tty1", "sda"})
        ecrireFichier(dev.filePath(n), "");
    ecrireFichier(sys.filePath("ttyS0/type"), "4\n");
    ecrireFichier(sys.filePath("ttyS1/type"), "0\n");
    QStringList attendus;
    for (const char* n : {"ttyUSB2", "ttyUSB10", "ttyACM0", "ttyS0", "ttyS2"})
        attendus << dev.filePath(n);
    EXPECT_EQ(Configuration::portsSérieDuSystème(dev.path(), sys.path()), attendus);
}
