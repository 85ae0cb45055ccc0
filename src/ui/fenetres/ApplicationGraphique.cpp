#include "ui/fenetres/ApplicationGraphique.h"

#include "noyau/Affichage.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdlib>
#include <memory>

namespace ApplicationGraphique {

namespace {
int* argcRetenu = nullptr;
char** argvRetenu = nullptr;
int argcVide = 1;
char nomParDefaut[] = "quillon";
char* argvVide[] = {nomParDefaut, nullptr};
std::unique_ptr<QApplication> application;

bool variable(const char* nom) {
    const char* v = std::getenv(nom);
    return v && *v;
}
} // namespace

void initialiser(int& argc, char** argv) {
    argcRetenu = &argc;
    argvRetenu = argv;
}

bool affichageDisponible() {
    return Affichage::disponible();
}

QApplication* assurer() {
    static bool sansAffichage = false;
    if (sansAffichage) return nullptr;
    if (auto* a = qobject_cast<QApplication*>(QCoreApplication::instance())) return a;
    if (QCoreApplication::instance() || !affichageDisponible()) return nullptr;
    if (!argcRetenu) initialiser(argcVide, argvVide);
    // Un affichage nommé mais injoignable ne doit pas faire avorter le programme : Qt se replie
    // alors sur la plateforme hors écran, que l'on traite comme une absence d'affichage.
    const bool imposee = variable("QT_QPA_PLATFORM");
    if (!imposee) {
#if !defined(Q_OS_WIN) && !defined(Q_OS_MACOS)
        qputenv("QT_QPA_PLATFORM", variable("WAYLAND_DISPLAY") ? "wayland;xcb;offscreen" : "xcb;offscreen");
#endif
    }
    application = std::make_unique<QApplication>(*argcRetenu, argvRetenu);
    if (!imposee) {
        qunsetenv("QT_QPA_PLATFORM");
        if (QGuiApplication::platformName() == u"offscreen") {
            sansAffichage = true;
            return nullptr;
        }
    }
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    // L'interface est française quelle que soit la langue du système.
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    auto* traduction = new QTranslator(application.get());
    if (traduction->load(QStringLiteral("qtbase_fr"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(traduction);
    return application.get();
}

void terminer() {
    application.reset();
}

} // namespace ApplicationGraphique
