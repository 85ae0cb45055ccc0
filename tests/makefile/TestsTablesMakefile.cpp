// Tables du makefile : traductions dans les deux sens, valeurs inconnues gardées, AVRDUDE_FLAGS.
#include "makefile/TablesMakefile.h"
#include "noyau/EtatGlobal.h"
#include "outils/FauxAvrdude.h"
#include "outils/OutilsTests.h"

#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace TablesMakefile;

namespace {
const QString Drapeaux = QStringLiteral(" -P $(AVRDUDE_PORT) -c $(AVRDUDE_PROGRAMMER)");

// Un dossier d'installation donné le temps d'un test.
class Installation final {
public:
    explicit Installation(const QString& dossier) { etatGlobal().DossierInstallation = dossier; }
    ~Installation() { etatGlobal().DossierInstallation.clear(); }
};
} // namespace

TEST(TablesMakefile, TablesCoherentes) {
    // La recherche sans égard à la casse n'a de sens que si aucun nom n'en cache un autre.
    QSet<QString> noms;
    for (const auto& l : microContrôleurs()) {
        EXPECT_EQ(l.valeurMCU, l.nom.toString().toLower()) << l.nom.toString().toStdString();
        noms.insert(l.nom.toString().toLower());
    }
    EXPECT_EQ(std::size_t(noms.size()), microContrôleurs().size());
    QSet<QString> ids, libellés;
    for (const auto& l : programmateurs()) {
        ids.insert(l.id.toString());
        libellés.insert(l.libellé.toString());
    }
    EXPECT_EQ(std::size_t(ids.size()), programmateurs().size());
    EXPECT_EQ(std::size_t(libellés.size()), programmateurs().size());
}

TEST(TablesMakefile, ValeursInconnuesGardeesTellesQuelles) {
    // Réglages d'un vrai projet, sans description de leur composant : rien ne doit devenir
    // attiny10, avrisp ou com1.
    QTemporaryDir sansDescriptions;
    Installation installation(sansDescriptions.path());
    for (const QString mcu : {"atmega328p", "ATmega328P", "attiny85"}) {
        const Sélection s = sélectionMicroContrôleur(mcu);
        EXPECT_FALSE(s.aUneLigne());
        EXPECT_EQ(s.texte, mcu);
    }
    EXPECT_EQ(valeurMCU("atmega328p"), "atmega328p");

    for (const QString prog : {"usbasp2", "fendel-stk200", "jtag3isp"}) {
        const Sélection s = sélectionProgrammateur(prog);
        EXPECT_EQ(s, (Sélection{-1, prog}));
        // Réécrit tel que lu quand la liste le rend à la sortie du champ.
        EXPECT_EQ(idProgrammateurPour(s.texte), prog);
    }
    for (const QString port : {"/dev/ttyUSB0", "com5", "COM1", "usb"})
        EXPECT_EQ(sélectionPort(port), (Sélection{-1, port}));
}

TEST(TablesMakefile, ValeursConnuesChoisissentLeurLigne) {
    EXPECT_EQ(sélectionMicroContrôleur("atmega8"), (Sélection{21, "ATMega8"}));
    EXPECT_EQ(sélectionMicroContrôleur("ATmega8"), (Sélection{21, "ATMega8"}));
    EXPECT_EQ(sélectionMicroContrôleur("at89start"), (Sélection{39, "AT89START"}));
    // atmega8 n'est pas le début d'atmega8515, ni l'inverse.
    EXPECT_EQ(sélectionMicroContrôleur("atmega8515").indice, 34);
    EXPECT_EQ(sélectionProgrammateur("Fendel-stk200"), (Sélection{6, "Fendel STK200"}));
    EXPECT_EQ(sélectionProgrammateur("picoweb"), (Sélection{14, "Picoweb Programming Cable"}));
    EXPECT_EQ(sélectionPort("lpt3"), (Sélection{6, "lpt3"}));
    EXPECT_EQ(sélectionPort("com1"), (Sélection{0, "com1"}));
}

TEST(TablesMakefile, CommentaireEnFinDeLigneIgnore) {
    // « OPT = s   # taille » se lit avec son commentaire ; -Os ne doit pas devenir -O0.
    EXPECT_EQ(indiceDéboggage("stabs\t# pour Proteus"), 0);
    EXPECT_EQ(indiceCoff("extcoff # AVR Studio"), 1);
    EXPECT_EQ(indiceFormatDeSortie("srec #"), 2);
    EXPECT_FALSE(occupationMémoireCochée("   # rien"));
    EXPECT_EQ(sélectionMicroContrôleur("atmega16  # carte"), (Sélection{22, "ATMega16"}));
    EXPECT_EQ(sélectionPort("com2 # USB"), (Sélection{1, "com2"}));
    // Sans ligne reconnue, le texte revient entier, commentaire compris.
    EXPECT_EQ(sélectionProgrammateur("jtag3isp # clé"), (Sélection{-1, "jtag3isp # clé"}));
    EXPECT_EQ(sélectionProgrammateur("usbasp # clé"), (Sélection{15, "USBasp"}));
}

