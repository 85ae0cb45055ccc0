// Le découpage du modèle de code et la mise en forme des valeurs écrites.
#include "outils/OutilsAvr.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace OutilsAvr;

TEST(GenerateurPWM, SectionJusquÀLaLigneFinEtEnTêteSelonCBInit) {
    QTemporaryDir d;
    CapacitésComposant c = composant(QStringLiteral("atmega8"));
    c.ModèleDeCode = QStringLiteral("essai.txt");
    // Un commentaire qui contient « Fin » ne coupe pas la section.
    OutilsTests::ecrireFichier(
        d.filePath(QStringLiteral("essai.txt")),
        "Code PWM Timer2\nvoid InitMLITimer2(void)\n{\n\t// Fin de course : F :\n"
        "\tOCR2=;\n\tTCCR2=;\n\tICR9=;\n}\nFin\nCode PWM Timer1A\nautre\nFin\nFin Fichier\n");
    EntréesGénérateur e =
        entrées(c, indexSortie(c, QStringLiteral("OC2")), 16e6, 1000, 0.25, QStringLiteral("FPWM"), d.path());
    DocumentRiche doc;
    ASSERT_TRUE(GénérerLeCodePWM(e, doc).ok());
    EXPECT_EQ(doc.texte(),
              QStringLiteral("void InitMLITimer2(void)\r\n{\r\n\t// Fin de course : F : 976,6 Hz \r\n"
                             "\tOCR2=63 ;\r\n\tTCCR2=0x6C ;// 0110 1100\r\n}\r\n"));
    // La valeur ressort du commentaire qui la suit.
    const FormatCaractere valeur = doc.formatEn(doc.texte().indexOf(QStringLiteral("0x6C")));
    EXPECT_TRUE(valeur.gras && valeur.italique);
    EXPECT_NE(valeur, doc.formatEn(doc.texte().indexOf(QStringLiteral("0110"))));

    e.CBInit = false;
    ASSERT_TRUE(GénérerLeCodePWM(e, doc).ok());
    EXPECT_TRUE(doc.texte().startsWith(QStringLiteral("\t// Fin de course")));
    EXPECT_FALSE(doc.texte().contains(u'{') || doc.texte().contains(u'}'));

    // Échec : un message, et le document vide plutôt que le code d'avant.
    e.fréquenceVoulue = 0;
    EXPECT_FALSE(GénérerLeCodePWM(e, doc).ok());
    EXPECT_TRUE(doc.texte().isEmpty());
    e.fréquenceVoulue = 1000;
    c.ModèleDeCode = QStringLiteral("absent.txt");
    EXPECT_FALSE(GénérerLeCodePWM(e, doc).ok());
}

// Deux sorties du Timer0 : même mode et même prédivision s'entendent ; une autre prédivision, un autre mode du
// compteur ou un autre sommet partagé est dit, avec le registre en cause.
TEST(GenerateurPWM, DeuxSortiesDUnTimerSEntendentOuLeDisent) {
    const CapacitésComposant c = composant(QStringLiteral("atmega328p"));
    auto écrites = [&](const QString& sortie, const QString& mode, double f) {
        const auto r = GenerateurPWM::calculer(entrées(c, indexSortie(c, sortie), 16e6, f, 0.5, mode));
        EXPECT_TRUE(r.ok()) << r.erreur.toStdString();
        return GenerateurPWM::écritures(c.timers[std::size_t(r.indexTimer)], r.réglage);
    };
    // OC0A puis OC0B ; 1 kHz exact sur OC0B prend OCR0A comme sommet : OC0A perd sa MLI, et c'est dit.
    for (const auto& [modeA, fA, modeB, fB, registre] : {std::tuple{"FPWM", 976.5625, "FPWM", 976.5625, ""},
                                                         {"FPWM", 976.5625, "FPWM", 7812.5, "TCCR0B"},
                                                         {"FPWM", 1000.0, "FPWM", 1000.0, "TCCR0A"},
                                                         {"CTC", 1000.0, "CTC", 2000.0, "OCR0A"}}) {
        const QString conflit =
            GenerateurPWM::conflit(écrites("OC0A", modeA, fA), écrites("OC0B", modeB, fB));
        EXPECT_EQ(conflit.section(u' ', 0, 0), QString::fromLatin1(registre)) << modeA << " / " << modeB;
    }
}
