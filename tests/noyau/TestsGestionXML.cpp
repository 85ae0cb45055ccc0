#include "noyau/GestionXML.h"
#include "outils/OutilsTests.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using OutilsTests::ecrireFichier;
using OutilsTests::lireFichier;

namespace {
const QString Racine = QStringLiteral("Paramètres");

struct XmlTemporaire {
    QTemporaryDir dossier;
    QString chemin = dossier.filePath(QStringLiteral("Paramètres.xml"));
};
// Un fichier de réglages à part et son lecteur.
struct Xml : ::testing::Test, XmlTemporaire {
    GestionXML x;
};
} // namespace

TEST_F(Xml, FichierAbsentCreeUneRacineVideEnUtf8SansDeclaration) {
    x.Ouvrir(chemin, Racine);
    ASSERT_TRUE(QFileInfo::exists(chemin)); // créé dès l'ouverture, relu ensuite
    ASSERT_TRUE(x.Fermer());
    GestionXML y;
    y.Ouvrir(chemin, Racine);
    y.EcrireValeur(QStringLiteral("Silence"), QStringLiteral("1"));
    ASSERT_TRUE(y.Fermer());
    // Sans déclaration, en UTF-8, une ligne par élément, indentée.
    EXPECT_EQ(QString::fromUtf8(lireFichier(chemin)),
              QStringLiteral("<Paramètres>\n\t<Silence>1</Silence>\n</Paramètres>\n"));
}

TEST_F(Xml, UneLectureNeReecritJamaisEtUneEcritureGardeLaMiseEnPage) {
    const QByteArray original = QStringLiteral("<?xml version=\"1.0\"?>\r\n<Paramètres>\r\n  <Autre/>\r\n"
                                               "  <Texte>a &c; b</Texte>\r\n</Paramètres>\r\n")
                                    .toUtf8();
    ecrireFichier(chemin, original);
    x.Ouvrir(chemin, Racine);
    EXPECT_EQ(x.LireValeur(QStringLiteral("Apparence Assistante Répertoire")), QString());
    EXPECT_EQ(x.LireValeur(QStringLiteral("Texte")), QStringLiteral("a &c; b"));
    // Les intermédiaires sont créés en mémoire (Répertoire non), le fichier n'en sait rien.
    EXPECT_EQ(
        x.NombreDeNoeudsMultiples(QStringLiteral("Assistante"), QStringLiteral("Apparence Assistante"), {}),
        1);
    EXPECT_EQ(
        x.NombreDeNoeudsMultiples(QStringLiteral("Répertoire"), QStringLiteral("Apparence Répertoire"), {}),
        0);
    ASSERT_TRUE(x.Fermer());
    EXPECT_EQ(lireFichier(chemin), original);

    // Une écriture ajoute sa ligne dans la mise en page du fichier, le reste ne bouge pas.
    GestionXML y;
    y.Ouvrir(chemin, Racine);
    y.EcrireValeur(QStringLiteral("Silence"), QStringLiteral("1"));
    y.EcrireValeur(QStringLiteral("Profil Nom"), QStringLiteral("p"));
    y.EcrireAttribut(QStringLiteral("Profil"), QStringLiteral("N"), QStringLiteral("<\"&\">"));
    ASSERT_TRUE(y.Fermer());
    EXPECT_EQ(
        QString::fromUtf8(lireFichier(chemin)),
        QString::fromUtf8(original).replace(
            QStringLiteral("\r\n</Paramètres>"),
            QStringLiteral("\r\n  <Silence>1</Silence>\r\n  <Profil N=\"&lt;&quot;&amp;&quot;&gt;\">\r\n"
                           "    <Nom>p</Nom>\r\n  </Profil>\r\n</Paramètres>")));
    GestionXML z;
    z.Ouvrir(chemin, Racine);
    EXPECT_EQ(z.LireAttribut(QStringLiteral("Profil"), QStringLiteral("N")), QStringLiteral("<\"&\">"));
    z.SupprimerNoeud(QStringLiteral("Profil"));
    z.SupprimerNoeud(QStringLiteral("Silence"));
    ASSERT_TRUE(z.Fermer());
    EXPECT_EQ(lireFichier(chemin), original);
}

