#include "common/Messages.h"
#include "launcher/Principal.h"
#include "noyau/EtatGlobal.h"
#include "outils/OutilsTests.h"
#include "outils/SansPrivileges.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <tuple>

using OutilsTests::lireFichier;

namespace {

// Un projet dont le makefile note chaque cible exécutée, et une installation à part.
struct Banc : ::testing::Test {
    QTemporaryDir racine;
    QString projet = racine.filePath("Mon projet é");
    QString installation = racine.filePath("installation");
    QString dossierInitial = QDir::currentPath();
    EnregistreurMessages messages;
    OutilsTests::VariableEnvironnement xdg{"XDG_CONFIG_HOME", QFile::encodeName(racine.filePath("config"))};

    void SetUp() override {
        etatGlobal().réinitialiser();
        OublierActionsFenêtres();
        QDir().mkpath(projet);
        QDir().mkpath(installation);
        OutilsTests::preparerProjetJournal(projet);
    }
    void TearDown() override { QDir::setCurrent(dossierInitial); }

    QString journal() const { return QString::fromUtf8(lireFichier(projet + "/journal.txt")); }
    QString parametres() const { return racine.filePath("config/quillon/Paramètres.xml"); }
    int lancer(const QString& ligne) { return Principal(ligne, installation); }
};

} // namespace

// Champs, guillemets et dossier courant se voient de bout en bout (projet AVR Studio, simulateur).
TEST_F(Banc, PremierLancementEtNomVide) {
    EXPECT_EQ(lancer("\"COMPILER>" + projet + ">BP-LED>isis -v\""), CodeSortie::Succès);
    ASSERT_EQ(messages.messages.size(), 1u); // pas encore là : dit, sans erreur
    EXPECT_EQ(messages.messages[0].icône, IconeMessage::Information);
    // Deux champs : le nom est vide.
    EXPECT_EQ(lancer("compiler>" + projet), CodeSortie::Succès);
    EXPECT_EQ(etatGlobal().FichierC, projet + "/.c");
}

// L'apparence est lue, le fichier n'est pas réécrit (la création des réglages absents est vue de
// bout en bout).
TEST_F(Banc, ReglagesLusJamaisReecritsALaLecture) {
    const QByteArray original = "<Paramètres>\r\n  <Apparence><Assistante Nom=\"Plume\"><Répertoire>Plume"
                                "</Répertoire><Fenêtre>a.png</Fenêtre><Bouton>b.png</Bouton></Assistante>"
                                "</Apparence>\r\n  <Autre/>\r\n</Paramètres>\r\n";
    OutilsTests::ecrireFichier(parametres(), original);
    lancer("compiler>" + projet);
    const EtatGlobal& e = etatGlobal();
    EXPECT_EQ(std::tuple(e.NomSkin, e.ImageFenêtreSkin, e.ImageBoutonSkin, e.RépertoireSkin),
              std::tuple("Plume", "a.png", "b.png", installation + "/Skin/Plume/"));
    EXPECT_EQ(lireFichier(parametres()), original);
}

// Réglages qu'on ne peut pas lire : la vraie raison, pas « MSXML » ni « remplacez-le ».
TEST_F(Banc, ReglagesIllisiblesAvecLeurVraieRaison) {
    // Les cibles make n'ont besoin d'aucun réglage : le message, puis make quand même.
    QDir().mkpath(parametres());
    EXPECT_EQ(lancer("nettoyer>" + projet), CodeSortie::Succès);
    EXPECT_EQ(journal(), "clean\n");
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(messages.messages[0].texte.contains("dossier"));
    EXPECT_FALSE(messages.messages[0].texte.contains("MSXML"));

    // Toute autre raison (droits…) : même branche, sa traduction vue par FichierAtomique.
}

