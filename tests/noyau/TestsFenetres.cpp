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

#include "outils/ServeurXTests.h"

namespace {

// Variable d'environnement remise en l'état à la fin du test.
class VariableTemporaire final {
public:
    VariableTemporaire(const char* nom, const std::optional<QByteArray>& valeur) : nom_(nom) {
        if (qEnvironmentVariableIsSet(nom)) ancienne_ = qgetenv(nom);
        if (valeur)
            qputenv(nom, *valeur);
        else
            qunsetenv(nom);
    }
    ~VariableTemporaire() {
        if (ancienne_)
            qputenv(nom_, *ancienne_);
        else
            qunsetenv(nom_);
    }

private:
    const char* nom_;
    std::optional<QByteArray> ancienne_;
};

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
        for (const char* p :
             {"_NET_SUPPORTING_WM_CHECK", "_NET_SUPPORTED", "_NET_CLIENT_LIST_STACKING", "_NET_CLIENT_LIST"})
            x->retirer(x->racine(), p);
        x.reset();
    }

    // Faux gestionnaire EWMH : fenêtre témoin, fonctions annoncées, pile des clientes (du bas vers le haut).
    void simulerGestionnaire(const std::vector<long>& pile) {
        const Window témoin = x->créer(QString(), false);
        x->poserListe(témoin, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, {long(témoin)});
        x->poserListe(x->racine(), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, {long(témoin)});
        x->poserListe(x->racine(), "_NET_SUPPORTED", XA_ATOM,
                      {long(x->atome("_NET_ACTIVE_WINDOW")), long(x->atome("_NET_CLIENT_LIST_STACKING"))});
        x->poserListe(x->racine(), "_NET_CLIENT_LIST_STACKING", XA_WINDOW, pile);
    }

    static inline std::unique_ptr<ServeurXTests> serveur;
    std::optional<VariableTemporaire> affichage, wayland;
    std::unique_ptr<ClientXTests> x;
};

} // namespace

TEST_F(FenetresX, TitreContenuSansEgardALaCasseVisibleOuReduite) {
    const Window autre = x->créer(QStringLiteral("Éditeur — projet"), true);
    // Cachée (jamais montrée, sans état de gestionnaire) : ignorée.
    const Window cachée = x->créer(QStringLiteral("ISIS Professional"), false);
    auto r = Fenetres::chercher(QStringLiteral("ISIS"));
    EXPECT_FALSE(r.trouvée);

    const Window isis = x->créer(QStringLiteral("Mon schéma - ISIS Professional"), true);
    r = Fenetres::chercher(QStringLiteral("ISIS"));
    ASSERT_TRUE(r.trouvée);
    EXPECT_EQ(r.titre, QStringLiteral("mon schéma - isis professional"));
    EXPECT_EQ(r.moyen, Fenetres::Moyen::X11);
    EXPECT_TRUE(Fenetres::chercher(QStringLiteral("iSiS pRo")).trouvée);
    EXPECT_FALSE(Fenetres::chercher(QStringLiteral("AVRStudio")).trouvée);

    // Réduite : démappée par le gestionnaire mais iconique, elle compte.
    x->déclarerRéduite(isis);
    r = Fenetres::chercher(QStringLiteral("isis"));
    ASSERT_TRUE(r.trouvée);
    EXPECT_EQ(r.titre, QStringLiteral("mon schéma - isis professional"));
    // Retirée (WM_STATE retiré) : plus visible.
    x->poserÉtatWM(isis, WithdrawnState);
    EXPECT_FALSE(Fenetres::chercher(QStringLiteral("isis")).trouvée);
    // Cachée au sens d'EWMH (réduite par un gestionnaire moderne) : elle compte aussi.
    x->poserListe(isis, "_NET_WM_STATE", XA_ATOM, {long(x->atome("_NET_WM_STATE_HIDDEN"))});
    EXPECT_TRUE(Fenetres::chercher(QStringLiteral("isis")).trouvée);
    (void)autre;
    (void)cachée;
}

TEST_F(FenetresX, LaPlusHauteDeLEmpilementEtClienteSousUnCadre) {
    x->créer(QStringLiteral("ISIS bas"), true);
    x->créer(QStringLiteral("ISIS haut"), true);
    EXPECT_EQ(Fenetres::chercher(QStringLiteral("isis")).titre, QStringLiteral("isis haut"));

    // Un gestionnaire sans EWMH met la cliente (porteuse de WM_STATE) dans un cadre sans titre.
    const Window cadreFenêtre = x->créer(QString(), true);
    const Window cliente = x->créer(QStringLiteral("AVR Studio 4 - essai_elf.aps"), true, cadreFenêtre);
    x->poserÉtatWM(cliente, NormalState);
    const auto r = Fenetres::chercher(QStringLiteral("AVR Studio"));
    ASSERT_TRUE(r.trouvée);
    EXPECT_EQ(r.titre, QStringLiteral("avr studio 4 - essai_elf.aps"));
}

