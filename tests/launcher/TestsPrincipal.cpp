#include "common/Messages.h"
#include "launcher/Principal.h"
#include "noyau/EtatGlobal.h"
#include "outils/OutilsTests.h"
#include "outils/SansPrivileges.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <gtest/gtest.h>

using OutilsTests::lireFichier;

namespace {

// Un projet dont le makefile note chaque cible exécutée, et une installation à part.
struct Banc : ::testing::Test {
    QTemporaryDir racine;
    QString projet = racine.filePath(QStringLiteral("Mon projet é"));
    QString installation = racine.filePath(QStringLiteral("installation"));
    QString dossierInitial = QDir::currentPath();
    EnregistreurMessages messages;

    void SetUp() override {
        etatGlobal().réinitialiser();
        OublierActionsFenêtres();
        QDir().mkpath(projet);
        QDir().mkpath(installation);
        OutilsTests::preparerProjetJournal(projet);
    }
    void TearDown() override { QDir::setCurrent(dossierInitial); }

    QString journal() const {
        return QString::fromUtf8(lireFichier(projet + QStringLiteral("/journal.txt")));
    }
    QString parametres() const { return installation + QStringLiteral("/Paramètres.xml"); }
    int lancer(const QString& ligne) { return Principal(ligne, installation); }
};

} // namespace

TEST_F(Banc, ChampsDeLEtatGlobalEtGuillemets) {
    EXPECT_EQ(lancer(QStringLiteral("\"COMPILER>") + projet + QStringLiteral(">BP-LED>isis -v\"")),
              CodeSortie::Succès);
    const EtatGlobal& e = etatGlobal();
    EXPECT_EQ(e.Commande, QStringLiteral("COMPILER"));
    EXPECT_EQ(e.RépertoireDeTravail, projet);
    EXPECT_EQ(e.FichierC, projet + QStringLiteral("/BP-LED.c"));
    EXPECT_EQ(e.ParamètreAdditionnel, QStringLiteral("isis -v"));
    EXPECT_EQ(QDir::currentPath(), QDir(projet).canonicalPath());
    EXPECT_EQ(e.FichierParamètres, parametres());
    ASSERT_EQ(messages.messages.size(), 1u); // pas encore là : dit, sans erreur
    EXPECT_EQ(messages.messages[0].icône, IconeMessage::Information);
    // Deux champs : le nom est vide.
    EXPECT_EQ(lancer(QStringLiteral("compiler>") + projet), CodeSortie::Succès);
    EXPECT_EQ(etatGlobal().FichierC, projet + QStringLiteral("/.c"));
}

TEST_F(Banc, ReglagesCreesSiAbsentsJamaisReecritsALaLecture) {
    ASSERT_FALSE(QFileInfo::exists(parametres()));
    lancer(QStringLiteral("compiler>") + projet);
    const QString xml = QString::fromUtf8(lireFichier(parametres()));
    EXPECT_TRUE(xml.contains(QStringLiteral("<Paramètres")));
    EXPECT_FALSE(xml.contains(QStringLiteral("Apparence"))); // une lecture n'écrit rien
    EXPECT_EQ(etatGlobal().RépertoireSkin, installation + QStringLiteral("/Skin//"));
    EXPECT_EQ(etatGlobal().NomSkin, QString());

    // Présents : l'apparence est lue, le fichier n'est pas réécrit.
    const QByteArray original = QStringLiteral("<Paramètres>\r\n  <Apparence><Assistante Nom=\"Plume\">"
                                               "<Répertoire>Plume</Répertoire><Fenêtre>a.png</Fenêtre>"
                                               "<Bouton>b.png</Bouton></Assistante></Apparence>\r\n"
                                               "  <Autre/>\r\n</Paramètres>\r\n")
                                    .toUtf8();
    OutilsTests::ecrireFichier(parametres(), original);
    lancer(QStringLiteral("compiler>") + projet);
    EXPECT_EQ(etatGlobal().NomSkin, QStringLiteral("Plume"));
    EXPECT_EQ(etatGlobal().ImageFenêtreSkin, QStringLiteral("a.png"));
    EXPECT_EQ(etatGlobal().ImageBoutonSkin, QStringLiteral("b.png"));
    EXPECT_EQ(etatGlobal().RépertoireSkin, installation + QStringLiteral("/Skin/Plume/"));
    EXPECT_EQ(lireFichier(parametres()), original);
}

