#include "noyau/DOSClass.h"
#include "outils/OutilsTests.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <gtest/gtest.h>

namespace {

// Un évènement reçu : genre (O sortie, E erreurs, W attente) et ses textes.
struct Evenement {
    char genre;
    QString texte;
    QString erreurs;
    bool operator==(const Evenement&) const = default;
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
        QObject::connect(&dos, &DOSClass::ReceiveOutputs, &dos, [this](const QString& s) {
            evenements.push_back({'O', s, {}});
        });
        QObject::connect(&dos, &DOSClass::ReceiveErrors, &dos, [this](const QString& s) {
            evenements.push_back({'E', s, {}});
        });
        QObject::connect(&dos, &DOSClass::WaitForInput, &dos, [this](const QString& o, const QString& e) {
            evenements.push_back({'W', o, e});
        });
        securite.setSingleShot(true);
        securite.setInterval(60000);
        QObject::connect(&securite, &QTimer::timeout, &dos, [this] {
            securiteDeclenchee = true;
            dos.KillCommand();
        });
    }

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
    int nombre(char genre) const {
        return static_cast<int>(std::count_if(evenements.begin(), evenements.end(),
                                              [genre](const Evenement& e) { return e.genre == genre; }));
    }
};

} // namespace

TEST_F(BancDOS, EnfantMuetRendSonCodeDeSortieSansEvenementDeSortie) {
    EXPECT_EQ(executer("sh -c \"exit 3\"", true), 0);
    EXPECT_EQ(dos.ExitCode(), 3);
    EXPECT_EQ(nombre('O'), 0);
    EXPECT_EQ(nombre('E'), 0);
    EXPECT_TRUE(dos.Outputs().isEmpty());
    EXPECT_TRUE(dos.Errors().isEmpty());
    EXPECT_FALSE(dos.Killed());
    EXPECT_FALSE(dos.enCours());

    // Le même objet sert à une seconde exécution ; un enfant tué par un signal rend 128 + signal.
    EXPECT_EQ(executer("sh -c 'kill -9 $$'", false), 0);
    EXPECT_EQ(dos.ExitCode(), 128 + 9);
}

TEST_F(BancDOS, SortiesFusionneesOuSeparees) {
    const QString commande = "sh -c 'printf sortie; printf erreur >&2; exit 0'";
    EXPECT_EQ(executer(commande, true), 0);
    EXPECT_EQ(dos.Outputs(), "sortieerreur");
    EXPECT_EQ(morceaux('O'), dos.Outputs());
    EXPECT_TRUE(dos.Errors().isEmpty());
    EXPECT_EQ(nombre('E'), 0);

    evenements.clear();
    EXPECT_EQ(executer(commande, false), 0);
    EXPECT_EQ(dos.Outputs(), "sortie");
    EXPECT_EQ(dos.Errors(), "erreur");
    EXPECT_EQ(morceaux('O'), "sortie");
    EXPECT_EQ(morceaux('E'), "erreur");
}

TEST_F(BancDOS, ProgrammeIntrouvableRend2SansEvenementEtGardeLaDerniereExecution) {
    EXPECT_EQ(executer("sh -c 'printf avant; printf err >&2; exit 3'", false), 0);
    evenements.clear();

    EXPECT_EQ(executer("programme_quillon_qui_n_existe_pas", true, "-v"), 2);
    EXPECT_EQ(executer("/chemin/qui/n/existe/pas/avrdude", false), 2);
    EXPECT_EQ(executer(QString(), true), 2);
    // Un fichier sans droit d'exécution : le code du système, pas « introuvable ».
    const QString texte = dossier.filePath("texte.txt");
    OutilsTests::ecrireFichier(texte, "rien");
    EXPECT_EQ(executer(texte, true), EACCES);
    // Un dossier de travail absent empêche aussi le démarrage.
    dos.setCommandWorkingDirectory(dossier.filePath("absent"));
    EXPECT_EQ(executer("true", true), 2);

    QCoreApplication::processEvents();
    EXPECT_TRUE(evenements.empty());
    EXPECT_EQ(dos.Outputs(), "avant");
    EXPECT_EQ(dos.Errors(), "err");
    EXPECT_EQ(dos.ExitCode(), 3);
    EXPECT_FALSE(dos.enCours());
}

