#include "common/Identite.h"
#include "common/Messages.h"
#include "noyau/EtatGlobal.h"
#include "noyau/OuvrirDocument.h"
#include "outils/FauxXdgOpen.h"
#include "outils/OutilsTests.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

QString texteAttendu(const QString& message) {
    return "On peut pas faire ça !!!\r" + message + "\rOn peut essayer de l'«ouvrir» ...";
}

} // namespace

TEST(OuvrirDocument, StatutsDeXdgOpenEtMessages) {
    FauxXdgOpen xdg;
    QTemporaryDir projet;
    const QString fichier = projet.filePath("notes été.txt");
    OutilsTests::ecrireFichier(fichier, "x");

    EnregistreurMessages messages;
    EXPECT_TRUE(OuvrirDocument(fichier));
    EXPECT_EQ(xdg.argument(), fichier); // un seul argument, blancs et accents compris, sans shell
    EXPECT_TRUE(messages.messages.empty());

    const struct {
        int statut;
        QString message;
    } cas[] = {
        {1, "Une erreur c'est produite en essayant d'ouvrir le fichier."},
        {2, "Fichier non trouvé."},
        {3, "Ce type de fichier n'a pas d'association valide."},
        {4, "Une erreur c'est produite en essayant d'ouvrir le fichier."},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.statut);
        xdg.statut(c.statut);
        messages.messages.clear();
        EXPECT_FALSE(OuvrirDocument(fichier));
        EXPECT_TRUE(xdg.appelé());
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_EQ(messages.messages.front().texte, texteAttendu(c.message));
    }
    const Message& m = messages.messages.front();
    EXPECT_EQ(m.titre, "Oops ...");
    EXPECT_EQ(m.icône, IconeMessage::Information);
    EXPECT_EQ(m.boutons, BoutonsMessage::OK);
}

TEST(OuvrirDocument, CheminAbsentSansAppelerXdgOpen) {
    FauxXdgOpen xdg;
    QTemporaryDir projet;
    EnregistreurMessages messages;
    EXPECT_FALSE(OuvrirDocument(projet.filePath("absent.pdf")));
    EXPECT_FALSE(OuvrirDocument(projet.filePath("pas/de/dossier/absent.pdf")));
    EXPECT_FALSE(xdg.appelé());
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(messages.messages[0].texte, texteAttendu("Fichier non trouvé."));
    EXPECT_EQ(messages.messages[1].texte, texteAttendu("Dossier inexistant."));

    // Un dossier s'ouvre comme un document (le dossier d'installation pour l'aide des fusibles).
    messages.messages.clear();
    EXPECT_TRUE(OuvrirDocument(projet.path()));
    EXPECT_EQ(xdg.argument(), projet.path());
    EXPECT_TRUE(messages.messages.empty());
}

TEST(OuvrirDocument, SansXdgOpenPersonneNeSaitOuvrir) {
    const QByteArray ancien = qgetenv("PATH");
    QTemporaryDir vide;
    qputenv("PATH", QFile::encodeName(vide.path()));
    EnregistreurMessages messages;
    QTemporaryDir projet;
    const QString fichier = projet.filePath("a.html");
    OutilsTests::ecrireFichier(fichier, "<p>");
    const bool ouvert = OuvrirDocument(fichier);
    qputenv("PATH", ancien);
    EXPECT_FALSE(ouvert);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].texte, texteAttendu("Ce type de fichier n'a pas d'association valide."));
}

