#!/usr/bin/env bash
# Runs the Win32 serial device's tests under Wine against a COM port mapped to a
# pseudo-terminal that serial_peer.py holds.
#   tests/windows/run_serial_tests.sh <Linux build folder> <cross build folder> [gtest options...]
# (the Linux build is not needed; every tests/windows/run_*.sh takes the two folders alike)
# WINEPREFIX is reused when set (a fresh one is made in a temporary folder otherwise);
# KZN_TEST_COM picks the port (default COM5). Exits non-zero when a test fails.
set -euo pipefail

build=${2:?usage: run_serial_tests.sh <Linux build folder> <cross build folder> [gtest options...]}
shift 2
here=$(cd "$(dirname "$0")" && pwd)
com=${KZN_TEST_COM:-COM5}
work=$(mktemp -d "${TMPDIR:-/tmp}/kzn-serial.XXXXXX")
peer_pid=
own_prefix=

cleanup() {
  if [[ -n $peer_pid ]]; then kill "$peer_pid" 2>/dev/null || true; wait "$peer_pid" 2>/dev/null || true; fi
  if [[ -z $own_prefix && -n ${WINEPREFIX:-} && -d $WINEPREFIX ]]; then
    wine reg delete 'HKLM\Software\Wine\Ports' /v "$com" /f >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

cmake --build "$build" --target kzn_windows_serial_tests >"$work/build.log" 2>&1 ||
  { cat "$work/build.log"; exit 1; }
exe=$build/tests/kzn_windows_serial_tests.exe

export WINEDEBUG=-all
if [[ -z ${WINEPREFIX:-} ]]; then
  export WINEPREFIX=$work/prefix
  own_prefix=1
fi
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log"; exit 1; }
fi

# The peer's pseudo-terminal, behind a link the port mapping names.
link=$work/line
python3 "$here/serial_peer.py" --link "$link" >"$work/peer.out" 2>"$work/peer.err" &
peer_pid=$!
for _ in $(seq 100); do
  [[ -s $work/peer.out && -L $link ]] && break
  sleep 0.05
done
peer_port=$(head -n1 "$work/peer.out")
[[ -n $peer_port ]] || { echo "serial_peer.py did not start"; cat "$work/peer.err"; exit 1; }

# Wine reads its port mapping when its server starts: map, then restart the server.
wine reg add 'HKLM\Software\Wine\Ports' /v "$com" /d "$link" /f >"$work/reg.log" 2>&1 ||
  { cat "$work/reg.log"; exit 1; }
wineserver -k || true
wineserver -w || true

status=0
KZN_TEST_COM=$com KZN_PEER_PORT=$peer_port timeout 120 wine "$exe" "$@" 2>"$work/wine.err" || status=$?
# Check that the mapping took effect: Wine's device for the port leads to the link.
mapped=$(readlink "$WINEPREFIX/dosdevices/${com,,}" || true)
if [[ $mapped != "$link" ]]; then
  echo "Wine did not map $com to $link (dosdevices/${com,,} -> '$mapped')"
  status=1
fi
if [[ $status -ne 0 ]]; then
  echo "--- wine's standard error (last lines) ---"
  grep -v '^ *0x\|^    [0-9a-f]\{4\}:\|^  [0-9a-f]\{4\}: ref=' "$work/wine.err" | tail -n 30 || true
fi
exit "$status"
