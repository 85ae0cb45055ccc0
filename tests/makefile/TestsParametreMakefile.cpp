#include "common/Messages.h"
#include "makefile/ParametreMakefile.h"

#include <gtest/gtest.h>

namespace {

class ParametreMakefile : public ::testing::Test {
protected:
    void SetUp() override {
        valeursMakefile().réinitialiser();
        etatMarquage().réinitialiser();
    }
    void TearDown() override {
        valeursMakefile().réinitialiser();
        etatMarquage().réinitialiser();
    }

    static DocumentRiche documentDe(const QString& texte) {
        DocumentRiche d;
        d.définirTexte(texte);
        return d;
    }

    EnregistreurMessages messages;
};

const CouleurRVB Noir{0, 0, 0};
const CouleurRVB Rouge{255, 0, 0};
const CouleurRVB Bleu{0, 0, 255};

} // namespace

TEST_F(ParametreMakefile, LectureSelonLaRègleDesClés) {
    const std::pair<const char*, const char*> cas[] = {
        {"MCU = atmega8\r\n", "atmega8"},
        {"  MCU =   atmega8  \r\n", "atmega8"},
        {"XMCU = at90s1200\r\nMCU = atmega16\r\n", "atmega16"},
        {"MCU_X = a\r\nMCU = atmega16\r\n", "atmega16"},
        // Une clé ne compte qu'en tête de sa ligne : ni dans un commentaire, ni après un « # ».
        {"# MCU = atmega8\r\nMCU = atmega16\r\n", "atmega16"},
        {"#\tMCU = atmega8\r\nOPT = s # MCU = atmega8\r\n\t  MCU = atmega16\r\n", "atmega16"},
        // Seules les espaces sont retirées ; la tabulation reste.
        {"MCU =\tatmega8\r\n", "\tatmega8"},
        // Dernière ligne sans fin de ligne : le reste du texte.
        {"TARGET = main\r\nMCU = atmega8  ", "atmega8"},
        {"MCU =", ""},
        {"MCU = \r\nDEBUG = dwarf-2\r\n", ""},
    };
    for (const auto& [texte, attendu] : cas)
        EXPECT_EQ(LireParamètre(documentDe(texte), "MCU ="), attendu) << texte;
    EXPECT_EQ(LireParamètre(documentDe("OPT = s   # size\r\n"), "OPT ="), "s   # size");
    // Pas de suite de ligne après une barre oblique inverse.
    EXPECT_EQ(LireParamètre(documentDe("EXTRAINCDIRS = a/b \\\r\nc/d\r\n"), "EXTRAINCDIRS ="), "a/b \\");
    EXPECT_TRUE(messages.messages.empty());
}

