// Le modèle de makefile (Modèle/makefile.rtf), rendu en texte brut, est un vrai makefile.
#include "common/Messages.h"
#include "makefile/ParametreMakefile.h"
#include "makefile/TablesMakefile.h"
#include "outils/OutilsTests.h"
#include "ui/DocumentRiche.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace OutilsTests;

namespace {

const auto cheminModèle = [] { return dossierConstruction() + "/Modèle/makefile.rtf"; };

// Le modèle tel que le charge la fenêtre de configuration.
DocumentRiche chargerModèle() {
    DocumentRiche document;
    QString erreur;
    EXPECT_TRUE(document.charger(cheminModèle(), &erreur)) << erreur.toStdString();
    EXPECT_TRUE(document.venuDUnRtf());
    return document;
}

// Un projet au chemin à blancs et accents, réglé par MarquerParamètre comme par la configuration.
class ProjetEssai {
public:
    explicit ProjetEssai(const QString& nom = "Clignotant") : m_makefile(chargerModèle()) {
        valeursMakefile().réinitialiser();
        etatMarquage().réinitialiser();
        m_dossier = m_temp.path() + "/Mes projets AVR/" + nom + " été";
        ecrireFichier(m_dossier + "/Clignotant.c",
                      lireFichier(dossierSources() + "/exemples/Clignotant/Clignotant.c"));
        écrire("TARGET =", nom);
        // Ensuite, les valeurs changées sont marquées : le texte brut n'en garde rien.
        etatMarquage().MarquageActif = true;
    }

    QString dossier() const { return m_dossier; }
    void écrire(const QString& clé, const QString& valeur) {
        EXPECT_TRUE(MarquerParamètre(m_makefile, clé, valeur)) << clé.toStdString();
    }

    // Les réglages d'un microcontrôleur de la table, comme les écrit la fenêtre de configuration.
    void choisirMicroContrôleur(const QString& nom) {
        écrire("MCU =", TablesMakefile::valeurMCU(nom));
        écrire("AVRDUDE_FLAGS =", TablesMakefile::optionsAvrdude(TablesMakefile::partieAvrdudePour(nom, "")));
    }

    // Enregistre le makefile s'il a changé (make compare les dates), puis lance make.
    int make(const QStringList& arguments, QString* sortie = nullptr) {
        const QByteArray octets = m_makefile.octetsTexte();
        if (octets != m_écrit) {
            QString erreur;
            EXPECT_TRUE(m_makefile.enregistrerTexte(m_dossier + "/makefile", &erreur))
                << erreur.toStdString();
            m_écrit = octets;
        }
        return OutilsTests::make(m_dossier, arguments, sortie);
    }

    std::string fichiers() const {
        return QDir(m_dossier).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).join(", ").toStdString();
    }
    bool existe(const QString& nom) const { return QFile::exists(m_dossier + "/" + nom); }

private:
    EnregistreurMessages m_messages; // aucun message attendu : une clé manquante ferait échouer
    QTemporaryDir m_temp;
    QString m_dossier;
    DocumentRiche m_makefile;
    QByteArray m_écrit;
};

} // namespace

// Le RTF livré est celui que donne sa source, et unrtf y lit les mêmes mots.
TEST(ModeleMakefile, RtfÀJourEtLisibleParUnrtf) {
    QByteArray sortie, erreurs;
    EXIGER_OUTILS("python3", "unrtf");
    EXPECT_EQ(executer("python3", {dossierSources() + "/scripts/generer_modele_makefile.py", "--verifier"},
                       &sortie, &erreurs),
              0)
        << erreurs.toStdString();

    ASSERT_EQ(executer("unrtf", {"--text", cheminModèle()}, &sortie, &erreurs), 0) << erreurs.toStdString();
    // unrtf écrit en Latin-1, après un en-tête à lui, et ramène les blancs à un seul.
    const QString lu = QString::fromLatin1(sortie);
    const qsizetype corps = lu.indexOf("-----------------\n");
    ASSERT_GE(corps, 0);
    const QRegularExpression blancs("\\s+");
    EXPECT_EQ(lu.mid(corps + 18).split(blancs, Qt::SkipEmptyParts).join(u' ').toStdString(),
              chargerModèle().texte().split(blancs, Qt::SkipEmptyParts).join(u' ').toStdString());
}

