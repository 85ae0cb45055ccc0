// Le programme construit, dans un vrai serveur X : « assistante » ouvre l'assistante sur le
// projet, les touches tapées donnent un code qui tourne dans simavr, et la fermer termine le
// programme sans rien écrire ; l'onglet du projet, mené au clavier, écrit un squelette que make
// construit.
#include "assistant/timers/Calculatrice.h"
#include "outils/EssaiConfiguration.h"
#include "outils/OutilsAvr.h"
#include "outils/OutilsTests.h"
#include "outils/ServeurXTests.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
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

// Attend la fenêtre de ce titre (10 s au plus) et lui donne le focus.
Window attendreFenêtre(Display* d, const char* titre) {
    Window w = 0;
    for (int i = 0; i < 200 && !w; ++i) {
        QThread::msleep(50);
        w = chercherFenêtre(d, titre);
    }
    if (w) {
        // Le focus passe d'abord ailleurs : la fenêtre reçoit un vrai FocusIn et redevient active.
        XSetInputFocus(d, DefaultRootWindow(d), RevertToParent, CurrentTime);
        XFlush(d);
        QThread::msleep(100);
        XSetInputFocus(d, w, RevertToParent, CurrentTime);
        XFlush(d);
        QThread::msleep(300);
    }
    return w;
}

// Une touche envoyée à la fenêtre, comme la taperait l'utilisateur (état : Shift, Alt…).
void touche(Display* d, Window w, KeySym symbole, unsigned int état = 0) {
    XKeyEvent k{};
    k.display = d;
    k.window = w;
    k.root = DefaultRootWindow(d);
    k.time = CurrentTime;
    k.same_screen = True;
    k.keycode = XKeysymToKeycode(d, symbole);
    k.state = état;
    k.type = KeyPress;
    XSendEvent(d, w, True, KeyPressMask, reinterpret_cast<XEvent*>(&k));
    k.type = KeyRelease;
    XSendEvent(d, w, True, KeyReleaseMask, reinterpret_cast<XEvent*>(&k));
    XFlush(d);
    QThread::msleep(30);
}

void taper(Display* d, Window w, const QString& texte) {
    for (const QChar c : texte) {
        if (c == u' ')
            touche(d, w, XK_space);
        else if (c == u',')
            touche(d, w, XK_comma);
        else
            touche(d, w, XStringToKeysym(QString(c.toLower()).toLatin1().constData()),
                   c.isUpper() ? ShiftMask : 0);
    }
}

// Texte du presse-papiers (CLIPBOARD, UTF-8), vide s'il ne vient pas.
QString pressePapiers(Display* d) {
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    const Atom propriété = XInternAtom(d, "QUILLON_TEST", False);
    XConvertSelection(d, XInternAtom(d, "CLIPBOARD", False), XInternAtom(d, "UTF8_STRING", False), propriété,
                      w, CurrentTime);
    XFlush(d);
    QString texte;
    QElapsedTimer attente;
    attente.start();
    bool reçu = false;
    while (!reçu && attente.elapsed() < 10000) {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type != SelectionNotify) continue;
            reçu = true;
            if (e.xselection.property == None) break;
            Atom type = 0;
            int format = 0;
            unsigned long n = 0, reste = 0;
            unsigned char* données = nullptr;
            XGetWindowProperty(d, w, propriété, 0, LONG_MAX / 4, False, AnyPropertyType, &type, &format, &n,
                               &reste, &données);
            if (données) {
                texte = QString::fromUtf8(reinterpret_cast<const char*>(données), int(n));
                XFree(données);
            }
        }
        QThread::msleep(20);
    }
    XDestroyWindow(d, w);
    return texte;
}

// Lance quillon sur l'affichage et rend la fenêtre de l'assistante (0 si elle ne vient pas).
Window lancer(QProcess& quillon, Display* d, const QString& affichage, const QString& projet) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), affichage);
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    quillon.setProcessEnvironment(env);
    quillon.start(OutilsTests::dossierConstruction() + QStringLiteral("/quillon"),
                  {QStringLiteral("assistante>") + projet + QStringLiteral(">Clignotant")});
    if (!quillon.waitForStarted(10000)) return 0;
    Window assistante = 0;
    QElapsedTimer attente;
    attente.start();
    while (!assistante && attente.elapsed() < 30000 && quillon.state() == QProcess::Running) {
        QThread::msleep(50);
        assistante = chercherFenêtre(d, "Plume, votre assistante de programmation");
    }
    return assistante;
}

