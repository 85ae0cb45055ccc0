#include "noyau/plateforme/OuvertureShell.h"

#include <windows.h>

#include <shellapi.h>

namespace OuvertureShell {

int ouvrir(const QString& fichier, const QString& paramètres, const QString& dossier, const QString& verbe,
           int affichage, quintptr propriétaire) {
    const auto texte = [](const QString& s) {
        return s.isEmpty() ? nullptr : reinterpret_cast<LPCWSTR>(s.utf16());
    };
    const HINSTANCE h = ShellExecuteW(reinterpret_cast<HWND>(propriétaire), texte(verbe), texte(fichier),
                                      texte(paramètres), texte(dossier), affichage);
    // Le shell rend plus de 32 en cas de réussite, sinon le code de l'échec.
    return static_cast<int>(reinterpret_cast<INT_PTR>(h));
}

} // namespace OuvertureShell
