#include "assistant/project/Profils.h"
#include "common/Messages.h"
#include "outils/OutilsTests.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using OutilsTests::ecrireFichier;
using OutilsTests::lireFichier;

namespace {

Profil profilDe(const QStringList& ports, const QString& auteur) {
    Profil p;
    p.includes = {true, false, true, false, true};
    for (int i = 0; i < ports.size(); ++i)
        p.ports.push_back({ports[i], 0x10 + i, 0x20 + i, i % 2});
    p.baud = QStringLiteral("9600");
    p.modèle = 1;
    p.nomModèle = QStringLiteral("Base");
    p.auteur = auteur;
    return p;
}

TablePorts table(const QStringList& noms) {
    TablePorts t;
    for (const QString& n : noms)
        t.emplace_back().nom = n;
    return t;
}

// Deux profils et d'autres réglages, en CR LF avec une indentation de deux blancs.
const QByteArray Réglages =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Paramètres>\r\n  <Silence>1</Silence>\r\n"
    "  <!-- gardé -->\r\n  <GénérateurDeCode>\r\n    <Profiles>\r\n"
    "      <Profile Nom=\"Un\"><Auteur>Ana</Auteur></Profile>\r\n"
    "      <Profile Nom=\"Deux\">\r\n        <Auteur>Bob</Auteur>\r\n      </Profile>\r\n"
    "    </Profiles>\r\n  </GénérateurDeCode>\r\n  <Apparence a='x' "
    "><Vide></Vide></Apparence>\r\n</Paramètres>\r\n";

} // namespace

class Profils_ : public ::testing::Test {
protected:
    QTemporaryDir dossier;
    const QString fichier = dossier.filePath(QStringLiteral("Paramètres.xml"));
    EnregistreurMessages messages;
};

TEST_F(Profils_, EcraseEnPlaceEtDistingueLaCasse) {
    ASSERT_TRUE(Profils::sauver(fichier, QStringLiteral("Atelier"), profilDe({"A", "B", "C", "D"}, "Ana")));
    ASSERT_TRUE(Profils::sauver(fichier, QStringLiteral("atelier"), profilDe({"B"}, "Bob")));
    // Écrasé en place, et avec moins de ports : les anciens en trop ne restent pas.
    ASSERT_TRUE(Profils::sauver(fichier, QStringLiteral("Atelier"), profilDe({"B", "C"}, "Cloé")));
    EXPECT_EQ(Profils::noms(fichier), QStringList({"Atelier", "atelier"}));
    Profil lu;
    ASSERT_TRUE(Profils::charger(fichier, 0, lu));
    EXPECT_EQ(lu.auteur, QStringLiteral("Cloé"));
    ASSERT_EQ(lu.ports.size(), 2u);
    EXPECT_EQ(lu.ports[1].pullUp, 0x21);
    EXPECT_EQ(lu.formatDate, -1);
    EXPECT_EQ(Profils::indexModèle(lu, {"Base"}), 0);   // le nom du modèle est gardé
    EXPECT_EQ(Profils::indexModèle(lu, {"Autre"}), -1); // ni le nom ni l'index
    EXPECT_FALSE(Profils::charger(fichier, 2, lu));
}

TEST_F(Profils_, UneValeurAbsenteLaisseLeChampEtUnTexteVideLeVide) {
    ecrireFichier(fichier, "<Paramètres><GénérateurDeCode><Profiles><Profile Nom=\"P\"><Includes CAN=\"1\"/>"
                           "<Port Nom=\"B\" DDR=\"255\"/><Auteur/><FormatDate>2</FormatDate>"
                           "</Profile></Profiles></GénérateurDeCode></Paramètres>");
    Profil p = profilDe({"B"}, "Ana");
    ASSERT_TRUE(Profils::charger(fichier, 0, p));
    EXPECT_EQ(p.includes, (std::array<bool, 5>{true, true, true, false, true}));
    EXPECT_EQ(p.auteur, QString());
    EXPECT_EQ(p.formatDate, 2);
    EXPECT_EQ(p.modèle, 1);
    EXPECT_EQ(p.ports[0].pullUp, 0x20);
    // Un port absent d'un profil neuf ne touche pas la table au-delà de ce qui est écrit.
    Profil neuf;
    ASSERT_TRUE(Profils::charger(fichier, 0, neuf));
    TablePorts t = table({"B"});
    t[0].pullUp = 7;
    Profils::appliquerPorts(neuf, t);
    EXPECT_EQ(t[0].direction, 255);
    EXPECT_EQ(t[0].pullUp, 7);
    // Un profil d'avant le nom du modèle : son index compte, pas le nom du choix présent.
    ecrireFichier(fichier, "<Paramètres><GénérateurDeCode><Profiles><Profile Nom=\"P\"><Modèle>2</Modèle>"
                           "</Profile></Profiles></GénérateurDeCode></Paramètres>");
    ASSERT_TRUE(Profils::charger(fichier, 0, p));
    EXPECT_EQ(Profils::indexModèle(p, {"Base", "A", "B"}), 2);
}