// Réglages qu'on ne peut pas lire : la vraie raison, pas « MSXML » ni « remplacez-le ».
TEST_F(Banc, ReglagesIllisiblesAvecLeurVraieRaison) {
    // Les cibles make n'ont besoin d'aucun réglage : le message, puis make quand même.
    QDir().mkdir(parametres());
    EXPECT_EQ(lancer(QStringLiteral("nettoyer>") + projet), CodeSortie::Succès);
    ASSERT_TRUE(OutilsTests::attendre([&] { return journal() == u"clean\n"; }));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(messages.messages[0].texte.contains(QStringLiteral("dossier")));
    EXPECT_FALSE(messages.messages[0].texte.contains(QStringLiteral("MSXML")));

    QDir().rmdir(parametres());
    OutilsTests::ecrireFichier(parametres(), QStringLiteral("<Paramètres/>").toUtf8());
    QFile::setPermissions(parametres(), QFile::ReadOwner | QFile::WriteOwner);
    for (const QString& d : {racine.path(), installation, projet})
        QFile::setPermissions(d, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeGroup |
                                     QFile::ExeOther);
    messages.messages.clear();
    {
        SansPrivileges p;
        EXPECT_EQ(lancer(QStringLiteral("compiler>") + projet), CodeSortie::Erreur);
    }
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(messages.messages[0].texte.contains(QStringLiteral("permission refusée")));
    EXPECT_FALSE(messages.messages[0].texte.contains(QStringLiteral("remplacez")));
}

