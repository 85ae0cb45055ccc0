#include "common/Messages.h"
#include "launcher/LancementOutils.h"
#include "launcher/Principal.h"
#include "launcher/fenetres/FenIsis.h"
#include "noyau/EtatGlobal.h"
#include "outils/OutilsFenetres.h"
#include "outils/OutilsTests.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
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

    // L'action complète, la fenêtre de choix recevant action une fois affichée.
    int lancerAvec(std::function<void(FenIsis*)> action) {
        QTimer::singleShot(0, [action] {
            auto* f = qobject_cast<FenIsis*>(QApplication::activeModalWidget());
            ASSERT_NE(f, nullptr);
            action(f);
        });
        ServicesOutils s;
        s.chercherFenêtre = [](const QString&) { return Fenetres::Recherche(); };
        s.démarrer = [this](const Processus::Commande& c, const QString&, QString*) {
            démarrées.push_back(c);
            return true;
        };
        s.choisirSchéma = &FenIsis::choisir;
        return LancerOutil(s);
    }
};

template <class T> T* enfant(QWidget* w, const char* nom) {
    return OutilsFenetres::enfant<T>(w, QString::fromUtf8(nom));
}

} // namespace

// Les schémas du dossier, triés sans égard à la casse, le premier choisi d'avance.
TEST_F(ChoixSchema, ListeDesSchemas) {
    FenIsis f(projet.path());
    EXPECT_TRUE(f.isModal());
    auto* liste = enfant<QListWidget>(&f, "File1");
    ASSERT_EQ(liste->count(), 3);
    EXPECT_EQ(liste->item(1)->text(), QStringLiteral("alimentation.dsn"));
    EXPECT_EQ(liste->currentRow(), 0);
}

TEST_F(ChoixSchema, OuvrirCeFichierDonneLeSchemaChoisiEntreGuillemets) {
    ASSERT_EQ(lancerAvec([](FenIsis* f) {
                  enfant<QListWidget>(f, "File1")->setCurrentRow(2);
                  enfant<QPushButton>(f, "CBCeFichier")->click();
              }),
              CodeSortie::Succès);
    EXPECT_EQ(etatGlobal().ArgumentSimulateur, QStringLiteral(" \"Carte.DSN\""));
    EXPECT_TRUE(etatGlobal().LancerIsis);
    ASSERT_EQ(démarrées.size(), 1u);
    EXPECT_EQ(démarrées[0].arguments, QStringList{QStringLiteral("Carte.DSN")});

    // Le premier schéma est choisi d'avance : le bouton n'ouvre jamais un nom vide.
    démarrées.clear();
    ASSERT_EQ(lancerAvec([](FenIsis* f) { enfant<QPushButton>(f, "CBCeFichier")->click(); }),
              CodeSortie::Succès);
    ASSERT_EQ(démarrées.size(), 1u);
    EXPECT_EQ(démarrées[0].arguments, QStringList{QStringLiteral("Afficheur l'essai.DSN")});
}

TEST_F(ChoixSchema, OuvrirAVideEtCaseDeFermetureLancentIsisSansFichier) {
    ASSERT_EQ(lancerAvec([](FenIsis* f) { enfant<QPushButton>(f, "CBVide")->click(); }), CodeSortie::Succès);
    EXPECT_EQ(etatGlobal().ArgumentSimulateur, QString());
    EXPECT_TRUE(etatGlobal().LancerIsis);
    ASSERT_EQ(démarrées.size(), 1u);
    EXPECT_TRUE(démarrées[0].arguments.isEmpty());

    démarrées.clear();
    etatGlobal().LancerIsis = false;
    ASSERT_EQ(lancerAvec([](FenIsis* f) { f->close(); }), CodeSortie::Succès);
    EXPECT_EQ(etatGlobal().ArgumentSimulateur, QString());
    EXPECT_TRUE(etatGlobal().LancerIsis);
    ASSERT_EQ(démarrées.size(), 1u);
    EXPECT_TRUE(démarrées[0].arguments.isEmpty());
    EXPECT_TRUE(messages.messages.empty());
}
