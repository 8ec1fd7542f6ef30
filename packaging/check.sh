#!/usr/bin/env bash
# Builds the Debian package and checks it as a user's machine would meet it:
# lintian (no errors), the desktop entry, the AppStream metainfo, the man
# pages against each program's --help; then installs it with apt-get, runs
# the installed programs (tamrel offscreen, from the desktop entry's simulated
# radio action, until it has pictured its panel) and removes it again.
# Needs root, or sudo, for apt-get.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/bootstrap.sh dpkg-dev file lintian desktop-file-utils appstream

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)

work="$(mktemp -d)"
installed=""
cleanup() {
    if [ -n "$installed" ]; then
        echo "== removing the package"
        DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get purge -y -qq tamrel >/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT

echo "== package"
deb="$(./packaging/build-deb.sh | tail -n 1)"
echo "$deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'

echo "== lintian"
lintian --fail-on error --display-info "$deb"

echo "== desktop entry and metainfo (as packaged)"
dpkg-deb -x "$deb" "$work/root"
desktop="$(ls "$work"/root/usr/share/applications/*.desktop)"
desktop-file-validate "$desktop"
echo "$(basename "$desktop"): valid"
appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.metainfo.xml

echo "== man pages against --help"
cmake --preset default >/dev/null
cmake --build build --target packaging_tests
ctest --test-dir build --output-on-failure -L packaging

echo "== installing"
if dpkg-query -W -f='${Status}' tamrel 2>/dev/null | grep -q "install ok installed"; then
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get purge -y -qq tamrel >/dev/null
fi
installed=yes
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq "./$deb" >/dev/null

echo "== the installed programs"
mkdir -m 700 "$work/config" "$work/runtime"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen
[ "$(command -v tamrel)" = /usr/bin/tamrel ] || { echo "tamrel is not the installed one" >&2; exit 1; }
version="$(tamrel --version)"
echo "$version"
[[ "$version" =~ ^Tamrel\ [0-9.]+\ \(commit\ [0-9a-z-]+\)$ ]] || {
    echo "tamrel --version does not name the version and the commit" >&2
    exit 1
}
tamrel-ctl --help >/dev/null
k2sim --help >/dev/null
for page in tamrel tamrel-ctl k2sim; do
    man -w "$page" >/dev/null
done
echo "tamrel-ctl --help, k2sim --help and the man pages: fine"

# The command the desktop entry's "Try with the simulated radio" runs.
action="$(sed -n '/^\[Desktop Action simulate\]/,/^\[/s/^Exec=//p' \
    /usr/share/applications/"$(basename "$desktop")")"
shot="$work/panel.png"
read -r -a command <<<"$action"
echo "${command[*]} --no-splash --screenshot panel.png"
timeout 60 "${command[@]}" --no-splash --screenshot "$shot"
file "$shot" | grep -q "PNG image data" || { echo "no picture of the panel" >&2; exit 1; }
file "$shot" | sed "s|$work/||"
