// La configuration du makefile sans fenêtre : ordre du chargement, lecture d'un makefile dans les
// contrôles, écritures et marques de chaque contrôle, messages.
#include "common/Messages.h"
#include "makefile/ConfigurationMakefile.h"
#include "makefile/ParametreMakefile.h"
#include "makefile/PreferencesInterface.h"
#include "makefile/TablesMakefile.h"
#include "outils/EssaiConfiguration.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <stdexcept>
#include <tuple>
#include <unistd.h>

using namespace OutilsTests;

namespace {

// Ce que le chargement demande à la fenêtre, retenu.
class FenêtreRetenue final : public FenêtreEnChargement {
public:
    void définirSonFusibles(const QString& c) override { son = c; }
    void définirImageAssistante(const QString& c) override {
        if (imageIllisible) throw std::runtime_error("image");
        image = c;
    }
    void replier() override { ++replis; }
    void remplirListes(const ListesConfiguration& l) override { listes = l; }
    void montrerPréférences(bool b, bool s) override {
        bulles = b;
        silence = s;
    }
    void demanderAssistante() override { assistante = true; }

    bool imageIllisible = false;
    QString son, image;
    int replis = 0;
    ListesConfiguration listes;
    bool bulles = false, silence = false, assistante = false;
};

QString valeur(const DocumentRiche& d, const QString& clé) {
    return ValeurParamètre(d, clé).value_or(QStringLiteral("<absente>"));
}

// Format du premier caractère de la clé, et de la valeur (après « = » et l'espace).
FormatCaractere formatClé(const DocumentRiche& d, const QString& clé) {
    return d.formatEn(d.chercher(clé, 0, DocumentRiche::MotEntier | DocumentRiche::RespecterCasse));
}
FormatCaractere formatValeur(const DocumentRiche& d, const QString& clé) {
    return d.formatEn(d.chercher(clé, 0, DocumentRiche::MotEntier | DocumentRiche::RespecterCasse) +
                      clé.size() + 1);
}
bool bleu(const FormatCaractere& f) {
    return f.gras && f.couleur == CouleurValeurChangée;
}
bool rouge(const FormatCaractere& f) {
    return f.gras && f.couleur == CouleurClé;
}

class Configuration_ : public ::testing::Test {
protected:
    EssaiConfiguration essai;
    EnregistreurMessages messages;
    FenêtreRetenue fenêtre;
    ConfigurationMakefile c;

    std::vector<int> charger() { return c.charger(fenêtre); }
};

} // namespace

// Sans makefile dans le projet : les contrôles montrent la configuration par défaut, chaque clé
// gérée est marquée en rouge sans valeur bleue, la cible prend le nom du projet, les étapes de la
// fenêtre reçoivent les chemins de l'apparence et les listes dans l'ordre des tables.
TEST_F(Configuration_, ChargementSansMakefile) {
    EXPECT_TRUE(charger().empty());
    EXPECT_TRUE(messages.messages.empty()) << messages.messages.front().texte.toStdString();
    const EtatContrôles& e = c.contrôles;
    EXPECT_EQ(e.microContrôleur, (ChampListe{21, "ATMega8"}));
    EXPECT_EQ(e.texteFréquence, "Hz = 8 MHz");
    // Sous Linux, la configuration livrée programme sans retouche : USBasp sur « usb ».
    EXPECT_EQ(e.programmateur.texte, "USBasp");
    EXPECT_EQ(fenêtre.listes.programmateurs.value(e.programmateur.indice), "USBasp");
    EXPECT_EQ(e.port.texte, "usb");
    EXPECT_TRUE(fenêtre.listes.ports.contains("usb"));
    EXPECT_FALSE(e.coffActif);

    const DocumentRiche& m = c.RTBMakefile;
    EXPECT_EQ(valeur(m, "TARGET ="), "Clignotant");
    EXPECT_EQ(valeur(m, "AVRDUDE_FLAGS ="), "-p m8 -P $(AVRDUDE_PORT) -c $(AVRDUDE_PROGRAMMER)");
    for (const char* clé : {"MCU =", "F_CPU =", "AVRDUDE_PORT =", "AffichageMemoire =", "TARGET ="}) {
        EXPECT_TRUE(rouge(formatClé(m, clé))) << clé;
        EXPECT_FALSE(bleu(formatValeur(m, clé))) << clé;
    }
    EXPECT_FALSE(rouge(formatClé(m, "BAUD ="))); // jamais écrite ici
    EXPECT_TRUE(etatMarquage().MarquageActif);
    EXPECT_EQ(valeursMakefile().MicroContrôleur, "atmega8");
    EXPECT_TRUE(descriptionAVR().FusibleHautPrésent);

    EXPECT_EQ(fenêtre.son, essai.installation() + "/Skin/Plume/ClickFuseBit.wav");
    EXPECT_EQ(fenêtre.replis, 1);
    EXPECT_FALSE(fenêtre.assistante);
}

