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
    // Réglages inutilisables : nettoyer passe quand même, compiler s'arrête au message ; les textes dits.
    QString sansRéglages() {
        EXPECT_EQ(lancer("nettoyer>" + projet), CodeSortie::Succès);
        EXPECT_EQ(journal(), "clean\n");
        EXPECT_EQ(lancer("compiler>" + projet), CodeSortie::Erreur);
        EXPECT_EQ(messages.messages.size(), 2u);
        return OutilsTests::textes(messages).join(u'\n');
    }
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

// L'apparence est lue, le fichier n'est pas réécrit.
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
    QDir().mkpath(parametres());
    const QString dit = sansRéglages();
    EXPECT_TRUE(dit.contains("dossier") && !dit.contains("MSXML")) << dit.toStdString();
}

// Ligne refusée : la raison s'il y en a une, puis l'usage, en message critique ; rien ne démarre.
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
        {"nettoyer>>Mon projet é>X", {}}, // pas de make ailleurs
        {"avrstudio>" + projet + ">../HORS>x", "../HORS"},
        {"nettoyer>" + projet + "/absent>X", projet + "/absent"},
        {"nettoyer>" + fichier + ">X", fichier},
        {"nettoyer>" + fermé + ">X", fermé}};
    for (const auto& [ligne, nommé] : cas) {
        SCOPED_TRACE(ligne.toStdString());
        messages.messages.clear();
        SansPrivileges p; // jusqu'à la fin du tour : le reste ne touche qu'à la mémoire
        EXPECT_EQ(lancer(ligne), CodeSortie::LigneInvalide);
        ASSERT_EQ(messages.messages.size(), 1u);
        const Message& m = messages.messages[0];
        EXPECT_EQ(std::tuple(m.icône, m.modalSystème), std::tuple(IconeMessage::Critique, true));
        const QStringList lignes = m.texte.split("\r\n");
        EXPECT_TRUE(lignes[0].contains(nommé)) << lignes[0].toStdString();
        EXPECT_TRUE(lignes.contains("Erreur : la ligne de commande : «" + ligne + "» est invalide."));
    }
    EXPECT_FALSE(QFileInfo::exists(projet + "/journal.txt"));
}

// Réglages abîmés : le message les nomme et, loin d'eux, la copie intacte.
TEST_F(Banc, ReglagesEndommagesSignalesSansArreterMake) {
    OutilsTests::ecrireFichier(parametres(), "<Paramètres><Silence>1</Sil");
    const QString dit = sansRéglages();
    EXPECT_TRUE(dit.contains(parametres()) && dit.contains("« " + installation + " »")) << dit.toStdString();
    EXPECT_EQ(DernièreEtapeEnErreur(), EtapeDémarrage::Assistante);
}

// make au premier plan dans le dossier du projet, même relatif, rend le code du dernier make ;
// « make all » ne suit pas un « make clean » en échec.
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

// Sans dossier personnel, les réglages ne vont nulle part : la raison, à chaque lancement.
TEST_F(Banc, SansDossierPersonnelRienNEstEcritAilleurs) {
    OutilsTests::ecrireFichier(installation + "/Paramètres.xml", "<Paramètres/>");
    OutilsTests::VariableEnvironnement sansXdg("XDG_CONFIG_HOME", std::nullopt),
        sansMaison("HOME", std::nullopt);
    sansRéglages();
    for (const Message& m : messages.messages)
        EXPECT_TRUE(m.texte.contains("HOME")) << m.texte.toStdString();
    EXPECT_EQ(QDir(installation).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"Paramètres.xml"});
    EXPECT_EQ(QDir(projet).entryList({"*.xml"}, QDir::Files), QStringList{});
}
