// Le programme construit, dans un vrai serveur X : « assistante » ouvre l'assistante sur le
// projet, les touches tapées donnent un code qui tourne dans simavr, et la fermer termine le
// programme sans rien écrire.
#include "assistant/timers/Calculatrice.h"
#include "outils/OutilsAvr.h"
#include "outils/EssaiConfiguration.h"
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
    if (!OutilsAvr::avrGccPrésent()) GTEST_SKIP() << "avr-gcc absent";
    ServeurXTests serveur;
    if (serveur.affichage().isEmpty()) GTEST_SKIP() << "Xvfb absent";
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

} // namespace