// Un makefile du projet : ses valeurs passent dans les contrôles et dans le makefile modifiable,
// y compris celles qu'aucune table ne connaît, qui restent telles que lues.
TEST_F(Configuration_, ChargementDUnMakefileDuProjet) {
    const std::vector<std::pair<QString, std::optional<QString>>> réglages = {
        {"MCU =", "atmega16"},
        {"F_CPU =", "16000000"},
        {"OPT =", "2"},
        {"FORMAT =", "srec"},
        {"DEBUG =", "STABS"},
        {"CompilCoff =", "extcoff"},
        {"AffichageMemoire =", ""},
        {"EXTRAINCDIRS =", "c:/avr/inc ../commun"},
        {"DIRAVR =", "/opt/avr"},
        {"AVRDUDE_PROGRAMMER =", "usbasp"},
        {"AVRDUDE_PORT =", "/dev/ttyUSB0"}};
    essai.écrireMakefile(EssaiConfiguration::makefileAvec(réglages));
    EXPECT_TRUE(charger().empty());
    EXPECT_TRUE(messages.messages.empty());
    const EtatContrôles& e = c.contrôles;
    EXPECT_EQ(e.microContrôleur, (ChampListe{22, "ATMega16"}));
    EXPECT_EQ(e.optimisation, (ChampListe{2, "Optimiser la vitesse méthode 2"}));
    EXPECT_EQ(e.port.texte, "/dev/ttyUSB0");
    EXPECT_EQ(std::tuple(e.formatSortie, e.déboggage, e.coff, e.coffActif, e.occupationMémoire),
              std::tuple(2, 0, 1, true, false));

    // Chaque contrôle réécrit sa valeur : la même, sauf DEBUG mis en minuscules.
    const DocumentRiche& m = c.RTBMakefile;
    for (const auto& [clé, v] : réglages)
        EXPECT_EQ(valeur(m, clé), clé == "DEBUG =" ? "stabs" : *v) << clé.toStdString();
    EXPECT_EQ(valeursMakefile().Programmateur, "usbasp");
    EXPECT_FALSE(bleu(formatValeur(m, "MCU =")));

    // Hors des tables : une optimisation -Og et un format inconnu restent tels quels.
    essai.écrireMakefile(EssaiConfiguration::makefileAvec({{"OPT =", "g"}, {"FORMAT =", "elf32-avr"}}));
    ASSERT_TRUE(c.LectureDuMakefile(essai.makefile()));
    EXPECT_EQ(c.contrôles.optimisation, (ChampListe{-1, "g"}));
    EXPECT_EQ(valeur(m, "OPT ="), "g");
    EXPECT_EQ(valeur(m, "FORMAT ="), "elf32-avr");

    // Un port hors de la table suivi d'un commentaire : avrdude ne reçoit que le port.
    const QString portCommenté = "/dev/ttyUSB0    # programmateur sur le port série";
    essai.écrireMakefile(EssaiConfiguration::makefileAvec({{"AVRDUDE_PORT =", portCommenté}}));
    ASSERT_TRUE(c.LectureDuMakefile(essai.makefile()));
    EXPECT_EQ(valeursMakefile().PortProgrammateur, "/dev/ttyUSB0");
    EXPECT_EQ(valeur(m, "AVRDUDE_PORT ="), portCommenté);
}

