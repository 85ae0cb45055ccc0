#!/usr/bin/env bash
# Coût de la répartition d'une cible make : quillon "nettoyer>DIR>X" comparé à « make --version »,
# mesurés dans la même exécution. quillon attend la fin de make : son temps comprend un make clean
# qui ne fait rien. Usage : bench/repartition.sh [programme] [nombre de passes]
set -euo pipefail
racine=$(cd "$(dirname "$0")/.." && pwd)
programme=${1:-$racine/build/quillon}
passes=${2:-30}
[ -x "$programme" ] || { echo "Programme introuvable : $programme (construisez d'abord)" >&2; exit 1; }

# Sans affichage, comme au travers de SSH : la répartition ne doit rien créer de graphique.
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
projet=$(mktemp -d)
trap 'rm -rf "$projet"' EXIT
printf 'clean:\n\t@:\n' > "$projet/makefile"

# Médiane, en microsecondes, de n exécutions de la commande donnée.
mediane() {
  local n=$1; shift
  local t=()
  for ((i = 0; i < n; i++)); do
    local debut fin
    debut=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    fin=$(date +%s%N)
    t+=($(( (fin - debut) / 1000 )))
  done
  printf '%s\n' "${t[@]}" | sort -n | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : int((v[NR/2] + v[NR/2+1]) / 2)}'
}

# Un tour à vide pour chauffer les caches.
mediane 3 make --version >/dev/null
mediane 3 "$programme" "nettoyer>$projet>X" >/dev/null

make_us=$(mediane "$passes" make --version)
quillon_us=$(mediane "$passes" "$programme" "nettoyer>$projet>X")

echo "passes                     : $passes"
echo "make --version (médiane)   : ${make_us} µs"
echo "quillon nettoyer (médiane) : ${quillon_us} µs"
awk -v q="$quillon_us" -v m="$make_us" \
  'BEGIN { printf "rapport quillon / make     : %.2f (cible : au plus 5)\n", q / m }'
