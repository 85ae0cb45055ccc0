#include "outils/OutilsTests.h"
#include "ui/Rtf.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

QString fixture(const QString& nom) {
    return OutilsTests::dossierSources() + "/tests/fixtures/rtf/" + nom;
}

ContenuRiche lireFixture(const QString& nom) {
    const QByteArray d = OutilsTests::lireFichier(fixture(nom));
    EXPECT_FALSE(d.isEmpty()) << nom.toStdString();
    EXPECT_TRUE(Rtf::estRtf(d));
    return Rtf::lire(d);
}

// Format du premier caractère de la première occurrence de mot.
FormatCaractere formatDe(const ContenuRiche& c, const QString& mot) {
    const qsizetype p = c.texte.indexOf(mot);
    EXPECT_GE(p, 0) << mot.toStdString();
    for (const auto& s : c.segments)
        if (p >= s.début && p < s.début + s.longueur) return s.format;
    ADD_FAILURE() << "aucun segment pour " << mot.toStdString();
    return {};
}

// Segments contigus couvrant exactement le texte.
void vérifierSegments(const ContenuRiche& c) {
    qsizetype p = 0;
    for (const auto& s : c.segments) {
        EXPECT_EQ(s.début, p);
        EXPECT_GT(s.longueur, 0);
        p += s.longueur;
    }
    EXPECT_EQ(p, c.texte.size());
}

QStringList mots(const QString& t) {
    return t.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
}

ContenuRiche contenuVarié() {
    // Tout ce que l'écrivain doit savoir rendre : formats, accents, hors 1252, accolades,
    // barres obliques inverses, tabulations, sauts de ligne, un saut de format au milieu d'un CR LF.
    ContenuRiche c;
    FormatCaractere normal;
    FormatCaractere clé = normal;
    clé.gras = true;
    clé.couleur = {255, 0, 0};
    FormatCaractere valeur = clé;
    valeur.couleur = {0, 0, 255};
    FormatCaractere commentaire;
    commentaire.police = "Times New Roman";
    commentaire.taille = 10.5;
    commentaire.italique = true;
    commentaire.couleur = CouleurRVB::depuisBVR(0x808000);
    auto ajouter = [&](const QString& t, const FormatCaractere& f) {
        c.segments.push_back({c.texte.size(), t.size(), f});
        c.texte += t;
    };
    ajouter("# Fréquence « élevée » : 8 MHz, coût 5 € – Œuvre ½\r\n", commentaire);
    ajouter("F_CPU =", clé);
    ajouter(" 8000000", valeur);
    ajouter("\r\n\r\nEXTRAINCDIRS = c:\\avr\\{inc}\tz\r\n", normal);
    ajouter("Ωμέγα 漢字 \U0001F600 fin", commentaire);
    return c;
}

} // namespace

TEST(Rtf, AllerRetourParNotreLecteurÀLIdentique) {
    const ContenuRiche c = contenuVarié();
    const QByteArray rtf = Rtf::écrire(c);
    // Que de l'ASCII dans le fichier.
    for (const char o : rtf)
        ASSERT_LT(static_cast<unsigned char>(o), 0x80);
    const ContenuRiche relu = Rtf::lire(rtf);
    EXPECT_EQ(relu.texte, c.texte);
    EXPECT_TRUE(relu == c);
    // Relire puis réécrire donne les mêmes octets.
    EXPECT_EQ(Rtf::écrire(relu), rtf);
}