// Clés absentes : le message du lecteur une fois par clé (deux pour EXTRAINCDIRS, relue à la
// fin du chargement), et la valeur de la configuration par défaut plutôt qu'un vide qui
// changerait de microcontrôleur ou casserait la compilation.
TEST_F(Configuration_, ClésAbsentes) {
    essai.écrireMakefile(EssaiConfiguration::makefileAvec({{"MCU =", std::nullopt},
                                                           {"F_CPU =", std::nullopt},
                                                           {"FORMAT =", std::nullopt},
                                                           {"EXTRAINCDIRS =", std::nullopt},
                                                           {"AVRDUDE_PORT =", "com3"}}));
    charger();
    QStringList textes, attendus;
    for (const Message& x : messages.messages)
        textes << x.texte;
    for (const char* clé : {"MCU =", "F_CPU =", "FORMAT =", "EXTRAINCDIRS =", "EXTRAINCDIRS ="})
        attendus << MessageParamètreManquantLecture(clé);
    EXPECT_EQ(textes, attendus);
    const DocumentRiche& m = c.RTBMakefile;
    EXPECT_EQ(valeur(m, "MCU ="), "atmega8");
    EXPECT_EQ(valeur(m, "F_CPU ="), "8000000");
    EXPECT_EQ(valeur(m, "AVRDUDE_PORT ="), "com3");
}

// Chaque gestionnaire écrit sa valeur, en gras bleu après le chargement, et met à jour la valeur
// courante que lisent les autres fenêtres.
TEST_F(Configuration_, GestionnairesÉcriventEtMarquent) {
    charger();
    DocumentRiche& m = c.RTBMakefile;
    c.contrôles.microContrôleur = {22, "ATMega16"};
    c.microContrôleurQuitté();
    EXPECT_EQ(valeur(m, "MCU ="), "atmega16");
    EXPECT_EQ(valeur(m, "AVRDUDE_FLAGS ="), "-p m16 -P $(AVRDUDE_PORT) -c $(AVRDUDE_PROGRAMMER)");
    EXPECT_TRUE(bleu(formatValeur(m, "AVRDUDE_FLAGS =")));
    EXPECT_EQ(valeursMakefile().PartieAvrdude, "m16");
    EXPECT_FALSE(bleu(formatValeur(m, "AVRDUDE_PORT =")));
    c.contrôles.port = {1, "com2"};
    c.portQuitté();
    EXPECT_EQ(valeursMakefile().PortProgrammateur, "com2");

    c.contrôles.programmateur = {6, "Fendel STK200"};
    c.programmateurQuitté();
    EXPECT_EQ(valeur(m, "AVRDUDE_PROGRAMMER ="), "Fendel-stk200");
    // Un texte vide réécrit l'identifiant précédent.
    c.contrôles.programmateur = {-1, ""};
    c.programmateurQuitté();
    EXPECT_EQ(valeur(m, "AVRDUDE_PROGRAMMER ="), "Fendel-stk200");

    c.contrôles.optimisation = {1, "Optimiser la vitesse méthode 1"};
    c.optimisationQuittée();
    EXPECT_EQ(valeur(m, "OPT ="), "1");
    c.contrôles.optimisation = {-1, "n'importe quoi"};
    c.optimisationQuittée();
    EXPECT_EQ(valeur(m, "OPT ="), "1");

    // Une case qui ne change pas n'écrit rien : la valeur garde sa couleur d'origine.
    c.changerOccupationMémoire(true);
    EXPECT_FALSE(bleu(formatValeur(m, "AffichageMemoire =")));
    c.changerOccupationMémoire(false);
    EXPECT_EQ(valeur(m, "AffichageMemoire ="), "");
    c.changerOccupationMémoire(true);
    EXPECT_EQ(valeur(m, "AffichageMemoire ="), "OccupationMemoire");

    c.changerOutils(QDir::toNativeSeparators("/opt/avr 8"));
    EXPECT_EQ(valeur(m, "DIRAVR ="), "/opt/avr 8");
    EXPECT_TRUE(messages.messages.empty());
}