TEST_F(FenetresX, ActivationSansGestionnaireRouvreEleveEtDonneLeFocus) {
    const Window isis = x->créer(QStringLiteral("ISIS Professional"), true);
    const Window dessus = x->créer(QStringLiteral("Éditeur"), true);
    ASSERT_EQ(x->auDessus(), dessus);

    EXPECT_TRUE(Fenetres::activer(QStringLiteral("isis professional")));
    EXPECT_EQ(x->auDessus(), isis);
    EXPECT_EQ(x->focus(), isis);

    // Réduite : l'activation la remet à l'écran.
    x->créer(QStringLiteral("Autre"), true);
    x->déclarerRéduite(isis);
    ASSERT_FALSE(x->visibleÀLÉcran(isis));
    EXPECT_TRUE(Fenetres::activer(QStringLiteral("ISIS PROFESSIONAL")));
    EXPECT_TRUE(x->visibleÀLÉcran(isis));
    EXPECT_EQ(x->auDessus(), isis);
    EXPECT_EQ(x->focus(), isis);

    // Le titre doit être égal, pas seulement contenu ; une fenêtre disparue ne s'active pas.
    EXPECT_FALSE(Fenetres::activer(QStringLiteral("isis")));
    x->détruire(isis);
    EXPECT_FALSE(Fenetres::activer(QStringLiteral("isis professional")));
}

TEST_F(FenetresX, GestionnaireEWMHListeDesClientesEtDemandeDActivation) {
    // L'empilement du gestionnaire fait foi, pas l'ordre des enfants de la racine.
    const Window haut = x->créer(QStringLiteral("ISIS haut"), true);
    const Window bas = x->créer(QStringLiteral("ISIS bas"), true);
    const Window horsListe = x->créer(QStringLiteral("ISIS hors liste"), true);
    simulerGestionnaire({long(bas), long(haut)});
    auto r = Fenetres::chercher(QStringLiteral("ISIS"));
    ASSERT_TRUE(r.trouvée);
    EXPECT_EQ(r.titre, QStringLiteral("isis haut"));

    // L'activation passe par _NET_ACTIVE_WINDOW, que le gestionnaire reçoit sur la racine.
    XSelectInput(x->d(), x->racine(), SubstructureNotifyMask);
    XSync(x->d(), False);
    EXPECT_TRUE(Fenetres::activer(QStringLiteral("isis haut")));
    XSync(x->d(), False);
    XEvent e{};
    bool reçu = false;
    while (XCheckTypedEvent(x->d(), ClientMessage, &e))
        if (e.xclient.message_type == x->atome("_NET_ACTIVE_WINDOW")) {
            reçu = true;
            EXPECT_EQ(e.xclient.window, haut);
            EXPECT_EQ(e.xclient.data.l[0], 1);
        }
    EXPECT_TRUE(reçu);
    // Le focus reste l'affaire du gestionnaire.
    EXPECT_NE(x->focus(), haut);

    // Un témoin périmé (gestionnaire disparu) : la liste n'est plus crue, la racine fait foi.
    const Window témoinMort = x->créer(QString(), false);
    x->poserListe(x->racine(), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, {long(témoinMort)});
    x->détruire(témoinMort);
    r = Fenetres::chercher(QStringLiteral("ISIS"));
    ASSERT_TRUE(r.trouvée);
    EXPECT_EQ(r.titre, QStringLiteral("isis hors liste"));
    (void)horsListe;
}

TEST(FenetresProcessus, SansAffichageLeNomDesProcessus) {
    VariableTemporaire sansX("DISPLAY", std::nullopt);
    VariableTemporaire sansWayland("WAYLAND_DISPLAY", std::nullopt);
    QTemporaryDir dossier;
    // Nom unique, court (le noyau tronque le nom à 15 caractères), en capitales.
    const QString nom = QStringLiteral("QisiS%1").arg(QRandomGenerator::global()->bounded(100000, 999999));
    const QString copie = dossier.filePath(nom);
    ASSERT_TRUE(QFile::copy(QStandardPaths::findExecutable(QStringLiteral("sleep")), copie));
    QFile::setPermissions(copie, QFile::permissions(copie) | QFile::ExeOwner);
    QProcess outil;
    outil.start(copie, {QStringLiteral("600")});
    ASSERT_TRUE(outil.waitForStarted());

    const auto r = Fenetres::chercher(nom.toLower().mid(1));
    ASSERT_TRUE(r.trouvée);
    EXPECT_EQ(r.moyen, Fenetres::Moyen::Processus);
    EXPECT_EQ(r.titre, nom.toLower());
    // Rien à montrer, mais l'outil tourne : l'activation le dit pour qu'il ne soit pas relancé.
    EXPECT_TRUE(Fenetres::activer(r.titre));

    outil.kill();
    outil.waitForFinished();
    EXPECT_FALSE(Fenetres::chercher(nom).trouvée);
    EXPECT_FALSE(Fenetres::activer(r.titre));
}