// Sans espace avant « = », ou dans une autre casse, ou collée à un autre mot : absente. Le
// message diffère à la lecture et à l'écriture ; l'écriture ne touche à rien.
TEST_F(ParametreMakefile, CléAbsente) {
    for (const char* texte : {"MCU=atmega8\r\n", "mcu = atmega8\r\n", "# MCU = atmega8\r\n"}) {
        messages.messages.clear();
        etatMarquage().PositionRecherche = 12;
        EXPECT_EQ(LireParamètre(documentDe(texte), "MCU ="), QString());
        EXPECT_EQ(etatMarquage().PositionRecherche, -1);
        ASSERT_EQ(messages.messages.size(), 1u);
    }
    const Message lecture = messages.messages[0];
    EXPECT_EQ(lecture.titre, "Quillon");
    EXPECT_EQ(lecture.icône, IconeMessage::Critique);
    EXPECT_EQ(lecture.boutons, BoutonsMessage::OK);
    EXPECT_EQ(lecture.texte,
              "Le paramètre «MCU =» est manquant dans votre makefile. Vous pouvez : \r\n"
              "\r\n"
              "1 - Supprimer votre makefile, le logiciel en recréra un nouveau lors de la prochaine "
              "configuration,\r\n"
              "2 - Editer votre makefile et celui qui se trouve dans le répertoire « "
              "DossierDInstallation\\Quillon » et rajouter le paramètre «MCU =» ainsi que l'aide s'y "
              "rapportant.\r\n"
              "3 - Le rajouter à la main dans la configuration avancé >>>>,\r\n"
              "4 - Abandonner lâchement ce P... de B... de M... de projet à la C...\r\n"
              "5 - Me maudire, mais je vous le rendrais.");
    // Sans message, l'absence se distingue d'une valeur vide.
    EXPECT_FALSE(ValeurParamètre(documentDe("x"), "MCU =").has_value());
    EXPECT_EQ(ValeurParamètre(documentDe("MCU ="), "MCU ="), QString());

    messages.messages.clear();
    DocumentRiche d = documentDe("MCU=atmega8\r\nmcu = x\r\nXMCU = y\r\n");
    const ContenuRiche avant = d.contenu();
    etatMarquage().MarquageActif = true;
    EXPECT_FALSE(MarquerParamètre(d, "MCU =", "atmega16"));
    EXPECT_EQ(d.contenu(), avant);
    EXPECT_EQ(etatMarquage().PositionRecherche, -1);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].icône, IconeMessage::Critique);
    EXPECT_EQ(messages.messages[0].texte,
              "Le paramètre «MCU =» est manquant dans votre makefile. Vous pouvez : \r\n"
              "\r\n"
              "1 - Supprimer votre makefile, le logiciel en recréra un nouveau lors de la "
              "prochaine configuration,\r\n"
              "2 - Editer votre makefile et celui qui se trouve dans le répertoire « "
              "DossierDInstallation\\Quillon » et rajouter le paramètre «MCU =» ainsi que "
              "l'aide s'y rapportant.\r\n"
              "3 - Abandonner lâchement ce P... de B... de M... de projet à la C...\r\n"
              "4 - Me maudire, mais je vous le rendrais.");
}

TEST_F(ParametreMakefile, LaPositionDeLaCléEstRetenue) {
    DocumentRiche d = documentDe("# réglages\r\nF_CPU = 1\r\nMCU = atmega8\r\n");
    d.sélectionner(2, 3);
    LireParamètre(d, "MCU =");
    EXPECT_EQ(etatMarquage().PositionRecherche, 23);
    // La lecture ne touche pas à la sélection.
    EXPECT_EQ(d.débutSélection(), 2);
    EXPECT_EQ(d.longueurSélection(), 3);
    MarquerParamètre(d, "F_CPU =", "16000000");
    EXPECT_EQ(etatMarquage().PositionRecherche, 12);

    // L'écriture va sur la ligne du réglage, pas sur le commentaire qui montre une autre valeur ;
    // la clé passe en rouge là, et seulement là.
    DocumentRiche m = documentDe("#   MCU = atmega128\r\n\tMCU = atmega644p # ici\r\n");
    ASSERT_TRUE(MarquerParamètre(m, "MCU =", "atmega16"));
    EXPECT_EQ(m.texte(), "#   MCU = atmega128\r\n\tMCU = atmega16\r\n");
    EXPECT_EQ(etatMarquage().PositionRecherche, 22);
    EXPECT_EQ(m.formatEn(4).couleur, Noir);
    EXPECT_EQ(m.formatEn(22).couleur, Rouge);
}

