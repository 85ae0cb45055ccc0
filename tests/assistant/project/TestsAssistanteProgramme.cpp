// Sous Xvfb, l'assistante menée au clavier : son code mesuré dans simavr, son squelette construit.
#include "outils/EssaiConfiguration.h"
#include "outils/OutilsAvr.h"
#include "outils/OutilsTests.h"
#include "outils/ServeurXTests.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <optional>
#include <utility>
#include <vector>

namespace {

const QString TitreAssistante = QStringLiteral("Plume, votre assistante de programmation");

// Un projet, quillon lancé dessus par « assistante » et mené par un client X.
class AssistanteProgramme : public ::testing::Test {
protected:
    // Crée le projet dans ce dossier et y écrit le makefile, qu'il rend.
    QByteArray préparer(const QString& nom,
                        const std::vector<std::pair<QString, std::optional<QString>>>& réglages) {
        projet = dossier.filePath(nom);
        QDir().mkpath(projet);
        const QByteArray makefile = EssaiConfiguration::makefileAvec(réglages);
        OutilsTests::ecrireFichier(projet + QStringLiteral("/makefile"), makefile);
        return makefile;
    }
    // Lance quillon et rend la fenêtre de l'assistante, active (0 si elle ne vient pas).
    Window lancer() {
        x.emplace(serveur.affichage());
        if (!x->d() ||
            !lancerSurAffichage(quillon, serveur.affichage(),
                                {QStringLiteral("assistante>") + projet + QStringLiteral(">Clignotant")}))
            return 0;
        if (!x->attendreFenêtre(TitreAssistante, 30000, [&] { return quillon.state() == QProcess::Running; }))
            return 0;
        return x->activer(TitreAssistante);
    }
    // Le client X parti, quillon doit finir seul et sans erreur.
    void attendreFin() {
        x.reset();
        EXPECT_TRUE(quillon.waitForFinished(20000));
        EXPECT_EQ(quillon.exitCode(), 0);
    }

