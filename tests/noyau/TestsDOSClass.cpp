#include "noyau/DOSClass.h"
#include "outils/OutilsTests.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cerrno>
#include <gtest/gtest.h>
#include <tuple>

namespace {

// Un évènement reçu : genre (O sortie, W attente) et son texte.
struct Evenement {
    char genre;
    QString texte;
};

// Un DOSClass dont chaque évènement est noté, et un filet si l'enfant ne finit pas.
struct BancDOS : ::testing::Test {
    DOSClass dos;
    std::vector<Evenement> evenements;
    QTimer securite;
    bool securiteDeclenchee = false;
    QTemporaryDir dossier;

    void SetUp() override {
        QObject::connect(&dos, &DOSClass::ReceiveOutputs, &dos, [this](const QString& s) { noter('O', s); });
        QObject::connect(&dos, &DOSClass::WaitForInput, &dos, [this](const QString& o) { noter('W', o); });
        securite.setSingleShot(true);
        securite.setInterval(10000);
        // Le filet ne passe pas par le code essayé : un arrêt défaillant ne bloquerait pas le test.
        QObject::connect(&securite, &QTimer::timeout, &dos, [this] {
            securiteDeclenchee = true;
            QProcess::execute(QStringLiteral("pkill"),
                              {QStringLiteral("-KILL"), QStringLiteral("-P"),
                               QString::number(QCoreApplication::applicationPid())});
        });
    }
    void noter(char genre, const QString& texte) { evenements.push_back({genre, texte}); }

    // Le programme ne lance que des sorties fusionnées, sans argument à part.
    int32_t executer(const QString& commande) {
        dos.setCommandName(commande);
        securite.start();
        const int32_t statut = dos.ExecuteCommand(true);
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

// Un même objet : code de sortie (128 + signal si tué), sorties fusionnées, guillemets sans shell ; un
// programme qui ne démarre pas rend son code sans évènement et laisse la dernière exécution.
TEST_F(BancDOS, CodesSortiesEtGuillemetsSansShell) {
    const struct {
        QString commande, sortie;
        int code;
    } cas[] = {{"sh -c \"exit 3\"", "", 3},
               {"sh -c 'kill -9 $$'", "", 128 + 9},
               {"sh -c 'printf sortie; printf erreur >&2; exit 0'", "sortieerreur", 0},
               {"printf \"<%s>\" \"x y\"", "<x y>", 0},
               {"echo $HOME ; echo x", "$HOME ; echo x\n", 0}};
    for (const auto& c : cas) {
        SCOPED_TRACE(c.commande.toStdString());
        evenements.clear();
        EXPECT_EQ(executer(c.commande), 0);
        EXPECT_EQ(std::tuple(dos.Outputs(), morceaux('O'), dos.ExitCode()),
                  std::tuple(c.sortie, c.sortie, c.code));
    }
    evenements.clear();
    // Un fichier sans droit d'exécution : le code du système, pas « introuvable ».
    const QString texte = dossier.filePath("texte.txt");
    OutilsTests::ecrireFichier(texte, "rien");
    const std::pair<QString, int> introuvables[] = {{"programme_quillon_qui_n_existe_pas", 2},
                                                    {"", 2},
                                                    {texte, EACCES}};
    for (const auto& [commande, statut] : introuvables)
        EXPECT_EQ(executer(commande), statut) << commande.toStdString();
    QCoreApplication::processEvents();
    EXPECT_EQ(std::tuple(evenements.size(), dos.Outputs(), dos.ExitCode()),
              std::tuple(0u, "$HOME ; echo x\n", 0));
}

TEST_F(BancDOS, ArretDepuisLePremierEvenementDeSortie) {
    const auto arret = QObject::connect(&dos, &DOSClass::ReceiveOutputs, &dos, [this] { dos.KillCommand(); });
    // yes écrit sans fin : seul l'arrêt termine l'exécution.
    EXPECT_EQ(executer("yes quillon"), DOSClass::StatutAnnule);
    EXPECT_EQ(dos.ExitCode(), DOSClass::CodeSortieArret);
    // Plus aucun évènement après l'arrêt, et la sortie s'arrête au premier morceau.
    QCoreApplication::processEvents();
    ASSERT_EQ(evenements.size(), 1u);
    EXPECT_TRUE(dos.Outputs() == evenements[0].texte && dos.Outputs().startsWith("quillon\n"));

    // Puis une exécution ordinaire : l'arrêt ne reste pas acquis.
    QObject::disconnect(arret);
    EXPECT_EQ(executer("sh -c 'exit 4'"), 0);
    EXPECT_EQ(dos.ExitCode(), 4);
}

TEST_F(BancDOS, LongueSortieArriveEntiere) {
    QByteArray contenu(1 << 20, '\0');
    for (int i = 0; i < contenu.size(); ++i)
        contenu[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    const QString fichier = dossier.filePath("gros.bin");
    OutilsTests::ecrireFichier(fichier, contenu);

    EXPECT_EQ(executer("cat \"" + fichier + u'"'), 0);
    EXPECT_TRUE(dos.Outputs().toLatin1() == contenu && morceaux('O') == dos.Outputs());
}

TEST_F(BancDOS, UneSeuleExecutionALaFois) {
    int32_t secondeStatut = -1;
    QObject::connect(&dos, &DOSClass::WaitForInput, &dos, [&] {
        if (secondeStatut == -1) secondeStatut = dos.ExecuteCommand(true);
        dos.KillCommand();
    });
    // Un enfant muet qui ne finit pas, arrêté depuis l'attente.
    EXPECT_EQ(executer("sleep 1000"), DOSClass::StatutAnnule);
    EXPECT_EQ(std::tuple(dos.ExitCode(), secondeStatut), std::tuple(DOSClass::CodeSortieArret, EBUSY));
}