TEST_F(ParametreMakefile, ÉcritureRemplaceToutLeResteDeLaLigne) {
    DocumentRiche d = documentDe("OPT = s   # size\r\nMCU = atmega8\r\nTARGET = x");
    ASSERT_TRUE(MarquerParamètre(d, "OPT =", "2"));
    ASSERT_TRUE(MarquerParamètre(d, "MCU =", "atmega16"));
    EXPECT_EQ(d.texte(), "OPT = 2\r\nMCU = atmega16\r\nTARGET = x");
    EXPECT_EQ(LireParamètre(d, "OPT ="), "2");
    // Valeur vide : la clé, une espace et c'est tout.
    ASSERT_TRUE(MarquerParamètre(d, "MCU =", QString()));
    EXPECT_EQ(d.texte(), "OPT = 2\r\nMCU = \r\nTARGET = x");
    // Dernière ligne sans fin de ligne : le reste du texte.
    ASSERT_TRUE(MarquerParamètre(d, "TARGET =", "BP-LED"));
    EXPECT_EQ(d.texte(), "OPT = 2\r\nMCU = \r\nTARGET = BP-LED");
    // Une valeur ne coupe pas sa ligne.
    ASSERT_TRUE(MarquerParamètre(d, "OPT =", "s\r\nMCU = piège"));
    EXPECT_EQ(d.texte(), "OPT = s  MCU = piège\r\nMCU = \r\nTARGET = BP-LED");
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(ParametreMakefile, MarquesDeLaCléEtDeLaValeur) {
    // Valeur en italique vert d'origine : gardée telle quelle tant que le marquage est éteint.
    DocumentRiche d = documentDe("MCU = atmega8 # x\r\nF_CPU = 1\r\n");
    d.sélectionner(5, 12);
    d.définirItalique(true);
    d.définirCouleur({0, 128, 0});
    ASSERT_TRUE(MarquerParamètre(d, "MCU =", "atmega16"));
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(d.formatEn(i).gras) << i;
        EXPECT_EQ(d.formatEn(i).couleur, Rouge) << i;
    }
    for (int i = 5; i < 14; ++i) {
        EXPECT_FALSE(d.formatEn(i).gras) << i;
        EXPECT_TRUE(d.formatEn(i).italique) << i;
        EXPECT_EQ(d.formatEn(i).couleur, (CouleurRVB{0, 128, 0})) << i;
    }
    EXPECT_EQ(d.formatEn(14).couleur, Noir); // la fin de ligne n'a pas bougé
    EXPECT_FALSE(d.formatEn(16).gras);       // ni la ligne suivante
    EXPECT_EQ(d.formatEn(16).couleur, Noir);

    // Marquage allumé : la valeur en gras bleu.
    etatMarquage().MarquageActif = true;
    ASSERT_TRUE(MarquerParamètre(d, "F_CPU =", "8000000"));
    const qsizetype p = d.texte().indexOf("F_CPU =");
    EXPECT_EQ(d.formatEn(p).couleur, Rouge);
    EXPECT_TRUE(d.formatEn(p + 6).gras);
    for (qsizetype i = p + 7; i < p + 15; ++i) {
        EXPECT_TRUE(d.formatEn(i).gras) << i;
        EXPECT_EQ(d.formatEn(i).couleur, Bleu) << i;
    }
    EXPECT_EQ(d.formatEn(p + 15).couleur, Noir);
}

TEST_F(ParametreMakefile, UneValeurVideNePrendPasLeRougeDeLaClé) {
    // Rien après la clé : la valeur écrite ne doit pas hériter du rouge qu'on vient de lui mettre,
    // au milieu du texte comme sur la dernière ligne.
    DocumentRiche d = documentDe("CompilCoff =\r\nDEBUG = x\r\n");
    ASSERT_TRUE(MarquerParamètre(d, "CompilCoff =", "coff"));
    EXPECT_EQ(d.texte(), "CompilCoff = coff\r\nDEBUG = x\r\n");
    EXPECT_EQ(d.formatEn(11).couleur, Rouge);
    for (int i = 12; i < 17; ++i) {
        EXPECT_EQ(d.formatEn(i).couleur, Noir) << i;
        EXPECT_FALSE(d.formatEn(i).gras) << i;
    }
    DocumentRiche e = documentDe("BAUD =");
    ASSERT_TRUE(MarquerParamètre(e, "BAUD =", "9600"));
    EXPECT_EQ(e.texte(), "BAUD = 9600");
    EXPECT_EQ(e.formatEn(8).couleur, Noir);
}

TEST_F(ParametreMakefile, ChangeCaractère) {
    EXPECT_EQ(ChangeCaractère("c:/avr/include", "/", "\\"), "c:\\avr\\include");
    EXPECT_EQ(ChangeCaractère("c:\\avr\\include", "\\", "/"), "c:/avr/include");
    EXPECT_EQ(ChangeCaractère("sans barre", "/", "\\"), "sans barre");
    // Sans égard à la casse ; un remplaçant qui contient l'ancien ne fait pas tourner en rond.
    EXPECT_EQ(ChangeCaractère("Abaà", "a", "aa"), "aabaaà");
    EXPECT_EQ(ChangeCaractère("x", QString(), "y"), "x");
}