TEST(Rtf, UnrtfLitNotreRtfSansSePlaindreEtTrouveLesMêmesMots) {
    ContenuRiche c;
    FormatCaractere f;
    const QString texte =
        QStringLiteral("# Réglage de l'horloge : fréquence élevée, à vérifier\r\nMCU = atmega8\r\n\r\n"
                       "F_CPU\t=\t8000000 # çà et là, « guillemets »\r\nCHEMIN = c:\\avr\\{inc} fin");
    c.texte = texte;
    c.segments = {{0, 10, f}};
    f.gras = true;
    f.couleur = {255, 0, 0};
    c.segments.push_back({10, 30, f});
    f.couleur = {0, 0, 255};
    f.italique = true;
    c.segments.push_back({40, texte.size() - 40, f});

    QTemporaryDir dossier;
    const QString chemin = dossier.filePath("essai.rtf");
    OutilsTests::ecrireFichier(chemin, Rtf::écrire(c));
    QByteArray sortie, erreurs;
    ASSERT_EQ(OutilsTests::executer("unrtf", {"--text", chemin}, &sortie, &erreurs), 0);
    EXPECT_TRUE(erreurs.trimmed().isEmpty()) << erreurs.toStdString();
    // unrtf écrit ses caractères en 1252 et commence par un en-tête de commentaires « ### ».
    QString lu;
    for (const char o : sortie)
        lu += Rtf::caractère1252(std::uint8_t(o));
    QStringList lignes = lu.split(u'\n');
    lignes.removeIf([](const QString& l) { return l.startsWith("###") || l.startsWith(u'-'); });
    EXPECT_EQ(mots(lignes.join(u'\n')), mots(texte));
}

TEST(Rtf, LitLeRtfDePandocAvecSesAccents) {
    const ContenuRiche c = lireFixture("pandoc_accents.rtf");
    vérifierSegments(c);
    // \u8217' : l'apostrophe qui suit est le caractère de repli, sauté.
    EXPECT_TRUE(c.texte.startsWith("Réglage de l’horloge\r\n")) << c.texte.toStdString();
    EXPECT_TRUE(c.texte.contains("l’élève doit vérifier « F_CPU »"));
    EXPECT_TRUE(c.texte.contains("œuvre, coût, Ÿ, € 12, ½ et les accolades {a} \u00A0b."));
    EXPECT_TRUE(c.texte.contains("8000000UL\r\nint main(void) { return 0; /* fin */ }\r\n"));
    EXPECT_TRUE(formatDe(c, "quartz").gras);
    EXPECT_FALSE(formatDe(c, " est de").gras);
    EXPECT_TRUE(formatDe(c, "8 MHz").italique);
    EXPECT_EQ(formatDe(c, "Réglage").taille, 18);
    EXPECT_EQ(formatDe(c, "La fr").taille, 12);
    EXPECT_EQ(formatDe(c, "La fr").police, "Helvetica");
    EXPECT_EQ(formatDe(c, "#define").police, "Courier");
}

TEST(Rtf, LitLeRtfDeLibreOfficeAvecSesCouleurs) {
    const ContenuRiche c = lireFixture("libreoffice_couleurs.rtf");
    vérifierSegments(c);
    // Ni feuille de style, ni informations, ni table des pages dans le texte.
    EXPECT_FALSE(c.texte.contains("Normal"));
    EXPECT_FALSE(c.texte.contains("Essai"));
    EXPECT_FALSE(c.texte.contains("Page Style"));
    EXPECT_TRUE(c.texte.startsWith("# Fréquence du microcontrôleur\r\nF_CPU = 8000000\r\n"))
        << c.texte.toStdString();
    EXPECT_TRUE(c.texte.contains("Réglé à l'été : à ne pas modifier « sans raison »."));
    EXPECT_TRUE(c.texte.contains("œuvre & coût 5 €"));

    const FormatCaractere clé = formatDe(c, "F_CPU");
    EXPECT_TRUE(clé.gras);
    EXPECT_EQ(clé.couleur, (CouleurRVB{255, 0, 0}));
    EXPECT_EQ(clé.police, "Courier New");
    EXPECT_EQ(clé.taille, 10);
    const FormatCaractere valeur = formatDe(c, "8000000");
    EXPECT_TRUE(valeur.gras);
    EXPECT_EQ(valeur.couleur, (CouleurRVB{0, 0, 255}));
    EXPECT_TRUE(formatDe(c, "Réglé").italique);
    EXPECT_FALSE(formatDe(c, " : à ne").italique);
    EXPECT_EQ(formatDe(c, "Commentaire").couleur, (CouleurRVB{0, 128, 128}));
    // \cf0 : la couleur automatique, le noir.
    EXPECT_EQ(formatDe(c, "# Fr").couleur, (CouleurRVB{0, 0, 0}));
}