TEST(OuvrirDocument, CourrielsDErreurEtDeRemarques) {
    FauxXdgOpen xdg;
    EXPECT_EQ(Ouverture::sujetErreurNonRépertoriée(), "Ereur non répertorié dans Quillon 2.1.30");
    EXPECT_EQ(Ouverture::sujetAPropos(), "A propos de Quillon 2.1.30");

    EnregistreurMessages messages;
    EXPECT_TRUE(Ouverture::écrireCourriel(Ouverture::sujetErreurNonRépertoriée()));
    // Les blancs ne sont pas codés ; le corps est vide.
    EXPECT_EQ(xdg.argument(), "mailto:" + Identite::adresseContact() +
                                  "?Subject=Ereur non répertorié dans Quillon 2.1.30&Body=");
    // Sans client de courrier : le message de l'association manquante.
    xdg.statut(3);
    EXPECT_FALSE(Ouverture::écrireCourriel(Ouverture::sujetAPropos()));
    EXPECT_EQ(xdg.argument(), Ouverture::adresseCourriel("A propos de Quillon 2.1.30"));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].texte, texteAttendu("Ce type de fichier n'a pas d'association valide."));
}

TEST(OuvrirDocument, AideOuverteAuChapitreVoulu) {
    FauxXdgOpen xdg;
    QTemporaryDir installation;
    etatGlobal().réinitialiser();
    etatGlobal().DossierInstallation = installation.path();
    EnregistreurMessages messages;

    // Aide absente : le message du dossier ou du fichier introuvable, sans appeler xdg-open.
    EXPECT_FALSE(Ouverture::ouvrirAide("fusibles"));
    QDir(installation.path()).mkpath("Aide");
    EXPECT_FALSE(Ouverture::ouvrirAide("fusibles"));
    EXPECT_FALSE(xdg.appelé());
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(messages.messages[0].texte, texteAttendu("Dossier inexistant."));
    EXPECT_EQ(messages.messages[1].texte, texteAttendu("Fichier non trouvé."));

    OutilsTests::ecrireFichier(installation.filePath("Aide/index.html"), "<html></html>");
    EXPECT_TRUE(Ouverture::ouvrirAide("parametre-F_CPU"));
    EXPECT_EQ(xdg.argument(),
              QUrl::fromLocalFile(installation.filePath("Aide/index.html")).toString() + "#parametre-F_CPU");
    etatGlobal().réinitialiser();
}

TEST(OuvrirDocument, LAideLivreeAUnChapitreParFenetreEtParParametre) {
    const QString page =
        QString::fromUtf8(OutilsTests::lireFichier(OutilsTests::dossierSources() + "/data/Aide/index.html"));
    ASSERT_FALSE(page.isEmpty());
    QStringList ancres;
    static const QRegularExpression id("id=\"([^\"]+)\"");
    for (auto it = id.globalMatch(page); it.hasNext();)
        ancres << it.next().captured(1);
    for (const char* a : {"configuration", "recherche", "fusibles", "y-a-pu-rin-qui-marche", "assistant",
                          "ports", "profils", "apropos", "erreur", "parametre-manquant"})
        EXPECT_TRUE(ancres.contains(QLatin1String(a))) << a;
    for (const char* p :
         {"MCU", "F_CPU", "OPT", "FORMAT", "EXTRAINCDIRS", "DIRAVR", "AVRDUDE_PROGRAMMER", "AVRDUDE_PORT",
          "AVRDUDE_FLAGS", "CompilCoff", "DEBUG", "AffichageMemoire", "TARGET", "BAUD", "AVRStudioExclusif"})
        EXPECT_TRUE(ancres.contains("parametre-" + QLatin1String(p))) << p;
    // Chaque lien interne mène quelque part.
    static const QRegularExpression lien("href=\"#([^\"]+)\"");
    for (auto it = lien.globalMatch(page); it.hasNext();) {
        const QString cible = it.next().captured(1);
        EXPECT_TRUE(ancres.contains(cible)) << cible.toStdString();
    }
    // La fenêtre des fusibles renvoie à « la fin de l'aide » pour réparer un circuit muet.
    static const QRegularExpression chapitre("<h2 id=\"([^\"]+)\"");
    QString dernier;
    for (auto it = chapitre.globalMatch(page); it.hasNext();)
        dernier = it.next().captured(1);
    EXPECT_EQ(dernier, "y-a-pu-rin-qui-marche");
    // Installée à côté du programme par la construction.
    EXPECT_TRUE(QFileInfo::exists(OutilsTests::dossierConstruction() + "/Aide/index.html"));
}
