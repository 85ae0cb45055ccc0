// Listes des outils installés : parties d'avrdude et composants d'avr-gcc.
#include "makefile/TablesPartiesAvrdude.h"
#include "outils/FauxAvrdude.h"
#include "outils/OutilsTests.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace TablesPartiesAvrdude;

TEST(TablesPartiesAvrdude, LitLesLignesIdNomEtIgnoreLeReste) {
    const QByteArray sortie = "\n"
                              "Valid parts are:\n"
                              "  m328p      = ATmega328P\r\n"
                              "  m8         = ATmega8       [/etc/avrdude.conf:9876]\n"
                              "  ucr2       = deprecated, use 'uc3a0512'\n"
                              "m64=ATmega64\n"
                              "avrdude: AVR part \"?\" not found\n"
                              "  t\xe9\xff\x01 = ATtiny\xff\n"
                              "  autre = ATmega8\n";
    const Parties p = analyser(sortie);
    // La ligne ordinaire est lue dans le vrai avrdude (composants supplémentaires des tables).
    EXPECT_EQ(p.value("atmega328p"), "m328p"); // fin de ligne CR LF
    EXPECT_EQ(p.value("atmega8"), "m8");       // emplacement entre crochets ; le premier l'emporte
    EXPECT_EQ(p.value("atmega64"), "m64");
    // Ni la ligne « deprecated » (une ligne d'une autre forme), ni les octets quelconques.
    EXPECT_EQ(p.size(), 3);
}

// Bloqué après une ligne valide (une liste inachevée n'est pas crue) ou bavard sans fin (sans
// borne, le flot remplirait la mémoire avant le délai) : rien.
TEST(TablesPartiesAvrdude, AvrdudeBloqueOuBavardArrete) {
    const std::pair<const char*, int> cas[] = {{"echo '  m328p = ATmega328P' >&2\nexec sleep 100000", 300},
                                               {"exec yes '  m8 = ATmega8'", 600000}};
    for (const auto& [script, délai] : cas) {
        FauxAvrdude faux(script);
        EXPECT_TRUE(lire(délai).isEmpty()) << script;
    }
}

TEST(TablesPartiesAvrdude, AvrdudeNeTourneQuUneFoisParProcessus) {
    FauxAvrdude compteur("echo x >> \"$(dirname \"$0\")/appels\"\n"
                         "echo '  m328p = ATmega328P' >&2\nexit 1");
    const QString appels = compteur.dossier() + "/appels";
    EXPECT_EQ(partiePour("atmega328p"), "m328p"); // code de sortie 1, comme le vrai
    EXPECT_EQ(partiePour("ATMEGA328P"), "m328p");
    EXPECT_EQ(OutilsTests::lireFichier(appels), "x\n");
    réinitialiser();
    EXPECT_EQ(partiePour("atmega328p"), "m328p");
    EXPECT_EQ(OutilsTests::lireFichier(appels), "x\nx\n");
}

// Un avr-gcc sans dossier device-specs (versions d'avant la 5) : la liste de --target-help, qui
// s'arrête à la première ligne vide.
TEST(TablesPartiesAvrdude, AvrGccSansDeviceSpecsDonneSaListeDAide) {
    QTemporaryDir dossier;
    OutilsTests::ecrireScript(
        dossier.filePath("avr-gcc"),
        "if [ \"$1\" = -print-file-name=device-specs ]; then echo device-specs; exit 0; fi\n"
        "cat <<'FIN'\n"
        "  -mmcu=MCU   Select the target MCU.\n"
        "Known MCU names:\n"
        "  avr2 at90s2313 ATmega8\n"
        "\tattiny85 at\xe9\n"
        "\n"
        "  atmega9999\n"
        "FIN");
    OutilsTests::VariableEnvironnement chemin("PATH",
                                              QFile::encodeName(dossier.path()) + ':' + qgetenv("PATH"));
    EXPECT_EQ(lireComposantsCompilés(), (Composants{"avr2", "at90s2313", "atmega8", "attiny85"}));
}
