#!/usr/bin/env bash
# Mémoire du programme des fenêtres entier avec un modèle de projet de 3,9 Mo : une installation
# à part (cmake --install), un projet sans makefile (configuration par défaut : ATmega8), « assistante » lancée par la mesure, qui choisit
# le gros modèle, « Voir le code » puis « Remplacer l'existant ». Affiche le pic (VmHWM) après
# chaque étape. Objectif : moins de 100 Mo.
# Usage : bench/modele_volumineux.sh [dossier de construction]
set -euo pipefail
racine=$(cd "$(dirname "$0")/.." && pwd)
construction=${1:-$racine/build}
[ -x "$construction/modele_volumineux" ] || { echo "Construisez d'abord ($construction/modele_volumineux)" >&2; exit 1; }
travail=$(mktemp -d)
trap 'rm -rf "$travail"' EXIT
cmake --install "$construction" --prefix "$travail/installé" >/dev/null
cp "$construction/modele_volumineux" "$travail/installé/lib/quillon/"
projet="$travail/Projet"
mkdir -p "$projet"
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$travail/config"
timeout 120 "$travail/installé/lib/quillon/modele_volumineux" programme "assistante>$projet>essai" 2>&1 | grep -v 'XDG_RUNTIME_DIR\|propagateSizeHints'
taille=$(stat -c %s "$projet/essai.c" 2>/dev/null || echo 0)
echo "Source écrit : $taille octets"