TEST(TablesMakefile, ProgrammateurVersLeMakefile) {
    EXPECT_EQ(idProgrammateurPour("Fendel STK200"), "Fendel-stk200");
    EXPECT_EQ(idProgrammateurPour("fendel stk200"), "Fendel-stk200");
    EXPECT_EQ(idProgrammateurPour("STK200"), "stk200");
    EXPECT_EQ(idProgrammateurPour("Atmel STK500 "), "stk500");
    // Chaque ligne retrouve sa ligne par l'aller-retour libellé -> id -> libellé.
    for (std::size_t i = 0; i < programmateurs().size(); ++i) {
        const auto id = idProgrammateurPour(programmateurs()[i].libellé.toString());
        ASSERT_TRUE(id);
        EXPECT_EQ(sélectionProgrammateur(*id).indice, int(i));
    }
}

// Les valeurs courantes passent par la configuration ; ici, les bords.
TEST(TablesMakefile, GroupesDOptions) {
    EXPECT_EQ(valeurOptimisationPour("optimiser la taille"), std::nullopt);
    EXPECT_EQ(valeurOptimisationPour("s"), std::nullopt);
    for (const char* absent : {"IHEX", ""})
        EXPECT_EQ(indiceFormatDeSortie(absent), std::nullopt) << absent;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(indiceFormatDeSortie(*valeurFormatDeSortie(i)), i);
    EXPECT_EQ(valeurFormatDeSortie(-1), std::nullopt);
    EXPECT_EQ(valeurFormatDeSortie(3), std::nullopt);

    EXPECT_EQ(indiceCoff("ExtCoff"), 1);
    EXPECT_EQ(indiceCoff(""), std::nullopt);
    EXPECT_EQ(indiceCoff("ext coff"), std::nullopt);
    EXPECT_EQ(valeurCoff(-1), "extcoff");
    EXPECT_EQ(indiceDéboggage(""), 1);
    EXPECT_EQ(indiceDéboggage("dwarf-4"), 1);
    EXPECT_FALSE(occupationMémoireCochée(""));
    EXPECT_TRUE(occupationMémoireCochée("non"));
}

TEST(TablesMakefile, DrapeauxAvrdudeDesCircuitsDeLaTable) {
    FauxAvrdude absent({});
    EXPECT_EQ(valeurMCU("ATMega8"), "atmega8");
    EXPECT_EQ(optionsAvrdude(partieAvrdudePour("ATMega8", "t10")), "-p m8" + Drapeaux);
    EXPECT_EQ(optionsAvrdude(partieAvrdudePour("ATTiny2313", "")), "-p t2313" + Drapeaux);
    EXPECT_EQ(optionsAvrdude(partieAvrdudePour("AT90S8515", "")), "-p 8515" + Drapeaux);
    EXPECT_EQ(partieAvrdudePour("AT89S52", "m8"), "ND");
    // Nom tapé en minuscules : l'identifiant du circuit, pas celui du précédent.
    EXPECT_EQ(partieAvrdudePour("atmega8", "t10"), "m8");
    EXPECT_EQ(partieAvrdudePour("atmega16 ", "t10"), "m16");
    // Sans avrdude pour le compléter, le trou de la table reste un trou.
    EXPECT_EQ(optionsAvrdude(partieAvrdudePour("ATMega88", "m8")),
              "-p  -P $(AVRDUDE_PORT) -c $(AVRDUDE_PROGRAMMER)");
    // Circuit inconnu de tous : l'identifiant précédent reste.
    EXPECT_EQ(partieAvrdudePour("atmega328p"), std::nullopt);
    EXPECT_EQ(partieAvrdudePour("atmega328p", "m16"), "m16");
    EXPECT_EQ(partieAvrdudePour("", "m16"), "m16");
}

TEST(TablesMakefile, AvrdudeCompleteLaTable) {
    QTemporaryDir sansDescriptions;
    Installation installation(sansDescriptions.path());
    FauxAvrdude faux("cat >&2 <<'FIN'\n"
                     "Valid parts are:\n"
                     "  m88        = ATmega88\n"
                     "  c128       = AT90CAN128\n"
                     "  m328p      = ATmega328P\n"
                     "  xm8        = ATmega8\n"
                     "FIN\nexit 1");
    EXPECT_EQ(partieAvrdudePour("ATMega88", ""), "m88");
    EXPECT_EQ(partieAvrdudePour("at90can128", ""), "c128");
    EXPECT_EQ(partieAvrdudePour("atmega328p", "m8"), "m328p");
    EXPECT_EQ(optionsAvrdude(partieAvrdudePour("ATmega328P", "m8")), "-p m328p" + Drapeaux);
    // La table l'emporte sur avrdude quand elle a un identifiant.
    EXPECT_EQ(partieAvrdudePour("ATMega8", ""), "m8");
    // Ni dans la table ni chez avrdude : ND reste.
    EXPECT_EQ(partieAvrdudePour("AT89S51", ""), "ND");
    EXPECT_EQ(partieAvrdudePour("attiny85", "m8"), "m8");
}

