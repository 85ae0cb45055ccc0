#!/usr/bin/env bash
# Lecture des fusibles d'un ATmega8 par la fenêtre des fusibles (hors écran) comparée à avrdude
# seul pour les trois mêmes commandes, contre le programmateur simulé, dans la même exécution.
# Objectif : au plus le temps d'avrdude + 50 ms.
# Usage : bench/fusibles.sh [dossier de construction] [nombre de passes]
set -euo pipefail
racine=$(cd "$(dirname "$0")/.." && pwd)
construction=${1:-$racine/build}
passes=${2:-15}
command -v avrdude >/dev/null || { echo "avrdude est nécessaire (paquet avrdude)" >&2; exit 1; }
[ -f "$construction/CMakeCache.txt" ] || cmake -S "$racine" -B "$construction" -G Ninja >/dev/null
cmake --build "$construction" --target fusibles programmateur_simule quillon_donnees >/dev/null
export QT_QPA_PLATFORM=offscreen
exec "$construction/fusibles" "$passes"