TEST_F(Xml, FichiersDemesuresOuQuiNeSontPasDesFichiersRefusesIntacts) {
    auto imbriqué = [](int niveaux) {
        return (QStringLiteral("<Paramètres>") + QStringLiteral("<a>").repeated(niveaux - 2) +
                QStringLiteral("<b>v</b>") + QStringLiteral("</a>").repeated(niveaux - 2) +
                QStringLiteral("</Paramètres>"))
            .toUtf8();
    };
    ecrireFichier(chemin, imbriqué(GestionXML::ProfondeurMax));
    x.Ouvrir(chemin, Racine);
    EXPECT_EQ(x.LireValeur(QStringLiteral("b")), QStringLiteral("v"));

    const QByteArray profond = imbriqué(GestionXML::ProfondeurMax + 1);
    ecrireFichier(chemin, profond);
    x.Ouvrir(chemin, Racine);
    EXPECT_TRUE(x.fichierRefusé());
    EXPECT_EQ(x.LireValeur(QStringLiteral("b")), QString());
    try {
        x.EcrireValeur(QStringLiteral("Silence"), QStringLiteral("1"));
        ADD_FAILURE() << "écriture acceptée";
    } catch (const ErreurXML& e) {
        EXPECT_EQ(e.texte(), x.dernièreErreur()); // la vraie raison, pas une racine introuvable
    }
    EXPECT_FALSE(x.Fermer());
    EXPECT_EQ(lireFichier(chemin), profond);

    // Un dossier à la place du fichier : refusé, ni exception ni fichier créé.
    QFile::remove(chemin);
    QDir().mkdir(chemin);
    x.Ouvrir(chemin, Racine);
    EXPECT_TRUE(x.fichierRefusé());
    EXPECT_TRUE(x.dernièreErreur().contains(QStringLiteral("dossier")));
    EXPECT_TRUE(QFileInfo(chemin).isDir());
}

TEST_F(Xml, LaCorrespondanceSeFaitSurTousLesDescendants) {
    ecrireFichier(chemin, QStringLiteral(
                              "<Paramètres><A><X><B>profond</B></X></A><B>hors de A</B><A><B>second A</B></A>"
                              "</Paramètres>")
                              .toUtf8());
    x.Ouvrir(chemin, Racine);
    EXPECT_EQ(x.LireValeur(QStringLiteral("A B")), QStringLiteral("profond"));
    EXPECT_EQ(x.LireValeur(QStringLiteral("B")), QStringLiteral("profond")); // ordre du document
    EXPECT_EQ(x.LireValeur(QStringLiteral("B(1)")), QStringLiteral("hors de A"));
    EXPECT_EQ(x.LireValeur(QStringLiteral("A(1) B")), QStringLiteral("second A"));
    EXPECT_EQ(x.LireValeur(QStringLiteral("a b")), QString()); // sensible à la casse
    // Suppression d'un descendant qui n'est pas un enfant direct : erreur remontée.
    EXPECT_THROW(x.SupprimerNoeud(QStringLiteral("A B")), ErreurXML);
    EXPECT_THROW(x.SupprimerNoeud(QStringLiteral("A Absent")), ErreurXML);
    x.SupprimerNoeud(QStringLiteral("A(1) B"));
    EXPECT_EQ(x.LireValeur(QStringLiteral("A(1) B")), QString());
}

TEST_F(Xml, IndicesAuDelaDeLaFinAjoutentUnSeulElement) {
    x.Ouvrir(chemin, Racine);
    const QString profil0 = QStringLiteral("GénérateurDeCode Profiles Profile(0)");
    const QString profil1 = QStringLiteral("GénérateurDeCode Profiles Profile(1)");
    x.EcrireAttribut(profil0, QStringLiteral("Nom"), QStringLiteral("un"));
    // Un élément manquant est créé et reçoit l'attribut dans le même appel.
    x.EcrireAttribut(profil1, QStringLiteral("Nom"), QStringLiteral("deux"));
    x.EcrireValeur(profil1 + QStringLiteral(" Auteur"), QStringLiteral("Zoé"));
    EXPECT_EQ(x.LireAttribut(profil1, QStringLiteral("Nom")), QStringLiteral("deux"));
    EXPECT_EQ(x.LireValeur(profil1 + QStringLiteral(" Auteur")), QStringLiteral("Zoé"));
    // Indice 5 avec deux profils : un troisième seulement, qui n'est pas celui d'indice 5.
    x.EcrireAttribut(QStringLiteral("GénérateurDeCode Profiles Profile(5)"), QStringLiteral("Nom"),
                     QStringLiteral("trois"));
    EXPECT_EQ(x.NombreDeNoeudsMultiples(QStringLiteral("Profile"),
                                        QStringLiteral("GénérateurDeCode Profiles"), QStringLiteral("Nom")),
              3);
    EXPECT_EQ(x.ListeAttribut(0), QStringLiteral("un"));
    EXPECT_EQ(x.ListeAttribut(1), QStringLiteral("deux"));
    EXPECT_EQ(x.ListeAttribut(2), QStringLiteral("trois"));
    EXPECT_EQ(x.ListeValeur(1), QStringLiteral("Zoé"));
    EXPECT_EQ(x.ListeAttribut(3), QString());
    EXPECT_THROW(x.ListeAttribut(1001), ErreurXML);
    EXPECT_THROW(x.ListeValeur(-1), ErreurXML);
    EXPECT_EQ(x.LireValeur(QStringLiteral("GénérateurDeCode Profiles Profile(5)")), QString());
}

