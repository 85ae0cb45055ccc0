#include "noyau/GestionXML.h"
#include "outils/OutilsTests.h"

#include <QFileInfo>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

using OutilsTests::ecrireFichier;
using OutilsTests::lireFichier;

namespace {
const QString Racine = "Paramètres";

// Un fichier de réglages à part et son lecteur.
struct Xml : ::testing::Test {
    QTemporaryDir dossier;
    QString chemin = dossier.filePath("Paramètres.xml");
    GestionXML x;
};
} // namespace

// Un fichier absent est créé, en UTF-8 : vu par le programme construit (réglages absents).
TEST_F(Xml, UneLectureNeReecritJamaisMêmeEnLectureSeuleEtUneEcritureGardeLaMiseEnPage) {
    const QByteArray original = "<?xml version=\"1.0\"?>\r\n<Paramètres>\r\n  <Autre/>\r\n  <Texte>a &c; "
                                "b</Texte>\r\n</Paramètres>\r\n";
    ecrireFichier(chemin, original);
    // En lecture seule, la lecture puis la fermeture réussissent sans rien écrire (date comprise).
    QFile::setPermissions(chemin, QFile::ReadOwner);
    const QDateTime avant = QFileInfo(chemin).lastModified();
    x.Ouvrir(chemin, Racine);
    EXPECT_EQ(x.LireValeur("Apparence Assistante Répertoire"), QString());
    EXPECT_EQ(x.LireValeur("Texte"), "a &c; b");
    // Les intermédiaires sont créés en mémoire (Répertoire non), le fichier n'en sait rien.
    EXPECT_EQ(x.NombreDeNoeudsMultiples("Assistante", "Apparence Assistante", {}), 1);
    EXPECT_EQ(x.NombreDeNoeudsMultiples("Répertoire", "Apparence Répertoire", {}), 0);
    ASSERT_TRUE(x.Fermer());
    EXPECT_EQ(std::tuple(lireFichier(chemin), QFileInfo(chemin).lastModified()), std::tuple(original, avant));
    QFile::setPermissions(chemin, QFile::ReadOwner | QFile::WriteOwner);

    // Valeurs à échapper : un lecteur strict (le nôtre est indulgent) relit les mêmes valeurs.
    const QString neuf = dossier.filePath("Strict.xml");
    GestionXML w;
    w.Ouvrir(neuf, Racine);
    w.EcrireAttribut("Profil", "N", "<\"&\">");
    w.EcrireValeur("Note", "Tom &amp; Jerry, R&D <b>");
    ASSERT_TRUE(w.Fermer());
    QXmlStreamReader strict(lireFichier(neuf));
    QStringList lus;
    while (!strict.atEnd())
        if (strict.readNext() == QXmlStreamReader::StartElement) {
            if (strict.name() == u"Profil") lus << strict.attributes().value(QStringLiteral("N")).toString();
            if (strict.name() == u"Note") lus << strict.readElementText();
        }
    EXPECT_FALSE(strict.hasError()) << strict.errorString().toStdString();
    EXPECT_EQ(lus, QStringList({"<\"&\">", "Tom &amp; Jerry, R&D <b>"}));
}

TEST_F(Xml, FichiersDemesuresRefusesIntacts) {
    auto imbriqué = [](int niveaux) {
        return ("<Paramètres>" + QStringLiteral("<a>").repeated(niveaux - 2) + "<b>v</b>" +
                QStringLiteral("</a>").repeated(niveaux - 2) + "</Paramètres>")
            .toUtf8();
    };
    ecrireFichier(chemin, imbriqué(GestionXML::ProfondeurMax));
    x.Ouvrir(chemin, Racine);
    EXPECT_EQ(x.LireValeur("b"), "v");

    const QByteArray profond = imbriqué(GestionXML::ProfondeurMax + 1);
    ecrireFichier(chemin, profond);
    x.Ouvrir(chemin, Racine);
    EXPECT_TRUE(x.fichierRefusé());
    EXPECT_EQ(x.LireValeur("b"), QString());
    try {
        x.EcrireValeur("Silence", "1");
        ADD_FAILURE() << "écriture acceptée";
    } catch (const ErreurXML& e) {
        EXPECT_EQ(e.texte(), x.dernièreErreur()); // la vraie raison, pas une racine introuvable
    }
    EXPECT_FALSE(x.Fermer());
    EXPECT_EQ(lireFichier(chemin), profond);
}

TEST_F(Xml, LaCorrespondanceSeFaitSurTousLesDescendants) {
    ecrireFichier(
        chemin,
        "<Paramètres><A><X><B>profond</B></X></A><B>hors de A</B><A><B>second A</B></A></Paramètres>");
    x.Ouvrir(chemin, Racine);
    EXPECT_EQ(x.LireValeur("A B"), "profond");
    EXPECT_EQ(x.LireValeur("B"), "profond"); // ordre du document
    EXPECT_EQ(x.LireValeur("B(1)"), "hors de A");
    EXPECT_EQ(x.LireValeur("A(1) B"), "second A");
    EXPECT_EQ(x.LireValeur("a b"), QString()); // sensible à la casse
    // Suppression d'un descendant qui n'est pas un enfant direct : erreur remontée.
    EXPECT_THROW(x.SupprimerNoeud("A B"), ErreurXML);
    EXPECT_THROW(x.SupprimerNoeud("A Absent"), ErreurXML);
    x.SupprimerNoeud("A(1) B");
    EXPECT_EQ(x.LireValeur("A(1) B"), QString());
}

TEST_F(Xml, EcrituresInvalidesRemonteesEtLecturesJamaisEnErreur) {
    x.Ouvrir(chemin, Racine);
    EXPECT_THROW(x.EcrireValeur("1abc", "v"), ErreurXML);
    const QString long21 = QStringList(21, QStringLiteral("N")).join(u' ');
    EXPECT_THROW(x.EcrireValeur(long21, "v"), ErreurXML);
    EXPECT_EQ(x.LireValeur(long21), QString());
    EXPECT_EQ(x.LireValeur("X(99999)"), QString()); // indice hors 16 bits
}

TEST_F(Xml, LeCodageDeclareEstGarde) {
    ecrireFichier(chemin, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                          "<Param\xE8tres><Nom>\xC9l\xE9ment</Nom></Param\xE8tres>\n");
    x.Ouvrir(chemin, Racine);
    EXPECT_EQ(x.LireValeur("Nom"), "Élément");
    x.EcrireValeur("Auteur", "Zoé");
    ASSERT_TRUE(x.Fermer());
    const QByteArray octets = lireFichier(chemin); // « Zoé » en Latin-1, pas en UTF-8
    EXPECT_TRUE(octets.startsWith("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>") &&
                octets.contains("Zo\xE9"));
}

// D'une autre racine : rien ne se lit ni ne s'écrit, et une écriture refusée ne change rien.
TEST_F(Xml, DAutreRacineNeSeLitNiNeSEcrit) {
    const QByteArray contenu = "<Autre><Silence>1</Silence></Autre>";
    ecrireFichier(chemin, contenu);
    x.Ouvrir(chemin, Racine);
    EXPECT_EQ(x.LireValeur("Silence"), QString());
    EXPECT_THROW(x.EcrireValeur("Silence", "0"), ErreurXML);
    EXPECT_FALSE(x.documentEndommagé());
    EXPECT_TRUE(x.Fermer());
    EXPECT_EQ(lireFichier(chemin), contenu);
}