TEST_F(BancDOS, ArretDepuisLePremierEvenementDeSortie) {
    const auto arret = QObject::connect(&dos, &DOSClass::ReceiveOutputs, &dos, [this] { dos.KillCommand(); });
    // yes écrit sans fin : seul l'arrêt termine l'exécution.
    EXPECT_EQ(executer("yes", true, "quillon"), DOSClass::StatutAnnule);
    EXPECT_TRUE(dos.Killed());
    EXPECT_EQ(dos.ExitCode(), DOSClass::CodeSortieArret);
    // Plus aucun évènement après l'arrêt, et la sortie s'arrête au premier morceau.
    ASSERT_EQ(evenements.size(), 1u);
    EXPECT_EQ(evenements[0].genre, 'O');
    EXPECT_EQ(dos.Outputs(), evenements[0].texte);
    EXPECT_TRUE(dos.Outputs().startsWith("quillon\n"));
    QCoreApplication::processEvents();
    EXPECT_EQ(evenements.size(), 1u);

    // Puis une exécution ordinaire : l'arrêt ne reste pas acquis.
    QObject::disconnect(arret);
    EXPECT_EQ(executer("sh -c 'exit 4'", true), 0);
    EXPECT_FALSE(dos.Killed());
    EXPECT_EQ(dos.ExitCode(), 4);

    // Un enfant muet qui ne finit pas, arrêté depuis l'attente : rien ne s'écrit plus ensuite.
    evenements.clear();
    QObject::connect(&dos, &DOSClass::WaitForInput, &dos, [this] { dos.KillCommand(); });
    EXPECT_EQ(executer("sleep 1000", false), DOSClass::StatutAnnule);
    EXPECT_EQ(dos.ExitCode(), DOSClass::CodeSortieArret);
    EXPECT_EQ(nombre('W'), 1);
}

TEST_F(BancDOS, LongueSortieArriveEntiere) {
    QByteArray contenu;
    contenu.reserve(1 << 20);
    for (int i = 0; i < (1 << 20); ++i)
        contenu.append(static_cast<char>((i * 7 + i / 256) & 0xFF));
    const QString fichier = dossier.filePath("gros.bin");
    OutilsTests::ecrireFichier(fichier, contenu);

    for (const bool fusion : {true, false}) {
        evenements.clear();
        EXPECT_EQ(executer("cat \"" + fichier + u'"', fusion), 0);
        EXPECT_EQ(dos.Outputs().size(), contenu.size());
        EXPECT_TRUE(dos.Outputs().toLatin1() == contenu);
        EXPECT_TRUE(morceaux('O') == dos.Outputs());
    }
}

TEST_F(BancDOS, ArgumentsEntreGuillemetsSansShellDansLeDossierDeTravail) {
    EXPECT_EQ(executer("printf", true, "\"[%s]\" \"a b\" 'c  d' e"), 0);
    EXPECT_EQ(dos.Outputs(), "[a b][c  d][e]");

    // Toute la ligne dans CommandName, comme pour avrdude.
    EXPECT_EQ(executer("printf \"<%s>\" \"x y\"", true), 0);
    EXPECT_EQ(dos.Outputs(), "<x y>");

    // Aucun shell : ni variable développée ni commande enchaînée.
    EXPECT_EQ(executer("echo $HOME ; echo x", true), 0);
    EXPECT_EQ(dos.Outputs(), "$HOME ; echo x\n");

    dos.setCommandWorkingDirectory(dossier.path());
    EXPECT_EQ(executer("pwd", true), 0);
    EXPECT_EQ(dos.Outputs(), QFileInfo(dossier.path()).canonicalFilePath() + u'\n');
    EXPECT_EQ(dos.CommandWorkingDirectory(), dossier.path());
}

TEST_F(BancDOS, UneSeuleExecutionALaFois) {
    int32_t secondeStatut = -1;
    QObject::connect(&dos, &DOSClass::WaitForInput, &dos, [&] {
        if (secondeStatut == -1) secondeStatut = dos.ExecuteCommand(true);
        dos.KillCommand();
    });
    EXPECT_EQ(executer("sleep 1000", true), DOSClass::StatutAnnule);
    EXPECT_EQ(secondeStatut, EBUSY);
}
