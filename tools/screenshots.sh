#!/usr/bin/env bash
# Takes the README's pictures of the desktop program under Xvfb with a window manager
# (openbox), so that title bars show as a user sees them: the main window in standard and
# expert mode, the progress window during a load against the receiver simulator, the folder
# window of a start where there is no catalogue, the French interface's question box and file
# window, and kznload-cli's progress line in a terminal (xterm).
# Writes them to docs/. Usage: tools/screenshots.sh [receiver-type-index]  (default 0, the
# first type of the sample catalogue)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
type_index=${1:-0}
. tools/install-deps.sh
install_deps xvfb xauth fonts-dejavu-core openbox xdotool xterm imagemagick

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target kzn_screenshots kznsim kznload-cli samples

work=$(mktemp -d)
sim=
cleanup() {
  [[ -n $sim ]] && { kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; }
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/catalogue" "$work/config" "$work/home/Receivers" "$work/elsewhere" docs
find build/samples -maxdepth 1 -type f ! -name "*.cmake" -exec cp {} "$work/catalogue/" \;
find build/samples -maxdepth 1 -type f ! -name "*.cmake" -exec cp {} "$work/home/Receivers/" \;

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

# Runs a command on a display of its own with openbox managing its windows.
on_display() {
  XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state QT_QPA_PLATFORM=xcb \
    timeout 300 xvfb-run -a -s "-screen 0 1280x800x24 -dpi 96" bash -c 'openbox & sleep 1; "$@"' on_display "$@"
}

cd "$work/catalogue"
on_display "$root/build/app/qt/kzn_screenshots" "$root/docs"

# Started from a menu, where there is no catalogue: the folder window, over a home folder
# that holds one.
cd "$work/elsewhere"
HOME=$work/home on_display "$root/build/app/qt/kzn_screenshots" "$root/docs" catalogue \
  "$work/home/Receivers"
sed -i '/^CATALOGUE=/d' "$work/config/kznload.INI"

cd "$work/catalogue"
sed -i 's/^TYPE_LANG=1$/TYPE_LANG=0/' "$work/config/kznload.INI"
on_display "$root/build/app/qt/kzn_screenshots" "$root/docs" french
sed -i 's/^TYPE_LANG=0$/TYPE_LANG=1/' "$work/config/kznload.INI"

# kznload-cli in a terminal during the transfer of a VR540 load: the bar with the time left.
# `script` gives it a terminal and keeps a copy of what it drew, to know when to take it.
cat >"$work/cli_shot.sh" <<SHOT
log=$work/cli.log
command="kznload-cli load --type VR540 --version 'English version' --port 1 --lang en"
xterm -geometry 100x4 -fa Monospace -fs 10 -bg white -fg black -title kznload-cli -e \\
  script -q -f -c "echo '\$ '\"\$command\"; PATH=$root/build/cli:\$PATH \$command; sleep 30" \\
  "\$log" &
term=\$!
for _ in \$(seq 1200); do
  if [[ -f \$log ]] && tr '\\r' '\\n' <"\$log" | grep -Eq 'Loading in progress.* ([3-9][0-9])% [0-9:]+, [0-9:]+ left'; then
    break
  fi
  sleep 0.1
done
sleep 0.5
import -frame -window "\$(xdotool search --name '^kznload-cli\$' | head -1)" "$root/docs/cli-progress.png"
kill "\$term"
SHOT
on_display bash "$work/cli_shot.sh"
echo "wrote $root/docs/cli-progress.png"
