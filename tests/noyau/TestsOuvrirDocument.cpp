// Ouverture d'un document, d'un courriel ou de l'aide par xdg-open, et ses échecs dits.
#include "common/Identite.h"
#include "common/Messages.h"
#include "noyau/EtatGlobal.h"
#include "noyau/OuvrirDocument.h"
#include "outils/FauxXdgOpen.h"
#include "outils/OutilsTests.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace {
// Le message dit la raison entre ses deux lignes fixes.
bool dit(const EnregistreurMessages& m, const QString& raison) {
    return !m.messages.empty() && m.messages.back().texte.contains(u'\r' + raison + u'\r');
}
} // namespace

// Un seul argument, blancs et accents compris, sans shell ; chaque statut de xdg-open a sa raison ;
// un chemin absent est dit sans appeler xdg-open ; sans xdg-open, personne ne sait ouvrir.
TEST(OuvrirDocument, StatutsEtCheminsAbsents) {
    FauxXdgOpen xdg;
    QTemporaryDir projet;
    const QString fichier = projet.filePath("notes été.txt");
    OutilsTests::ecrireFichier(fichier, "x");
    EnregistreurMessages messages;
    EXPECT_TRUE(OuvrirDocument(fichier));
    EXPECT_EQ(std::tuple(xdg.argument(), messages.messages.size()), std::tuple(fichier, 0u));

    // Le statut 3 a la même suite que xdg-open absent, plus bas.
    const std::pair<int, const char*> cas[] = {{1, "Une erreur c'est produite"}, {2, "Fichier non trouvé."}};
    for (const auto& [statut, raison] : cas) {
        xdg.statut(statut);
        EXPECT_FALSE(OuvrirDocument(fichier)) << statut;
        EXPECT_TRUE(messages.messages.back().texte.contains(raison)) << statut;
    }
    EXPECT_EQ(messages.messages.size(), 2u);

    xdg.statut(0);
    EXPECT_FALSE(OuvrirDocument(projet.filePath("absent.pdf")));
    EXPECT_TRUE(dit(messages, "Fichier non trouvé."));
    EXPECT_FALSE(OuvrirDocument(projet.filePath("pas/de/dossier/absent.pdf")));
    EXPECT_TRUE(dit(messages, "Dossier inexistant."));
    EXPECT_FALSE(xdg.appelé());
    QTemporaryDir vide;
    OutilsTests::VariableEnvironnement path("PATH", QFile::encodeName(vide.path()));
    EXPECT_FALSE(OuvrirDocument(fichier));
    EXPECT_TRUE(dit(messages, "Ce type de fichier n'a pas d'association valide."));
}

// Le courriel : blancs du sujet non codés, corps vide ; sans client de courrier, l'association manquante.
TEST(OuvrirDocument, Courriels) {
    FauxXdgOpen xdg;
    EnregistreurMessages messages;
    EXPECT_TRUE(Ouverture::écrireCourriel("A propos de Quillon"));
    EXPECT_EQ(xdg.argument(), "mailto:" + Identite::adresseContact() + "?Subject=A propos de Quillon&Body=");
    xdg.statut(3);
    EXPECT_FALSE(Ouverture::écrireCourriel(Ouverture::sujetAPropos()));
    EXPECT_TRUE(dit(messages, "Ce type de fichier n'a pas d'association valide."));
}

// L'aide absente est dite sans appeler xdg-open ; présente, elle s'ouvre au chapitre voulu.
TEST(OuvrirDocument, AideOuverteAuChapitreVoulu) {
    FauxXdgOpen xdg;
    QTemporaryDir installation;
    etatGlobal().réinitialiser();
    etatGlobal().DossierInstallation = installation.path();
    EnregistreurMessages messages;
    EXPECT_FALSE(Ouverture::ouvrirAide("fusibles"));
    EXPECT_EQ(std::tuple(messages.messages.size(), xdg.appelé()), std::tuple(1u, false));
    OutilsTests::ecrireFichier(installation.filePath("Aide/index.html"), "<html></html>");
    EXPECT_TRUE(Ouverture::ouvrirAide("parametre-F_CPU"));
    EXPECT_EQ(xdg.argument(),
              QUrl::fromLocalFile(installation.filePath("Aide/index.html")).toString() + "#parametre-F_CPU");
    etatGlobal().réinitialiser();
}

// L'aide livrée a le chapitre que chaque fenêtre demande (relevé dans les sources), ses liens
// internes mènent quelque part, et « la fin de l'aide » est le chapitre de dépannage.
TEST(OuvrirDocument, LAideLivreeALesChapitresDemandes) {
    const auto captures = [](const QByteArray& texte, const char* motif) {
        QStringList r;
        for (auto it = QRegularExpression(motif).globalMatch(QString::fromUtf8(texte)); it.hasNext();)
            r << it.next().captured(1);
        return r;
    };
    const QByteArray page = OutilsTests::lireFichier(OutilsTests::dossierConstruction() + "/Aide/index.html");
    QStringList demandés;
    for (QDirIterator it(OutilsTests::dossierSources() + "/src", {"*.cpp"}, QDir::Files,
                         QDirIterator::Subdirectories);
         it.hasNext();)
        demandés << captures(OutilsTests::lireFichier(it.next()),
                             R"re(uvrirAide\([^;{]*?QStringLiteral\("([\w-]+)"\))re");
    EXPECT_GE(demandés.size(), 3);
    const QStringList ancres = captures(page, "id=\"([^\"]+)\"");
    for (const QString& cible : demandés + captures(page, "href=\"#([^\"]+)\""))
        EXPECT_TRUE(ancres.contains(cible)) << cible.toStdString();
    EXPECT_TRUE(captures(page, "<h2 id=\"([^\"]+)\"").endsWith("y-a-pu-rin-qui-marche"));
}
