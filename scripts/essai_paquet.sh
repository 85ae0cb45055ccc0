#!/usr/bin/env bash
# Fait le paquet Debian depuis build/ (déjà construit), le passe à lintian, l'installe, puis éprouve
# l'installation en lecture seule contre le paquet installé, en utilisateur ordinaire créé pour
# l'occasion. À lancer en root, sur une machine qu'on peut modifier (intégration continue).
set -euo pipefail
racine=$(cd "$(dirname "$0")/.." && pwd)
cd "$racine/build"
[ "$(id -u)" -eq 0 ] || { echo "essai_paquet.sh : il faut être root (installation du paquet)." >&2; exit 1; }

rm -f quillon_*.deb
cpack -G DEB
paquet=$(ls quillon_*_amd64.deb)
echo "--- lintian $paquet"
# Une erreur de lintian fait échouer l'essai ; ses avertissements sont montrés.
lintian --info --tag-display-limit 0 "$paquet"

export DEBIAN_FRONTEND=noninteractive
# --reinstall : le même paquet déjà installé est remplacé par celui-ci.
apt-get install -y -qq --reinstall --allow-downgrades "./$paquet"

utilisateur=quillon-essai
id "$utilisateur" >/dev/null 2>&1 || useradd --create-home --shell /bin/sh "$utilisateur"
# L'essai est copié là où cet utilisateur peut le lancer ; l'arbre de construction peut lui être fermé.
essai=$(mktemp -d)
trap 'rm -rf "$essai"' EXIT
cp tests_bout_en_bout_fenetres "$essai/"
chmod 755 "$essai"
chown -R "$utilisateur" "$essai"
cd "$essai"
echo "--- installation en lecture seule, en utilisateur $utilisateur"
timeout 300 runuser -u "$utilisateur" -- env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$(getent passwd "$utilisateur" | cut -d: -f6)" \
  CI="${CI:-}" QT_QPA_PLATFORM=offscreen QUILLON_ESSAI_INSTALLE="$(command -v quillon)" \
  "$essai/tests_bout_en_bout_fenetres" --gtest_filter='InstallationLectureSeule.*'
