#!/usr/bin/env bash
# kznload.exe under Wine, driven through its real windows: on a private Xvfb display with
# openbox, against kznsim through COM1 mapped to the simulator's pseudo-terminal, one load of
# each family (VR540, then TK20B) started from the start button with the keyboard; then the
# installer, silently, into the same prefix, and its uninstaller.
#
#   tests/windows/run_gui_e2e.sh <linux-build> <windows-build>
#
# <linux-build> has kznsim and the sample catalogue (build/samples); <windows-build> has
# kznload.exe; the script builds the installer kznload-<version>-setup.exe there (target
# kzn_windows_installer, which needs makensis) and fails when it cannot.
# KZN_SHOTS=1 rewrites docs/windows-main.png, docs/windows-progress.png and
# docs/windows-about.png.
# WINEPREFIX names a prefix to use (./check's one per run; created when missing); without it
# the script makes a fresh one.
# Exit status 0 when everything passed.
set -u -o pipefail

linux_build=$(cd "${1:?usage: run_gui_e2e.sh <linux-build> <windows-build>}" && pwd)
win_build=$(cd "${2:?usage: run_gui_e2e.sh <linux-build> <windows-build>}" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
kznsim=$linux_build/sim/kznsim
samples=$linux_build/samples
kznload=$win_build/app/win32/kznload.exe

for tool in wine wineserver Xvfb openbox xdotool import python3; do
  command -v "$tool" >/dev/null || { echo "run_gui_e2e: $tool is missing" >&2; exit 1; }
done
for file in "$kznsim" "$samples/chgt.cfg" "$kznload"; do
  [ -e "$file" ] || { echo "run_gui_e2e: $file is missing" >&2; exit 1; }
done

work=$(mktemp -d /tmp/kzn-gui-e2e.XXXXXX)
export WINEPREFIX=${WINEPREFIX:-$work/prefix}
export WINEDEBUG=-all
# No menu entries or file associations on the host, no Mono or Gecko downloads.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
failures=0
xvfb_pid=
openbox_pid=
sim_pid=
app_pid=

note() { echo "run_gui_e2e: $*"; }
fail() { echo "run_gui_e2e: FAIL: $*" >&2; failures=$((failures + 1)); }

cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null
  wineserver -k 2>/dev/null
  [ -n "$openbox_pid" ] && kill "$openbox_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  if [ "$failures" -eq 0 ]; then rm -rf "$work"; else note "kept $work"; fi
}
trap cleanup EXIT

# Polls `$@` every 0.2 s for up to $limit seconds.
wait_for() {
  local limit=$1
  shift
  local tries=$((limit * 5))
  while [ "$tries" -gt 0 ]; do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.2
    tries=$((tries - 1))
  done
  return 1
}

# The visible windows titled exactly $1, one id a line.
windows_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null; }
has_window() { [ -n "$(windows_named "$1")" ]; }
window_count_at_least() { [ "$(windows_named "$1" | wc -l)" -ge "$2" ]; }

# Brings a window forward and gives it the keyboard, then types keys into it.
press() {
  local window=$1
  shift
  xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
  sleep 0.3
  # One key at a time: a burst of keys reaches the dialog out of step with its focus.
  local key
  for key in "$@"; do
    xdotool key "$key"
    sleep 0.25
  done
}

# Ends what a load left running: the program (so the prefix can settle) and the simulator.
end_load() {
  if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then
    wineserver -k 2>/dev/null
    wait "$app_pid" 2>/dev/null
  fi
  app_pid=
  if [ -n "$sim_pid" ]; then
    wait_for 15 bash -c "! kill -0 $sim_pid" || kill "$sim_pid" 2>/dev/null
    wait "$sim_pid" 2>/dev/null
  fi
  sim_pid=
}

# A picture of a window with its title bar.
shoot() {
  local window=$1 name=$2
  local out=$work/$name
  [ "${KZN_SHOTS:-0}" = 1 ] && out=$source_dir/docs/$name
  import -frame -window "$window" "$out" 2>/dev/null || fail "no picture of $name"
  note "picture: $out"
}

