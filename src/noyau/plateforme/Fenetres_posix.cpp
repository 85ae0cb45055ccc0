// Linux : fenêtres de premier niveau par X11 (liste EWMH du gestionnaire de fenêtres, ou enfants de
// la racine sans gestionnaire), et à défaut (pas d'affichage, Wayland) noms des processus de /proc.
#include "noyau/plateforme/Fenetres.h"

#include "common/Texte.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <optional>
#include <unistd.h>
#include <vector>

// Xlib en dernier : ses macros (Bool, Status, None…) gêneraient les en-têtes de Qt.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace Fenetres {

namespace {

// --- Processus -----------------------------------------------------------------------------

QString nomDeBase(const QString& chemin) {
    const qsizetype i = std::max(chemin.lastIndexOf(u'/'), chemin.lastIndexOf(u'\\'));
    return chemin.mid(i + 1);
}

QByteArray lireProc(const QString& chemin) {
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

// Noms sous lesquels un processus se présente : nom court du noyau, premier argument, exécutable.
// Ni le nôtre ni les processus morts (zombies) : l'outil doit vraiment tourner.
std::vector<QStringList> nomsDesProcessus() {
    std::vector<QStringList> r;
    const QString soi = QString::number(getpid());
    const QStringList entrées = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : entrées) {
        bool nombre = false;
        pid.toLongLong(&nombre);
        if (!nombre || pid == soi) continue;
        const QString base = QStringLiteral("/proc/") + pid;
        const QByteArray stat = lireProc(base + QStringLiteral("/stat"));
        const qsizetype fin = stat.lastIndexOf(')');
        if (fin < 0) continue; // processus disparu entre-temps
        if (stat.size() > fin + 2 && stat[fin + 2] == 'Z') continue;
        QStringList noms;
        const QString court = QString::fromLocal8Bit(lireProc(base + QStringLiteral("/comm"))).trimmed();
        if (!court.isEmpty()) noms << court;
        const QByteArray ligne = lireProc(base + QStringLiteral("/cmdline"));
        const QString premier = nomDeBase(QString::fromLocal8Bit(ligne.left(ligne.indexOf('\0'))));
        if (!premier.isEmpty()) noms << premier;
        const QString exe = nomDeBase(QFileInfo(base + QStringLiteral("/exe")).symLinkTarget());
        if (!exe.isEmpty()) noms << exe;
        if (!noms.isEmpty()) r.push_back(noms);
    }
    return r;
}

bool processusNommé(const QString& nom) {
    for (const QStringList& noms : nomsDesProcessus())
        for (const QString& n : noms)
            if (Texte::egauxSansCasse(n, nom)) return true;
    return false;
}

// --- X11 -----------------------------------------------------------------------------------

// Les erreurs X (fenêtre détruite entre deux appels…) sont notées au lieu de quitter le programme,
// ce que fait le gestionnaire par défaut de Xlib.
bool erreurX = false;
int noterErreurX(Display*, XErrorEvent*) {
    erreurX = true;
    return 0;
}

class ConnexionX final {
public:
    ConnexionX() : d_(XOpenDisplay(nullptr)) {
        if (d_) précédent_ = XSetErrorHandler(noterErreurX);
        erreurX = false;
    }
    ~ConnexionX() {
        if (!d_) return;
        XSync(d_, False);
        XSetErrorHandler(précédent_);
        XCloseDisplay(d_);
    }
    ConnexionX(const ConnexionX&) = delete;
    ConnexionX& operator=(const ConnexionX&) = delete;

    Display* d() const { return d_; }
    Window racine() const { return DefaultRootWindow(d_); }
    Atom atome(const char* nom) const { return XInternAtom(d_, nom, False); }

    // Propriété de format 32 (liste de fenêtres ou d'atomes, état) ; vide si absente.
    std::vector<unsigned long> liste(Window w, const char* nom, Atom type = AnyPropertyType) const {
        std::vector<unsigned long> r;
        Atom typeLu = 0;
        int format = 0;
        unsigned long n = 0, reste = 0;
        unsigned char* données = nullptr;
        if (XGetWindowProperty(d_, w, atome(nom), 0, LONG_MAX / 4, False, type, &typeLu, &format, &n, &reste,
                               &données) == Success &&
            données) {
            if (format == 32) {
                const auto* v = reinterpret_cast<const unsigned long*>(données);
                r.assign(v, v + n);
            }
            XFree(données);
        }
        return r;
    }

