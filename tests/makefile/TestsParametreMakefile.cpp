#include "common/Messages.h"
#include "makefile/ParametreMakefile.h"
#include "outils/OutilsTests.h"

#include <gtest/gtest.h>

namespace {

class ParametreMakefile : public ::testing::Test {
protected:
    void SetUp() override { valeursMakefile().réinitialiser(); }
    void TearDown() override { valeursMakefile().réinitialiser(); }

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
    struct Cas {
        QString texte;
        QString clé;
        QString attendu;
    };
    const QList<Cas> cas = {
        {QStringLiteral("MCU = atmega8\r\n"), QStringLiteral("MCU ="), QStringLiteral("atmega8")},
        {QStringLiteral("  MCU =   atmega8  \r\n"), QStringLiteral("MCU ="), QStringLiteral("atmega8")},
        {QStringLiteral("XMCU = at90s1200\r\nMCU = atmega16\r\n"), QStringLiteral("MCU ="),
         QStringLiteral("atmega16")},
        {QStringLiteral("MCU_X = a\r\nMCU = atmega16\r\n"), QStringLiteral("MCU ="),
         QStringLiteral("atmega16")},
        // Les commentaires ne sont pas sautés.
        {QStringLiteral("# MCU = atmega8\r\nMCU = atmega16\r\n"), QStringLiteral("MCU ="),
         QStringLiteral("atmega8")},
        {QStringLiteral("OPT = s   # size\r\n"), QStringLiteral("OPT ="), QStringLiteral("s   # size")},
        // Seules les espaces sont retirées ; la tabulation reste.
        {QStringLiteral("MCU =\tatmega8\r\n"), QStringLiteral("MCU ="), QStringLiteral("\tatmega8")},
        // Pas de suite de ligne après une barre oblique inverse.
        {QStringLiteral("EXTRAINCDIRS = a/b \\\r\nc/d\r\n"), QStringLiteral("EXTRAINCDIRS ="),
         QStringLiteral("a/b \\")},
        // Dernière ligne sans fin de ligne : le reste du texte.
        {QStringLiteral("TARGET = main\r\nMCU = atmega8  "), QStringLiteral("MCU ="),
         QStringLiteral("atmega8")},
        {QStringLiteral("MCU ="), QStringLiteral("MCU ="), QString()},
        {QStringLiteral("CompilCoff = \r\nDEBUG = dwarf-2\r\n"), QStringLiteral("CompilCoff ="), QString()},
    };
    for (const auto& c : cas) {
        const DocumentRiche d = documentDe(c.texte);
        EXPECT_EQ(LireParamètre(d, c.clé), c.attendu) << c.texte.toStdString();
    }
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(ParametreMakefile, CléAbsenteÀLaLecture) {
    // Sans espace avant « = », ou dans une autre casse : absente.
    for (const QString& texte : {QStringLiteral("MCU=atmega8\r\n"), QStringLiteral("mcu = atmega8\r\n")}) {
        messages.messages.clear();
        valeursMakefile().PositionRecherche = 12;
        const DocumentRiche d = documentDe(texte);
        EXPECT_EQ(LireParamètre(d, QStringLiteral("MCU =")), QString());
        EXPECT_EQ(valeursMakefile().PositionRecherche, -1);
        ASSERT_EQ(messages.messages.size(), 1u);
        const Message& m = messages.messages[0];
        EXPECT_EQ(m.titre, QStringLiteral("Quillon"));
        EXPECT_EQ(m.icône, IconeMessage::Critique);
        EXPECT_EQ(m.boutons, BoutonsMessage::OK);
        EXPECT_EQ(m.texte,
                  QStringLiteral(
                      "Le paramètre «MCU =» est manquant dans votre makefile. Vous pouvez : \r\n"
                      "\r\n"
                      "1 - Supprimer votre makefile, le logiciel en recréra un nouveau lors de la prochaine "
                      "configuration,\r\n"
                      "2 - Editer votre makefile et celui qui se trouve dans le répertoire « "
                      "DossierDInstallation\\Quillon » et rajouter le paramètre «MCU =» ainsi que l'aide s'y "
                      "rapportant.\r\n"
                      "3 - Le rajouter à la main dans la configuration avancé >>>>,\r\n"
                      "4 - Abandonner lâchement ce P... de B... de M... de projet à la C...\r\n"
                      "5 - Me maudire, mais je vous le rendrais."));
    }
    // Sans message, l'absence se distingue d'une valeur vide.
    EXPECT_FALSE(ValeurParamètre(documentDe(QStringLiteral("x")), QStringLiteral("MCU =")).has_value());
    EXPECT_EQ(ValeurParamètre(documentDe(QStringLiteral("MCU =")), QStringLiteral("MCU =")), QString());
}

TEST_F(ParametreMakefile, LaPositionDeLaCléEstRetenue) {
    DocumentRiche d = documentDe(QStringLiteral("# réglages\r\nF_CPU = 1\r\nMCU = atmega8\r\n"));
    d.sélectionner(2, 3);
    LireParamètre(d, QStringLiteral("MCU ="));
    EXPECT_EQ(valeursMakefile().PositionRecherche, 23);
    // La lecture ne touche pas à la sélection.
    EXPECT_EQ(d.débutSélection(), 2);
    EXPECT_EQ(d.longueurSélection(), 3);
    MarquerParamètre(d, QStringLiteral("F_CPU ="), QStringLiteral("16000000"));
    EXPECT_EQ(valeursMakefile().PositionRecherche, 12);
}

TEST_F(ParametreMakefile, ÉcritureRemplaceToutLeResteDeLaLigne) {
    DocumentRiche d = documentDe(QStringLiteral("OPT = s   # size\r\nMCU = atmega8\r\nTARGET = x"));
    ASSERT_TRUE(MarquerParamètre(d, QStringLiteral("OPT ="), QStringLiteral("2")));
    ASSERT_TRUE(MarquerParamètre(d, QStringLiteral("MCU ="), QStringLiteral("atmega16")));
    EXPECT_EQ(d.texte(), QStringLiteral("OPT = 2\r\nMCU = atmega16\r\nTARGET = x"));
    EXPECT_EQ(LireParamètre(d, QStringLiteral("OPT =")), QStringLiteral("2"));
    // Valeur vide : la clé, une espace et c'est tout.
    ASSERT_TRUE(MarquerParamètre(d, QStringLiteral("MCU ="), QString()));
    EXPECT_EQ(d.texte(), QStringLiteral("OPT = 2\r\nMCU = \r\nTARGET = x"));
    // Dernière ligne sans fin de ligne : le reste du texte.
    ASSERT_TRUE(MarquerParamètre(d, QStringLiteral("TARGET ="), QStringLiteral("BP-LED")));
    EXPECT_EQ(d.texte(), QStringLiteral("OPT = 2\r\nMCU = \r\nTARGET = BP-LED"));
    // Une valeur ne coupe pas sa ligne.
    ASSERT_TRUE(MarquerParamètre(d, QStringLiteral("OPT ="), QStringLiteral("s\r\nMCU = piège")));
    EXPECT_EQ(d.texte(), QStringLiteral("OPT = s  MCU = piège\r\nMCU = \r\nTARGET = BP-LED"));
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(ParametreMakefile, MarquesDeLaCléEtDeLaValeur) {
    // Valeur en italique vert d'origine : gardée telle quelle tant que le marquage est éteint.
    DocumentRiche d = documentDe(QStringLiteral("MCU = atmega8 # x\r\nF_CPU = 1\r\n"));
    d.sélectionner(5, 12);
    d.définirItalique(true);
    d.définirCouleur({0, 128, 0});
    ASSERT_TRUE(MarquerParamètre(d, QStringLiteral("MCU ="), QStringLiteral("atmega16")));
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
    valeursMakefile().MarquageActif = true;
    ASSERT_TRUE(MarquerParamètre(d, QStringLiteral("F_CPU ="), QStringLiteral("8000000")));
    const qsizetype p = d.texte().indexOf(QStringLiteral("F_CPU ="));
    EXPECT_EQ(d.formatEn(p).couleur, Rouge);
    EXPECT_TRUE(d.formatEn(p + 6).gras);
    for (qsizetype i = p + 7; i < p + 15; ++i) {
        EXPECT_TRUE(d.formatEn(i).gras) << i;
        EXPECT_EQ(d.formatEn(i).couleur, Bleu) << i;
    }
    EXPECT_EQ(d.formatEn(p + 15).couleur, Noir);
}

TEST_F(ParametreMakefile, UneValeurVideNePrendPasLeRougeDeLaClé) {
    // Rien après la clé : la valeur écrite ne doit pas hériter du rouge qu'on vient de lui mettre.
    DocumentRiche d = documentDe(QStringLiteral("CompilCoff =\r\nDEBUG = x\r\n"));
    ASSERT_TRUE(MarquerParamètre(d, QStringLiteral("CompilCoff ="), QStringLiteral("coff")));
    EXPECT_EQ(d.texte(), QStringLiteral("CompilCoff = coff\r\nDEBUG = x\r\n"));
    EXPECT_EQ(d.formatEn(11).couleur, Rouge);
    for (int i = 12; i < 17; ++i) {
        EXPECT_EQ(d.formatEn(i).couleur, Noir) << i;
        EXPECT_FALSE(d.formatEn(i).gras) << i;
    }
    // Même chose sur la dernière ligne.
    DocumentRiche e = documentDe(QStringLiteral("BAUD ="));
    ASSERT_TRUE(MarquerParamètre(e, QStringLiteral("BAUD ="), QStringLiteral("9600")));
    EXPECT_EQ(e.texte(), QStringLiteral("BAUD = 9600"));
    EXPECT_EQ(e.formatEn(8).couleur, Noir);
}

TEST_F(ParametreMakefile, CléAbsenteÀLÉcriture) {
    DocumentRiche d = documentDe(QStringLiteral("MCU=atmega8\r\nmcu = x\r\nXMCU = y\r\n"));
    const ContenuRiche avant = d.contenu();
    valeursMakefile().MarquageActif = true;
    EXPECT_FALSE(MarquerParamètre(d, QStringLiteral("MCU ="), QStringLiteral("atmega16")));
    EXPECT_EQ(d.contenu(), avant);
    EXPECT_EQ(valeursMakefile().PositionRecherche, -1);
    ASSERT_EQ(messages.messages.size(), 1u);
    const Message& m = messages.messages[0];
    EXPECT_EQ(m.titre, QStringLiteral("Quillon"));
    EXPECT_EQ(m.icône, IconeMessage::Critique);
    EXPECT_EQ(m.boutons, BoutonsMessage::OK);
    EXPECT_EQ(m.texte,
              QStringLiteral("Le paramètre «MCU =» est manquant dans votre makefile. Vous pouvez : \r\n"
                             "\r\n"
                             "1 - Supprimer votre makefile, le logiciel en recréra un nouveau lors de la "
                             "prochaine configuration,\r\n"
                             "2 - Editer votre makefile et celui qui se trouve dans le répertoire « "
                             "DossierDInstallation\\Quillon » et rajouter le paramètre «MCU =» ainsi que "
                             "l'aide s'y rapportant.\r\n"
                             "3 - Abandonner lâchement ce P... de B... de M... de projet à la C...\r\n"
                             "4 - Me maudire, mais je vous le rendrais."));
}

TEST_F(ParametreMakefile, ChangeCaractère) {
    EXPECT_EQ(ChangeCaractère(QStringLiteral("c:/avr/include"), QStringLiteral("/"), QStringLiteral("\\")),
              QStringLiteral("c:\\avr\\include"));
    EXPECT_EQ(ChangeCaractère(QStringLiteral("c:\\avr\\include"), QStringLiteral("\\"), QStringLiteral("/")),
              QStringLiteral("c:/avr/include"));
    EXPECT_EQ(ChangeCaractère(QStringLiteral("sans barre"), QStringLiteral("/"), QStringLiteral("\\")),
              QStringLiteral("sans barre"));
    // Sans égard à la casse ; un remplaçant qui contient l'ancien ne fait pas tourner en rond.
    EXPECT_EQ(ChangeCaractère(QStringLiteral("Abaà"), QStringLiteral("a"), QStringLiteral("aa")),
              QStringLiteral("aabaaà"));
    EXPECT_EQ(ChangeCaractère(QStringLiteral("x"), QString(), QStringLiteral("y")), QStringLiteral("x"));
}

TEST_F(ParametreMakefile, ToutesLesClésDeLaConfigurationParDéfaut) {
    // Le modèle livré se lit et chaque clé s'y écrit puis s'y relit, sans message.
    DocumentRiche d;
    QString erreur;
    ASSERT_TRUE(
        d.charger(OutilsTests::dossierSources() + QStringLiteral("/data/Modèle/makefile.rtf"), &erreur))
        << erreur.toStdString();
    ASSERT_TRUE(d.venuDUnRtf());
    const QStringList clés = {QStringLiteral("MCU ="),
                              QStringLiteral("F_CPU ="),
                              QStringLiteral("OPT ="),
                              QStringLiteral("FORMAT ="),
                              QStringLiteral("EXTRAINCDIRS ="),
                              QStringLiteral("DIRAVR ="),
                              QStringLiteral("AVRDUDE_PROGRAMMER ="),
                              QStringLiteral("AVRDUDE_PORT ="),
                              QStringLiteral("AVRDUDE_FLAGS ="),
                              QStringLiteral("CompilCoff ="),
                              QStringLiteral("DEBUG ="),
                              QStringLiteral("AffichageMemoire ="),
                              QStringLiteral("TARGET ="),
                              QStringLiteral("BAUD ="),
                              QStringLiteral("AVRStudioExclusif =")};
    EXPECT_EQ(LireParamètre(d, QStringLiteral("MCU =")), QStringLiteral("atmega8"));
    valeursMakefile().MarquageActif = true;
    for (const QString& clé : clés) {
        const QString valeur = QStringLiteral("valeur de ") + clé.chopped(2);
        ASSERT_TRUE(MarquerParamètre(d, clé, valeur)) << clé.toStdString();
        EXPECT_EQ(LireParamètre(d, clé), valeur);
    }
    EXPECT_TRUE(messages.messages.empty());
    // Le texte enregistré relu garde les valeurs.
    DocumentRiche relu;
    relu.chargerDonnées(d.octetsTexte());
    EXPECT_EQ(LireParamètre(relu, QStringLiteral("AVRDUDE_PORT =")),
              QStringLiteral("valeur de AVRDUDE_PORT"));
}
