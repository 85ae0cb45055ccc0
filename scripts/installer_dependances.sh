#!/usr/bin/env bash
# Installe les paquets Debian dont Quillon a besoin pour se construire, tourner et se tester.
# Rapide quand tout est là ; fonctionne en root ou au travers de sudo.
set -euo pipefail

paquets=(
  # construction
  cmake
  ninja-build
  g++
  make
  pkg-config
  qt6-base-dev
  qt6-base-dev-tools
  qt6-multimedia-dev
  qt6-translations-l10n
  libpugixml-dev
  libgl-dev
  libx11-dev
  # tests
  libgtest-dev
  googletest
  xvfb
  xauth
  x11-utils
  unrtf
  python3
  procps
  # paquet Debian (cpack -G DEB, dpkg-shlibdeps) et sa vérification
  dpkg-dev
  file
  lintian
  # chaîne AVR réelle, utilisée par le programme et par les tests
  gcc-avr
  binutils-avr
  avr-libc
  avrdude
  simavr
  libsimavr-dev
)

manquants=()
for p in "${paquets[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    manquants+=("$p")
  fi
done

if [ ${#manquants[@]} -eq 0 ]; then
  exit 0
fi

echo "Paquets à installer : ${manquants[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sudo_cmd=()
elif command -v sudo >/dev/null 2>&1; then
  sudo_cmd=(sudo)
else
  echo "Il faut être root (ou disposer de sudo) pour installer : ${manquants[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${manquants[@]}"