    // Titre : _NET_WM_NAME en UTF-8, sinon WM_NAME (Latin-1, UTF-8 ou texte composé).
    std::optional<QString> titre(Window w) const {
        Atom typeLu = 0;
        int format = 0;
        unsigned long n = 0, reste = 0;
        unsigned char* données = nullptr;
        const Atom utf8 = atome("UTF8_STRING");
        if (XGetWindowProperty(d_, w, atome("_NET_WM_NAME"), 0, LONG_MAX / 4, False, utf8, &typeLu, &format,
                               &n, &reste, &données) == Success &&
            données) {
            std::optional<QString> r;
            if (typeLu == utf8 && format == 8)
                r = QString::fromUtf8(reinterpret_cast<const char*>(données), n);
            XFree(données);
            if (r) return r;
        }
        XTextProperty tp{};
        if (!XGetWMName(d_, w, &tp) || !tp.value) return std::nullopt;
        std::optional<QString> r;
        const auto* octets = reinterpret_cast<const char*>(tp.value);
        if (tp.encoding == XA_STRING) {
            r = QString::fromLatin1(octets, tp.nitems);
        } else if (tp.encoding == utf8) {
            r = QString::fromUtf8(octets, tp.nitems);
        } else {
            char** textes = nullptr;
            int nombre = 0;
            if (Xutf8TextPropertyToTextList(d_, &tp, &textes, &nombre) >= Success && textes) {
                QString t;
                for (int i = 0; i < nombre; ++i)
                    t += QString::fromUtf8(textes[i]);
                r = t;
                XFreeStringList(textes);
            }
        }
        XFree(tp.value);
        return r;
    }

    // WM_STATE : 0 retirée, 1 normale, 3 réduite ; -1 sans gestionnaire pour la décrire.
    long étatWM(Window w) const {
        const auto v = liste(w, "WM_STATE");
        return v.empty() ? -1 : static_cast<long>(v[0]);
    }

    bool cartographiée(Window w) const {
        XWindowAttributes a{};
        if (!XGetWindowAttributes(d_, w, &a)) return false;
        return a.map_state != IsUnmapped;
    }

    bool visible(Window w) const {
        XWindowAttributes a{};
        if (!XGetWindowAttributes(d_, w, &a)) return false;
        if (a.map_state == IsViewable) return true;
        // Réduite : le gestionnaire l'a retirée de l'écran mais la dit iconifiée ou cachée.
        if (étatWM(w) == IconicState) return true;
        const Atom cachée = atome("_NET_WM_STATE_HIDDEN");
        for (unsigned long a2 : liste(w, "_NET_WM_STATE", XA_ATOM))
            if (a2 == cachée) return true;
        return a.map_state != IsUnmapped;
    }

    // Un gestionnaire conforme à EWMH tourne : sa fenêtre témoin existe et se désigne elle-même.
    bool gestionnaireEWMH() const {
        const auto témoin = liste(racine(), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
        if (témoin.empty() || !témoin[0]) return false;
        erreurX = false;
        const auto soi = liste(témoin[0], "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
        XSync(d_, False);
        const bool vivant = !erreurX && !soi.empty() && soi[0] == témoin[0];
        erreurX = false;
        return vivant;
    }

    bool gère(const char* nom) const {
        const Atom a = atome(nom);
        for (unsigned long s : liste(racine(), "_NET_SUPPORTED", XA_ATOM))
            if (s == a) return true;
        return false;
    }

    // Fenêtre cliente sous un cadre de gestionnaire : la descendante qui porte WM_STATE.
    Window client(Window w, int profondeur) const {
        if (étatWM(w) >= 0) return w;
        if (profondeur == 0) return 0;
        Window r = 0, p = 0, *enfants = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(d_, w, &r, &p, &enfants, &n)) return 0;
        Window trouvée = 0;
        for (unsigned int i = n; i-- > 0 && !trouvée;)
            trouvée = client(enfants[i], profondeur - 1);
        if (enfants) XFree(enfants);
        return trouvée;
    }

    // Fenêtres de premier niveau, du haut vers le bas de l'empilement quand il est connu.
    std::vector<Window> fenêtres() const {
        std::vector<Window> r;
        if (gestionnaireEWMH()) {
            auto pile = liste(racine(), "_NET_CLIENT_LIST_STACKING", XA_WINDOW);
            if (!pile.empty()) return {pile.rbegin(), pile.rend()};
            auto clients = liste(racine(), "_NET_CLIENT_LIST", XA_WINDOW);
            if (!clients.empty()) return {clients.begin(), clients.end()};
        }
        Window rr = 0, p = 0, *enfants = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(d_, racine(), &rr, &p, &enfants, &n)) return r;
        // XQueryTree donne l'ordre du bas vers le haut.
        for (unsigned int i = n; i-- > 0;) {
            const Window w = enfants[i];
            if (titre(w))
                r.push_back(w);
            else if (const Window c = client(w, 2))
                r.push_back(c);
        }
        if (enfants) XFree(enfants);
        return r;
    }