// make all, make -n program et make clean pour des microcontrôleurs de la table.
class ModeleMakefileParMicro : public ::testing::TestWithParam<const char*> {};

TEST_P(ModeleMakefileParMicro, CompileProgrammeEtNettoieLExemple) {
    const QString nom = GetParam();
    ProjetEssai projet;
    projet.choisirMicroContrôleur(nom);
    const QString mcu = TablesMakefile::valeurMCU(nom);
    projet.écrire("F_CPU =", "1000000");
    projet.écrire("AVRDUDE_PROGRAMMER =", "stk500");
    projet.écrire("AVRDUDE_PORT =", "/dev/ttyUSB0");
    projet.écrire("AffichageMemoire =", "OccupationMemoire");

    QString sortie;
    ASSERT_EQ(projet.make({"all"}, &sortie), 0) << sortie.toStdString();
    EXPECT_TRUE(lireFichier(projet.dossier() + "/Clignotant.hex").startsWith(":"));
    EXPECT_TRUE(sortie.contains("-mmcu=" + mcu + " -DF_CPU=1000000UL -Os -gdwarf-2")) << sortie.toStdString();
    EXPECT_FALSE(sortie.contains("warning:")) << sortie.toStdString();
    EXPECT_GT(sortie.indexOf("Device: " + mcu), sortie.indexOf("avr-objdump")) << sortie.toStdString();

    // Rien à refaire, sinon afficher la place prise.
    ASSERT_EQ(projet.make({"all"}, &sortie), 0);
    EXPECT_FALSE(sortie.contains("Compilation de")) << sortie.toStdString();

    ASSERT_EQ(projet.make({"-n", "program"}, &sortie), 0) << sortie.toStdString();
    EXPECT_TRUE(sortie.contains("avrdude -p " + TablesMakefile::partieAvrdudePour(nom, "") +
                                " -P /dev/ttyUSB0 -c stk500 -U flash:w:Clignotant.hex:i\n"))
        << sortie.toStdString();

    ASSERT_EQ(projet.make({"clean"}, &sortie), 0) << sortie.toStdString();
    EXPECT_EQ(projet.fichiers(), "Clignotant.c, makefile");
}

INSTANTIATE_TEST_SUITE_P(Table, ModeleMakefileParMicro,
                         ::testing::Values("ATMega8", "ATMega16", "ATTiny2313", "ATTiny13", "AT90S8515"));

// DIRAVR (chemin à blancs), inclusions, vitesse série, S-record, stabs avec COFF, place non affichée.
TEST(ModeleMakefile, OutilsInclusionsBaudsFormatEtCoff) {
    ProjetEssai projet("Essai");
    const QString outils = projet.dossier() + "/../outils avr";
    for (const QString outil : {"avr-gcc", "avr-objcopy", "avr-objdump", "avr-size", "avrdude"})
        ecrireScript(outils + "/bin/" + outil,
                     QString("echo \"[%1 de DIRAVR]\" >&2\nexec %1 \"$@\"").arg(outil).toUtf8());
    ecrireFichier(projet.dossier() + "/inc/commun/commun.h", "#define DECALAGE 0\n");
    ecrireFichier(projet.dossier() + "/serie.c", "#include <commun.h>\n#include <avr/io.h>\n"
                                                 "#include <util/setbaud.h>\n"
                                                 "void serie(void);\n"
                                                 "void serie(void) { UBRRL = UBRRL_VALUE + DECALAGE; }\n");
    projet.écrire("DIRAVR =", QDir::cleanPath(outils) + "  ");
    projet.écrire("EXTRAINCDIRS =", "inc\\commun");
    projet.écrire("BAUD =", "9600");
    projet.écrire("FORMAT =", "srec");
    projet.écrire("DEBUG =", "stabs");
    projet.écrire("CompilCoff =", "coff");
    projet.écrire("AffichageMemoire =", "");

    QString sortie;
    ASSERT_EQ(projet.make({"all"}, &sortie), 0) << sortie.toStdString();
    for (const char* attendu : {"-DBAUD=9600 ", "-gstabs ", "-Iinc/commun ", "[avr-gcc de DIRAVR]",
                                "[avr-objcopy de DIRAVR]", "[avr-objdump de DIRAVR]"})
        EXPECT_TRUE(sortie.contains(attendu)) << attendu << sortie.toStdString();
    EXPECT_FALSE(sortie.contains("Device:")) << sortie.toStdString();
    EXPECT_TRUE(projet.existe("Essai.srec") && !projet.existe("Essai.hex"));

    // Le COFF n'existe que si l'avr-objcopy installé sait l'écrire ; sinon, un avertissement.
    QByteArray aide;
    executer("avr-objcopy", {"--help"}, &aide);
    EXPECT_EQ(projet.existe("Essai.cof"), aide.contains("coff-avr"));
    EXPECT_EQ(sortie.contains("ne sait pas convertir au format coff-avr"), !aide.contains("coff-avr"));

    ASSERT_EQ(projet.make({"-n", "program"}, &sortie), 0) << sortie.toStdString();
    EXPECT_TRUE(sortie.contains("/outils avr/bin/avrdude\" -p m8 -P usb -c usbasp -U flash:w:Essai.srec:s"))
        << sortie.toStdString();

    ASSERT_EQ(projet.make({"clean"}, &sortie), 0) << sortie.toStdString();
    EXPECT_EQ(projet.fichiers(), "Clignotant.c, inc, makefile, serie.c");
}