// À la lecture, Dwarf-2 l'emporte sur un CompilCoff qui ne peut pas se faire ; avec Stabs, la
// valeur lue est gardée.
TEST_F(Configuration_, DéboggageEtCoffÀLaLecture) {
    charger();
    DocumentRiche& m = c.RTBMakefile;
    essai.écrireMakefile(
        EssaiConfiguration::makefileAvec({{"DEBUG =", "dwarf-2"}, {"CompilCoff =", "coff"}}));
    ASSERT_TRUE(c.LectureDuMakefile(essai.makefile()));
    EXPECT_EQ(valeur(m, "CompilCoff ="), "");
    EXPECT_EQ(c.contrôles.coff, -1);
    EXPECT_FALSE(c.contrôles.coffActif);
    c.choisirCoff(0); // grisée : sans effet
    EXPECT_EQ(valeur(m, "CompilCoff ="), "");
    essai.écrireMakefile(EssaiConfiguration::makefileAvec({{"DEBUG =", "stabs"}, {"CompilCoff =", "COFF"}}));
    ASSERT_TRUE(c.LectureDuMakefile(essai.makefile()));
    EXPECT_EQ(valeur(m, "CompilCoff ="), "coff");
    EXPECT_EQ(c.contrôles.coff, 0);
}

// La fréquence : un entier en hertz, rien d'autre ; un refus laisse F_CPU et l'étiquette.
TEST_F(Configuration_, Fréquence) {
    charger();
    DocumentRiche& m = c.RTBMakefile;
    c.contrôles.fréquence = {-1, "16000000"};
    EXPECT_TRUE(c.fréquenceQuittée());
    EXPECT_EQ(valeursMakefile().FréquenceCPU, "16000000");

    for (const char* refusée : {"16 MHz", "8,5", "1E6", "", "0", "-8000000", "99999999999"}) {
        messages.messages.clear();
        c.contrôles.fréquence = {-1, refusée};
        EXPECT_FALSE(c.fréquenceQuittée()) << refusée;
        EXPECT_EQ(messages.messages.size(), 1u) << refusée;
    }
    EXPECT_EQ(valeur(m, "F_CPU ="), "16000000");
    EXPECT_EQ(c.contrôles.texteFréquence, "Hz = 16 MHz");
    EXPECT_EQ(valeursMakefile().FréquenceCPU, "16000000");

    EXPECT_EQ(Configuration::texteMégahertz("7372800"), "Hz = 7,3728 MHz");
    EXPECT_EQ(Configuration::texteMégahertz(" 1000000 # quartz "), "Hz = 1 MHz");
}

