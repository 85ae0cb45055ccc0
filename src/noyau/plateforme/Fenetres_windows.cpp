// Windows : fenêtres de premier niveau dans l'ordre Z (GetWindow), titre par GetWindowTextW,
// visibilité par IsWindowVisible (vraie aussi pour une fenêtre réduite).
#include "noyau/plateforme/Fenetres.h"

#include "common/Texte.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <optional>
#include <vector>

#include <tlhelp32.h>
#include <windows.h>

namespace Fenetres {

namespace {

QString titreDe(HWND h) {
    const int n = GetWindowTextLengthW(h);
    if (n <= 0) return {};
    std::vector<wchar_t> tampon(static_cast<size_t>(n) + 1);
    const int lu = GetWindowTextW(h, tampon.data(), n + 1);
    return QString::fromWCharArray(tampon.data(), lu);
}

// Première fenêtre visible, du haut vers le bas de l'ordre Z, dont le titre en minuscules
// satisfait le test ; les événements en attente sont traités entre deux fenêtres.
template <class Test> std::optional<std::pair<HWND, QString>> premièreFenêtre(Test test) {
    for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) {
        if (IsWindowVisible(h)) {
            const QString t = Texte::minuscules(titreDe(h));
            if (!t.isEmpty() && test(t)) return std::pair{h, t};
        }
        if (QCoreApplication::instance()) QCoreApplication::processEvents();
    }
    return std::nullopt;
}

} // namespace

Recherche chercherProcessus(const QString& texte) {
    const QString cherché = Texte::minuscules(texte);
    const HANDLE instantané = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (instantané == INVALID_HANDLE_VALUE) return {};
    Recherche r;
    PROCESSENTRY32W p{};
    p.dwSize = sizeof p;
    for (BOOL ok = Process32FirstW(instantané, &p); ok && !r.trouvée; ok = Process32NextW(instantané, &p)) {
        if (p.th32ProcessID == GetCurrentProcessId()) continue;
        const QString nom = Texte::minuscules(QString::fromWCharArray(p.szExeFile));
        if (nom.contains(cherché)) r = {true, nom, Moyen::Processus};
    }
    CloseHandle(instantané);
    return r;
}

Recherche chercher(const QString& texte) {
    const QString cherché = Texte::minuscules(texte);
    const auto f = premièreFenêtre([&](const QString& t) { return t.contains(cherché); });
    if (!f) return {};
    return {true, f->second, Moyen::Win32};
}

bool activer(const QString& titre) {
    const QString cherché = Texte::minuscules(titre);
    const auto f = premièreFenêtre([&](const QString& t) { return t == cherché; });
    if (!f) return false;
    const HWND h = f->first;
    if (IsIconic(h)) ShowWindow(h, SW_RESTORE);
    // Windows refuse parfois le premier plan à un processus qui n'a pas reçu d'entrée ; la
    // fenêtre clignote alors dans la barre des tâches, ce qui reste le comportement attendu.
    SetForegroundWindow(h);
    return true;
}

} // namespace Fenetres
