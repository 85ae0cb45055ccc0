#pragma once
// Serveur X des tests : un Xvfb propre au test (numéro d'affichage libre choisi par Xvfb lui-même),
// arrêté à la destruction, ou l'affichage donné par QUILLON_AFFICHAGE_TESTS. Et un petit client
// Xlib qui crée les fenêtres que les tests cherchent, ou mène au clavier celles du programme.
#include "outils/OutilsTests.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QThread>

#include <algorithm>
#include <climits>
#include <functional>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

class ServeurXTests final {
public:
    ServeurXTests() {
        const QByteArray donné = qgetenv("QUILLON_AFFICHAGE_TESTS");
        if (!donné.isEmpty()) {
            affichage_ = QString::fromLocal8Bit(donné);
            return;
        }
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) return;
        processus_.setStandardErrorFile(QProcess::nullDevice());
        // -displayfd : Xvfb prend un numéro libre et l'écrit quand il accepte les connexions.
        processus_.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-screen"),
                                QStringLiteral("0"), QStringLiteral("800x600x24")});
        if (!processus_.waitForStarted(30000)) return;
        QByteArray lu;
        while (!lu.contains('\n') && processus_.waitForReadyRead(60000))
            lu += processus_.readAllStandardOutput();
        bool ok = false;
        const int numéro = lu.trimmed().toInt(&ok);
        if (ok) affichage_ = QStringLiteral(":") + QString::number(numéro);
    }
    ~ServeurXTests() {
        if (processus_.state() == QProcess::NotRunning) return;
        processus_.terminate();
        if (!processus_.waitForFinished(30000)) {
            processus_.kill();
            processus_.waitForFinished();
        }
    }
    ServeurXTests(const ServeurXTests&) = delete;
    ServeurXTests& operator=(const ServeurXTests&) = delete;

    // « :N », vide si aucun serveur n'a pu démarrer.
    QString affichage() const { return affichage_; }

private:
    QProcess processus_;
    QString affichage_;
};

// Client Xlib du test : crée des fenêtres de premier niveau et lit le focus et l'empilement.
class ClientXTests final {
public:
    explicit ClientXTests(const QString& affichage) : d_(XOpenDisplay(affichage.toLocal8Bit().constData())) {
        // Une erreur X ne doit pas terminer le programme de test (gestionnaire par défaut de Xlib).
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }
    // Les fenêtres créées sont détruites de façon synchrone : le test suivant ne les voit plus.
    ~ClientXTests() {
        if (!d_) return;
        for (auto it = créées_.rbegin(); it != créées_.rend(); ++it)
            XDestroyWindow(d_, *it);
        XSync(d_, False);
        XCloseDisplay(d_);
    }
    ClientXTests(const ClientXTests&) = delete;
    ClientXTests& operator=(const ClientXTests&) = delete;

    Display* d() const { return d_; }
    Window racine() const { return DefaultRootWindow(d_); }
    Atom atome(const char* nom) const { return XInternAtom(d_, nom, False); }

    // Fenêtre de premier niveau titrée (WM_NAME en Latin-1 et _NET_WM_NAME en UTF-8).
    Window créer(const QString& titre, bool montrée, Window parent = 0) {
        const Window w = XCreateSimpleWindow(d_, parent ? parent : racine(), 10, 10, 200, 100, 0, 0, 0);
        if (!titre.isEmpty()) {
            const QByteArray latin = titre.toLatin1();
            XStoreName(d_, w, latin.constData());
            const QByteArray utf8 = titre.toUtf8();
            XChangeProperty(d_, w, atome("_NET_WM_NAME"), atome("UTF8_STRING"), 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(utf8.constData()), int(utf8.size()));
        }
        if (montrée) XMapRaised(d_, w);
        XSync(d_, False);
        créées_.push_back(w);
        return w;
    }

    // Ce qu'un gestionnaire de fenêtres écrit pour une fenêtre réduite : démappée, WM_STATE iconique.
    void déclarerRéduite(Window w) {
        XUnmapWindow(d_, w);
        poserÉtatWM(w, IconicState);
    }
    void poserÉtatWM(Window w, long état) {
        const long valeurs[2] = {état, 0};
        XChangeProperty(d_, w, atome("WM_STATE"), atome("WM_STATE"), 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(valeurs), 2);
        XSync(d_, False);
    }

    // Propriété de format 32 sur une fenêtre (liste de fenêtres ou d'atomes).
    void poserListe(Window w, const char* nom, Atom type, const std::vector<long>& valeurs) {
        XChangeProperty(d_, w, atome(nom), type, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(valeurs.data()), int(valeurs.size()));
        XSync(d_, False);
    }
    void retirer(Window w, const char* nom) {
        XDeleteProperty(d_, w, atome(nom));
        XSync(d_, False);
    }

    Window focus() const {
        Window f = 0;
        int retour = 0;
        XGetInputFocus(d_, &f, &retour);
        return f;
    }
    // Enfant de la racine le plus haut dans l'empilement.
    Window auDessus() const {
        Window r = 0, p = 0, *enfants = nullptr;
        unsigned int n = 0;
        XQueryTree(d_, racine(), &r, &p, &enfants, &n);
        const Window haut = n ? enfants[n - 1] : 0;
        if (enfants) XFree(enfants);
        return haut;
    }
    bool visibleÀLÉcran(Window w) const {
        XWindowAttributes a{};
        return XGetWindowAttributes(d_, w, &a) && a.map_state == IsViewable;
    }
    void détruire(Window w) {
        std::erase(créées_, w);
        XDestroyWindow(d_, w);
        XSync(d_, False);
    }

