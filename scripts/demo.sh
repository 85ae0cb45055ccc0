#!/usr/bin/env bash
# Installe ce qui manque, construit Quillon et lance l'action principale sur une copie du projet
# d'exemple Clignotant (le dépôt reste propre).
set -euo pipefail
racine=$(cd "$(dirname "$0")/.." && pwd)
cd "$racine"
scripts/installer_dependances.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

copie=$(mktemp -d)/Clignotant
cp -r exemples/Clignotant "$copie"
echo "Copie du projet d'exemple : $copie"

# Le makefile du projet vient de la configuration par défaut, nommée d'après le projet.
sed -e 's/^TARGET = main$/TARGET = Clignotant/' scripts/modele_makefile.mk > "$copie/makefile"

# « reconstruire » rend la main aussitôt ; on attend ici la fin de make pour montrer le résultat.
build/quillon "reconstruire>$copie>Clignotant"
for _ in $(seq 1 600); do
  [ -f "$copie/Clignotant.hex" ] && ! pgrep -f "make all" >/dev/null && break
  sleep 0.1
done
echo
ls -l "$copie"
