// Lecteur et écrivain RTF : aller-retour, unrtf, LibreOffice, fichiers mal formés.
#include "outils/OutilsTests.h"
#include "ui/Rtf.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

ContenuRiche lireFixture(const QString& nom) {
    const QByteArray d =
        OutilsTests::lireFichier(OutilsTests::dossierSources() + "/tests/fixtures/rtf/" + nom);
    EXPECT_TRUE(Rtf::estRtf(d)) << nom.toStdString();
    return Rtf::lire(d);
}

// Format du premier caractère de la première occurrence de mot, les segments étant contigus et
// couvrant exactement le texte.
FormatCaractere formatDe(const ContenuRiche& c, const QString& mot) {
    qsizetype fin = 0;
    for (const auto& s : c.segments) {
        EXPECT_EQ(s.début, fin);
        EXPECT_GT(s.longueur, 0);
        fin = s.début + s.longueur;
    }
    EXPECT_EQ(fin, c.texte.size());
    const qsizetype p = c.texte.indexOf(mot);
    for (const auto& s : c.segments)
        if (p >= s.début && p < s.début + s.longueur) return s.format;
    ADD_FAILURE() << "aucun segment pour " << mot.toStdString();
    return {};
}

FormatCaractere format(bool gras, bool italique, double taille, const QString& police,
                       CouleurRVB couleur = {}) {
    return {gras, italique, couleur, police, taille};
}

QStringList mots(const QString& t) {
    return t.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
}

} // namespace

// Formats, accents, hors 1252, accolades, barres obliques inverses, tabulations, un saut de format
// au milieu d'un CR LF : relu à l'identique, réécrit aux mêmes octets, et rien que de l'ASCII.
TEST(Rtf, AllerRetourParNotreLecteurÀLIdentique) {
    ContenuRiche c;
    const FormatCaractere normal,
        clé = format(true, false, 10, "Courier New", {255, 0, 0}),
        commentaire = format(false, true, 10.5, "Times New Roman", CouleurRVB::depuisBVR(0x808000));
    for (const auto& [t, f] :
         {std::pair<QString, FormatCaractere>{"# Fréquence « élevée » : 5 € – Œuvre ½\r\n", commentaire},
          {"F_CPU =", clé},
          {"\r\n\r\nEXTRAINCDIRS = c:\\avr\\{inc}\tz\r\n", normal},
          {"Ωμέγα 漢字 \U0001F600 fin", commentaire}}) {
        c.segments.push_back({c.texte.size(), t.size(), f});
        c.texte += t;
    }
    const QByteArray rtf = Rtf::écrire(c);
    for (const char o : rtf)
        ASSERT_LT(static_cast<unsigned char>(o), 0x80);
    const ContenuRiche relu = Rtf::lire(rtf);
    EXPECT_TRUE(relu == c);
    EXPECT_EQ(Rtf::écrire(relu), rtf);
}

TEST(Rtf, UnrtfLitNotreRtfSansSePlaindreEtTrouveLesMêmesMots) {
    EXIGER_OUTILS("unrtf");
    const QString texte = "# Réglage de l'horloge : fréquence élevée\r\nMCU = atmega8\r\n\r\n"
                          "F_CPU\t=\t8000000 # çà et là, « guillemets »\r\nCHEMIN = c:\\avr\\{inc} fin";
    ContenuRiche c{texte,
                   {{0, 10, {}}, {10, texte.size() - 10, format(true, true, 12, "Arial", {0, 0, 255})}}};
    QTemporaryDir dossier;
    const QString chemin = dossier.filePath("essai.rtf");
    OutilsTests::ecrireFichier(chemin, Rtf::écrire(c));
    QByteArray sortie, erreurs;
    ASSERT_EQ(OutilsTests::executer("unrtf", {"--text", chemin}, &sortie, &erreurs), 0);
    EXPECT_TRUE(erreurs.trimmed().isEmpty()) << erreurs.toStdString();
    // unrtf écrit en 1252 après un en-tête de commentaires « ### ».
    QString lu;
    for (const char o : sortie)
        lu += Rtf::caractère1252(std::uint8_t(o));
    QStringList lignes = lu.split(u'\n');
    lignes.removeIf([](const QString& l) { return l.startsWith("###") || l.startsWith(u'-'); });
    EXPECT_EQ(mots(lignes.join(u'\n')), mots(texte));
}

// LibreOffice : texte, couleurs, \cf0 noir (destinations sautées, échappements et groupes : vus
// plus bas).
TEST(Rtf, LitLesRtfDeLibreOffice) {
    const ContenuRiche l = lireFixture("libreoffice_couleurs.rtf");
    EXPECT_TRUE(l.texte.startsWith("# Fréquence du microcontrôleur\r\nF_CPU = 8000000\r\n"));
    EXPECT_TRUE(l.texte.contains("Réglé à l'été : à ne pas modifier « sans raison »."));
    EXPECT_EQ(formatDe(l, "F_CPU"), format(true, false, 10, "Courier New", {255, 0, 0}));
    EXPECT_EQ(formatDe(l, "# Fr").couleur, (CouleurRVB{0, 0, 0}));
}