# --- display and window manager --------------------------------------------------------
display=
for n in $(seq 91 140); do
  if [ ! -e /tmp/.X$n-lock ] && [ ! -e /tmp/.X11-unix/X$n ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "run_gui_e2e: no free display" >&2; exit 1; }
Xvfb ":$display" -screen 0 1024x700x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
wait_for 10 test -e "/tmp/.X11-unix/X$display" || { echo "run_gui_e2e: Xvfb did not start" >&2; exit 1; }
openbox >"$work/openbox.log" 2>&1 &
openbox_pid=$!
sleep 1

# --- prefix ----------------------------------------------------------------------------
started=$SECONDS
wineboot -i >/dev/null 2>&1
wineserver -w
note "prefix ready in $((SECONDS - started)) s"
user_dir=$WINEPREFIX/drive_c/users/$(id -un)
settings=$user_dir/AppData/Roaming/kznload.INI
rm -f "$settings"

# The progress window's own tests need a display: this one.
window_tests=$win_build/tests/kzn_windows_gui_window_tests.exe
if [ -f "$window_tests" ]; then
  wine "$window_tests" --gtest_brief=1 >"$work/window-tests.log" 2>&1 ||
    { fail "the progress window's tests"; cat "$work/window-tests.log" >&2; }
  note "$(grep -E 'PASSED|FAILED' "$work/window-tests.log" | head -1)"
else
  note "no $window_tests (BUILD_TESTING off): the progress window's tests did not run"
fi

catalogue=$work/catalogue
cp -r "$samples" "$catalogue"
find "$catalogue" -name '*.cmake' -delete
message_log=$work/messages.log
message_log_win=$(winepath -w "$message_log" 2>/dev/null)

# --- one load from the window ------------------------------------------------------------
# The simulator, COM1 mapped to it, the program, the language window at the first start, the
# choices made with the keyboard, start, the final box.
main=
title="KZN LOAD 1.12 January 2001"

# start_load <family> <type row> <version row> <pictures> [kznsim option...]: kznsim, COM1
# mapped to it, the program, the choices, start; returns 0 once the progress window shows,
# with the main window in $main.
start_load() {
  local family=$1 type_row=$2 version_row=$3 pictures=$4
  shift 4
  local report=$work/report-$family.json
  : >"$message_log"
  coproc SIM { exec "$kznsim" --family "$family" --throttle "$@" --report "$report"; }
  sim_pid=$SIM_PID
  local pty
  read -r -t 10 pty <&"${SIM[0]}" || { fail "$family: kznsim gave no device"; return 1; }
  wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$pty" /f >/dev/null 2>&1
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null

  (cd "$catalogue" && KZN_TEST_MESSAGE_LOG="$message_log_win" exec wine "$kznload") \
    >"$work/kznload-$family.log" 2>&1 &
  app_pid=$!

  if [ ! -e "$settings" ] || ! grep -qi '^TYPE_LANG=' "$settings"; then
    # The first start asks for the language: English, by the arrow key, then OK.
    if wait_for 30 has_window "KZN LOAD"; then
      press "$(windows_named "KZN LOAD" | head -1)" Down Return
    else
      fail "$family: no language window"
    fi
  fi
  wait_for 30 has_window "$title" || { fail "$family: no main window"; return 1; }
  main=$(windows_named "$title" | head -1)
  sleep 0.5
  # The port with the mouse: COM 1's button lies at (16, 18) dialog units, about (24..96,
  # 27..47) pixels in the window (arrow keys in the port group lose the keys that follow
  # them under Wine). Then the keyboard: a new receiver type gives the start button the
  # focus, so each step down the type list starts from there (back over the language
  # versions to the types); then back to the language versions, the version's row, and
  # forward to the start button.
  xdotool windowactivate --sync "$main" 2>/dev/null
  xdotool mousemove --window "$main" 45 37 click 1
  sleep 0.3
  local keys=(Tab Home)
  local i
  for ((i = 0; i < type_row; i++)); do keys+=(shift+Tab shift+Tab Down); done
  keys+=(shift+Tab Home)
  for ((i = 0; i < version_row; i++)); do keys+=(Down); done
  keys+=(Tab)
  press "$main" "${keys[@]}"
  [ "$pictures" = 1 ] && shoot "$main" windows-main.png
  xdotool key space

  wait_for 20 has_window "KZN GPS Receivers" || { fail "$family: no progress window"; return 1; }
}

