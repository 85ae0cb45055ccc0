#include "noyau/DOSClass.h"
#include "outils/OutilsTests.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <cerrno>
#include <gtest/gtest.h>
#include <tuple>

namespace {

// Un évènement reçu : genre (O sortie, E erreurs, W attente) et son texte.
struct Evenement {
    char genre;
    QString texte;
};

// Un DOSClass dont chaque évènement est noté, avec un arrêt de sécurité pour qu'aucun test ne
// reste bloqué si l'enfant ne finit pas.
struct BancDOS : ::testing::Test {
    DOSClass dos;
    std::vector<Evenement> evenements;
    QTimer securite;
    bool securiteDeclenchee = false;
    QTemporaryDir dossier;

    void SetUp() override {
        QObject::connect(&dos, &DOSClass::ReceiveOutputs, &dos, [this](const QString& s) { noter('O', s); });
        QObject::connect(&dos, &DOSClass::ReceiveErrors, &dos, [this](const QString& s) { noter('E', s); });
        QObject::connect(&dos, &DOSClass::WaitForInput, &dos, [this](const QString& o) { noter('W', o); });
        securite.setSingleShot(true);
        securite.setInterval(60000);
        QObject::connect(&securite, &QTimer::timeout, &dos, [this] {
            securiteDeclenchee = true;
            dos.KillCommand();
        });
    }
    void noter(char genre, const QString& texte) { evenements.push_back({genre, texte}); }

    int32_t executer(const QString& commande, bool fusion, const QString& argument = {}) {
        dos.setCommandName(commande);
        dos.setCommandArgument(argument);
        securite.start();
        const int32_t statut = dos.ExecuteCommand(fusion);
        securite.stop();
        EXPECT_FALSE(securiteDeclenchee) << "l'enfant ne s'est pas terminé : " << commande.toStdString();
        return statut;
    }

    QString morceaux(char genre) const {
        QString r;
        for (const Evenement& e : evenements)
            if (e.genre == genre) r += e.texte;
        return r;
    }
};

} // namespace

// Le même objet sert à chaque exécution : code de sortie (128 + signal pour un enfant tué),
// sorties fusionnées ou séparées, arguments entre guillemets sans aucun shell.
TEST_F(BancDOS, CodesSortiesEtArgumentsSansShell) {
    const QString deux = "sh -c 'printf sortie; printf erreur >&2; exit 0'";
    const struct {
        QString commande, argument;
        bool fusion;
        QString sortie, erreurs;
        int code;
    } cas[] = {{"sh -c \"exit 3\"", {}, true, "", "", 3},
               {"sh -c 'kill -9 $$'", {}, false, "", "", 128 + 9},
               {deux, {}, true, "sortieerreur", "", 0},
               {deux, {}, false, "sortie", "erreur", 0},
               {"printf", "\"[%s]\" \"a b\" 'c  d' e", true, "[a b][c  d][e]", "", 0},
               {"printf \"<%s>\" \"x y\"", {}, true, "<x y>", "", 0},
               {"echo $HOME ; echo x", {}, true, "$HOME ; echo x\n", "", 0}};
    for (const auto& c : cas) {
        SCOPED_TRACE(c.commande.toStdString());
        evenements.clear();
        EXPECT_EQ(executer(c.commande, c.fusion, c.argument), 0);
        EXPECT_EQ(std::tuple(dos.Outputs(), morceaux('O'), dos.Errors(), morceaux('E'), dos.ExitCode()),
                  std::tuple(c.sortie, c.sortie, c.erreurs, c.erreurs, c.code));
        EXPECT_FALSE(dos.Killed());
    }
}

TEST_F(BancDOS, ProgrammeIntrouvableRend2SansEvenementEtGardeLaDerniereExecution) {
    EXPECT_EQ(executer("sh -c 'printf avant; printf err >&2; exit 3'", false), 0);
    evenements.clear();

    // Un fichier sans droit d'exécution : le code du système, pas « introuvable ».
    const QString texte = dossier.filePath("texte.txt");
    OutilsTests::ecrireFichier(texte, "rien");
    const std::pair<QString, int> cas[] = {{"programme_quillon_qui_n_existe_pas", 2},
                                           {"/chemin/qui/n/existe/pas/avrdude", 2},
                                           {"", 2},
                                           {texte, EACCES}};
    for (const auto& [commande, statut] : cas)
        EXPECT_EQ(executer(commande, true), statut) << commande.toStdString();
    // Un dossier de travail absent empêche aussi le démarrage.
    dos.setCommandWorkingDirectory(dossier.filePath("absent"));
    EXPECT_EQ(executer("true", true), 2);

    QCoreApplication::processEvents();
    EXPECT_TRUE(evenements.empty());
    EXPECT_EQ(std::tuple(dos.Outputs(), dos.Errors(), dos.ExitCode()), std::tuple("avant", "err", 3));
}

TEST_F(BancDOS, ArretDepuisLePremierEvenementDeSortie) {
    const auto arret = QObject::connect(&dos, &DOSClass::ReceiveOutputs, &dos, [this] { dos.KillCommand(); });
    // yes écrit sans fin : seul l'arrêt termine l'exécution.
    EXPECT_EQ(executer("yes", true, "quillon"), DOSClass::StatutAnnule);
    EXPECT_TRUE(dos.Killed());
    EXPECT_EQ(dos.ExitCode(), DOSClass::CodeSortieArret);
    // Plus aucun évènement après l'arrêt, et la sortie s'arrête au premier morceau.
    QCoreApplication::processEvents();
    ASSERT_EQ(evenements.size(), 1u);
    EXPECT_EQ(dos.Outputs(), evenements[0].texte);
    EXPECT_TRUE(dos.Outputs().startsWith("quillon\n"));

    // Puis une exécution ordinaire : l'arrêt ne reste pas acquis.
    QObject::disconnect(arret);
    EXPECT_EQ(executer("sh -c 'exit 4'", true), 0);
    EXPECT_FALSE(dos.Killed());
    EXPECT_EQ(dos.ExitCode(), 4);
}

TEST_F(BancDOS, LongueSortieArriveEntiere) {
    QByteArray contenu(1 << 20, '\0');
    for (int i = 0; i < contenu.size(); ++i)
        contenu[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    const QString fichier = dossier.filePath("gros.bin");
    OutilsTests::ecrireFichier(fichier, contenu);

    for (const bool fusion : {true, false}) {
        evenements.clear();
        EXPECT_EQ(executer("cat \"" + fichier + u'"', fusion), 0);
        EXPECT_TRUE(dos.Outputs().toLatin1() == contenu);
        EXPECT_TRUE(morceaux('O') == dos.Outputs());
    }
}

TEST_F(BancDOS, DossierDeTravail) {
    dos.setCommandWorkingDirectory(dossier.path());
    EXPECT_EQ(executer("pwd", true), 0);
    EXPECT_EQ(dos.Outputs(), QFileInfo(dossier.path()).canonicalFilePath() + u'\n');
}

TEST_F(BancDOS, UneSeuleExecutionALaFois) {
    int32_t secondeStatut = -1;
    QObject::connect(&dos, &DOSClass::WaitForInput, &dos, [&] {
        if (secondeStatut == -1) secondeStatut = dos.ExecuteCommand(true);
        dos.KillCommand();
    });
    // Un enfant muet qui ne finit pas, arrêté depuis l'attente.
    EXPECT_EQ(executer("sleep 1000", true), DOSClass::StatutAnnule);
    EXPECT_EQ(dos.ExitCode(), DOSClass::CodeSortieArret);
    EXPECT_EQ(secondeStatut, EBUSY);
}