TEST(AssistanteProgramme, TouchesTapéesCodeCopiéMesuréDansSimavrPuisFermetureQuiTermine) {
    EXIGER_OUTILS("avr-gcc", "Xvfb");
    ServeurXTests serveur;
    QTemporaryDir dossier;
    const QString projet = dossier.filePath(QStringLiteral("Projet"));
    QDir().mkpath(projet);
    const QByteArray makefile =
        EssaiConfiguration::makefileAvec({{QStringLiteral("MCU ="), QStringLiteral("atmega8")},
                                          {QStringLiteral("F_CPU ="), QStringLiteral("16000000")}});
    OutilsTests::ecrireFichier(projet + QStringLiteral("/makefile"), makefile);
    Display* d = XOpenDisplay(serveur.affichage().toLocal8Bit().constData());
    ASSERT_NE(d, nullptr);
    QProcess quillon;
    const Window w = lancer(quillon, d, serveur.affichage(), projet);
    ASSERT_NE(w, Window(0)) << quillon.readAllStandardError().toStdString();
    XSetInputFocus(d, w, RevertToParent, CurrentTime);
    XFlush(d);
    QThread::msleep(300);
    // La fréquence a le focus à l'ouverture ; deux tabulations mènent au rapport cyclique.
    taper(d, w, QStringLiteral("1 kHz"));
    touche(d, w, XK_Return);
    touche(d, w, XK_Tab);
    touche(d, w, XK_Tab);
    taper(d, w, QStringLiteral("0,25"));
    touche(d, w, XK_Return);
    touche(d, w, XK_v, Mod1Mask); // Voir le code
    touche(d, w, XK_t, Mod1Mask); // Copier tout
    QThread::msleep(300);
    const QString code = pressePapiers(d);
    // La configuration reste cachée ; la case de fermeture de l'assistante termine le programme.
    EXPECT_EQ(chercherFenêtre(d, "Configuration du makefile de Clignotant"), Window(0));
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &e);
    XFlush(d);
    XCloseDisplay(d);
    EXPECT_TRUE(quillon.waitForFinished(20000));
    EXPECT_EQ(quillon.exitCode(), 0);
    EXPECT_EQ(OutilsTests::lireFichier(projet + QStringLiteral("/makefile")), makefile);
    ASSERT_TRUE(code.contains(QStringLiteral("OCR1A"))) << code.toStdString();

    // Le code de la vue, tel quel, dans une fonction d'essai.
    QTemporaryDir d2;
    QByteArray erreurs;
    const QString elf = OutilsAvr::compiler(d2, QStringLiteral("mli"), QStringLiteral("atmega8"),
                                            QStringLiteral("#include <avr/io.h>\nint main(void) {\n") + code +
                                                QStringLiteral("\n    for (;;) {\n    }\n}\n"),
                                            &erreurs);
    ASSERT_FALSE(elf.isEmpty()) << erreurs.toStdString() << code.toStdString();
    const QString texteF =
        QRegularExpression(QStringLiteral("// F : ([^\\n]*)")).match(code).captured(1).trimmed();
    const Calculatrice::Valeur annoncée = Calculatrice::lireFréquence(texteF);
    ASSERT_TRUE(annoncée.valide && !annoncée.vide) << texteF.toStdString();
    EXPECT_NEAR(annoncée.valeurSI, 1000, 1);
    const auto m = OutilsAvr::mesurer(
        QStringLiteral("atmega8"), 16e6, elf,
        {QStringLiteral("-b"), QStringLiteral("B1"), QStringLiteral("-t"), QStringLiteral("0.02")});
    ASSERT_TRUE(m.contains(QStringLiteral("frequence")));
    EXPECT_NEAR(m[QStringLiteral("frequence")], annoncée.valeurSI, annoncée.valeurSI * 1e-3);
    EXPECT_NEAR(m[QStringLiteral("rapport")], 0.25, 0.01);
}