TEST(Rtf, CaractèresÉchappésEtUnicode) {
    // \'e9 en 1252, \u avec son repli sauté (\uc1 par défaut), \uc0 sans repli, \uc2, \u négatif.
    const ContenuRiche c =
        Rtf::lire(QByteArrayLiteral("{\\rtf1\\ansi\\ansicpg1252 caf\\'e9 \\'80\\'9c "
                                    "\\u233?t\\u233\\'e9 {\\uc0\\u8364 x}{\\uc2\\u8364\\'80\\'80y} \\u-3913? "
                                    "\\{\\}\\\\ a\\tab b\\line c\\par d\\~e\\emdash f}"));
    EXPECT_EQ(c.texte, "café €œ été €x€y \uF0B7 {}\\ a\tb\r\nc\r\nd\u00A0e\u2014f");
}

TEST(Rtf, GroupesImbriquésEtDestinationsInconnues) {
    const ContenuRiche c = Rtf::lire(QByteArrayLiteral(
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern{\\*\\panose 02}Courier New;}}"
        "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
        "{\\stylesheet{\\s0 Normal;}}{\\info{\\title Titre caché}{\\author Moi}}"
        "{\\*\\generator Essai 1.0;}{\\*\\inconnue {groupe {imbriqué}} caché}"
        "{\\pict\\pngblip 89504e47}"
        "\\pard\\plain\\fs20 a{\\b b{\\i\\cf1 c{\\f1\\fs30 d}e}f}g\\b h\\plain i"
        "{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt lien}}\\par}"));
    EXPECT_EQ(c.texte, "abcdefghilien\r\n");
    vérifierSegments(c);
    auto f = [&](QChar ch) { return formatDe(c, QString(ch)); };
    EXPECT_FALSE(f(u'a').gras);
    EXPECT_EQ(f(u'a').taille, 10);
    EXPECT_EQ(f(u'a').police, "Arial");
    EXPECT_TRUE(f(u'b').gras);
    EXPECT_FALSE(f(u'b').italique);
    EXPECT_TRUE(f(u'c').italique);
    EXPECT_EQ(f(u'c').couleur, (CouleurRVB{255, 0, 0}));
    EXPECT_EQ(f(u'd').police, "Courier New");
    EXPECT_EQ(f(u'd').taille, 15);
    EXPECT_TRUE(f(u'd').gras);
    EXPECT_EQ(f(u'e').police, "Arial"); // fin du groupe : format rétabli
    EXPECT_EQ(f(u'e').couleur, (CouleurRVB{255, 0, 0}));
    EXPECT_FALSE(f(u'f').italique);
    EXPECT_EQ(f(u'f').couleur, (CouleurRVB{0, 0, 0}));
    EXPECT_FALSE(f(u'g').gras);
    EXPECT_TRUE(f(u'h').gras);
    // \plain : tout revient au format par défaut, 12 points.
    EXPECT_FALSE(f(u'i').gras);
    EXPECT_EQ(f(u'i').taille, 12);
}

