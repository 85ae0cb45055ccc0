#include "noyau/Affichage.h"

#include <QtGlobal>
#include <cstdlib>

namespace Affichage {

namespace {
bool variable(const char* nom) {
    const char* v = std::getenv(nom);
    return v && *v;
}
} // namespace

bool disponible() {
    if (variable("QT_QPA_PLATFORM")) return true;
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    return true;
#else
    return variable("DISPLAY") || variable("WAYLAND_DISPLAY");
#endif
}

} // namespace Affichage