// Sans nom avrdude (« ND » ou rien après -p), make program le dit au lieu de lancer avrdude.
TEST(ModeleMakefile, ProgrammationRefuséeSansNomAvrdude) {
    ProjetEssai projet;
    projet.écrire("MCU =", "atmega88");
    QString sortie;
    for (const QString partie : {"", "ND"}) {
        projet.écrire("AVRDUDE_FLAGS =", TablesMakefile::optionsAvrdude(partie));
        ASSERT_EQ(projet.make({"all"}, &sortie), 0) << sortie.toStdString();
        EXPECT_NE(projet.make({"-n", "program"}, &sortie), 0);
        EXPECT_TRUE(sortie.contains("avrdude ne connait pas de nom pour atmega88")) << sortie.toStdString();
        EXPECT_FALSE(sortie.contains("avrdude -p")) << sortie.toStdString();
    }
    // Un nom qu'avrdude connaît, même absent de la table, passe.
    projet.écrire("AVRDUDE_FLAGS =", TablesMakefile::optionsAvrdude("m88"));
    ASSERT_EQ(projet.make({"-n", "program"}, &sortie), 0) << sortie.toStdString();
    EXPECT_TRUE(sortie.contains("avrdude -p m88 -P usb -c usbasp")) << sortie.toStdString();
}

// Changer de MCU recompile tout ; un nom à blanc est refusé, make clean n'efface que ses fichiers.
TEST(ModeleMakefile, RecompilationEtNomDeProjetAvecBlanc) {
    ProjetEssai projet;
    QString sortie;
    ASSERT_EQ(projet.make({"all"}, &sortie), 0) << sortie.toStdString();
    projet.choisirMicroContrôleur("ATMega16");
    ASSERT_EQ(projet.make({"all"}, &sortie), 0) << sortie.toStdString();
    EXPECT_TRUE(sortie.contains("Compilation de Clignotant.c")) << sortie.toStdString();
    EXPECT_TRUE(sortie.contains("Device: atmega16")) << sortie.toStdString();
    ASSERT_EQ(projet.make({"clean"}, &sortie), 0);
    projet.écrire("TARGET =", "BP LED");
    ecrireFichier(projet.dossier() + "/BP", "à garder");
    EXPECT_NE(projet.make({"all"}, &sortie), 0);
    EXPECT_TRUE(sortie.contains("doit etre un seul mot, sans blanc")) << sortie.toStdString();
    ecrireFichier(projet.dossier() + "/BP LED.hex", ":00000001FF\n");
    ASSERT_EQ(projet.make({"clean"}, &sortie), 0) << sortie.toStdString();
    EXPECT_EQ(projet.fichiers(), "BP, Clignotant.c, makefile");
}