TEST(TablesMakefile, AvrdudeDefaillantGardeLIdentifiantPrecedent) {
    FauxAvrdude bloqué("echo '  m328p = ATmega328P' >&2\nexec sleep 100000");
    // Le délai par défaut passe, puis la partie précédente reste et le circuit de la table marche.
    EXPECT_EQ(partieAvrdudePour("atmega328p", "m8"), "m8");
    EXPECT_EQ(partieAvrdudePour("ATMega16", "m8"), "m16");
}

// Avec les descriptions livrées, l'avr-gcc et l'avrdude installés : la liste, le choix lu dans
// le makefile, l'identifiant d'avrdude, et la compilation pour un échantillon des composants.
TEST(TablesMakefile, ComposantsSupplementairesDesOutilsInstalles) {
    const QString avrGcc = QStandardPaths::findExecutable("avr-gcc");
    EXIGER_OUTILS("avr-gcc", "avrdude");
    TablesPartiesAvrdude::réinitialiser();
    Installation installation(OutilsTests::dossierSources() + "/data");
    const QStringList noms = nomsMicroContrôleurs();
    ASSERT_GT(noms.size(), 150);
    for (std::size_t i = 0; i < microContrôleurs().size(); ++i)
        EXPECT_EQ(noms[qsizetype(i)], microContrôleurs()[i].nom);
    EXPECT_EQ(noms.filter(QRegularExpression("^atmega8$", QRegularExpression::CaseInsensitiveOption)).size(),
              1);

    for (const QString mcu : {"atmega328p", "attiny85", "atmega2560", "atmega32u4"}) {
        const Sélection s = sélectionMicroContrôleur(mcu);
        ASSERT_TRUE(s.aUneLigne()) << mcu.toStdString();
        EXPECT_EQ(noms.at(s.indice), s.texte);
        EXPECT_EQ(valeurMCU(s.texte), mcu);
    }
    EXPECT_EQ(sélectionMicroContrôleur("ATMEGA328P").texte, "ATmega328P");
    EXPECT_EQ(partieAvrdudePour("ATmega328P", "m8"), "m328p");
    EXPECT_EQ(partieAvrdudePour("ATmega32U4", "m8"), "m32u4");
    // Dans la liste mais inconnu d'avrdude : ND, jamais l'identifiant du composant précédent.
    EXPECT_EQ(partieAvrdudePour("ATA6289", "m8"), "ND");

    QTemporaryDir dossier;
    const QString source = dossier.filePath("essai.c");
    OutilsTests::ecrireFichier(source, "#include <avr/io.h>\nint main(void) { return PORTB; }\n");
    for (qsizetype k = qsizetype(microContrôleurs().size()); k < noms.size(); k += 12) {
        QByteArray erreurs;
        EXPECT_EQ(OutilsTests::executer(avrGcc,
                                        {"-mmcu=" + valeurMCU(noms[k]), "-Os", "-Wall", "-Werror", source,
                                         "-o", dossier.filePath("essai.elf")},
                                        nullptr, &erreurs),
                  0)
            << noms[k].toStdString() << " : " << erreurs.toStdString();
    }
    TablesPartiesAvrdude::réinitialiser();
}

// Les programmateurs ajoutés après les 15 lignes portent des identifiants que l'avrdude installé
// connaît, et le makefile qui en nomme un choisit sa ligne.
TEST(TablesMakefile, ProgrammateursAjoutesConnusDAvrdude) {
    const QString avrdude = QStandardPaths::findExecutable("avrdude");
    EXIGER_OUTILS("avrdude");
    QByteArray sortie;
    OutilsTests::executer(avrdude, {"-c", "?"}, &sortie, &sortie);
    QSet<QString> ids;
    static const QRegularExpression ligne(R"(^\s+(\S+)\s+= )");
    for (const QString& l : QString::fromUtf8(sortie).split(u'\n'))
        if (const auto m = ligne.match(l); m.hasMatch()) ids.insert(m.captured(1));
    ASSERT_GT(ids.size(), 50);
    ASSERT_EQ(programmateurs().size(), 22u);
    for (std::size_t i = 15; i < programmateurs().size(); ++i) {
        const QString id = programmateurs()[i].id.toString();
        EXPECT_TRUE(ids.contains(id)) << id.toStdString();
        EXPECT_EQ(sélectionProgrammateur(id).indice, int(i));
    }
}
