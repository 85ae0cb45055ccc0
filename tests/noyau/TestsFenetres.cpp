#include "noyau/plateforme/Fenetres.h"
#include "outils/OutilsTests.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include "outils/ServeurXTests.h"

namespace {

using OutilsTests::VariableEnvironnement;

// Un Xvfb pour toute la suite ; chaque test a sa connexion, dont la fermeture détruit ses fenêtres.
class FenetresX : public ::testing::Test {
protected:
    static void SetUpTestSuite() { serveur = std::make_unique<ServeurXTests>(); }
    static void TearDownTestSuite() { serveur.reset(); }

    void SetUp() override {
        if (serveur->affichage().isEmpty()) SAUTER_TEST("Xvfb indisponible");
        affichage.emplace("DISPLAY", serveur->affichage().toLocal8Bit());
        wayland.emplace("WAYLAND_DISPLAY", std::nullopt);
        x = std::make_unique<ClientXTests>(serveur->affichage());
        ASSERT_NE(x->d(), nullptr);
    }
    void TearDown() override {
        if (!x) return;
        // Les propriétés de la racine survivent à la connexion : un faux gestionnaire les retire.
        for (const char* p : {"_NET_SUPPORTING_WM_CHECK", "_NET_SUPPORTED", "_NET_CLIENT_LIST_STACKING"})
            x->retirer(x->racine(), p);
        x.reset();
    }

    static inline std::unique_ptr<ServeurXTests> serveur;
    std::optional<VariableEnvironnement> affichage, wayland;
    std::unique_ptr<ClientXTests> x;
};

} // namespace

TEST_F(FenetresX, TitreContenuVisibleOuReduiteEtActivation) {
    x->créer("Éditeur — projet", true);
    // Cachée (jamais montrée, sans état de gestionnaire) : ignorée.
    x->créer("ISIS Professional", false);
    EXPECT_FALSE(Fenetres::chercher("ISIS").trouvée);

    const Window isis = x->créer("Mon schéma - ISIS Professional", true);
    const auto r = Fenetres::chercher("iSiS pRo");
    EXPECT_EQ(std::tuple(r.trouvée, r.titre, r.moyen),
              std::tuple(true, "mon schéma - isis professional", Fenetres::Moyen::X11));
    EXPECT_FALSE(Fenetres::chercher("AVRStudio").trouvée);

    // Réduite : démappée par le gestionnaire mais iconique, elle compte.
    x->déclarerRéduite(isis);
    EXPECT_TRUE(Fenetres::chercher("isis").trouvée);
    // Retirée (WM_STATE retiré) : plus visible.
    x->poserÉtatWM(isis, WithdrawnState);
    EXPECT_FALSE(Fenetres::chercher("isis").trouvée);
    // Cachée au sens d'EWMH (réduite par un gestionnaire moderne) : elle compte aussi.
    x->poserListe(isis, "_NET_WM_STATE", XA_ATOM, {long(x->atome("_NET_WM_STATE_HIDDEN"))});
    EXPECT_TRUE(Fenetres::chercher("isis").trouvée);

    // Activée sans gestionnaire : rouverte, avec le focus ; le titre doit être égal, pas contenu.
    EXPECT_TRUE(Fenetres::activer("Mon schéma - ISIS PROFESSIONAL"));
    EXPECT_EQ(std::pair(x->visibleÀLÉcran(isis), x->focus()), std::pair(true, isis));
    EXPECT_FALSE(Fenetres::activer("isis"));
}

TEST_F(FenetresX, ClienteSousUnCadre) {
    // Un gestionnaire sans EWMH met la cliente (porteuse de WM_STATE) dans un cadre sans titre.
    const Window cadreFenêtre = x->créer(QString(), true);
    const Window cliente = x->créer("AVR Studio 4 - essai_elf.aps", true, cadreFenêtre);
    x->poserÉtatWM(cliente, NormalState);
    EXPECT_EQ(Fenetres::chercher("AVR Studio").titre, "avr studio 4 - essai_elf.aps");
}