// OK : texte brut, cible comprise ; un échec dit pourquoi et ne perd rien.
TEST_F(Configuration_, EnregistrementEtÉchec) {
    charger();
    ASSERT_TRUE(c.enregistrer());
    const QByteArray écrit = essai.makefileÉcrit();
    EXPECT_FALSE(écrit.startsWith("{\\rtf"));
    EXPECT_TRUE(écrit.contains("\nTARGET = Clignotant\n"));

    // Un dossier où rien ne peut s'écrire : message critique, faux.
    etatGlobal().RépertoireDeTravail = geteuid() == 0 ? QStringLiteral("/proc/self/fdinfo") : essai.projet();
    if (geteuid() != 0) QFile::setPermissions(essai.projet(), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_FALSE(c.enregistrer());
    if (geteuid() != 0)
        QFile::setPermissions(essai.projet(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(essai.makefileÉcrit(), écrit);
}

// Un « makefile » qu'on ne peut pas lire : un message, les valeurs par défaut, et OK demande
// avant de le remplacer ; non ne touche à rien.
TEST_F(Configuration_, MakefileIllisible) {
    QDir().mkpath(essai.makefile()); // un dossier à la place du fichier
    charger();
    EXPECT_FALSE(messages.messages.empty());
    EXPECT_TRUE(c.makefileProjetIllisible());
    EXPECT_EQ(c.contrôles.microContrôleur.texte, "ATMega8");
    messages.messages.clear();
    messages.réponses = {RéponseMessage::Non};
    EXPECT_FALSE(c.enregistrer());
    EXPECT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(QFileInfo(essai.makefile()).isDir());
}

// Fins de ligne CR seules et page de code Windows : les valeurs se lisent quand même.
TEST_F(Configuration_, MakefileCrEtWindows1252) {
    QByteArray contenu =
        EssaiConfiguration::makefileAvec({{"MCU =", "atmega32"}, {"DIRAVR =", "c:/Programmes/Modèle"}});
    contenu.replace('\n', '\r');
    contenu = QString::fromUtf8(contenu).toLatin1();
    essai.écrireMakefile(contenu);
    charger();
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(valeur(c.RTBMakefile, "MCU ="), "atmega32");
    EXPECT_EQ(valeur(c.RTBMakefile, "DIRAVR ="), "c:/Programmes/Modèle");
}

// Une étape qui échoue est sautée et le chargement continue ; une configuration par défaut
// illisible est dite, et le makefile du projet sert alors de base.
TEST_F(Configuration_, ÉtapesSautées) {
    fenêtre.imageIllisible = true;
    EXPECT_EQ(charger(), std::vector<int>{3});
    EXPECT_EQ(valeur(c.RTBMakefile, "TARGET ="), "Clignotant");

    essai.écrireMakefile(EssaiConfiguration::makefileAvec({{"MCU =", "atmega16"}}));
    QFile::remove(essai.configurationParDéfaut());
    ConfigurationMakefile autre;
    FenêtreRetenue f;
    messages.messages.clear();
    const std::vector<int> sautées = autre.charger(f);
    EXPECT_EQ(sautées, std::vector<int>{5});
    EXPECT_FALSE(messages.messages.empty());
    EXPECT_EQ(valeur(autre.RTBMakefile, "MCU ="), "atmega16");
    EXPECT_EQ(valeur(autre.RTBMakefile, "TARGET ="), "Clignotant");
}

// Préférences et commande « assistante ».
TEST_F(Configuration_, PréférencesEtAssistante) {
    ASSERT_TRUE(EcrirePréférenceInterface("PlusDeBulles", "1"));
    ASSERT_TRUE(EcrirePréférenceInterface("OngletDeDémarrage", "3"));
    etatGlobal().AppelantAssistante = "Ligne de commande";
    charger();
    EXPECT_TRUE(fenêtre.bulles);
    EXPECT_FALSE(fenêtre.silence);
    EXPECT_TRUE(fenêtre.assistante);
    EXPECT_EQ(préférencesInterface().OngletDeDémarrage, 3);
    EXPECT_FALSE(préférencesInterface().bullesPermises());
}

// Les deux questions sur la configuration par défaut, et ce que fait chaque réponse.
TEST_F(Configuration_, ConfigurationParDéfaut) {
    charger();
    DocumentRiche& m = c.RTBMakefile;
    c.contrôles.microContrôleur = {22, "ATMega16"};
    c.microContrôleurQuitté();
    messages.réponses = {RéponseMessage::Non};
    EXPECT_FALSE(c.rechargerConfigurationParDéfaut());
    EXPECT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(valeur(m, "MCU ="), "atmega16");
    messages.réponses = {RéponseMessage::Oui};
    EXPECT_TRUE(c.rechargerConfigurationParDéfaut());
    EXPECT_EQ(valeur(m, "MCU ="), "atmega8");
    EXPECT_EQ(c.contrôles.microContrôleur.texte, "ATMega8");

    const QByteArray avant = lireFichier(essai.configurationParDéfaut());
    messages.messages.clear();
    messages.réponses = {RéponseMessage::Non};
    EXPECT_FALSE(c.sauverCommeConfigurationParDéfaut());
    EXPECT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(lireFichier(essai.configurationParDéfaut()), avant);
    messages.réponses = {RéponseMessage::Oui};
    EXPECT_TRUE(c.sauverCommeConfigurationParDéfaut());
    DocumentRiche relu;
    ASSERT_TRUE(relu.charger(essai.configurationParDéfaut()));
    EXPECT_TRUE(relu.venuDUnRtf());
    EXPECT_EQ(valeur(relu, "TARGET ="), "Clignotant");
    EXPECT_TRUE(rouge(formatClé(relu, "MCU =")));
}

// Largeurs et ports proposés.
TEST(ConfigurationSansFenêtre, LargeursEtPorts) {
    EXPECT_EQ(Configuration::largeurÉlargie(12000), 12000);
    EXPECT_EQ(Configuration::largeurÉlargie(20000), 14500);
    EXPECT_EQ(Configuration::gaucheCentrée(1001, 400), 300);

    QTemporaryDir dev, sys;
    for (const char* n : {"ttyUSB10", "ttyUSB2", "ttyS0", "ttyS1", "ttyS2", "ttyACM0", "tty1", "sda"})
        ecrireFichier(dev.filePath(n), "");
    // ttyS1 n'a pas de circuit derrière (type 0) ; ttyS2 n'est pas décrit : gardé.
    QDir(sys.path()).mkpath("ttyS0");
    QDir(sys.path()).mkpath("ttyS1");
    ecrireFichier(sys.filePath("ttyS0/type"), "4\n");
    ecrireFichier(sys.filePath("ttyS1/type"), "0\n");
    QStringList attendus;
    for (const char* n : {"ttyUSB2", "ttyUSB10", "ttyACM0", "ttyS0", "ttyS2"})
        attendus << dev.filePath(n);
    EXPECT_EQ(Configuration::portsSérieDuSystème(dev.path(), sys.path()), attendus);
#ifdef Q_OS_LINUX
    // Les ports série présents d'abord, puis ceux de la table, puis usb.
    const QStringList série = Configuration::portsSérieDuSystème();
    EXPECT_EQ(Configuration::portsProposés(), série + TablesMakefile::listePorts() + QStringList{"usb"});
#endif
}

// Un composant hors des 40 lignes écrit dans le makefile du projet : la liste le montre sous son
// nom, AVRDUDE_FLAGS prend l'identifiant d'avrdude et sa description des fusibles est chargée.
TEST_F(Configuration_, ComposantHorsTableDuMakefileDuProjet) {
    EXIGER_OUTILS("avr-gcc", "avrdude");
    essai.écrireMakefile(EssaiConfiguration::makefileAvec({{"MCU =", "atmega328p"}}));
    EXPECT_TRUE(charger().empty());
    EXPECT_TRUE(messages.messages.empty());
    const ChampListe& mcu = c.contrôles.microContrôleur;
    EXPECT_EQ(mcu.texte, "ATmega328P");
    EXPECT_EQ(fenêtre.listes.microContrôleurs.value(mcu.indice), "ATmega328P");
    EXPECT_EQ(valeur(c.RTBMakefile, "AVRDUDE_FLAGS ="),
              "-p m328p -P $(AVRDUDE_PORT) -c $(AVRDUDE_PROGRAMMER)");
    EXPECT_TRUE(c.dernièreDescription().réussi()) << c.dernièreDescription().message.toStdString();
    EXPECT_EQ(descriptionAVR().NomsFusibleHaut[6], "DWEN");
}