TEST_F(Xml, EcrituresInvalidesRemonteesEtLecturesJamaisEnErreur) {
    x.Ouvrir(chemin, Racine);
    EXPECT_THROW(x.EcrireValeur(QStringLiteral("1abc"), QStringLiteral("v")), ErreurXML);
    QString long21;
    for (int i = 0; i < 21; ++i)
        long21 += (i ? QStringLiteral(" N") : QStringLiteral("N")) + QString::number(i);
    EXPECT_THROW(x.EcrireValeur(long21, QStringLiteral("v")), ErreurXML);
    EXPECT_EQ(x.LireValeur(long21), QString());
    EXPECT_EQ(x.LireValeur(QStringLiteral("X(99999)")), QString()); // indice hors 16 bits
    x.AjouterNoeud(QStringLiteral("Profile"), QStringLiteral("GénérateurDeCode Profiles"));
    EXPECT_EQ(x.NombreDeNoeudsMultiples(QStringLiteral("Profile"),
                                        QStringLiteral("GénérateurDeCode Profiles"), QString()),
              1);
}

TEST_F(Xml, LeCodageDeclareEstGarde) {
    QByteArray latin1 =
        "<?xml version=\"1.0\" "
        "encoding=\"ISO-8859-1\"?>\n<Param\xE8tres><Nom>\xC9l\xE9ment</Nom></Param\xE8tres>\n";
    ecrireFichier(chemin, latin1);
    x.Ouvrir(chemin, Racine);
    EXPECT_EQ(x.LireValeur(QStringLiteral("Nom")), QStringLiteral("Élément"));
    x.EcrireValeur(QStringLiteral("Auteur"), QStringLiteral("Zoé"));
    ASSERT_TRUE(x.Fermer());
    const QByteArray octets = lireFichier(chemin);
    EXPECT_TRUE(octets.startsWith("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"));
    EXPECT_TRUE(octets.contains("Zo\xE9"));
    EXPECT_TRUE(octets.contains("\xC9l\xE9ment"));
    EXPECT_FALSE(octets.contains("\xC3")); // aucun octet UTF-8
}

TEST(GestionXML, EndommageOuDAutreRacineNeSeLitNiNeSEcrit) {
    for (const auto& [contenu, endommagé] :
         {std::pair{"<Param\xC3\xA8tres><Silence>1</Silence><Apparence>", true},
          std::pair{"<Autre><Silence>1</Silence></Autre>", false}}) {
        SCOPED_TRACE(contenu);
        XmlTemporaire t;
        ecrireFichier(t.chemin, contenu);
        GestionXML x;
        x.Ouvrir(t.chemin, Racine);
        EXPECT_EQ(x.LireValeur(QStringLiteral("Silence")), QString());
        EXPECT_THROW(x.EcrireValeur(QStringLiteral("Silence"), QStringLiteral("0")), ErreurXML);
        EXPECT_EQ(x.documentEndommagé(), endommagé);
        // Une écriture refusée ne change rien : le fichier reste tel qu'il était.
        EXPECT_EQ(x.Fermer(), !endommagé);
        EXPECT_EQ(lireFichier(t.chemin), QByteArray(contenu));
    }
}

TEST_F(Xml, UnFichierInchangeNEstPasReecrit) {
    x.Ouvrir(chemin, Racine);
    x.EcrireValeur(QStringLiteral("Silence"), QStringLiteral("0"));
    ASSERT_TRUE(x.Fermer());
    const QDateTime avant = QFileInfo(chemin).lastModified();
    const QByteArray octets = lireFichier(chemin);
    // Fichier mis en lecture seule : la lecture puis la fermeture réussissent sans écrire.
    QFile::setPermissions(chemin, QFile::ReadOwner);
    GestionXML y;
    y.Ouvrir(chemin, Racine);
    EXPECT_EQ(y.LireValeur(QStringLiteral("Silence")), QStringLiteral("0"));
    EXPECT_TRUE(y.Fermer());
    EXPECT_EQ(QFileInfo(chemin).lastModified(), avant);
    EXPECT_EQ(lireFichier(chemin), octets);
}