// \'e9 en 1252, \u avec son repli sauté (\uc1 par défaut), \uc0 sans repli, \uc2, \u négatif ;
// groupes imbriqués dont le format se rétablit, destinations inconnues ou ignorées sautées.
TEST(Rtf, ÉchappementsGroupesEtDestinations) {
    EXPECT_EQ(
        Rtf::lire(QByteArrayLiteral("{\\rtf1\\ansi\\ansicpg1252 caf\\'e9 \\'80\\'9c "
                                    "\\u233?t\\u233\\'e9 {\\uc0\\u8364 x}{\\uc2\\u8364\\'80\\'80y} \\u-3913? "
                                    "\\{\\}\\\\ a\\tab b\\line c\\par d\\~e\\emdash f}"))
            .texte,
        "café €œ été €x€y \uF0B7 {}\\ a\tb\r\nc\r\nd\u00A0e\u2014f");

    const ContenuRiche c = Rtf::lire(QByteArrayLiteral(
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern{\\*\\panose 02}Courier New;}}"
        "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
        "{\\stylesheet{\\s0 Normal;}}{\\info{\\title Titre caché}{\\author Moi}}"
        "{\\*\\generator Essai 1.0;}{\\*\\inconnue {groupe {imbriqué}} caché}"
        "{\\pict\\pngblip 89504e47}"
        "\\pard\\plain\\fs20 a{\\b b{\\i\\cf1 c{\\f1\\fs30 d}e}f}g\\b h\\plain i"
        "{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt lien}}\\par}"));
    EXPECT_EQ(c.texte, "abcdefghilien\r\n");
    const CouleurRVB rouge{255, 0, 0};
    const std::pair<const char*, FormatCaractere> attendus[] = {
        {"a", format(false, false, 10, "Arial")},      {"d", format(true, true, 15, "Courier New", rouge)},
        {"c", format(true, true, 10, "Arial", rouge)}, {"e", format(true, true, 10, "Arial", rouge)},
        {"g", format(false, false, 10, "Arial")},      {"h", format(true, false, 10, "Arial")}};
    for (const auto& [ch, f] : attendus)
        EXPECT_EQ(formatDe(c, ch), f) << ch;
    // \plain : tout revient au format par défaut, 12 points.
    EXPECT_EQ(std::pair(formatDe(c, "i").gras, formatDe(c, "i").taille), std::pair(false, 12.0));
}

// Tronqué, accolades en trop ou manquantes, mot de contrôle interminable, \bin, paramètres
// démesurés, \' incomplet, couleur absente de la table : ce qui a pu être lu, sans plantage.
TEST(Rtf, RtfMalFormésSansPlantage) {
    const std::pair<QByteArray, QString> cas[] = {
        {"{\\rtf1 d\\'e9but tron", "début tron"},
        {"{\\rtf1 a}}} b", "a"},
        {"{\\rtf1 \\" + QByteArray(500, 'x') + " y}", "y"},
        {"{\\rtf1 a\\bin4 }}{}b}", "ab"},
        {"{\\rtf1 a\\bin99999999999999", "a"},
        {"{\\rtf1 a{\\pict\\bin2 }}}b}", "ab"}, // sautés aussi dans un groupe ignoré
        {"{\\rtf1 a" + QByteArray(20000, '{') + "x" + QByteArray(20000, '}') + "b}", "ab"},
        {"{\\rtf1 \\fs-99999999999 \\u99999999 x\\'z\\'", QString(QChar(0xFFFF)) + "z"},
        {"{\\rtf1 {\\colortbl;\\red300;}\\cf7 a\\cf1 b\\cf-2 c}", "abc"},
        {"", ""},
        {"{\\rtf1 a\\", "a"}};
    for (const auto& [rtf, texte] : cas)
        EXPECT_EQ(Rtf::lire(rtf).texte, texte) << rtf.left(60).toStdString();
    EXPECT_EQ(formatDe(Rtf::lire(QByteArrayLiteral("{\\rtf1 {\\colortbl;\\red300;}\\cf1 b}")), "b").couleur,
              (CouleurRVB{255, 0, 0}));
    // Imbrication démesurée : la mémoire reste à l'échelle du fichier (20 Mo d'accolades sous une
    // limite de 300 Mo au-delà de l'existant).
    const auto lireSousLimite = [] {
        long pages = 0;
        if (FILE* f = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
            std::fclose(f);
        }
        rlimit limite{rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(300) << 20), RLIM_INFINITY};
        setrlimit(RLIMIT_AS, &limite);
        std::exit(Rtf::lire("{\\rtf1 " + QByteArray(20'000'000, '{') + "x}").texte.isEmpty() ? 0 : 1);
    };
    EXPECT_EXIT(lireSousLimite(), ::testing::ExitedWithCode(0), "");
}

// Reconnaissance (marque d'ordre et blancs permis devant) ; U+0080 n'a pas d'octet en 1252 (0x80
// est l'euro). L'aller-retour des octets 1252 est vu par les fichiers texte du document.
TEST(Rtf, ReconnaissanceEtPageDeCode1252) {
    EXPECT_TRUE(Rtf::estRtf(QByteArrayLiteral("\xEF\xBB\xBF\r\n {\\rtf1 x}")));
    EXPECT_FALSE(Rtf::estRtf(QByteArrayLiteral("# {\\rtf1 dans un commentaire")));
    std::uint8_t o = 0;
    EXPECT_FALSE(Rtf::octet1252(QChar(0x0080), o));
}
