// Lecture de la sortie d'avrdude, lignes de commande et listes de bits, sans lancer avrdude.
#include "fuses/FusiblesAvrdude.h"
#include "fuses/SortieAvrdude.h"

#include <gtest/gtest.h>

using namespace Avrdude;

namespace {

// Sortie fusionnée d'avrdude 7.1 pour une lecture réussie, l'octet brut en place.
QString sortie71(char16_t octet) {
    return QStringLiteral("\navrdude: AVR device initialized and ready to accept instructions\n"
                          "avrdude: device signature = 0x1e9307 (probably m8)\n"
                          "avrdude: reading hfuse memory ...\n"
                          "avrdude: writing output file <stdout>\n") +
           QChar(octet) + QStringLiteral("\navrdude done.  Thank you.\n\n");
}

Exécution réussie(const QString& sortie) {
    return {0, 0, sortie};
}

} // namespace

TEST(SortieAvrdude, OctetBrutApresLaFinDeLigneQuelQuIlSoit) {
    // Ce qui ressemble à une fin de ligne, à une fin de texte ou à une lettre accentuée.
    for (char16_t v : {0xD9, 0x00, 0x0A, 0x0D}) {
        EXPECT_EQ(octetLu(sortie71(v)), std::optional<std::uint8_t>(v)) << int(v);
        // La console le montre en hexadécimal sur sa propre ligne, pas en caractère.
        const QString console = texteConsole(sortie71(v));
        EXPECT_TRUE(console.contains(
            QStringLiteral("<stdout>\n0x%1\n").arg(QString::number(v, 16).toUpper().rightJustified(2, u'0'))))
            << console.toStdString();
        EXPECT_EQ(console.size(), sortie71(v).size() + 3);
    }
    // Anciennes versions sous Windows : nom entre guillemets et CR LF ; l'octet peut être un LF.
    const QString ancienne = QStringLiteral("avrdude: writing output file \"<stdout>\"\r\n");
    EXPECT_EQ(octetLu(ancienne + QChar(0x0A) + QStringLiteral("\r\n\r\navrdude done.")), 0x0A);
    // Pas d'annonce, annonce sans octet, annonce sur une autre ligne que le nom : rien de deviné.
    EXPECT_FALSE(octetLu(QStringLiteral("avrdude: reading hfuse memory\navrdude done.  Thank you.\n")));
    EXPECT_FALSE(octetLu(QStringLiteral("avrdude: writing output file <stdout>\n")));
    EXPECT_FALSE(octetLu(QStringLiteral("avrdude: writing output file <stdout>")));
    EXPECT_FALSE(octetLu(QStringLiteral("writing output file x\n<stdout>\nA")));
}

TEST(SortieAvrdude, IssuesDesExecutions) {
    const QString bonne = sortie71(0xD9);
    // avrdude 7 annonce « error » pour -u puis écrit : ce n'est pas un échec.
    const QString écriture =
        QStringLiteral("avrdude error: \"safemode\" feature no longer supported\n\n"
                       "avrdude: writing 1 byte hfuse ...\navrdude: 1 byte of hfuse written\n"
                       "avrdude: verifying hfuse memory against 201\navrdude: 1 byte of hfuse verified\n\n"
                       "avrdude done.  Thank you.\n\n");
    // Mémoire inconnue du composant : avrdude prévient, n'écrit rien et finit avec 0.
    const QString sautée = QStringLiteral("avrdude warning: skipping -U lfuse:... as memory not defined for "
                                          "part ATtiny12\n\navrdude done.  Thank you.\n\n");
    const QString délai = QStringLiteral("avrdude error: timeout communicating with programmer\n");
    // Mémoire vide : une lecture. Réussite, programmateur muet et arrêt : vus avec le vrai avrdude.
    const struct {
        Exécution e;
        const char* mémoire;
        Issue issue;
    } cas[] = {{réussie(écriture), "lfuse", Issue::Erreur},
               {réussie("avrdude error: verification mismatch\n" + bonne), "", Issue::Erreur},
               {réussie("avrdude: reading\nU\n"), "", Issue::Erreur}, // succès sans octet annoncé
               {réussie(sautée), "lfuse", Issue::Erreur},
               {{0, 1, bonne}, "", Issue::Erreur},
               {{0, 1, délai}, "", Issue::Communication}};
    for (const auto& c : cas) {
        SCOPED_TRACE(c.e.sortie.left(50).toStdString());
        const Bilan b = *c.mémoire ? analyserEcriture(c.e, c.mémoire) : analyserLecture(c.e);
        EXPECT_EQ(b.issue, c.issue);
        EXPECT_FALSE(b.valeur.has_value());
    }
}

TEST(SortieAvrdude, DescriptionDuComposant) {
    const QString bloc = QStringLiteral("part\n    desc = \"X\";\n    memory \"lfuse\"\n        size = 1;\n"
                                        "        read               = \"0101.0000--0000.0000\";\n"
                                        "        write              = \"1010.1100--1010.0000\";\n    ;\n"
                                        "    memory \"fuse\"\n        size = 1;\n    ;\n"
                                        "    memory \"lock\"\n        write = \"1010.1100\";\n    ;\n;\n");
    const auto d = analyserPartie(bloc);
    ASSERT_TRUE(d.has_value());
    // Mémoire lisible, présente sans lecture : vues avec le vrai avrdude (ATmega8, AT90S2313).
    EXPECT_EQ(std::tuple(d->accès("lock").lecture, d->accès("lock").écriture, d->accès("efuse").présente),
              std::tuple(false, true, false));
    // Deux composants, un texte quelconque : pas de réponse.
    EXPECT_FALSE(analyserPartie(bloc + bloc));
    EXPECT_FALSE(analyserPartie(QStringLiteral("avrdude: AVR Part \"x/S\" not found.\nValid parts are:\n")));
}

TEST(SortieAvrdude, LignesDeCommande) {
    // Un port à blancs reste un seul argument.
    EXPECT_EQ(préfixe(QStringLiteral("avrdude"), QStringLiteral("m8"), QStringLiteral("/tmp/mon port"),
                      QStringLiteral("avrisp")),
              QStringLiteral("avrdude -p m8 -P \"/tmp/mon port\" -c avrisp"));

    // -u quand la version n'a pas pu être lue (avant la 7 : vu avec un faux avrdude 6.3).
    EXPECT_TRUE(optionSécurité(lireVersion(QStringLiteral("bash: avrdude: command not found"))));
}

TEST(ListesDeBits, LignesAbsentes) {
    // Lire puis écrire des octets se voit avec le vrai avrdude ; des lignes absentes ne font pas
    // tomber le programme.
    ListeCoches courte(4);
    AfficherLecture(0xFF, 0, courte);
    EXPECT_EQ(std::tuple(LireBitAProgrammer(0, courte), LireBitAProgrammer(8, courte)), std::tuple(0xF0, 0));
}