    // Ancêtre de w qui est enfant direct de la racine (le cadre d'un gestionnaire, ou w elle-même).
    Window cadre(Window w) const {
        for (;;) {
            Window r = 0, parent = 0, *enfants = nullptr;
            unsigned int n = 0;
            if (!XQueryTree(d_, w, &r, &parent, &enfants, &n)) return w;
            if (enfants) XFree(enfants);
            if (parent == r || parent == 0) return w;
            w = parent;
        }
    }

private:
    Display* d_;
    XErrorHandler précédent_ = nullptr;
};

void traiterÉvénements() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

bool sessionWayland() {
    const char* w = std::getenv("WAYLAND_DISPLAY");
    return w && *w;
}

// Fenêtre visible dont le titre, en minuscules, satisfait le test.
template <class Test>
std::optional<std::pair<Window, QString>> premièreFenêtre(const ConnexionX& x, Test test) {
    for (const Window w : x.fenêtres()) {
        const auto t = x.titre(w);
        if (t && x.visible(w)) {
            const QString minuscule = Texte::minuscules(*t);
            if (test(minuscule)) return std::pair{w, minuscule};
        }
        traiterÉvénements();
    }
    return std::nullopt;
}

} // namespace

Recherche chercherProcessus(const QString& texte) {
    const QString cherché = Texte::minuscules(texte);
    for (const QStringList& noms : nomsDesProcessus())
        for (const QString& n : noms) {
            const QString minuscule = Texte::minuscules(n);
            if (minuscule.contains(cherché)) return {true, minuscule, Moyen::Processus};
        }
    return {};
}

Recherche chercher(const QString& texte) {
    {
        ConnexionX x;
        if (x.d()) {
            const QString cherché = Texte::minuscules(texte);
            const auto f = premièreFenêtre(x, [&](const QString& t) { return t.contains(cherché); });
            if (f) return {true, f->second, Moyen::X11};
            // Sous Wayland, X11 ne voit que les programmes passés par XWayland.
            if (!sessionWayland()) return {};
        }
    }
    return chercherProcessus(texte);
}

bool activer(const QString& titre) {
    {
        ConnexionX x;
        if (x.d()) {
            const QString cherché = Texte::minuscules(titre);
            const auto f = premièreFenêtre(x, [&](const QString& t) { return t == cherché; });
            if (f) {
                const Window w = f->first;
                Display* d = x.d();
                erreurX = false; // seules comptent les erreurs de l'activation elle-même
                if (x.gestionnaireEWMH() && x.gère("_NET_ACTIVE_WINDOW")) {
                    // Le gestionnaire fait le reste : bureau, réduction, empilement et focus.
                    XEvent e{};
                    e.xclient.type = ClientMessage;
                    e.xclient.window = w;
                    e.xclient.message_type = x.atome("_NET_ACTIVE_WINDOW");
                    e.xclient.format = 32;
                    e.xclient.data.l[0] = 1; // demande d'une application
                    e.xclient.data.l[1] = CurrentTime;
                    e.xclient.data.l[2] = 0;
                    XSendEvent(d, x.racine(), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
                } else {
                    // Sans gestionnaire qui réponde : rouvrir, passer devant, donner le focus.
                    const Window c = x.cadre(w);
                    if (!x.cartographiée(w)) XMapWindow(d, w);
                    if (c != w && !x.cartographiée(c)) XMapWindow(d, c);
                    XRaiseWindow(d, c);
                    XSync(d, False);
                    XWindowAttributes a{};
                    if (XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable)
                        XSetInputFocus(d, w, RevertToParent, CurrentTime);
                }
                XSync(d, False);
                return !erreurX;
            }
            if (!sessionWayland()) return false;
        }
    }
    return processusNommé(titre);
}

} // namespace Fenetres