// Onglet du projet au clavier : nom et auteur tapés, port B (bits 7 à 4 en sortie) réglé dans la
// fenêtre des ports, « Voir le code », « Remplacer l'existant », Oui, OK. Le source reçoit le
// squelette, l'ancien reste en .bak, et « reconstruire » en fait le .hex.
TEST(AssistanteProgramme, SqueletteDuProjetÉcritAuClavierPuisConstruit) {
    EXIGER_OUTILS("avr-gcc", "make", "Xvfb");
    ServeurXTests serveur;
    QTemporaryDir dossier;
    const QString projet = dossier.filePath(QStringLiteral("Mon projet"));
    QDir().mkpath(projet);
    OutilsTests::ecrireFichier(
        projet + QStringLiteral("/makefile"),
        EssaiConfiguration::makefileAvec({{QStringLiteral("MCU ="), QStringLiteral("atmega8")},
                                          {QStringLiteral("F_CPU ="), QStringLiteral("8000000")},
                                          {QStringLiteral("TARGET ="), QStringLiteral("Clignotant")}}));
    const QByteArray ancien = "int main(void) { return 0; }\n";
    const QString source = projet + QStringLiteral("/Clignotant.c");
    OutilsTests::ecrireFichier(source, ancien);
    Display* d = XOpenDisplay(serveur.affichage().toLocal8Bit().constData());
    ASSERT_NE(d, nullptr);
    QProcess quillon;
    const Window w = lancer(quillon, d, serveur.affichage(), projet);
    ASSERT_NE(w, Window(0)) << quillon.readAllStandardError().toStdString();
    attendreFenêtre(d, "Plume, votre assistante de programmation");
    touche(d, w, XK_Tab, ControlMask); // onglet suivant disponible : le projet
    touche(d, w, XK_n, Mod1Mask);
    taper(d, w, QStringLiteral("Robot"));
    touche(d, w, XK_a, Mod1Mask);
    taper(d, w, QStringLiteral("Alice"));
    touche(d, w, XK_p, Mod1Mask); // Configurer les ports
    const Window ports = attendreFenêtre(d, "Configuration des ports");
    ASSERT_NE(ports, Window(0));
    for (int ligne = 0; ligne < 4; ++ligne) {
        if (ligne) touche(d, ports, XK_Down);
        touche(d, ports, XK_space);
    }
    touche(d, ports, XK_q, Mod1Mask); // Quitter
    attendreFenêtre(d, "Plume, votre assistante de programmation");
    touche(d, w, XK_v, Mod1Mask); // Voir le code
    QThread::msleep(500);
    touche(d, w, XK_r, Mod1Mask); // Remplacer l'existant
    const Window question = attendreFenêtre(d, "Quillon");
    ASSERT_NE(question, Window(0));
    touche(d, question, XK_Tab, ShiftMask); // de Non à Oui
    touche(d, question, XK_space);
    QThread::msleep(500);
    const Window information = attendreFenêtre(d, "Quillon");
    ASSERT_NE(information, Window(0));
    touche(d, information, XK_Return);
    XCloseDisplay(d);
    EXPECT_TRUE(quillon.waitForFinished(20000));
    EXPECT_EQ(quillon.exitCode(), 0);

    const QString écrit = QString::fromUtf8(OutilsTests::lireFichier(source));
    EXPECT_TRUE(écrit.contains(QStringLiteral("Robot"))) << écrit.toStdString();
    EXPECT_TRUE(écrit.contains(QStringLiteral("DDRB=0xF0"))) << écrit.toStdString();
    EXPECT_EQ(OutilsTests::lireFichier(source + QStringLiteral(".bak")), ancien);
    // make tourne détaché et écrit après la fin de quillon : sa sortie va ailleurs qu'un tube
    // que personne ne lirait plus.
    QProcess reconstruire;
    reconstruire.setStandardOutputFile(QProcess::nullDevice());
    reconstruire.setStandardErrorFile(QProcess::nullDevice());
    reconstruire.start(OutilsTests::programme(),
                       {QStringLiteral("reconstruire>") + projet + QStringLiteral(">Clignotant")});
    ASSERT_TRUE(reconstruire.waitForFinished(20000));
    EXPECT_EQ(reconstruire.exitCode(), 0);
    const QString hex = projet + QStringLiteral("/Clignotant.hex");
    EXPECT_TRUE(OutilsTests::attendre([&] { return QFileInfo::exists(hex); }, 60000))
        << QDir(projet).entryList().join(u' ').toStdString();
    // Le listage vient après le .hex : le dossier n'est effacé qu'une fois make fini d'écrire.
    const QString listage = projet + QStringLiteral("/Clignotant.lss");
    OutilsTests::attendre(
        [&] {
            const qint64 taille = QFileInfo(listage).size();
            QThread::msleep(300);
            return taille > 0 && QFileInfo(listage).size() == taille;
        },
        30000);
}

} // namespace