TEST_F(FenetresX, GestionnaireEWMHListeDesClientesEtDemandeDActivation) {
    // L'empilement du gestionnaire fait foi, pas l'ordre des enfants de la racine.
    const Window haut = x->créer("ISIS haut", true);
    const Window bas = x->créer("ISIS bas", true);
    x->créer("ISIS hors liste", true);
    // Faux gestionnaire EWMH : fenêtre témoin, fonctions annoncées, pile des clientes (du bas vers le haut).
    const Window témoin = x->créer(QString(), false);
    x->poserListe(témoin, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, {long(témoin)});
    x->poserListe(x->racine(), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, {long(témoin)});
    x->poserListe(x->racine(), "_NET_SUPPORTED", XA_ATOM,
                  {long(x->atome("_NET_ACTIVE_WINDOW")), long(x->atome("_NET_CLIENT_LIST_STACKING"))});
    x->poserListe(x->racine(), "_NET_CLIENT_LIST_STACKING", XA_WINDOW, {long(bas), long(haut)});
    EXPECT_EQ(Fenetres::chercher("ISIS").titre, "isis haut");

    // L'activation passe par _NET_ACTIVE_WINDOW, que le gestionnaire reçoit sur la racine.
    XSelectInput(x->d(), x->racine(), SubstructureNotifyMask);
    XSync(x->d(), False);
    EXPECT_TRUE(Fenetres::activer("isis haut"));
    XSync(x->d(), False);
    std::vector<std::pair<Window, long>> demandes; // fenêtre, source de la demande
    for (XEvent e{}; XCheckTypedEvent(x->d(), ClientMessage, &e);)
        if (e.xclient.message_type == x->atome("_NET_ACTIVE_WINDOW"))
            demandes.emplace_back(e.xclient.window, e.xclient.data.l[0]);
    EXPECT_EQ(demandes, (std::vector<std::pair<Window, long>>{{haut, 1}}));
    // Le focus reste l'affaire du gestionnaire.
    EXPECT_NE(x->focus(), haut);

    // Un témoin périmé (gestionnaire disparu) : la liste n'est plus crue, la plus haute des enfants
    // de la racine l'emporte.
    const Window témoinMort = x->créer(QString(), false);
    x->poserListe(x->racine(), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, {long(témoinMort)});
    x->détruire(témoinMort);
    EXPECT_EQ(Fenetres::chercher("ISIS").titre, "isis hors liste");
}

TEST(FenetresProcessus, SansAffichageLeNomDesProcessus) {
    VariableEnvironnement sansX("DISPLAY", std::nullopt);
    VariableEnvironnement sansWayland("WAYLAND_DISPLAY", std::nullopt);
    QTemporaryDir dossier;
    // Nom unique, court (le noyau tronque le nom à 15 caractères), en capitales.
    const QString nom = QString("QisiS%1").arg(QRandomGenerator::global()->bounded(100000, 999999));
    const QString copie = dossier.filePath(nom);
    ASSERT_TRUE(QFile::copy(QStandardPaths::findExecutable("sleep"), copie));
    QFile::setPermissions(copie, QFile::permissions(copie) | QFile::ExeOwner);
    QProcess outil;
    outil.start(copie, {"600"});
    ASSERT_TRUE(outil.waitForStarted());

    const auto r = Fenetres::chercher(nom.toLower().mid(1));
    EXPECT_EQ(std::tuple(r.trouvée, r.titre, r.moyen),
              std::tuple(true, nom.toLower(), Fenetres::Moyen::Processus));
    // Rien à montrer, mais l'outil tourne : l'activation le dit pour qu'il ne soit pas relancé.
    EXPECT_TRUE(Fenetres::activer(r.titre));

    outil.kill();
    outil.waitForFinished();
    EXPECT_FALSE(Fenetres::chercher(nom).trouvée);
    EXPECT_FALSE(Fenetres::activer(r.titre));
}
