#!/usr/bin/env bash
# kznload-cli.exe under Wine against kznsim: a COM port of the Wine prefix is mapped to the
# simulator's pseudo-terminal, and the program loads a copy of the sample catalogue folder
# as a script would. Checks the exit status, the outcome line and what the receiver got:
#   - a first-family load (VR540), run from a folder with a non-ASCII name: the program
#     file arrives whole, the receiver's doppler table and almanac are restored;
#   - a first-family upload killed outright (kill -9): the port stays marked unfinished, and
#     the next run restores the receiver's tables from the dump and loads it;
#   - a second-family load (TK20B): the program file arrives whole, user data erased;
#   - two TK20B receivers at once (COM3, COM4): a line per port and a summary;
#   - a port that cannot be opened: a [serial] line, exit status 1;
#   - a file of the wrong family, named by a non-ASCII path: refused before any byte reaches
#     the receiver;
#   - the journal of loads in %LOCALAPPDATA%: the VR540 load's line (port, type, version, the
#     file's size and SHA-256, outcome, records) as `journal --json` prints it, and one line
#     for every run that was not killed, with its outcome.
#   - the Windows texts: --help names Windows' keys and COM ports, and a missing catalogue
#     is told in the system's own words (FormatMessageW).
# Usage: tests/windows/run_cli_e2e.sh <linux-build> <windows-build>
# Uses $WINEPREFIX when it is set and initialised, else creates <windows-build>/wine-prefix.
set -euo pipefail