TEST(Rtf, RtfMalFormésSansPlantage) {
    // Tronqué, accolades en trop ou manquantes, mot de contrôle interminable, \bin, paramètres
    // démesurés, \' incomplet, couleur absente de la table : ce qui a pu être lu, sans plantage.
    EXPECT_EQ(Rtf::lire(QByteArrayLiteral("{\\rtf1 d\\'e9but tron")).texte, "début tron");
    EXPECT_EQ(Rtf::lire(QByteArrayLiteral("{\\rtf1 a}}} b")).texte, "a");
    EXPECT_EQ(Rtf::lire(QByteArrayLiteral("{\\rtf1 {{{{a")).texte, "a");
    EXPECT_EQ(Rtf::lire(QByteArray("{\\rtf1 \\") + QByteArray(500, 'x') + " y}").texte, "y");
    EXPECT_EQ(Rtf::lire(QByteArrayLiteral("{\\rtf1 a\\bin4 }}{}b}")).texte, "ab");
    EXPECT_EQ(Rtf::lire(QByteArrayLiteral("{\\rtf1 a\\bin99999999999999")).texte, "a");
    // Les octets d'une image en \bin sont sautés aussi dans un groupe ignoré.
    EXPECT_EQ(Rtf::lire(QByteArrayLiteral("{\\rtf1 a{\\pict\\bin2 }}}b}")).texte, "ab");
    // Imbrication démesurée : le texte d'autour est lu, et la mémoire reste à l'échelle du
    // fichier (20 Mo d'accolades sous une limite de 300 Mo au-delà de l'existant).
    EXPECT_EQ(Rtf::lire("{\\rtf1 a" + QByteArray(20000, '{') + "x" + QByteArray(20000, '}') + "b}").texte,
              "ab");
    const auto lireSousLimite = [] {
        long pages = 0;
        if (FILE* f = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
            std::fclose(f);
        }
        rlimit limite{};
        limite.rlim_cur = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(300) << 20);
        limite.rlim_max = RLIM_INFINITY;
        setrlimit(RLIMIT_AS, &limite);
        const QByteArray d = "{\\rtf1 " + QByteArray(20'000'000, '{') + "x}";
        std::exit(Rtf::lire(d).texte.isEmpty() ? 0 : 1);
    };
    EXPECT_EXIT(lireSousLimite(), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(Rtf::lire(QByteArrayLiteral("{\\rtf1 \\fs-99999999999 \\u99999999 x\\'z\\'")).texte,
              QString(QChar(0xFFFF)) + "z");
    EXPECT_EQ(Rtf::lire(QByteArrayLiteral("{\\rtf1 {\\colortbl;\\red300;}\\cf7 a\\cf1 b\\cf-2 c}")).texte,
              "abc");
    EXPECT_EQ(Rtf::lire(QByteArrayLiteral("")).texte, QString());
    EXPECT_EQ(Rtf::lire(QByteArrayLiteral("{\\rtf1 a\\")).texte, "a");
    const ContenuRiche couleurs = Rtf::lire(QByteArrayLiteral("{\\rtf1 {\\colortbl;\\red300;}\\cf1 b}"));
    ASSERT_EQ(couleurs.segments.size(), 1u);
    EXPECT_EQ(couleurs.segments[0].format.couleur, (CouleurRVB{255, 0, 0}));
}

TEST(Rtf, ReconnaissanceEtPageDeCode1252) {
    EXPECT_TRUE(Rtf::estRtf(QByteArrayLiteral("{\\rtf1\\ansi x}")));
    EXPECT_TRUE(Rtf::estRtf(QByteArrayLiteral("\xEF\xBB\xBF\r\n {\\rtf1 x}")));
    EXPECT_FALSE(Rtf::estRtf(QByteArrayLiteral("# {\\rtf1 dans un commentaire")));
    EXPECT_FALSE(Rtf::estRtf(QByteArrayLiteral("{\\rt")));
    // Chaque octet fait l'aller-retour, les cinq octets sans caractère compris.
    for (int o = 0; o < 256; ++o) {
        std::uint8_t retour = 0;
        ASSERT_TRUE(Rtf::octet1252(Rtf::caractère1252(std::uint8_t(o)), retour)) << o;
        EXPECT_EQ(retour, o);
    }
    EXPECT_EQ(Rtf::caractère1252(0x80), QChar(0x20AC));
    EXPECT_EQ(Rtf::caractère1252(0x9F), QChar(0x0178));
    EXPECT_EQ(Rtf::caractère1252(0xE9), QChar(0x00E9));
    std::uint8_t o = 0;
    EXPECT_FALSE(Rtf::octet1252(QChar(0x0080), o)); // U+0080 n'a pas d'octet : 0x80 est l'euro
    EXPECT_FALSE(Rtf::octet1252(QChar(0x03A9), o));
}
