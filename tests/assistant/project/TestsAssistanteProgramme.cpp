// Le programme construit, dans un vrai serveur X : « assistante » ouvre l'assistante sur le
// projet, et la fermer termine le programme sans rien écrire.
#include "outils/OutilsTests.h"
#include "outils/ServeurXTests.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

// Fenêtre visible de premier niveau portant ce titre (WM_NAME), 0 si aucune.
Window chercherFenêtre(Display* d, const char* titre) {
    Window racine = 0, parent = 0, *enfants = nullptr;
    unsigned int n = 0;
    Window trouvée = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &racine, &parent, &enfants, &n)) return 0;
    for (unsigned int i = 0; i < n && !trouvée; ++i) {
        char* nom = nullptr;
        XWindowAttributes a;
        if (XFetchName(d, enfants[i], &nom) && nom) {
            if (qstrcmp(nom, titre) == 0 && XGetWindowAttributes(d, enfants[i], &a) &&
                a.map_state == IsViewable)
                trouvée = enfants[i];
            XFree(nom);
        }
    }
    if (enfants) XFree(enfants);
    return trouvée;
}

TEST(AssistanteProgramme, LActionAssistanteOuvreLAssistanteEtLaFermerTermineLeProgramme) {
    ServeurXTests serveur;
    if (serveur.affichage().isEmpty()) GTEST_SKIP() << "Xvfb absent";
    QTemporaryDir dossier;
    const QString projet = dossier.filePath(QStringLiteral("Mes projets/Clignotant"));
    QDir().mkpath(projet);
    QFile::copy(OutilsTests::dossierSources() + QStringLiteral("/exemples/Clignotant/Clignotant.c"),
                projet + QStringLiteral("/Clignotant.c"));
    const QByteArray source = OutilsTests::lireFichier(projet + QStringLiteral("/Clignotant.c"));

    QProcess quillon;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), serveur.affichage());
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    quillon.setProcessEnvironment(env);
    quillon.start(OutilsTests::dossierConstruction() + QStringLiteral("/quillon"),
                  {QStringLiteral("assistante>") + projet + QStringLiteral(">Clignotant")});
    ASSERT_TRUE(quillon.waitForStarted(10000));

    Display* d = XOpenDisplay(serveur.affichage().toLocal8Bit().constData());
    ASSERT_NE(d, nullptr);
    Window assistante = 0;
    QElapsedTimer attente;
    attente.start();
    while (!assistante && attente.elapsed() < 30000 && quillon.state() == QProcess::Running) {
        QThread::msleep(50);
        assistante = chercherFenêtre(d, "Plume, votre assistante de programmation");
    }
    ASSERT_NE(assistante, Window(0)) << quillon.readAllStandardError().toStdString();
    // La configuration reste cachée pendant que l'assistante est ouverte.
    EXPECT_EQ(chercherFenêtre(d, "Configuration du makefile de Clignotant"), Window(0));

    // La case de fermeture : WM_DELETE_WINDOW, comme l'enverrait le gestionnaire de fenêtres.
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = assistante;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, assistante, False, NoEventMask, &e);
    XFlush(d);
    EXPECT_TRUE(quillon.waitForFinished(20000));
    XCloseDisplay(d);
    EXPECT_EQ(quillon.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(quillon.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(projet + QStringLiteral("/makefile")));
    EXPECT_EQ(OutilsTests::lireFichier(projet + QStringLiteral("/Clignotant.c")), source);
}

} // namespace