if (($# != 2)); then
  echo "usage: $0 <linux-build> <windows-build>" >&2
  exit 2
fi
linux_build=$(realpath "$1")
win_build=$(realpath "$2")
sim=$linux_build/sim/kznsim
samples=$linux_build/samples
cli=$win_build/cli/kznload-cli.exe
for needed in "$sim" "$samples/chgt.cfg" "$cli"; do
  [[ -e $needed ]] || { echo "missing: $needed" >&2; exit 2; }
done

export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=${WINEPREFIX:-$win_build/wine-prefix}
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  echo "creating the Wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi

work=$(mktemp -d)
sim_pid=
mapped=()
failures=0

cleanup() {
  stop_sim
  [[ -z ${virtual_store:-} ]] || rm -f "$virtual_store/kznload.INI"
  for port in "${mapped[@]}"; do
    wine reg delete 'HKLM\Software\Wine\Ports' /v "$port" /f >/dev/null 2>&1 || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Polls `condition` (a command) every 0.1 s for at most `seconds`.
wait_for() {
  local seconds=$1
  shift
  local tries=$((seconds * 10))
  while ((tries-- > 0)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# start_sim ARGS...: kznsim on a new pseudo-terminal; sets $pty. Its report goes to
# $work/report.json when it exits.
start_sim() {
  rm -f "$work/report.json" "$work/sim.out"
  "$sim" --report "$work/report.json" "$@" >"$work/sim.out" 2>"$work/sim.err" &
  sim_pid=$!
  wait_for 10 grep -q . "$work/sim.out" || { echo "kznsim did not start" >&2; cat "$work/sim.err" >&2; exit 1; }
  pty=$(head -n 1 "$work/sim.out")
}

# Stops kznsim (SIGTERM writes its report) unless it has ended by itself.
stop_sim() {
  [[ -n $sim_pid ]] || return 0
  kill -TERM "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  sim_pid=
}

# Waits at most 15 s for a kznsim run with --exit-after to end by itself.
wait_sim_exit() {
  wait_for 15 bash -c "! kill -0 $sim_pid 2>/dev/null" || fail "kznsim did not end after the load"
  stop_sim
}

link_is() {
  [[ $(readlink "$WINEPREFIX/dosdevices/$1" 2>/dev/null) == "$2" ]]
}

# map_com N DEVICE: COMn of the prefix leads to DEVICE. Wine reads its port mappings when
# its server starts: restart it, and check the device link it makes.
map_com() {
  local name=COM$1 link=com$1
  wine reg add 'HKLM\Software\Wine\Ports' /v "$name" /d "$2" /f >/dev/null 2>&1
  mapped+=("$name")
  wineserver -k 2>/dev/null || true
  wineserver -w
  wine cmd /c exit >/dev/null 2>&1 || true
  wait_for 10 link_is "$link" "$2" || { echo "Wine did not map $name to $2" >&2; exit 1; }
}

# The settings file of the prefix's user (%APPDATA%\kznload.INI), removed before each run so
# that no marker of an earlier run asks a question.
appdata=$(wine cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')
settings=$(winepath -u "$appdata" 2>/dev/null)/kznload.INI
# Where the classic program's settings were when it could not write the Windows folder: the
# copy the system's virtualisation made of C:\windows\kznload.INI.
localappdata=$(wine cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')
virtual_store=$(winepath -u "$localappdata" 2>/dev/null)/VirtualStore/windows
# The journal of loads (%LOCALAPPDATA%\kznload\journal.jsonl), empty before the first run.
journal=$(winepath -u "$localappdata" 2>/dev/null)/kznload/journal.jsonl
rm -f "$journal"

# run_cli FOLDER ARGS...: kznload-cli.exe in FOLDER; sets $status, $out (without the CRs
# of Windows line ends) and $err.
run_cli() {
  local folder=$1
  shift
  rm -f "$settings"
  status=0
  (cd "$folder" && wine "$cli" "$@") >"$work/cli.out" 2>"$work/cli.err" || status=$?
  out=$(tr -d '\r' <"$work/cli.out")
  err=$(tr -d '\r' <"$work/cli.err")
}

expect_status() {
  [[ $status == "$1" ]] || fail "$2: exit status $status, expected $1"$'\n'"$out"$'\n'"$err"
}

expect_last_line() {
  local last
  last=$(printf '%s\n' "$out" | tail -n 1)
  [[ $last == "$1" ]] || fail "$2: last line '$last', expected '$1'"$'\n'"$out"
}

# check_report FAMILY PROGRAM-FILE: the load's report says what the receiver got.
check_report() {
  local judged=0
  python3 - "$work/report.json" "$1" "$2" <<'EOF' || judged=1
import json, sys

report_path, family, program_path = sys.argv[1:]
report = json.load(open(report_path))
data = open(program_path, "rb").read()
problems = []

def expect(condition, what):
    if not condition:
        problems.append(what)

expect(report["loads"] == 1, f"loads {report['loads']}, expected 1")
expect(report["violations"] == [], f"violations {report['violations']}")
program = bytes.fromhex(report["program"])
# The file is its header record, its data records, then its end record; the receiver must
# have accepted exactly the data records, each once, in order.
end_length = 4 if family in ("VR", "TK") else 8
end = data[-end_length:]
expect(end[:1] == b"\x8c", "the sample file does not end with an end record")
expect(len(program) > 0, "no data record arrived")
expect(data[len(data) - end_length - len(program):len(data) - end_length] == program,
       "the data records that arrived are not the file's")
header_length = len(data) - end_length - len(program)
expect(0 < header_length < 64, f"a header record of {header_length} bytes is left over")
if family in ("VR", "TK"):
    expect(report["outcomes"] == ["5"], f"outcomes {report['outcomes']}")
    end_record = report["endRecord"]
    expect(end_record is not None and end_record["verdict"] == "5", f"end record {end_record}")
    memory = report["memory"]
    expect(len(memory["initialDoppler"]) == 2 * 1282, "no doppler table at start")
    expect(memory["doppler"] == memory["initialDoppler"], "the doppler table was not restored")
    expect(memory["almanac"] == memory["initialAlmanac"], "the almanac was not restored")
    expect(len(report["writeBack"]) > 0 and all(r["accepted"] for r in report["writeBack"]),
           "write-back records missing or refused")
else:
    expect(report["outcomes"] == ["POK"], f"outcomes {report['outcomes']}")
    preparation = report["preparation"]
    expect(preparation is not None and preparation["userDataChar"] == "1",
           f"preparation {preparation}: user data not erased")
for problem in problems:
    print(f"  {family}: {problem}", file=sys.stderr)
sys.exit(1 if problems else 0)
EOF
  ((judged == 0)) || fail "$1: the receiver's report"$'\n'"$(grep -v '^\[progress\]' <<<"$err")"
}

# Every receiver byte string of the report's phases is empty.
check_nothing_received() {
  python3 - "$work/report.json" <<'EOF' || fail "$1: the receiver heard bytes"
import json, sys
report = json.load(open(sys.argv[1]))
sent = [p["bytes"] for p in report["phases"] if p["bytes"]]
if sent:
    print(f"  received: {sent}", file=sys.stderr)
sys.exit(1 if sent else 0)
EOF
}

success="[123] Software version succesfully loaded."

# A first-family load from a folder whose name Windows' ANSI code page may not hold.
echo "cli e2e: VR540 on COM1 from a folder with a non-ASCII name"
vr_folder="$work/Données ✓"
cp -r "$samples" "$vr_folder"
start_sim --family VR --throttle --exit-after 1
map_com 1 "$pty"
run_cli "$vr_folder" load --type VR540 --version "English version" --port 1 --lang en --answer no
wait_sim_exit
expect_status 0 VR540
expect_last_line "$success" VR540
[[ -s "$vr_folder/~tmp1.tmp" ]] || fail "VR540: no dump file ~tmp1.tmp in the catalogue folder"
[[ -s "$vr_folder/alm.alm" ]] || fail "VR540: no almanac backup alm.alm in the catalogue folder"
check_report VR "$vr_folder/VR540.gb"
# The load's line, and the same line through `journal --json`.
run_cli "$vr_folder" journal --json
expect_status 0 "journal --json"
python3 - "$journal" "$vr_folder/VR540.gb" "$work/report.json" "$out" <<'EOF' ||
import hashlib, json, sys
journal_path, program_path, report_path, printed = sys.argv[1:]
lines = open(journal_path, "rb").read().decode().splitlines()
problems = []
def expect(condition, what):
    if not condition:
        problems.append(what)
expect(len(lines) == 1, f"{len(lines)} lines, expected 1")
expect(printed.splitlines() == lines[-1:], f"journal --json printed {printed!r}")
line = json.loads(lines[-1]) if lines else {}
data = open(program_path, "rb").read()
report = json.load(open(report_path))
com1 = "\\\\.\\COM1"
wanted = {"program": "kznload-cli", "port": 1, "device": com1, "adapter": com1,
          "receiverType": "VR540", "family": "VR", "languageVersion": "English version",
          "fileSize": len(data), "sha256": hashlib.sha256(data).hexdigest(), "outcome": "loaded",
          "messageId": 123, "message": "Software version succesfully loaded.",
          "recordsSent": report["recordsAccepted"], "resends": 0}
for key, value in wanted.items():
    expect(line.get(key) == value, f"{key}: {line.get(key)!r}, expected {value!r}")
expect(line.get("file", "").endswith("VR540.gb"), f"file: {line.get('file')!r}")
expect(line.get("start", "") <= line.get("end", "") and line.get("durationMs", 0) > 0,
       f"start {line.get('start')}, end {line.get('end')}, duration {line.get('durationMs')}")
for problem in problems:
    print(f"  journal: {problem}", file=sys.stderr)
sys.exit(1 if problems else 0)
EOF
  fail "journal: the VR540 load's line"

# A load killed outright in the middle of its upload (a crash, a power cut): the port stays
# marked unfinished, and the next run, answered Yes, gives the receiver, still in its
# loader, back its own doppler table and almanac from the dump the killed run left.
echo "cli e2e: a VR540 upload killed, then restored from the dump by the next run"
killed_folder=$work/killed
cp -r "$samples" "$killed_folder"
# The last progress line, once the upload's bar has started from 0% (the read-out's 100% is
# shown for a moment under the upload's text), has reached $1 percent.
upload_reached() {
  tr -d '\r' <"$work/cli.err" | awk -v want="$1" '
    /^\[progress\] [0-9]+% Loading in progress/ { p = $2 + 0; if (p == 0) started = 1; last = p }
    END { exit !(started && last >= want) }'
}
# setting SECTION KEY: the value in the settings file.
setting() {
  tr -d '\r' <"$settings" 2>/dev/null | awk -F= -v s="[$1]" -v k="$2" '
    /^\[/ { in_s = ($0 == s) } in_s && $1 == k { print substr($0, length(k) + 2) }'
}
# COM3 leads to a link that each simulator makes to its own pseudo-terminal: mapped once,
# without restarting the Wine server for the second simulator.
start_sim --family VR --throttle --link "$work/com3"
map_com 3 "$work/com3"
rm -f "$settings"
(cd "$killed_folder" && exec wine "$cli" load --type VR540 --version "English version" --port 3 \
  --lang en --answer no) >"$work/cli.out" 2>"$work/cli.err" &
cli_pid=$!
if wait_for 60 upload_reached 10; then
  kill -KILL "$cli_pid"
  wait "$cli_pid" 2>/dev/null || true
  stop_sim
  cp "$work/report.json" "$work/killed-report.json"
  last=$(tr -d '\r' <"$work/cli.err" | grep -Eo '^\[progress\] [0-9]+% Loading' | tail -n 1)
  [[ $last =~ \ ([0-9]+)% && ${BASH_REMATCH[1]} -lt 100 ]] ||
    fail "killed upload: killed at '$last', not in the middle of the upload"
  [[ $(setting LAST_LOADING 3) == -1 ]] ||
    fail "killed upload: LAST_LOADING 3 is '$(setting LAST_LOADING 3)', expected -1"
  python3 - "$work/killed-report.json" <<'EOF' || fail "killed upload: the receiver's report"
import json, sys
report = json.load(open(sys.argv[1]))
problems = []
if report["outcomes"] != ["abandoned"]:
    problems.append(f"outcomes {report['outcomes']}, expected the port closed mid-load")
if report["recordsAccepted"] == 0 or report["endRecord"] is not None:
    problems.append(f"{report['recordsAccepted']} records, end record {report['endRecord']}")
for problem in problems:
    print(f"  killed upload: {problem}", file=sys.stderr)
sys.exit(1 if problems else 0)
EOF

  # The receiver stays in its loader; another seed than the first run's, so that only the
  # dump can give it back the tables it had. The settings with the port's marker are where
  # the classic program kept them (the old program's load was the one cut off): the new one
  # takes them over, marker included, and says so.
  mkdir -p "$virtual_store"
  mv "$settings" "$virtual_store/kznload.INI"
  start_sim --family VR --throttle --exit-after 1 --fault already-wrong --seed 2 \
    --link "$work/com3"
  status=0
  (cd "$killed_folder" && wine "$cli" load --type VR540 --version "English version" --port 3 \
    --lang en --answer yes) >"$work/cli.out" 2>"$work/cli.err" || status=$?
  out=$(tr -d '\r' <"$work/cli.out")
  wait_sim_exit
  expect_status 0 "restored after the kill"
  grep -q "^Settings taken over from .*VirtualStore" "$work/cli.err" ||
    fail "restored after the kill: no word of the settings taken over"
  [[ -f $virtual_store/kznload.INI ]] || fail "restored after the kill: the earlier settings went"
  rm -f "$virtual_store/kznload.INI"
  expected="[134] Last loading ended badly. Are you uploading the same receiver ?"$'\n'
  expected+="[answer] Yes"$'\n'"$success"
  [[ $out == "$expected" ]] ||
    fail "restored after the kill: the output"$'\n'"$out"$'\n'"expected"$'\n'"$expected"
  [[ $(setting LAST_LOADING 3) == 1 ]] ||
    fail "restored after the kill: LAST_LOADING 3 is '$(setting LAST_LOADING 3)', expected 1"
  python3 - "$work/report.json" "$work/killed-report.json" <<'EOF' ||
import json, sys
report = json.load(open(sys.argv[1]))
killed = json.load(open(sys.argv[2]))
problems = []
def expect(condition, what):
    if not condition:
        problems.append(what)
expect(report["outcomes"] == ["5"], f"outcomes {report['outcomes']}")
expect(report["violations"] == [], f"violations {report['violations']}")
expect(report["dump"] == "", "the receiver was read out again instead of restored from the dump")
write_back = report["writeBack"]
expect(len(write_back) > 0 and all(r["accepted"] for r in write_back),
       "write-back records missing or refused")
memory, before = report["memory"], killed["memory"]
expect(memory["initialDoppler"] != before["initialDoppler"], "both receivers had the same tables")
expect(memory["doppler"] == before["initialDoppler"], "the doppler table is not the dump's")
expect(memory["almanac"] == before["initialAlmanac"], "the almanac is not the dump's")
for problem in problems:
    print(f"  restored after the kill: {problem}", file=sys.stderr)
sys.exit(1 if problems else 0)
EOF
    fail "restored after the kill: the receiver's report"
else
  fail "killed upload: the upload never reached 10%"$'\n'"$(tr -d '\r' <"$work/cli.err" | tail -n 5)"
  kill -KILL "$cli_pid" 2>/dev/null || true
  wait "$cli_pid" 2>/dev/null || true
  stop_sim
fi

echo "cli e2e: TK20B on COM2"
tk_folder=$work/tk20b
cp -r "$samples" "$tk_folder"
start_sim --family TK20B --throttle --exit-after 1
map_com 2 "$pty"
run_cli "$tk_folder" load --type TK20B --version "English version" --port 2 --lang en --answer no
wait_sim_exit
expect_status 0 TK20B
expect_last_line "$success" TK20B
check_report TK20B "$tk_folder/TK20B.gb"

# The console's events, handed to kznload-cli.exe as the system hands them, the program
# started as "start /b" starts one (a process group of its own, Ctrl+C ignored) with nobody at
# a terminal: each is a confirmed cancel that stops the load at its next cancel point.
events=$win_build/tests/kzn_windows_console_event.exe
pid_file=$work/cli.pid
# start_cli_group FOLDER ARGS...: the program in FOLDER, in the background; sets $launcher
# (the starter, which ends with the program's status) and $cli_winpid.
start_cli_group() {
  local folder=$1
  shift
  rm -f "$settings" "$pid_file"
  (cd "$folder" && exec wine "$events" start "$(winepath -w "$pid_file")" "$(winepath -w "$cli")" \
    "$@") </dev/null >"$work/cli.out" 2>"$work/cli.err" &
  launcher=$!
  wait_for 20 test -s "$pid_file" || { fail "the program did not start"; return 1; }
  cli_winpid=$(tr -dc '0-9' <"$pid_file")
}
# The last progress line shows $1 (the start of a step's text).
progress_at() { tr -d '\r' <"$work/cli.err" | grep '^\[progress\]' | tail -n 1 | grep -q "% $1"; }
# stop_with EVENT LIMIT CONDITION...: once CONDITION holds, the event; the program must end
# within LIMIT seconds. Sets $status, $out.
stop_with() {
  local event=$1 limit=$2
  shift 2
  if ! wait_for 60 "$@"; then
    fail "$event: the load never reached '$*'"$'\n'"$(tr -d '\r' <"$work/cli.err" | tail -n 5)"
  else
    wine "$events" send "$event" "$cli_winpid" || fail "$event: the event was not sent"
    wait_for "$limit" bash -c "! kill -0 $launcher 2>/dev/null" ||
      fail "$event: the program did not stop within $limit s"
  fi
  # A program that did not stop must not hold the port for the next case.
  if kill -0 "$launcher" 2>/dev/null; then
    wine taskkill /f /pid "$cli_winpid" >/dev/null 2>&1 || true
    kill "$launcher" 2>/dev/null || true
  fi
  status=0
  wait "$launcher" || status=$?
  out=$(tr -d '\r' <"$work/cli.out")
}

if [[ ! -f $events ]]; then
  fail "no $events (BUILD_TESTING off?): the console's events were not tested"
else
  # The erase of a TK20B receiver is long: the stop comes in the middle of it.
  for case in "c:Ctrl+C" "break:Ctrl+Break" "close:closing the console"; do
    event=${case%%:*}
    said=${case#*:}
    echo "cli e2e: $said during a TK20B erase"
    start_sim --family TK20B --throttle --erase-ms 30000 --link "$work/com3"
    if start_cli_group "$tk_folder" load --type TK20B --version "English version" --port 3 \
      --lang en; then
      stop_with "$event" 15 progress_at Erasing
      expect_status 1 "$said"
      [[ ${out,,} == *cancel* ]] || fail "$said: the output does not tell the stop"$'\n'"$out"
    fi
    stop_sim
    python3 - "$work/report.json" <<'EOF' || fail "$said: the receiver's report"
import json, sys
report = json.load(open(sys.argv[1]))
if report["outcomes"] == ["POK"] or report["recordsAccepted"] > 0:
    print(f"  the load went on: outcomes {report['outcomes']}", file=sys.stderr)
    sys.exit(1)
EOF
  done

  # A log-off in the middle of a first-family upload (the receiver refuses its second to
  # eighth records nine times each, so the upload lasts): the port is closed the normal way
  # and stays marked unfinished.
  echo "cli e2e: a log-off during a VR540 upload"
  refusals=()
  for record in 2 3 4 5 6 7 8; do refusals+=(--fault "refuse-record=$record:9"); done
  start_sim --family VR --throttle "${refusals[@]}" --link "$work/com3"
  if start_cli_group "$vr_folder" load --type VR540 --version "English version" --port 3 \
    --lang en --answer no; then
    stop_with logoff 15 upload_reached 1
    expect_status 1 "log-off"
    [[ $out == *"stopped by the user logging off"* ]] ||
      fail "log-off: the output does not tell the stop"$'\n'"$out"
    [[ $(setting LAST_LOADING 3) == -1 ]] ||
      fail "log-off: LAST_LOADING 3 is '$(setting LAST_LOADING 3)', expected -1"
  fi
  stop_sim
  python3 - "$work/report.json" <<'EOF' || fail "log-off: the receiver's report"
import json, sys
report = json.load(open(sys.argv[1]))
if report["outcomes"] != ["abandoned"]:
    print(f"  outcomes {report['outcomes']}, expected the port closed mid-load", file=sys.stderr)
    sys.exit(1)
EOF
fi

# A run of several ports: two TK20B receivers at once on COM3 and COM4, each with its own
# kznsim, each port's lines and a summary.
echo "cli e2e: two TK20B receivers at once"
"$sim" --family TK20B --throttle --exit-after 1 --report "$work/report3.json" \
  >"$work/sim3.out" 2>/dev/null &
sim3=$!
"$sim" --family TK20B --throttle --exit-after 1 --report "$work/report4.json" \
  >"$work/sim4.out" 2>/dev/null &
sim4=$!
wait_for 10 grep -q . "$work/sim3.out" && wait_for 10 grep -q . "$work/sim4.out" ||
  fail "two ports: kznsim did not start"
map_com 3 "$(head -n 1 "$work/sim3.out")"
map_com 4 "$(head -n 1 "$work/sim4.out")"
run_cli "$tk_folder" load --type TK20B --version "English version" --port 3,4 --lang en
expect_status 0 "two ports"
for port in COM3 COM4; do
  [[ $out == *"$port: [123] Software version succesfully loaded."* ]] ||
    fail "two ports: no success line for $port"$'\n'"$out"
  printf '%s\n' "$out" | grep -Eq "^$port +[^ ]+ +TK20B +English version +loaded \[123\]" ||
    fail "two ports: the summary has no loaded line for $port"$'\n'"$out"
done
wait_for 15 bash -c "! kill -0 $sim3 2>/dev/null && ! kill -0 $sim4 2>/dev/null" ||
  fail "two ports: a kznsim did not end after its load"
kill -TERM "$sim3" "$sim4" 2>/dev/null || true
wait "$sim3" "$sim4" 2>/dev/null || true
for report in "$work/report3.json" "$work/report4.json"; do
  python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); sys.exit(0 if r["outcomes"]==["POK"] else 1)' \
    "$report" || fail "two ports: $(basename "$report") does not say POK"
done

echo "cli e2e: a port that cannot be opened"
run_cli "$tk_folder" load --type TK20B --version "English version" --port 3 --device 'COM97' --lang en
expect_status 1 "unopenable port"
[[ $out == *"[serial] "*"COM97"* ]] || fail "unopenable port: no [serial] line naming the device"$'\n'"$out"

# Named by a path with non-ASCII characters: the file is found and read (a missing one would
# be a usage error, status 2), then refused.
echo "cli e2e: a first-family file sent as TK20B"
start_sim --family TK20B
map_com 2 "$pty"
run_cli "$tk_folder" load --type TK20B --file "../Données ✓/VR540.gb" --port 2 --lang en \
  --answer no
stop_sim
expect_status 1 "wrong family"
[[ $out =~ ^\[1[0-4][0-9]\]\  ]] || fail "wrong family: no message line"$'\n'"$out"
check_nothing_received "wrong family"

echo "cli e2e: Windows texts (--help, the system's own words for an error)"
run_cli "$work" --help --lang en
expect_status 0 "--help"
for wanted in "Ctrl+Break" "Closing the console window" "COM12" "COM1 to COM4"; do
  [[ $out == *"$wanted"* ]] || fail "--help does not name $wanted"$'\n'"$out"
done
for linux in SIGTERM /dev/tty; do
  [[ $out != *"$linux"* ]] || fail "--help speaks of $linux"
done
# Without a catalogue: message 110, then the file looked for and the system's text for
# ERROR_FILE_NOT_FOUND (FormatMessageW; platform_test compares it), not the C library's.
mkdir -p "$work/no catalogue"
run_cli "$work/no catalogue" list --lang en
expect_status 1 "no catalogue"
[[ $out == *"[file] "*"no catalogue\chgt.cfg: "?* && $out != *"No such file or directory"* ]] ||
  fail "no catalogue: the [file] line is not in the system's words"$'\n'"$out"

# Every run but the killed one left its line: VR540, the restored VR540, TK20B, the four
# stopped by Ctrl+C, Ctrl+Break, the console's close and a log-off, the two TK20B at once, the
# port that could not be opened, the file of the wrong family.
outcomes=$(python3 -c '
import json, sys
print(" ".join(json.loads(line)["outcome"] for line in open(sys.argv[1], "rb").read().decode().splitlines()))
' "$journal" 2>&1) || true
[[ $outcomes == "loaded loaded loaded cancelled cancelled cancelled cancelled loaded loaded failed refused" ]] ||
  fail "journal: the outcomes of the runs are '$outcomes'"

if ((failures)); then
  echo "cli e2e: $failures check(s) failed" >&2
  exit 1
fi
echo "cli e2e: passed"