    ServeurXTests serveur;
    QTemporaryDir dossier;
    QString projet;
    std::optional<ClientXTests> x;
    QProcess quillon;
};

TEST_F(AssistanteProgramme, TouchesTapéesCodeCopiéMesuréDansSimavrPuisFermetureQuiTermine) {
    EXIGER_OUTILS("avr-gcc", "Xvfb");
    const QByteArray makefile =
        préparer(QStringLiteral("Projet"), {{QStringLiteral("MCU ="), QStringLiteral("atmega8")},
                                            {QStringLiteral("F_CPU ="), QStringLiteral("16000000")}});
    const Window w = lancer();
    ASSERT_NE(w, Window(0)) << quillon.readAllStandardError().toStdString();
    // Le README, touche par touche : le mode, la sortie (OC1A, la première), la fréquence…
    x->touche(w, XK_m, Mod1Mask);
    x->touche(w, XK_s, Mod1Mask);
    x->touche(w, XK_Home);
    x->touche(w, XK_f, Mod1Mask);
    x->taper(w, QStringLiteral("1 kHz"));
    x->touche(w, XK_Return);
    x->taper(w, QStringLiteral("0,25"));
    x->touche(w, XK_Return);
    x->touche(w, XK_a, Mod1Mask); // Ajouter l'en-tête d'initialisation
    x->touche(w, XK_v, Mod1Mask); // Voir le code
    x->touche(w, XK_t, Mod1Mask); // Copier tout
    QThread::msleep(300);
    const QString code = x->pressePapiers();
    // La configuration reste cachée ; la case de fermeture de l'assistante termine le programme.
    EXPECT_EQ(x->fenêtreTitrée(QStringLiteral("Configuration du makefile de Clignotant")), Window(0));
    x->demanderFermeture(w);
    attendreFin();
    EXPECT_EQ(OutilsTests::lireFichier(projet + QStringLiteral("/makefile")), makefile);

    // Le code de la vue, collé tel quel dans le source, la fonction appelée au début de main.
    const QString source =
        "#include <avr/io.h>\n" + code + "\nint main(void) { InitMLI_OC1A(); for (;;) {} }\n";
    QByteArray erreurs;
    const QString elf = OutilsAvr::compiler(dossier, "mli", "atmega8", source, &erreurs);
    ASSERT_FALSE(elf.isEmpty()) << erreurs.toStdString() << source.toStdString();
    // L'annoncé face au mesuré : TestsSimavr ; ici, ce qui a été tapé.
    const auto m = OutilsAvr::mesurer("atmega8", 16e6, elf, {"-b", "B1", "-t", "0.02"});
    EXPECT_NEAR(m.value(QStringLiteral("frequence")), 1000, 1);
    EXPECT_NEAR(m.value(QStringLiteral("rapport")), 0.25, 0.01);
}

// Le squelette tapé remplace le source, gardé en .bak ; « reconstruire » en fait le .hex.
TEST_F(AssistanteProgramme, SqueletteDuProjetÉcritAuClavierPuisConstruit) {
    EXIGER_OUTILS("avr-gcc", "make", "Xvfb");
    préparer(QStringLiteral("Mon projet"), {{QStringLiteral("MCU ="), QStringLiteral("atmega8")},
                                            {QStringLiteral("F_CPU ="), QStringLiteral("8000000")},
                                            {QStringLiteral("TARGET ="), QStringLiteral("Clignotant")}});
    const QByteArray ancien = "int main(void) { return 0; }\n";
    const QString source = projet + QStringLiteral("/Clignotant.c");
    OutilsTests::ecrireFichier(source, ancien);
    const Window w = lancer();
    ASSERT_NE(w, Window(0)) << quillon.readAllStandardError().toStdString();
    // Le README, touche par touche : l'onglet du projet (le troisième suivant), ses champs.
    for (int i = 0; i < 3; ++i)
        x->touche(w, XK_Tab, ControlMask);
    const std::pair<KeySym, const char*> champs[] = {
        {XK_n, "Robot"}, {XK_o, "1,2"}, {XK_a, "Alice"}, {XK_e, "Atelier"}};
    for (const auto& [lettre, texte] : champs) {
        x->touche(w, lettre, Mod1Mask);
        x->taper(w, QString::fromUtf8(texte));
    }
    for (const KeySym liste : {XK_d, XK_m}) { // forme de la date, modèle
        x->touche(w, liste, Mod1Mask);
        x->touche(w, XK_Down);
    }
    x->touche(w, XK_p, Mod1Mask); // Configurer les ports
    const Window ports = x->activer(QStringLiteral("Configuration des ports"));
    ASSERT_NE(ports, Window(0));
    for (int ligne = 0; ligne < 4; ++ligne) {
        if (ligne) x->touche(ports, XK_Down);
        x->touche(ports, XK_space);
    }
    x->touche(ports, XK_q, Mod1Mask); // Quitter
    x->activer(TitreAssistante);
    x->touche(w, XK_v, Mod1Mask); // Voir le code
    QThread::msleep(500);
    x->touche(w, XK_r, Mod1Mask); // Remplacer l'existant
    const Window question = x->activer(QStringLiteral("Quillon"));
    ASSERT_NE(question, Window(0));
    x->touche(question, XK_Tab, ShiftMask); // de Non à Oui
    x->touche(question, XK_space);
    QThread::msleep(500);
    const Window information = x->activer(QStringLiteral("Quillon"));
    ASSERT_NE(information, Window(0));
    x->touche(information, XK_Return);
    attendreFin();

    const QString écrit = QString::fromUtf8(OutilsTests::lireFichier(source));
    for (const auto& [lettre, tapé] : champs)
        EXPECT_TRUE(écrit.contains(QString::fromUtf8(tapé))) << tapé << écrit.toStdString();
    EXPECT_TRUE(écrit.contains(QStringLiteral("DDRB=0xF0"))) << écrit.toStdString();
    EXPECT_EQ(OutilsTests::lireFichier(source + QStringLiteral(".bak")), ancien);
    // « Construisez » : l'outil « reconstruire » de l'éditeur, make au premier plan.
    QProcess reconstruire;
    reconstruire.setProcessChannelMode(QProcess::MergedChannels);
    reconstruire.start(OutilsTests::programme(), {"reconstruire>" + projet + ">Clignotant"});
    ASSERT_TRUE(reconstruire.waitForFinished(60000));
    EXPECT_EQ(reconstruire.exitCode(), 0) << reconstruire.readAll().toStdString();
    EXPECT_TRUE(QFileInfo::exists(projet + QStringLiteral("/Clignotant.hex")));
}

} // namespace
