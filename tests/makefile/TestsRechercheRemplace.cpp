// Recherche, suivant, remplacement et remplacement de tout dans un document, avec leurs messages.
#include "common/Messages.h"
#include "makefile/ParametreMakefile.h"
#include "makefile/RechercheRemplace.h"
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
                              "AVRDUDE_PROGRAMMER = avrisp\r\n# avrisp ou AVRISP\r\nMCU_BIS = 1\r\n");
    }

    const Message& dernier() const { return messages.messages.back(); }

    EnregistreurMessages messages;
    DocumentRiche makefile;
};

} // namespace

// Sans « Commencer au début », la recherche part du point d'insertion : après le dernier MCU,
// message sans point final ; avec, elle trouve le premier.
TEST_F(Recherche, DepuisLePointDInsertionOuLeDébut) {
    makefile.définirDébutSélection(makefile.chercher("MCU_BIS") + 1);
    EXPECT_EQ(Rechercher(makefile, "MCU", 0, false), -1);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(dernier().texte, "La chaine «MCU» n'existe pas");
    EXPECT_EQ(dernier().titre, "Rechercher");
    EXPECT_EQ(dernier().icône, IconeMessage::Aucune);
    EXPECT_EQ(dernier().boutons, BoutonsMessage::OK);
    EXPECT_EQ(etatMarquage().PositionRecherche, -1);

    EXPECT_EQ(Rechercher(makefile, "MCU", 0, true), 0);
    EXPECT_EQ(makefile.débutSélection(), 0);
    EXPECT_EQ(makefile.longueurSélection(), 3);
    EXPECT_EQ(etatRecherche().TexteRecherché, "MCU");
}

// Mot entier : OPT ne s'arrête pas dans OPTIONS ; casse respectée ou non.
TEST_F(Recherche, MotEntierEtCasse) {
    const qsizetype opt = makefile.texte().indexOf("OPT =");
    EXPECT_EQ(Rechercher(makefile, "OPT", options(true, false), true), opt);
    EXPECT_EQ(Rechercher(makefile, "opt", options(true, true), true), -1);
    EXPECT_EQ(Rechercher(makefile, "opt", options(false, false), true), makefile.texte().indexOf("OPTIONS"));
}

// Suivant : saute la correspondance sélectionnée, garde les options de la recherche, message avec
// point final ; sans recherche faite il ne fait rien ; après un échec il repart du point
// d'insertion ; après l'écriture d'un paramètre il part de sa clé.
TEST_F(Recherche, Suivant) {
    EXPECT_EQ(RechercherSuivant(makefile), Suivant::AucuneRecherche);
    EXPECT_TRUE(messages.messages.empty());

    Rechercher(makefile, "avrisp", options(false, true), true);
    const qsizetype premier = makefile.débutSélection();
    EXPECT_EQ(RechercherSuivant(makefile), Suivant::Trouvé);
    EXPECT_GT(makefile.débutSélection(), premier);
    EXPECT_EQ(makefile.texteSélection(), "avrisp"); // AVRISP n'a pas la casse
    EXPECT_EQ(RechercherSuivant(makefile), Suivant::Absent);
    EXPECT_EQ(dernier().texte, "La chaine «avrisp» n'existe pas.");
    EXPECT_EQ(etatMarquage().PositionRecherche, -1);

    // Après l'échec : depuis le point d'insertion placé au début.
    makefile.sélectionner(0, 0);
    EXPECT_EQ(RechercherSuivant(makefile), Suivant::Trouvé);
    EXPECT_EQ(makefile.débutSélection(), premier);

    // L'écrivain des paramètres déplace la position de recherche sur sa clé.
    etatMarquage().MarquageActif = true;
    ASSERT_TRUE(MarquerParamètre(makefile, "MCU =", "atmega16"));
    makefile.sélectionner(0, 0);
    etatRecherche().TexteRecherché = "OPT";
    etatRecherche().OptionsRecherche = options(true, true);
    EXPECT_EQ(RechercherSuivant(makefile), Suivant::Trouvé);
    EXPECT_EQ(makefile.débutSélection(), makefile.texte().indexOf("OPT ="));
}

// Remplacer tout : le compte, les textes, et les options prises des cases à ce moment-là.
TEST_F(Recherche, RemplacerTout) {
    EXPECT_EQ(RemplacerTout(makefile, "avrisp", "stk500", options(false, true)), 2);
    EXPECT_EQ(dernier().texte, "2 occurences de «avrisp», remplacées par «stk500».");
    EXPECT_TRUE(makefile.texte().contains("AVRISP"));

    // Une recherche avec les deux options, puis tout remplacer sans elles.
    Rechercher(makefile, "Avrisp", options(true, true), true);
    EXPECT_EQ(RemplacerTout(makefile, "avrisp", "usbasp", 0), 1);
    EXPECT_EQ(etatRecherche().OptionsRecherche, 0);
    EXPECT_FALSE(makefile.texte().contains("AVRISP"));

    EXPECT_EQ(RemplacerTout(makefile, "absent", "x", 0), 0);
    EXPECT_EQ(dernier().texte, "La chaine «absent» n'existe pas.");
    EXPECT_EQ(etatRecherche().TexteRemplacement, "x");
}

// a remplacé par aa dans le texte a : un seul remplacement, la recherche reprend après le texte
// inséré.
TEST_F(Recherche, RemplacerToutSeTermine) {
    DocumentRiche d;
    d.définirTexte("a");
    EXPECT_EQ(RemplacerTout(d, "a", "aa", 0), 1);
    EXPECT_EQ(d.texte(), "aa");
    d.définirTexte("a\r\nb a");
    EXPECT_EQ(RemplacerTout(d, "a", "a\r\na", 0), 2);
    EXPECT_EQ(d.texte(), "a\r\na\r\nb a\r\na");
}

// Remplacer : seulement la correspondance sélectionnée ; un remplacement vide la supprime.
TEST_F(Recherche, RemplacerLaCorrespondance) {
    Rechercher(makefile, "avrisp", options(true, true), true);
    etatRecherche().TexteRemplacement = "";
    const QString avant = makefile.texte();
    EXPECT_TRUE(RemplacerCorrespondance(makefile));
    EXPECT_EQ(makefile.texte(), QString(avant).remove(avant.indexOf("avrisp"), 6));
    // La sélection n'est plus une correspondance : rien n'est remplacé.
    EXPECT_FALSE(RemplacerCorrespondance(makefile));
    Rechercher(makefile, "avrisp", options(true, true), false);
    makefile.sélectionner(0, 3);
    EXPECT_FALSE(RemplacerCorrespondance(makefile));
    etatMarquage().PositionRecherche = -1;
    EXPECT_FALSE(RemplacerCorrespondance(makefile));
}
