#pragma once
// Un Xvfb propre au test (ou QUILLON_AFFICHAGE_TESTS) et un client Xlib qui y crée ou mène des fenêtres.
#include "outils/OutilsTests.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

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
        processus_.start(xvfb, QStringLiteral("-displayfd 1 -nolisten tcp -screen 0 800x600x24").split(u' '));
        if (!processus_.waitForStarted(30000)) return;
        QByteArray lu;
        while (!lu.contains('\n') && processus_.waitForReadyRead(60000))
            lu += processus_.readAllStandardOutput();
        if (!lu.trimmed().isEmpty()) affichage_ = u':' + QString::fromLatin1(lu.trimmed());
    }
    ~ServeurXTests() {
        if (processus_.state() == QProcess::NotRunning) return;
        processus_.terminate();
        if (!processus_.waitForFinished(30000)) {
            processus_.kill();
            processus_.waitForFinished();
        }
    }
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
        // Une erreur X ne doit pas terminer le programme de test.
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
    void poserÉtatWM(Window w, long état) { poserListe(w, "WM_STATE", atome("WM_STATE"), {état, 0}); }

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
    // Enfants de la racine, du bas vers le haut de l'empilement.
    std::vector<Window> premierNiveau() const {
        Window r = 0, p = 0, *enfants = nullptr;
        unsigned int n = 0;
        XQueryTree(d_, racine(), &r, &p, &enfants, &n);
        std::vector<Window> liste(enfants, enfants + n);
        if (enfants) XFree(enfants);
        return liste;
    }
    Window auDessus() const {
        const std::vector<Window> liste = premierNiveau();
        return liste.empty() ? 0 : liste.back();
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
        for (const Window w : premierNiveau()) {
            char* nom = nullptr;
            if (!XFetchName(d_, w, &nom) || !nom) continue;
            const bool trouvée = titre.toUtf8() == nom && visibleÀLÉcran(w);
            XFree(nom);
            if (trouvée) return w;
        }
        return 0;
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
    // Donne le focus à la fenêtre, après un détour par la racine pour un vrai FocusIn.
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
        XKeyEvent k{KeyPress, 0, False, d_, w, racine(), None, CurrentTime, 0, 0, 0, 0, état, 0, True};
        k.keycode = XKeysymToKeycode(d_, symbole);
        XSendEvent(d_, w, True, KeyPressMask, reinterpret_cast<XEvent*>(&k));
        k.type = KeyRelease;
        XSendEvent(d_, w, True, KeyReleaseMask, reinterpret_cast<XEvent*>(&k));
        XFlush(d_);
        QThread::msleep(30);
    }
    // Lettres, chiffres, espaces et virgules, touche par touche.
    void taper(Window w, const QString& texte) const {
        for (const QChar c : texte) {
            const QByteArray nom = c == u' '   ? "space"
                                   : c == u',' ? "comma"
                                               : QString(c.toLower()).toLatin1();
            touche(w, XStringToKeysym(nom.constData()), c.isUpper() ? ShiftMask : 0);
        }
    }

    // La case de fermeture : WM_DELETE_WINDOW, comme l'envoie le gestionnaire de fenêtres.
    void demanderFermeture(Window w) const {
        XEvent e{.xclient = {ClientMessage, 0, False, d_, w, atome("WM_PROTOCOLS"), 32, {}}};
        e.xclient.data.l[0] = long(atome("WM_DELETE_WINDOW"));
        XSendEvent(d_, w, False, NoEventMask, &e);
        XFlush(d_);
    }

    // Texte du presse-papiers (CLIPBOARD, UTF-8), vide s'il ne vient pas en 10 s.
    QString pressePapiers() const {
        const Window w = XCreateSimpleWindow(d_, racine(), 0, 0, 1, 1, 0, 0, 0);
        XConvertSelection(d_, atome("CLIPBOARD"), atome("UTF8_STRING"), atome("QUILLON_TEST"), w,
                          CurrentTime);
        XEvent e{};
        QElapsedTimer attente;
        attente.start();
        while (!XCheckTypedWindowEvent(d_, w, SelectionNotify, &e) && attente.elapsed() < 10000)
            QThread::msleep(20);
        Atom type = 0;
        int format = 0;
        unsigned long n = 0, reste = 0;
        unsigned char* données = nullptr;
        if (e.type == SelectionNotify && e.xselection.property != None)
            XGetWindowProperty(d_, w, e.xselection.property, 0, LONG_MAX / 4, False, AnyPropertyType, &type,
                               &format, &n, &reste, &données);
        const QString texte = QString::fromUtf8(reinterpret_cast<const char*>(données), int(n));
        if (données) XFree(données);
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
