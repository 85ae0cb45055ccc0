#!/usr/bin/env bash
# Installe ce qui manque, construit Quillon et ouvre la fenêtre de configuration sur une copie du
# projet d'exemple Clignotant (le dépôt reste propre) ; OK écrit le makefile, qui est construit.
set -euo pipefail
racine=$(cd "$(dirname "$0")/.." && pwd)
cd "$racine"
scripts/installer_dependances.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

copie=$(mktemp -d)/Clignotant
cp -r exemples/Clignotant "$copie"
echo "Copie du projet d'exemple : $copie"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Fenêtre de configuration : choisissez le microcontrôleur, le programmateur… puis OK."
  build/quillon "configurer>$copie>Clignotant" || true
else
  # Sans affichage, la fenêtre est dessinée hors écran pour être regardée en image, et le
  # makefile vient de la configuration par défaut, nommée d'après le projet.
  scripts/captures.sh "$copie/captures" configuration >/dev/null 2>&1 || true
  echo "Pas d'affichage : images des fenêtres dans $copie/captures"
  sed -e 's/^TARGET = main$/TARGET = Clignotant/' scripts/modele_makefile.mk > "$copie/makefile"
fi

if [ ! -f "$copie/makefile" ]; then
  echo "Configuration annulée : pas de makefile, rien à construire."
  exit 0
fi

# « reconstruire » attend la fin de make et rend son code : le résultat est là au retour.
build/quillon "reconstruire>$copie>Clignotant"
echo
ls -l "$copie"
