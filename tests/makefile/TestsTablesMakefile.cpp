// Tables du makefile : traductions dans les deux sens, valeurs inconnues gardées, AVRDUDE_FLAGS.
#include "makefile/TablesMakefile.h"
#include "noyau/EtatGlobal.h"
#include "outils/FauxAvrdude.h"
#include "outils/InstallationTemporaire.h"
#include "outils/OutilsTests.h"

#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

using namespace TablesMakefile;

// Du makefile vers les listes : une ligne reconnue malgré la casse ou un commentaire de fin de
// ligne ; sinon le texte lu, gardé tel quel (rien ne devient attiny10, avrisp ou com1).
TEST(TablesMakefile, SélectionsLuesDuMakefile) {
    InstallationTemporaire sansDescriptions;
    const struct {
        Sélection (*lire)(const QString&);
        const char* valeur;
        Sélection attendue;
    } cas[] = {
        {sélectionMicroContrôleur, "ATmega8", {21, "ATMega8"}},
        {sélectionMicroContrôleur, "atmega8515", {34, "ATMega8515"}}, // pas le début d'atmega8
        {sélectionMicroContrôleur, "atmega16  # carte", {22, "ATMega16"}},
        {sélectionMicroContrôleur, "ATmega328P", {-1, "ATmega328P"}},
        {sélectionProgrammateur, "usbasp # clé", {15, "USBasp"}},
        {sélectionProgrammateur, "jtag3isp # clé", {-1, "jtag3isp # clé"}},
        {sélectionProgrammateur, "fendel-stk200", {-1, "fendel-stk200"}},
        {sélectionPort, "com2 # USB", {1, "com2"}}, // même lecture que les programmateurs
    };
    for (const auto& c : cas)
        EXPECT_EQ(c.lire(c.valeur), c.attendue) << c.valeur;
    EXPECT_EQ(idProgrammateurPour("jtag3isp"), "jtag3isp"); // réécrit tel que lu

    // Les options : un commentaire ignoré, un inconnu ne choisit rien.
    const std::optional<int> aucune;
    EXPECT_EQ(std::tuple(indiceDéboggage("stabs\t# pour Proteus"), indiceDéboggage("dwarf-4"),
                         indiceCoff("ExtCoff # AVR Studio"), indiceCoff("ext coff"),
                         indiceFormatDeSortie("srec #"), indiceFormatDeSortie("IHEX"),
                         occupationMémoireCochée("   # rien"), occupationMémoireCochée("non")),
              std::tuple(0, 1, std::optional(1), aucune, std::optional(2), aucune, false, true));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(indiceFormatDeSortie(*valeurFormatDeSortie(i)), i);
}

// De la liste vers le makefile : libellé tapé sans égard à la casse ni aux blancs, et chaque
// ligne retrouve sa ligne par l'aller-retour (aucun nom n'en cache un autre sans égard à la casse).
TEST(TablesMakefile, ProgrammateurVersLeMakefile) {
    EXPECT_EQ(idProgrammateurPour("fendel stk200"), "Fendel-stk200");
    EXPECT_EQ(idProgrammateurPour("Atmel STK500 "), "stk500");
    for (std::size_t i = 0; i < programmateurs().size(); ++i) {
        const auto id = idProgrammateurPour(programmateurs()[i].libellé.toString());
        EXPECT_EQ(sélectionProgrammateur(id.value_or("")).indice, int(i));
    }
    for (std::size_t i = 0; i < microContrôleurs().size(); ++i)
        EXPECT_EQ(sélectionMicroContrôleur(microContrôleurs()[i].nom.toString().toLower()).indice, int(i));
}

// L'identifiant avrdude : celui de la table, sinon celui de l'avrdude installé, sinon « ND » pour
// un circuit de la table, sinon le précédent ; jamais celui du circuit précédent à tort.
TEST(TablesMakefile, PartieAvrdude) {
    InstallationTemporaire sansDescriptions;
    const struct {
        const char *nom, *précédente, *sansAvrdude, *avecAvrdude;
    } cas[] = {
        {"ATMega8", "t10", "m8", "m8"}, // la table l'emporte sur avrdude (xm8)
        {"AT89S52", "m8", "ND", "ND"},         {"at90can128", "", "ND", "c128"},
        {"ATMega88", "m8", "", "m88"},         // trou de la table, comblé par avrdude seul
        {"atmega328p", "m16", "m16", "m328p"}, // inconnu sans avrdude : le précédent
    };
    for (const bool avecAvrdude : {false, true}) {
        FauxAvrdude faux(avecAvrdude
                             ? "cat >&2 <<'FIN'\nValid parts are:\n  m88 = ATmega88\n"
                               "  c128 = AT90CAN128\n  m328p = ATmega328P\n  xm8 = ATmega8\nFIN\nexit 1"
                             : "");
        for (const auto& c : cas)
            EXPECT_EQ(partieAvrdudePour(c.nom, c.précédente), avecAvrdude ? c.avecAvrdude : c.sansAvrdude)
                << c.nom << (avecAvrdude ? " avec avrdude" : " sans avrdude");
    }
}

// Avec les descriptions livrées, l'avr-gcc et l'avrdude installés : la liste, le choix lu dans le
// makefile, le nom réécrit et l'identifiant d'avrdude.
TEST(TablesMakefile, ComposantsSupplementairesDesOutilsInstalles) {
    EXIGER_OUTILS("avr-gcc", "avrdude");
    TablesPartiesAvrdude::réinitialiser();
    InstallationTemporaire installation;
    etatGlobal().DossierInstallation = OutilsTests::dossierSources() + "/data";
    const QStringList noms = nomsMicroContrôleurs();
    ASSERT_GT(noms.size(), 150);
    EXPECT_EQ(noms.filter(QRegularExpression("^atmega8$", QRegularExpression::CaseInsensitiveOption)).size(),
              1);
    for (const QString mcu : {"atmega328p", "attiny85", "atmega2560", "atmega32u4"}) {
        const Sélection s = sélectionMicroContrôleur(mcu.toUpper());
        EXPECT_EQ(std::tuple(noms.value(s.indice), valeurMCU(s.texte)), std::tuple(s.texte, mcu));
    }
    // Dans la liste mais inconnu d'avrdude (ATA6289) : ND, jamais l'identifiant du composant précédent.
    EXPECT_EQ(std::tuple(partieAvrdudePour("ATmega32U4", "m8"), partieAvrdudePour("ATA6289", "m8")),
              std::tuple("m32u4", "ND"));

    TablesPartiesAvrdude::réinitialiser();
}

// Les programmateurs ajoutés après les 15 lignes ont des identifiants que l'avrdude installé connaît.
TEST(TablesMakefile, ProgrammateursAjoutesConnusDAvrdude) {
    EXIGER_OUTILS("avrdude");
    QByteArray sortie;
    OutilsTests::executer("avrdude", {"-c", "?"}, &sortie, &sortie);
    QSet<QString> ids;
    static const QRegularExpression ligne(R"(^\s+(\S+)\s+= )");
    for (const QString& l : QString::fromUtf8(sortie).split(u'\n'))
        if (const auto m = ligne.match(l); m.hasMatch()) ids.insert(m.captured(1));
    ASSERT_GT(ids.size(), 50);
    for (std::size_t i = 15; i < programmateurs().size(); ++i)
        EXPECT_TRUE(ids.contains(programmateurs()[i].id.toString())) << i;
}