# The window's part of a whole load: started, the final box answered, the window closed.
run_load() {
  local family=$1 type_row=$2 version_row=$3 outcome=$5 pictures=$6
  start_load "$family" "$type_row" "$version_row" "$pictures" --exit-after 1 || return
  if [ "$pictures" = 1 ]; then
    sleep 2.5
    shoot "$(windows_named "KZN GPS Receivers" | head -1)" windows-progress.png
  fi
  # The last box has the main window's title; it is answered with Enter once it is there.
  if ! wait_for 90 window_count_at_least "$title" 2; then
    fail "$family: no final message box"
    cat "$message_log" >&2
    return
  fi
  sleep 0.3
  local box
  box=$(windows_named "$title" | grep -vx "$main" | tail -1)
  press "$box" Return
  wait_for 10 bash -c "! xdotool search --onlyvisible --name '^KZN GPS Receivers\$'" ||
    fail "$family: the progress window stayed"

  local shown
  shown=$(cat "$message_log")
  if [ "$shown" != "$outcome" ]; then
    fail "$family: the window showed '$shown', expected '$outcome'"
  fi
  # The About window, the system menu's own entry (command 16), picked by a helper: the
  # window manager keeps Alt+Space for its own menu.
  if [ "$pictures" = 1 ]; then
    wine "$win_build/tests/kzn_windows_end_session.exe" --title "$title" --command 16 \
      >/dev/null 2>&1 &
    if wait_for 20 has_window "KZN LOAD"; then
      sleep 0.5
      shoot "$(windows_named "KZN LOAD" | head -1)" windows-about.png
      press "$(windows_named "KZN LOAD" | head -1)" Return
    else
      fail "no About window from the system menu"
    fi
  fi
  # The close box saves the settings and ends the program.
  press "$main" alt+F4
  wait_for 15 bash -c "! kill -0 $app_pid" || fail "$family: kznload.exe did not end"
}

# load <family> <type row> <version row> <expected records> <expected outcome> <pictures>
load() {
  local family=$1 type_row=$2 version_row=$3 records=$4 outcome=$5 pictures=$6
  local report=$work/report-$family.json
  note "load of a $family receiver"
  run_load "$@"
  end_load
  [ -s "$report" ] || { fail "$family: kznsim wrote no report"; return; }
  python3 - "$report" "$catalogue" "$records" <<'PY' || fail "$family: kznsim's report"
import json, sys
report = json.load(open(sys.argv[1]))
expected_records = int(sys.argv[3])
problems = []
if report["violations"]:
    problems.append("violations: %s" % report["violations"])
outcome = {"VR": "5", "TK20B": "POK"}[report["family"]]
if report["outcomes"] != [outcome]:
    problems.append("outcomes %s" % report["outcomes"])
if report["recordsAccepted"] != expected_records:
    problems.append("%d records accepted" % report["recordsAccepted"])
# Every data record of the file, in order: the program is one run of the file's bytes.
name = {"VR": ["VR540.gb", "VR540.fra"], "TK20B": ["TK20B.gb", "TK20B.fra"]}[report["family"]]
program = bytes.fromhex("".join(report["program"]) if isinstance(report["program"], list) else report["program"])
if not any(program and program in open(sys.argv[2] + "/" + n, "rb").read() for n in name):
    problems.append("the program received is not the file's data records")
for p in problems:
    print("  " + p, file=sys.stderr)
sys.exit(1 if problems else 0)
PY
  note "$family: done"
}

started=$SECONDS
load VR 0 1 20 "[623] Software version succesfully loaded." 1
load TK20B 2 1 30 "[623] Software version succesfully loaded." 0
note "loads took $((SECONDS - started)) s"
grep -qi '^PORT=1' "$settings" || fail "the close box did not store PORT=1"

