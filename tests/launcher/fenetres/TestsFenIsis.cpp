#include "common/Messages.h"
#include "launcher/LancementOutils.h"
#include "launcher/Principal.h"
#include "launcher/fenetres/FenIsis.h"
#include "noyau/EtatGlobal.h"
#include "outils/OutilsFenetres.h"
#include "outils/OutilsTests.h"
#include "outils/QuandModale.h"

#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct ChoixSchema : ::testing::Test {
    QTemporaryDir projet;
    EnregistreurMessages messages;
    std::vector<Processus::Commande> démarrées;

    void SetUp() override {
        etatGlobal().réinitialiser();
        for (const char* nom : {"Carte.DSN", "alimentation.dsn", "Afficheur l'essai.DSN"})
            OutilsTests::ecrireFichier(projet.filePath(QString::fromUtf8(nom)), "x");
        EtatGlobal& e = etatGlobal();
        e.Commande = QStringLiteral("isis");
        e.RépertoireDeTravail = projet.path();
        e.ParamètreAdditionnel = QStringLiteral("sh");
    }

    // L'action complète, la fenêtre de choix (modale) recevant action une fois affichée.
    int lancerAvec(std::function<void(FenIsis*)> action) {
        OutilsFenetres::quandModale<FenIsis>(action);
        ServicesOutils s;
        s.démarrer = [this](const Processus::Commande& c, const QString&, QString*) {
            démarrées.push_back(c);
            return true;
        };
        s.choisirSchéma = &FenIsis::choisir;
        return LancerOutil(s);
    }
};

void cliquer(FenIsis* f, const char* nom) {
    OutilsFenetres::enfant<QPushButton>(f, nom)->click();
}

} // namespace

// Liste triée sans égard à la casse, le premier choisi d'avance (jamais un nom vide) ; « à vide »
// et la case de fermeture lancent Isis sans fichier.
TEST_F(ChoixSchema, ChaqueFaçonDeQuitterLanceIsis) {
    const struct {
        const char* cas;
        std::function<void(FenIsis*)> action;
        QString schéma;
    } cas[] = {
        {"rang 2",
         [](FenIsis* f) {
             OutilsFenetres::enfant<QListWidget>(f, "File1")->setCurrentRow(2);
             cliquer(f, "CBCeFichier");
         },
         "Carte.DSN"},
        {"choisi d'avance", [](FenIsis* f) { cliquer(f, "CBCeFichier"); }, "Afficheur l'essai.DSN"},
        {"à vide", [](FenIsis* f) { cliquer(f, "CBVide"); }, {}},
        {"fermée", [](FenIsis* f) { f->close(); }, {}},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.cas);
        démarrées.clear();
        ASSERT_EQ(lancerAvec(c.action), CodeSortie::Succès);
        ASSERT_EQ(démarrées.size(), 1u);
        EXPECT_EQ(démarrées[0].arguments, c.schéma.isEmpty() ? QStringList() : QStringList{c.schéma});
    }
    EXPECT_TRUE(messages.messages.empty());
}