// Ligne mal formée (les cas simples sont vus de bout en bout), nom de fichier qui sortirait du
// projet, dossier absent, fichier, dossier fermé : la raison d'abord s'il y en a une, puis l'usage,
// en message critique ; rien ne démarre.
TEST_F(Banc, LigneRefuseeAvecSaRaisonEtLUsageSansRienDemarrer) {
    const QString fichier = projet + "/journal.c";
    OutilsTests::ecrireFichier(fichier, {});
    const QString fermé = racine.filePath("fermé");
    QDir().mkdir(fermé);
    QFile::setPermissions(fermé, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(racine.path(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeOther);
    QDir::setCurrent(racine.path());
    const std::vector<std::pair<QString, QString>> cas = {
        // Deux séparateurs à la place du dossier : pas de make ailleurs.
        {"nettoyer>>Mon projet é>X", {}},
        {"avrstudio>" + projet + ">../HORS>x", "../HORS"},
        {"nettoyer>" + projet + "/absent>X", projet + "/absent"},
        {"nettoyer>" + fichier + ">X", fichier},
        {"nettoyer>" + fermé + ">X", fermé}};
    for (const auto& [ligne, nommé] : cas) {
        SCOPED_TRACE(ligne.toStdString());
        messages.messages.clear();
        int code = 0;
        {
            SansPrivileges p;
            code = lancer(ligne);
        }
        EXPECT_EQ(code, CodeSortie::LigneInvalide);
        ASSERT_EQ(messages.messages.size(), 1u);
        const Message& m = messages.messages[0];
        EXPECT_EQ(m.icône, IconeMessage::Critique);
        EXPECT_TRUE(m.modalSystème);
        const QStringList lignes = m.texte.split("\r\n");
        EXPECT_TRUE(lignes[0].contains(nommé)) << lignes[0].toStdString();
        EXPECT_TRUE(lignes.contains("Erreur : la ligne de commande : «" + ligne + "» est invalide."));
    }
    EXPECT_FALSE(QFileInfo::exists(projet + "/journal.txt"));
}

TEST_F(Banc, ReglagesEndommagesSignalesSansArreterMake) {
    const QByteArray abime = "<Paramètres><Silence>1</Sil";
    OutilsTests::ecrireFichier(parametres(), abime);
    EXPECT_EQ(lancer("nettoyer>" + projet), CodeSortie::Succès);
    EXPECT_EQ(journal(), "clean\n");
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(messages.messages[0].texte.contains(parametres()));
    // Les réglages ne sont plus à côté de la copie intacte : le message dit où elle est.
    EXPECT_TRUE(messages.messages[0].texte.contains("« " + installation + " »"));
    EXPECT_EQ(DernièreEtapeEnErreur(), EtapeDémarrage::Assistante);
    // Une action qui a besoin des réglages s'arrête au message.
    messages.messages.clear();
    EXPECT_EQ(lancer("compiler>" + projet), CodeSortie::Erreur);
    EXPECT_EQ(messages.messages.size(), 1u);
}

// make tourne au premier plan dans le dossier du projet, même relatif : au retour, tout est fait, et
// le code est celui du dernier make ; « make all » ne suit pas un « make clean » en échec (réussi, et
// programmer : vus de bout en bout par le programme installé).
TEST_F(Banc, CiblesMakeAttenduesDansLeDossierDuProjet) {
    QDir::setCurrent(racine.path()); // dossier relatif
    const struct {
        QString ligne;
        bool échecClean;
        int code;
        const char* journal;
    } cas[] = {{"NetToyer>Mon projet é>X", false, 0, "clean\n"},
               {"reconstruire>" + projet + ">X", true, 2, "clean\n"}};
    for (const auto& c : cas) {
        SCOPED_TRACE(c.ligne.toStdString());
        QFile::remove(projet + "/journal.txt");
        if (c.échecClean) OutilsTests::ecrireFichier(projet + "/echec_clean", {});
        EXPECT_EQ(lancer(c.ligne), c.code);
        EXPECT_EQ(journal(), c.journal);
        QDir::setCurrent(racine.path());
    }
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(Banc, MakeIntrouvableDitClairement) {
    OutilsTests::VariableEnvironnement chemin("PATH", racine.path().toLocal8Bit());
    EXPECT_EQ(lancer("nettoyer>" + projet), CodeSortie::Erreur);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(messages.messages[0].texte.contains("« make » est introuvable"));
}

// Sans dossier personnel, les réglages ne vont nulle part ailleurs : la raison, make quand même,
// et les actions qui ont besoin des réglages s'arrêtent au message.
TEST_F(Banc, SansDossierPersonnelRienNEstEcritAilleurs) {
    OutilsTests::ecrireFichier(installation + "/Paramètres.xml", "<Paramètres/>");
    OutilsTests::VariableEnvironnement sansXdg("XDG_CONFIG_HOME", std::nullopt),
        sansMaison("HOME", std::nullopt);
    EXPECT_EQ(lancer("nettoyer>" + projet), CodeSortie::Succès);
    ASSERT_TRUE(OutilsTests::attendre([&] { return journal() == u"clean\n"; }));
    EXPECT_EQ(lancer("compiler>" + projet), CodeSortie::Erreur);
    ASSERT_EQ(messages.messages.size(), 2u);
    for (const Message& m : messages.messages)
        EXPECT_TRUE(m.texte.contains("HOME")) << m.texte.toStdString();
    EXPECT_EQ(QDir(installation).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"Paramètres.xml"});
    EXPECT_EQ(QDir(projet).entryList({"*.xml"}, QDir::Files), QStringList{});
}
