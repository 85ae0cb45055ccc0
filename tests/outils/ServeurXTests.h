#pragma once
// Serveur X des tests : un Xvfb propre au test (numéro d'affichage libre choisi par Xvfb lui-même),
// arrêté à la destruction, ou l'affichage donné par QUILLON_AFFICHAGE_TESTS. Et un petit client
// Xlib qui crée les fenêtres que les tests cherchent.
#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <climits>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

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

private:
    Display* d_;
    std::vector<Window> créées_;
};