// Ligne mal formée, ou nom de fichier qui sortirait du projet, dossier absent, fichier, dossier
// fermé : la raison d'abord s'il y en a une, puis l'usage, en message critique ; rien ne démarre.
TEST_F(Banc, LigneRefuseeAvecSaRaisonEtLUsageSansRienDemarrer) {
    const QString fichier = projet + QStringLiteral("/journal.c");
    OutilsTests::ecrireFichier(fichier, {});
    const QString fermé = racine.filePath(QStringLiteral("fermé"));
    QDir().mkdir(fermé);
    QFile::setPermissions(fermé, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(racine.path(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeOther);
    QDir::setCurrent(racine.path());
    const std::vector<std::pair<QString, QString>> cas = {
        {QString(), {}},
        {QStringLiteral("inconnu>") + projet, {}},
        {QStringLiteral(" nettoyer>") + projet + QStringLiteral(">X"), {}},
        {QStringLiteral("nettoyer"), {}},
        // Deux séparateurs à la place du dossier : pas de make ailleurs.
        {QStringLiteral("nettoyer>>Mon projet é>X"), {}},
        {QStringLiteral("avrstudio>") + projet + QStringLiteral(">../HORS>x"), QStringLiteral("../HORS")},
        {QStringLiteral("nettoyer>") + projet + QStringLiteral("/absent>X"),
         projet + QStringLiteral("/absent")},
        {QStringLiteral("nettoyer>") + fichier + QStringLiteral(">X"), fichier},
        {QStringLiteral("nettoyer>") + fermé + QStringLiteral(">X"), fermé}};
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
        const QStringList lignes = m.texte.split(QStringLiteral("\r\n"));
        EXPECT_TRUE(lignes[0].contains(nommé)) << lignes[0].toStdString();
        EXPECT_TRUE(lignes.contains(QStringLiteral("Erreur : la ligne de commande : «") + ligne +
                                    QStringLiteral("» est invalide.")));
    }
    QThread::msleep(200);
    EXPECT_FALSE(QFileInfo::exists(projet + QStringLiteral("/journal.txt")));
}

TEST_F(Banc, ReglagesEndommagesIntactsEtSignales) {
    const QByteArray abime = QStringLiteral("<Paramètres><Silence>1</Sil").toUtf8();
    OutilsTests::ecrireFichier(parametres(), abime);
    EXPECT_EQ(lancer(QStringLiteral("nettoyer>") + projet), CodeSortie::Succès);
    ASSERT_TRUE(OutilsTests::attendre([&] { return journal() == u"clean\n"; }));
    EXPECT_EQ(lireFichier(parametres()), abime);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(messages.messages[0].texte.contains(parametres()));
    EXPECT_EQ(DernièreEtapeEnErreur(), EtapeDémarrage::Assistante);
    // Une action qui a besoin des réglages s'arrête au message.
    messages.messages.clear();
    EXPECT_EQ(lancer(QStringLiteral("compiler>") + projet), CodeSortie::Erreur);
    EXPECT_EQ(messages.messages.size(), 1u);
}

TEST_F(Banc, CiblesMakeDansLeDossierDuProjet) {
    QDir::setCurrent(racine.path()); // dossier relatif
    EXPECT_EQ(lancer(QStringLiteral("NetToyer>Mon projet é>X")), CodeSortie::Succès);
    ASSERT_TRUE(OutilsTests::attendre([&] { return journal() == u"clean\n"; }));
    EXPECT_EQ(lancer(QStringLiteral("programmer>") + projet + QStringLiteral(">X")), CodeSortie::Succès);
    ASSERT_TRUE(OutilsTests::attendre([&] { return journal() == u"clean\nprogram\n"; }));
    QFile::remove(projet + QStringLiteral("/journal.txt"));
    // make clean reste en cours tant que « continuer » manque : make all doit l'attendre,
    // l'appelant non (sinon cet appel ne reviendrait pas).
    QFile::remove(projet + QStringLiteral("/continuer"));
    QFile::remove(projet + QStringLiteral("/clean_commence"));
    EXPECT_EQ(lancer(QStringLiteral("reconstruire>") + projet + QStringLiteral(">X")), CodeSortie::Succès);
    ASSERT_TRUE(
        OutilsTests::attendre([&] { return QFileInfo::exists(projet + QStringLiteral("/clean_commence")); }));
    QThread::msleep(100);
    EXPECT_EQ(journal(), QString());
    OutilsTests::ecrireFichier(projet + QStringLiteral("/continuer"), {});
    ASSERT_TRUE(OutilsTests::attendre([&] { return journal() == u"clean\nall\n"; }));
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(Banc, MakeIntrouvableDitClairement) {
    const QByteArray chemin = qgetenv("PATH");
    qputenv("PATH", racine.path().toLocal8Bit());
    const int code = lancer(QStringLiteral("nettoyer>") + projet);
    qputenv("PATH", chemin);
    EXPECT_EQ(code, CodeSortie::Erreur);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(messages.messages[0].texte.contains(QStringLiteral("« make » est introuvable")));
}

TEST_F(Banc, ActionsDesFenetresRepartiesParMot) {
    QStringList vus;
    EnregistrerActionFenêtre(QStringLiteral("configurer"), [&] {
        vus << QStringLiteral("configurer");
        return 0;
    });
    EnregistrerActionFenêtre(QStringLiteral("assistante"), [&] {
        vus << etatGlobal().AppelantAssistante;
        return 0;
    });
    lancer(QStringLiteral("Configurer>") + projet + QStringLiteral(">X"));
    EXPECT_EQ(etatGlobal().AppelantAssistante, QString());
    lancer(QStringLiteral("ASSISTANTE>") + projet + QStringLiteral(">X"));
    EXPECT_EQ(vus, (QStringList{QStringLiteral("configurer"), QStringLiteral("Ligne de commande")}));
    EXPECT_TRUE(messages.messages.empty());
}
