// Recherche, suivant et remplacements dans un document : les cas que la fenêtre n'atteint pas.
#include "common/Messages.h"
#include "makefile/ParametreMakefile.h"
#include "makefile/RechercheRemplace.h"
#include "outils/DocumentDe.h"
#include "ui/DocumentRiche.h"

#include <gtest/gtest.h>

using namespace RechercheRemplace;

namespace {

class Recherche : public ::testing::Test {
protected:
    Recherche() {
        valeursMakefile().réinitialiser();
        etatMarquage().réinitialiser();
        etatRecherche().réinitialiser();
        makefile.définirTexte("MCU = atmega8\r\nOPTIONS = -Wall\r\nOPT = s\r\n"
                              "AVRDUDE_PROGRAMMER = avrisp\r\n# avrisp ou AVRISP\r\n");
    }
    EnregistreurMessages messages;
    DocumentRiche makefile;
};

} // namespace

// Mot entier (OPT ne s'arrête pas dans OPTIONS) et casse ; Suivant garde les options, repart du
// point d'insertion après un échec, et de la clé qu'un paramètre vient d'écrire.
TEST_F(Recherche, OptionsEtSuivant) {
    const qsizetype opt = makefile.texte().indexOf("OPT =");
    EXPECT_EQ(Rechercher(makefile, "OPT", options(true, false), true), opt);
    EXPECT_EQ(Rechercher(makefile, "opt", options(true, true), true), -1);
    EXPECT_EQ(Rechercher(makefile, "opt", options(false, false), true), makefile.texte().indexOf("OPTIONS"));

    Rechercher(makefile, "avrisp", options(false, true), true);
    const qsizetype premier = makefile.débutSélection();
    EXPECT_EQ(RechercherSuivant(makefile), Suivant::Trouvé);
    EXPECT_EQ(makefile.texteSélection(), "avrisp"); // AVRISP n'a pas la casse
    EXPECT_EQ(RechercherSuivant(makefile), Suivant::Absent);
    EXPECT_EQ(etatMarquage().PositionRecherche, -1);
    makefile.sélectionner(0, 0);
    EXPECT_EQ(RechercherSuivant(makefile), Suivant::Trouvé);
    EXPECT_EQ(makefile.débutSélection(), premier);

    etatMarquage().MarquageActif = true;
    ASSERT_TRUE(MarquerParamètre(makefile, "MCU =", "atmega16"));
    makefile.sélectionner(0, 0);
    etatRecherche().TexteRecherché = "OPT";
    etatRecherche().OptionsRecherche = options(true, true);
    EXPECT_EQ(RechercherSuivant(makefile), Suivant::Trouvé);
    EXPECT_EQ(makefile.débutSélection(), makefile.texte().indexOf("OPT ="));
}

// Remplacer tout prend les options des cases à ce moment-là, et se termine quand le remplaçant
// contient le texte cherché ; Remplacer ne touche qu'à une sélection qui est la correspondance.
TEST_F(Recherche, Remplacements) {
    Rechercher(makefile, "Avrisp", options(true, true), true);
    EXPECT_EQ(RemplacerTout(makefile, "avrisp", "usbasp", 0), 3); // AVRISP compris
    DocumentRiche d = OutilsTests::documentDe("a\r\nb a");
    EXPECT_EQ(RemplacerTout(d, "a", "a\r\na", 0), 2);
    EXPECT_EQ(d.texte(), "a\r\na\r\nb a\r\na");

    Rechercher(makefile, "usbasp", options(true, true), true);
    etatRecherche().TexteRemplacement = "x";
    makefile.sélectionner(0, 3);
    EXPECT_FALSE(RemplacerCorrespondance(makefile));
    etatMarquage().PositionRecherche = -1;
    EXPECT_FALSE(RemplacerCorrespondance(makefile));
    EXPECT_EQ(makefile.texte().count("usbasp"), 3);
}