# --- the session ends: a log-off during a load, and during the first start ----------------
# The port's value in a section of the settings file.
setting() { tr -d '\r' <"$settings" | awk -F= -v s="[$1]" -v k="$2" '/^\[/ { in_s = ($0 == s) }
  in_s && $1 == k { print substr($0, length(k) + 2) }'; }
# kznsim's report of the last VR load: "whole" (its end record accepted) or "stopped" (records
# came, no end record).
vr_report_is() {
  python3 - "$work/report-VR.json" "$1" <<'PY'
import json, sys
report = json.load(open(sys.argv[1]))
whole = report["endRecord"] is not None and report["outcomes"] == ["5"]
stopped = report["recordsAccepted"] > 0 and report["endRecord"] is None
ok = whole if sys.argv[2] == "whole" else stopped
if not ok:
    print("  records %d, end record %s, outcomes %s" % (report["recordsAccepted"],
          report["endRecord"], report["outcomes"]), file=sys.stderr)
sys.exit(0 if ok else 1)
PY
}
sender=$win_build/tests/kzn_windows_end_session.exe
upload=(--status "Loading in progress...." --percent 5)
if [ ! -f "$sender" ]; then
  fail "no $sender (BUILD_TESTING off?): the log-off during a load was not tested"
else
  started=$SECONDS
  # Windows asks every window whether the session may end: the program refuses while it
  # writes the receiver. The user cancels the log-off, and the load goes on to its end;
  # About, chosen meanwhile in the system menu, is refused (its window would hold the load).
  note "a log-off cancelled during a VR540 upload"
  if start_load VR 0 1 0 --exit-after 1; then
    answer=$(wine "$sender" --title "$title" "${upload[@]}" --about --cancel \
      2>"$work/sender.err" | tr -d '\r')
    [ "$answer" = $'query answered 0\ncancelled' ] ||
      fail "cancelled log-off: '$answer', expected a refusal ($(cat "$work/sender.err"))"
    if wait_for 90 window_count_at_least "$title" 2; then
      has_window "KZN LOAD" && fail "cancelled log-off: the About window opened during the load"
      sleep 0.3
      press "$(windows_named "$title" | grep -vx "$main" | tail -1)" Return
      shown=$(cat "$message_log")
      [ "$shown" = "[623] Software version succesfully loaded." ] ||
        fail "cancelled log-off: the window showed '$shown'"
      press "$main" alt+F4
      wait_for 15 bash -c "! kill -0 $app_pid" || fail "cancelled log-off: kznload.exe did not end"
    else
      fail "cancelled log-off: the load never ended"$'\n'"$(cat "$message_log")"
    fi
  fi
  end_load
  vr_report_is whole || fail "cancelled log-off: the receiver did not get the whole program"

  # The session ends for certain while the cancel question is open: the question goes, the
  # cancel counts as confirmed, the load stops at its next cancel point (the port stays
  # marked unfinished) and the program ends, keeping what a close keeps.
  note "a log-off that ends the session during a VR540 upload, the cancel question open"
  if start_load VR 0 1 0; then
    wine "$sender" --title "$title" "${upload[@]}" --wait 2>"$work/sender.err" ||
      fail "log-off: the upload never reached 5% ($(cat "$work/sender.err"))"
    press "$(windows_named "KZN GPS Receivers" | head -1)" Escape
    wait_for 20 window_count_at_least "$title" 2 || fail "log-off: no cancel question"
    sed -i '/^WindowPos=/d' "$settings"
    answer=$(wine "$sender" --title "$title" --end 2>"$work/sender.err" | tr -d '\r')
    [ "$answer" = $'query answered 0\nended' ] ||
      fail "log-off: '$answer', expected a refusal, then the end ($(cat "$work/sender.err"))"
    wait_for 60 bash -c "! kill -0 $app_pid" || fail "log-off: kznload.exe did not end"
    expected=$'[608] Confirm abortion.\n[answer] Yes'
    shown=$(cat "$message_log")
    [ "$shown" = "$expected" ] || fail "log-off: the window showed '$shown', expected '$expected'"
    [ "$(setting LAST_LOADING 1)" = "-1" ] ||
      fail "log-off: LAST_LOADING 1 is '$(setting LAST_LOADING 1)', not -1"
    [ -n "$(setting Settings WindowPos)" ] ||
      fail "log-off: the settings a close keeps were not kept: $(cat "$settings" 2>/dev/null)"
  fi
  kill "$sim_pid" 2>/dev/null
  end_load
  vr_report_is stopped || fail "log-off: the load did not stop in the middle of the upload"

  # The first start's language window is open when the session ends: it goes, and the
  # program ends without writing its defaults over what the settings file holds.
  note "a log-off during the first start's language window"
  printf '[FILE_LOCATION]\r\nDIR=C:\\kept\\\r\nFILE=kept.gb\r\nREC=2\r\n[UIMODE]\r\nTYPE_UI=0\r\n' \
    >"$settings"
  (cd "$catalogue" && exec wine "$kznload") >"$work/kznload-start.log" 2>&1 &
  app_pid=$!
  if wait_for 30 has_window "KZN LOAD"; then
    answer=$(wine "$sender" --title "Zephan GPS KZN" --end 2>"$work/sender.err" | tr -d '\r')
    [ "$answer" = $'query answered 1\nended' ] ||
      fail "log-off at the start: '$answer' ($(cat "$work/sender.err"))"
    wait_for 15 bash -c "! kill -0 $app_pid" || fail "log-off at the start: kznload.exe stayed"
    [ "$(setting FILE_LOCATION DIR)$(setting FILE_LOCATION FILE)$(setting FILE_LOCATION REC)" = \
      'C:\kept\kept.gb2' ] && [ -z "$(setting LANGUAGE TYPE_LANG)" ] ||
      fail "log-off at the start: the settings were overwritten: $(cat "$settings")"
  else
    fail "log-off at the start: no language window"
  fi
  end_load
  rm -f "$settings"
  note "log-off tests took $((SECONDS - started)) s"
fi

# --- installer ----------------------------------------------------------------------------
# Built here, so that an installer left over from an earlier build is not what is tested.
rm -f "$win_build"/kznload-*-setup.exe
setup=
if ! cmake --build "$win_build" --target kzn_windows_installer >"$work/installer-build.log" 2>&1; then
  fail "the target kzn_windows_installer did not build (makensis missing?):"$'\n'"$(tail -5 "$work/installer-build.log")"
else
  setup=$(ls "$win_build"/kznload-*-setup.exe 2>/dev/null | head -1)
  [ -n "$setup" ] || fail "the target kzn_windows_installer built no kznload-*-setup.exe in $win_build"
fi
if [ -n "$setup" ]; then
  started=$SECONDS
  install_dir="$user_dir/AppData/Local/Programs/KZN LOAD"
  start_menu="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/KZN LOAD"
  wine "$setup" /S
  wineserver -w
  for f in kznload.exe uninstall.exe samples/chgt.cfg; do
    [ -f "$install_dir/$f" ] || fail "installer: $f is missing"
  done
  [ -f "$start_menu/KZN LOAD.lnk" ] || fail "installer: no Start menu entry"
  wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\KZN LOAD' \
    /v UninstallString >/dev/null 2>&1 || fail "installer: not in Add/Remove programs"
  wine "$install_dir/uninstall.exe" /S
  wineserver -w
  [ -e "$install_dir" ] && fail "uninstaller: left $(find "$install_dir" | tr '\n' ' ')"
  [ -e "$start_menu" ] && fail "uninstaller: left the Start menu entry"
  wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\KZN LOAD' \
    >/dev/null 2>&1 && fail "uninstaller: still in Add/Remove programs"
  note "installer and uninstaller took $((SECONDS - started)) s"
fi

if [ "$failures" -eq 0 ]; then
  note "passed"
  exit 0
fi
note "$failures failure(s)"
exit 1
