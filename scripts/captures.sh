#!/usr/bin/env bash
# Écrit une image PNG de chaque fenêtre, dessinée hors écran, dans le dossier donné.
# Usage : scripts/captures.sh DOSSIER [nom…]      (sans nom : toutes les fenêtres)
# Le dossier de construction est build/, ou celui de QUILLON_CONSTRUCTION.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage : $0 DOSSIER [nom…]" >&2; exit 2; }
racine=$(cd "$(dirname "$0")/.." && pwd)
construction=${QUILLON_CONSTRUCTION:-$racine/build}
case $construction in /*) ;; *) construction=$PWD/$construction ;; esac
sortie=$1; shift
mkdir -p "$sortie"
sortie=$(cd "$sortie" && pwd)

[ -f "$construction/CMakeCache.txt" ] || cmake -S "$racine" -B "$construction" -G Ninja >/dev/null
cmake --build "$construction" --target quillon_captures >/dev/null

# Hors écran, en français, sans son ni dépendance à l'environnement graphique de l'utilisateur.
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 LANG=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY
exec "$construction/quillon_captures" "$sortie" "$@"
