#!/usr/bin/env bash
# Takes the README's pictures of the desktop program under Xvfb: the main window in standard
# and expert mode, the progress window during a load against the receiver simulator, and the
# French interface's question box and file window.
# Writes them to docs/. Usage: tools/screenshots.sh [receiver-type-index]  (default 0, the
# first type of the sample catalogue)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
type_index=${1:-0}
. tools/install-deps.sh
install_deps xvfb xauth fonts-dejavu-core

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target kzn_screenshots kznsim samples

work=$(mktemp -d)
sim=
cleanup() {
  [[ -n $sim ]] && { kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; }
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/catalogue" "$work/config" docs
find build/samples -maxdepth 1 -type f ! -name "*.cmake" -exec cp {} "$work/catalogue/" \;

build/sim/kznsim --family auto --throttle --link "$work/receiver" >/dev/null 2>"$work/kznsim.log" &
sim=$!
for _ in $(seq 100); do [[ -e $work/receiver ]] && break; sleep 0.05; done
[[ -e $work/receiver ]] || { cat "$work/kznsim.log" >&2; exit 1; }

cat >"$work/config/kznload.INI" <<INI
[LANGUAGE]
TYPE_LANG=1
[UIMODE]
TYPE_UI=0
[COMMUNICATION]
PORT=1
COM1=$work/receiver
[FILE_LOCATION]
REC=$type_index
INI

cd "$work/catalogue"
XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x800x24 -dpi 96" "$root/build/app/qt/kzn_screenshots" "$root/docs"

sed -i 's/^TYPE_LANG=1$/TYPE_LANG=0/' "$work/config/kznload.INI"
XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x800x24 -dpi 96" "$root/build/app/qt/kzn_screenshots" "$root/docs" french