TEST_F(Profils_, LesPortsVontParLeurNomPuisParLIndex) {
    TablePorts t = table({"B", "C", "D"});
    Profil p = profilDe({"A", "B", "C", "D"}, {});
    p.ports[1].ignorer = 2; // seul 1 écarte un port
    Profils::appliquerPorts(p, t);
    EXPECT_EQ(t[0].direction, 0x11);
    EXPECT_EQ(t[0].ignorer, 0);
    EXPECT_EQ(t[2].ignorer, 1);
    EXPECT_EQ(t[0].réglage, LignePort::Réglage::Fermé);
    TablePorts u = table({"B", "C", "D"});
    Profils::appliquerPorts(profilDe({"X", "Y"}, {}), u);
    EXPECT_EQ(u[1].direction, 0x11);
    EXPECT_EQ(u[2].direction, 0);
    EXPECT_EQ(u[2].réglage, LignePort::Réglage::Aucun);
}

// Un nom vide ou avec un caractère de contrôle (le XML serait invalide) est refusé.
TEST_F(Profils_, SauverPuisSupprimerNeTouchePasAuReste) {
    ecrireFichier(fichier, Réglages);
    for (const QString& nom : {QString(), QStringLiteral("a\nb"), QString(QChar(0x85))})
        EXPECT_FALSE(Profils::sauver(fichier, nom, profilDe({"B"}, "Zoé")));
    ASSERT_TRUE(Profils::sauver(fichier, QStringLiteral("Trois"), profilDe({"B"}, "Zoé")));
    EXPECT_EQ(Profils::nom(fichier, 2), QStringLiteral("Trois"));
    ASSERT_TRUE(Profils::supprimer(fichier, 2));
    EXPECT_EQ(lireFichier(fichier), Réglages);
    ASSERT_TRUE(Profils::sauver(fichier, QStringLiteral("Un"), profilDe({"B"}, "Zoé")));
    const QByteArray après = lireFichier(fichier);
    const qsizetype début = Réglages.indexOf("      <Profile Nom=\"Un\">");
    const qsizetype fin = Réglages.indexOf("      <Profile Nom=\"Deux\">");
    EXPECT_EQ(après.left(début), Réglages.left(début));
    EXPECT_EQ(après.right(Réglages.size() - fin), Réglages.mid(fin));
    // Les suivants remontent d'un rang.
    ASSERT_TRUE(Profils::supprimer(fichier, 0));
    EXPECT_EQ(Profils::noms(fichier), QStringList({"Deux"}));
    EXPECT_EQ(messages.messages.size(), 3u);
}

TEST_F(Profils_, UnFichierEndommagéEstSignaléEtJamaisRéécrit) {
    ecrireFichier(fichier, "<Paramètres><GénérateurDeCode>");
    Profil p;
    EXPECT_FALSE(Profils::sauver(fichier, QStringLiteral("P"), p));
    EXPECT_FALSE(Profils::supprimer(fichier, 0));
    EXPECT_FALSE(Profils::charger(fichier, 0, p));
    EXPECT_EQ(messages.messages.size(), 3u);
    EXPECT_EQ(lireFichier(fichier), QByteArray("<Paramètres><GénérateurDeCode>"));
}

// Un profil imbriqué n'est ni listé, ni supprimé (ni chargé : même chemin) à la place du suivant.
TEST_F(Profils_, UnProfilImbriquéÀLaMainNEstPasUnProfil) {
    ecrireFichier(fichier, "<Paramètres><GénérateurDeCode><Profiles>"
                           "<Profile Nom=\"A\"><Auteur>Ana</Auteur><Profile Nom=\"B\"><Auteur>Bob</Auteur>"
                           "</Profile></Profile><Profile Nom=\"C\"><Auteur>Cloé</Auteur></Profile>"
                           "</Profiles></GénérateurDeCode></Paramètres>");
    EXPECT_EQ(Profils::noms(fichier), QStringList({"A", "C"}));
    ASSERT_TRUE(Profils::sauver(fichier, QStringLiteral("D"), profilDe({"B"}, "Dan")));
    ASSERT_TRUE(Profils::supprimer(fichier, 1));
    EXPECT_EQ(Profils::noms(fichier), QStringList({"A", "D"}));
    EXPECT_TRUE(messages.messages.empty());
}

// Au maximum, un de plus est refusé ; écraser, lister et supprimer marchent, même au-delà.
TEST_F(Profils_, AuNombreMaximalUnDePlusEstRefuséEtLeResteMarche) {
    const auto fichierDe = [&](int n) {
        QByteArray x = "<Paramètres><GénérateurDeCode><Profiles>";
        for (int i = 0; i < n; ++i)
            x += "<Profile Nom=\"P" + QByteArray::number(i) + "\"/>";
        ecrireFichier(fichier, x + "</Profiles></GénérateurDeCode></Paramètres>");
    };
    fichierDe(Profils::NombreMax);
    const QByteArray plein = lireFichier(fichier);
    EXPECT_FALSE(Profils::sauver(fichier, QStringLiteral("Nouveau"), profilDe({"B"}, "Zoé")));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(messages.messages[0].texte.contains(QString::number(Profils::NombreMax)));
    EXPECT_EQ(lireFichier(fichier), plein);
    EXPECT_TRUE(Profils::sauver(fichier, QStringLiteral("P7"), profilDe({"B"}, "Zoé")));

    fichierDe(Profils::NombreMax + 4);
    ASSERT_TRUE(Profils::supprimer(fichier, Profils::NombreMax + 3));
    EXPECT_EQ(Profils::noms(fichier).size(), Profils::NombreMax + 3);
    EXPECT_EQ(messages.messages.size(), 1u);
}
