// Lecture et écriture d'un paramètre du makefile : la règle des clés, la ligne réécrite, les marques.
#include "common/Messages.h"
#include "makefile/ParametreMakefile.h"
#include "outils/DocumentDe.h"
#include "outils/OutilsTests.h"

#include "noyau/EtatGlobal.h"

#include <gtest/gtest.h>

using OutilsTests::documentDe;

namespace {

class ParametreMakefile : public ::testing::Test {
protected:
    void SetUp() override {
        valeursMakefile().réinitialiser();
        etatMarquage().réinitialiser();
    }
    void TearDown() override { SetUp(); }

    EnregistreurMessages messages;
};

const CouleurRVB Noir{0, 0, 0}, Rouge{255, 0, 0}, Bleu{0, 0, 255}, Vert{0, 128, 0};

} // namespace

TEST_F(ParametreMakefile, LectureSelonLaRègleDesClés) {
    // Clé en commentaire, ligne indentée, commentaire après la valeur : vus de bout en bout.
    const std::pair<const char*, const char*> cas[] = {
        {"XMCU = at90s1200\r\nMCU_X = a\r\nMCU = atmega16\r\n", "atmega16"},
        {"MCU =\tatmega8\r\n", "\tatmega8"}, // seules les espaces sont retirées
        {"TARGET = main\r\nMCU = atmega8  ", "atmega8"},
        {"MCU =", ""},
        {"MCU = \r\nDEBUG = dwarf-2\r\n", ""},
        {"MCU = a/b \\\r\nc/d\r\n", "a/b \\"}, // pas de suite de ligne
    };
    for (const auto& [texte, attendu] : cas)
        EXPECT_EQ(LireParamètre(documentDe(texte), "MCU ="), attendu) << texte;
    EXPECT_TRUE(messages.messages.empty());
}

// Sans espace avant « = », dans une autre casse ou en commentaire : absente, un message critique
// (différent à la lecture et à l'écriture), et l'écriture ne touche à rien.
TEST_F(ParametreMakefile, CléAbsente) {
    for (const char* texte : {"MCU=atmega8\r\n", "mcu = atmega8\r\n", "# MCU = atmega8\r\n"}) {
        messages.messages.clear();
        etatMarquage().PositionRecherche = 12;
        EXPECT_EQ(LireParamètre(documentDe(texte), "MCU ="), QString());
        EXPECT_EQ(etatMarquage().PositionRecherche, -1);
        EXPECT_EQ(OutilsTests::textes(messages), QStringList{MessageParamètreManquantLecture("MCU =")});
    }
    EXPECT_FALSE(ValeurParamètre(documentDe("x"), "MCU =").has_value());
    EXPECT_EQ(ValeurParamètre(documentDe("MCU ="), "MCU ="), QString());

    messages.messages.clear();
    DocumentRiche d = documentDe("MCU=atmega8\r\nmcu = x\r\nXMCU = y\r\n");
    const ContenuRiche avant = d.contenu();
    etatMarquage().MarquageActif = true;
    EXPECT_FALSE(MarquerParamètre(d, "MCU =", "atmega16"));
    EXPECT_EQ(d.contenu(), avant);
    ASSERT_EQ(OutilsTests::textes(messages), QStringList{MessageParamètreManquantÉcriture("MCU =")});
    EXPECT_EQ(messages.messages[0].icône, IconeMessage::Critique);
    // Le message montre le vrai dossier de la configuration par défaut.
    etatGlobal().DossierInstallation = QStringLiteral("/opt/quillon");
    EXPECT_TRUE(MessageParamètreManquantLecture("MCU =").contains("« /opt/quillon/Modèle »"));
}

// La position de la clé est retenue (pour Suivant) sans toucher à la sélection ; l'écriture va sur
// la ligne du réglage, pas sur le commentaire, et remplace tout le reste de la ligne.
TEST_F(ParametreMakefile, ÉcritureSurLaLigneDuRéglage) {
    DocumentRiche d = documentDe("# réglages\r\nF_CPU = 1\r\nMCU = atmega8\r\n");
    d.sélectionner(2, 3);
    LireParamètre(d, "MCU =");
    EXPECT_EQ(etatMarquage().PositionRecherche, 23);
    EXPECT_EQ(std::pair(d.débutSélection(), d.longueurSélection()), std::pair(qsizetype(2), qsizetype(3)));

    DocumentRiche m = documentDe("#   MCU = atmega128\r\n\tMCU = atmega644p # ici\r\nOPT = s\r\nT = x");
    ASSERT_TRUE(MarquerParamètre(m, "MCU =", "atmega16"));
    EXPECT_EQ(std::tuple(etatMarquage().PositionRecherche, m.formatEn(4).couleur, m.formatEn(22).couleur),
              std::tuple(22, Noir, Rouge));
    ASSERT_TRUE(MarquerParamètre(m, "T =", "BP-LED")); // dernière ligne sans fin de ligne
    ASSERT_TRUE(MarquerParamètre(m, "OPT =", QString()));
    EXPECT_EQ(m.texte(), "#   MCU = atmega128\r\n\tMCU = atmega16\r\nOPT = \r\nT = BP-LED");
    // Une valeur ne coupe pas sa ligne.
    ASSERT_TRUE(MarquerParamètre(m, "OPT =", "s\r\nMCU = piège"));
    EXPECT_TRUE(m.texte().contains("\r\nOPT = s  MCU = piège\r\nT ="));
    EXPECT_TRUE(messages.messages.empty());
}

// La clé en gras rouge ; marquage éteint, la valeur garde son format d'origine, allumé elle passe
// en gras bleu ; ni la fin de ligne ni la ligne suivante ne bougent, et une valeur écrite derrière
// une clé sans rien ne prend pas son rouge.
TEST_F(ParametreMakefile, Marques) {
    DocumentRiche d = documentDe("MCU = atmega8 # x\r\nF_CPU = 1\r\nCompilCoff =\r\nBAUD =");
    d.sélectionner(5, 12);
    d.définirItalique(true);
    d.définirCouleur(Vert);
    ASSERT_TRUE(MarquerParamètre(d, "MCU =", "atmega16"));
    for (const int i : {0, 4, 5, 13, 14, 16}) {
        const FormatCaractere f = d.formatEn(i);
        EXPECT_EQ(std::tuple(f.gras, f.couleur, f.italique), std::tuple(i < 5,
                                                                        i < 5    ? Rouge
                                                                        : i < 14 ? Vert
                                                                                 : Noir,
                                                                        i >= 5 && i < 14))
            << i;
    }
    for (const char* clé : {"CompilCoff =", "BAUD ="})
        ASSERT_TRUE(MarquerParamètre(d, clé, "9600"));
    EXPECT_EQ(d.formatEn(d.texte().indexOf("Coff = 9") + 7).couleur, Noir);
    EXPECT_EQ(d.formatEn(d.texte().size() - 3).couleur, Noir);

    etatMarquage().MarquageActif = true;
    ASSERT_TRUE(MarquerParamètre(d, "F_CPU =", "8000000"));
    const qsizetype p = d.texte().indexOf("F_CPU =");
    for (qsizetype i = p + 7; i < p + 16; ++i)
        EXPECT_EQ(std::tuple(d.formatEn(i).gras, d.formatEn(i).couleur),
                  std::tuple(i < p + 15, i < p + 15 ? Bleu : Noir))
            << i;
}