    // Fenêtre visible de premier niveau dont le WM_NAME est ce titre, 0 si aucune.
    Window fenêtreTitrée(const QString& titre) const {
        Window r = 0, p = 0, *enfants = nullptr;
        unsigned int n = 0;
        Window trouvée = 0;
        if (!XQueryTree(d_, racine(), &r, &p, &enfants, &n)) return 0;
        const QByteArray cherché = titre.toUtf8();
        for (unsigned int i = 0; i < n && !trouvée; ++i) {
            char* nom = nullptr;
            if (XFetchName(d_, enfants[i], &nom) && nom) {
                if (cherché == nom && visibleÀLÉcran(enfants[i])) trouvée = enfants[i];
                XFree(nom);
            }
        }
        if (enfants) XFree(enfants);
        return trouvée;
    }
    // Attend la fenêtre de ce titre, au plus délaiMs et tant que la condition tient.
    Window attendreFenêtre(const QString& titre, int délaiMs = 10000,
                           const std::function<bool()>& tantQue = {}) const {
        Window w = 0;
        QElapsedTimer attente;
        attente.start();
        while (!w && attente.elapsed() < délaiMs && (!tantQue || tantQue())) {
            QThread::msleep(50);
            w = fenêtreTitrée(titre);
        }
        return w;
    }
    // Attend la fenêtre et lui donne le focus : il passe d'abord ailleurs, pour qu'elle reçoive un
    // vrai FocusIn et redevienne active.
    Window activer(const QString& titre) const {
        const Window w = attendreFenêtre(titre);
        if (!w) return 0;
        XSetInputFocus(d_, racine(), RevertToParent, CurrentTime);
        XFlush(d_);
        QThread::msleep(100);
        XSetInputFocus(d_, w, RevertToParent, CurrentTime);
        XFlush(d_);
        QThread::msleep(300);
        return w;
    }

    // Une touche envoyée à la fenêtre, comme la taperait l'utilisateur (état : ShiftMask, Mod1Mask…).
    void touche(Window w, KeySym symbole, unsigned int état = 0) const {
        XKeyEvent k{};
        k.display = d_;
        k.window = w;
        k.root = racine();
        k.time = CurrentTime;
        k.same_screen = True;
        k.keycode = XKeysymToKeycode(d_, symbole);
        k.state = état;
        k.type = KeyPress;
        XSendEvent(d_, w, True, KeyPressMask, reinterpret_cast<XEvent*>(&k));
        k.type = KeyRelease;
        XSendEvent(d_, w, True, KeyReleaseMask, reinterpret_cast<XEvent*>(&k));
        XFlush(d_);
        QThread::msleep(30);
    }
    // Lettres, chiffres, espaces et virgules, touche par touche.
    void taper(Window w, const QString& texte) const {
        for (const QChar c : texte) {
            if (c == u' ')
                touche(w, XK_space);
            else if (c == u',')
                touche(w, XK_comma);
            else
                touche(w, XStringToKeysym(QString(c.toLower()).toLatin1().constData()),
                       c.isUpper() ? ShiftMask : 0);
        }
    }

    // La case de fermeture : WM_DELETE_WINDOW, comme l'envoie le gestionnaire de fenêtres.
    void demanderFermeture(Window w) const {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = atome("WM_PROTOCOLS");
        e.xclient.format = 32;
        e.xclient.data.l[0] = long(atome("WM_DELETE_WINDOW"));
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(d_, w, False, NoEventMask, &e);
        XFlush(d_);
    }

    // Texte du presse-papiers (CLIPBOARD, UTF-8), vide s'il ne vient pas en 10 s.
    QString pressePapiers() const {
        const Window w = XCreateSimpleWindow(d_, racine(), 0, 0, 1, 1, 0, 0, 0);
        const Atom propriété = atome("QUILLON_TEST");
        XConvertSelection(d_, atome("CLIPBOARD"), atome("UTF8_STRING"), propriété, w, CurrentTime);
        XFlush(d_);
        QString texte;
        QElapsedTimer attente;
        attente.start();
        bool reçu = false;
        while (!reçu && attente.elapsed() < 10000) {
            while (XPending(d_)) {
                XEvent e;
                XNextEvent(d_, &e);
                if (e.type != SelectionNotify) continue;
                reçu = true;
                if (e.xselection.property == None) break;
                Atom type = 0;
                int format = 0;
                unsigned long n = 0, reste = 0;
                unsigned char* données = nullptr;
                XGetWindowProperty(d_, w, propriété, 0, LONG_MAX / 4, False, AnyPropertyType, &type, &format,
                                   &n, &reste, &données);
                if (données) {
                    texte = QString::fromUtf8(reinterpret_cast<const char*>(données), int(n));
                    XFree(données);
                }
            }
            QThread::msleep(20);
        }
        XDestroyWindow(d_, w);
        return texte;
    }

private:
    Display* d_;
    std::vector<Window> créées_;
};

// Lance le programme construit sur cet affichage X (ni Wayland ni plateforme imposée).
inline bool lancerSurAffichage(QProcess& programme, const QString& affichage, const QStringList& arguments) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), affichage);
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    programme.setProcessEnvironment(env);
    programme.start(OutilsTests::programme(), arguments);
    return programme.waitForStarted(10000);
}
