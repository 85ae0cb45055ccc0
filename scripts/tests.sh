#!/usr/bin/env bash
# Installe ce qui manque, construit Quillon et exécute tous les tests.
set -euo pipefail
racine=$(cd "$(dirname "$0")/.." && pwd)
cd "$racine"
scripts/installer_dependances.sh
# En intégration continue, un avertissement du compilateur est une erreur.
avertissements=OFF
[ "${CI:-}" = true ] && avertissements=ON
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=$avertissements
cmake --build build -j"$(nproc)"
# En intégration continue (root, machine jetable) : le paquet Debian, lintian, son installation et
# l'installation en lecture seule éprouvée par un utilisateur ordinaire. Avant ctest, pour que le
# bilan de ctest reste la dernière ligne.
if [ "${CI:-}" = true ]; then
  "$racine/scripts/essai_paquet.sh"
fi
cd build
ctest --output-on-failure -j"$(nproc)"
