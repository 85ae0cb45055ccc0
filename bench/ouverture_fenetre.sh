#!/usr/bin/env bash
# Ouverture d'une fenêtre : du lancement du programme à la fenêtre exposée à l'écran, sur le
# projet d'exemple sans makefile (configuration par défaut : ATmega8), dans un vrai serveur X
# (Xvfb). Médiane de plusieurs passes et mémoire résidente maximale (VmHWM). Objectifs : moins de
# 300 ms et moins de 80 Mo.
# Usage : bench/ouverture_fenetre.sh [configurer|assistante] [nombre de passes] [programme]
#
# Le programme (affichage_fenetre, construit avec les autres, à côté de quillon-fenetres) fait le
# démarrage de quillon-fenetres et guette la fenêtre de l'extérieur : il écrit « affichée <ns> »
# et sa ligne VmHWM sur sa sortie d'erreur dès qu'elle est exposée et dessinée, puis la ferme sans
# rien enregistrer.
set -euo pipefail
racine=$(cd "$(dirname "$0")/.." && pwd)
action=${1:-configurer}
passes=${2:-15}
programme=${3:-$racine/build/affichage_fenetre}
case "$action" in
  configurer) libelle="Fenêtre de configuration" ;;
  assistante) libelle="Assistante" ;;
  *) echo "Action inconnue : $action (configurer ou assistante)" >&2; exit 1 ;;
esac
[ -x "$programme" ] || { echo "Programme introuvable : $programme (construisez d'abord)" >&2; exit 1; }
command -v Xvfb >/dev/null || { echo "Xvfb est nécessaire (paquet xvfb)" >&2; exit 1; }

travail=$(mktemp -d)
xvfb=
nettoyer() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null || true
  rm -rf "$travail"
}
trap nettoyer EXIT

# Un affichage libre : ni verrou ni prise à son numéro.
numero=90
while [ -e "/tmp/.X$numero-lock" ] || [ -e "/tmp/.X11-unix/X$numero" ]; do numero=$((numero + 1)); done
Xvfb ":$numero" -screen 0 1280x1024x24 -nolisten tcp -dpi 96 >"$travail/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$numero" ] && break; sleep 0.05; done
[ -e "/tmp/.X11-unix/X$numero" ] || { echo "Xvfb n'a pas démarré :" >&2; cat "$travail/xvfb.log" >&2; exit 1; }
export DISPLAY=":$numero"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM

# Le projet d'exemple, sans makefile, dans un dossier avec un blanc et un accent.
projet="$travail/Mes projets/Clignotant été"
mkdir -p "$projet"
cp "$racine/exemples/Clignotant/Clignotant.c" "$projet/"

# Une passe : durée en µs et VmHWM en ko, sur une ligne.
passe() {
  local debut sortie affichee memoire
  debut=$(date +%s%N)
  sortie=$("$programme" "$action>$projet>Clignotant" 2>&1 >/dev/null) || true
  affichee=$(printf '%s\n' "$sortie" | awk '/^affichée /{print $2}')
  memoire=$(printf '%s\n' "$sortie" | awk '/^VmHWM:/{print $2}')
  [ -n "$affichee" ] || { echo "Pas de mesure ; sortie du programme :" >&2; printf '%s\n' "$sortie" >&2; exit 1; }
  echo "$(( (affichee - debut) / 1000 )) $memoire"
  [ ! -e "$projet/makefile" ] || { echo "La mesure a écrit un makefile" >&2; exit 1; }
}

mediane() { sort -n | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : int((v[NR/2] + v[NR/2+1]) / 2)}'; }

passe >/dev/null # caches chauds
: >"$travail/mesures"
for ((i = 0; i < passes; i++)); do passe >>"$travail/mesures"; done

temps=$(cut -d' ' -f1 "$travail/mesures" | mediane)
temps_min=$(cut -d' ' -f1 "$travail/mesures" | sort -n | head -1)
temps_max=$(cut -d' ' -f1 "$travail/mesures" | sort -n | tail -1)
memoire=$(cut -d' ' -f2 "$travail/mesures" | sort -n | tail -1)
awk -v t="$temps" -v a="$temps_min" -v b="$temps_max" -v m="$memoire" -v n="$passes" -v l="$libelle" 'BEGIN {
  printf "%s exposée (médiane de %d passes) : %.1f ms (de %.1f à %.1f ms) ; objectif 300 ms, %.0f %% de l'\''objectif\n", l, n, t / 1000, a / 1000, b / 1000, t / 3000
  printf "Mémoire résidente maximale (VmHWM) : %.1f Mo ; objectif 80 Mo, %.0f %% de l'\''objectif\n", m / 1024, m / 1024 / 0.8
}'
