#!/usr/bin/env bash
# Plants each fault of tools/planted-faults/faults.txt in turn into a scratch copy of the
# sources, builds, runs the test suite and tells whether some test failed. A fault no test
# notices is a hole in the tests. Runs on demand (it takes a while), never inside ./check.
#
#   tools/planted-faults.sh [--only ID[,ID...]] [--list] [--applies] [--work DIR] [--jobs N]
#
#   --list     the faults and what they break
#   --applies  only check that every fault still finds its text (no build)
#   --work     where the scratch copy and its build live (default /tmp/kzn-planted-faults);
#              the build is kept between runs, so a second run starts fast
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
faults=$root/tools/planted-faults/faults.txt
work=/tmp/kzn-planted-faults
only=""
mode=run
jobs=$(nproc)
while (($#)); do
  case $1 in
    --only) only=$2; shift 2 ;;
    --list) mode=list; shift ;;
    --applies) mode=applies; shift ;;
    --work) work=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done

plant() {  # mode tree [id]: list | check | apply ID | restore ID
  python3 - "$faults" "$@" <<'PY'
import sys, os, shutil
path, mode, tree = sys.argv[1], sys.argv[2], sys.argv[3]
want = sys.argv[4] if len(sys.argv) > 4 else None
faults, cur = [], None
for raw in open(path, encoding="utf-8"):
    line = raw.rstrip("\n")
    if line.startswith("== "):
        ident, _, what = line[3:].partition(" ")
        cur = {"id": ident, "what": what, "nth": 1, "nth_set": False, "old": None, "new": None}
        faults.append(cur)
    elif cur is None or line.startswith("#") or not line.strip():
        continue
    elif line.startswith("file: "):
        cur["file"] = line[6:].strip()
    elif line.startswith("nth: "):
        cur["nth"] = int(line[5:])
        cur["nth_set"] = True
    elif line.startswith("-"):
        cur["old"] = line[1:].strip()
    elif line.startswith("+"):
        cur["new"] = line[1:].strip()

def locate(f):
    text = open(os.path.join(tree, f["file"]), encoding="utf-8").read()
    at, count, start = -1, 0, 0
    while True:
        i = text.find(f["old"], start)
        if i < 0: break
        count += 1
        if count == f["nth"]: at = i
        start = i + 1
    return text, at, count

bad = 0
for f in faults:
    if want and f["id"] != want: continue
    if mode == "list":
        print(f"{f['id']:38} {f['what']}")
    elif mode == "check":
        _, at, count = locate(f)
        if at < 0 or (not f["nth_set"] and count != 1):
            print(f"{f['id']}: {f['file']}: the text occurs {count} time(s)")
            bad += 1
    elif mode == "apply":
        text, at, _ = locate(f)
        full = os.path.join(tree, f["file"])
        shutil.copy2(full, full + ".unplanted")
        open(full, "w", encoding="utf-8").write(text[:at] + f["new"] + text[at + len(f["old"]):])
        print(f["file"])
    elif mode == "restore":
        # Restored with a new time, so that the build compiles the file again.
        full = os.path.join(tree, f["file"])
        os.replace(full + ".unplanted", full)
        os.utime(full, None)
    elif mode == "touch":
        os.utime(os.path.join(tree, f["file"]), None)
    elif mode == "ids":
        print(f["id"])
sys.exit(1 if bad else 0)
PY
}

case $mode in
  list) plant list "$root"; exit 0 ;;
  applies)
    if plant check "$root"; then echo "every fault finds its text"; exit 0; fi
    exit 1 ;;
esac
plant check "$root" || { echo "mend the faults above first" >&2; exit 1; }

src=$work/src
build=$work/build
# The scratch copy: the working tree as it is, committed or not. A file is copied only when
# its content changed, so the kept build rebuilds only what changed since the last run; the
# files the faults change are compiled afresh, whatever an interrupted run left.
mkdir -p "$src"
find "$src" -name '*.unplanted' -delete
(cd "$root" && git ls-files -co --exclude-standard -z) | python3 -c '
import os, sys, shutil
root, src = sys.argv[1], sys.argv[2]
wanted = set(p for p in sys.stdin.read().split("\0") if p)
for p in wanted:
    a, b = os.path.join(root, p), os.path.join(src, p)
    if not os.path.isfile(a):
        continue
    if os.path.isfile(b) and open(a, "rb").read() == open(b, "rb").read():
        continue
    os.makedirs(os.path.dirname(b), exist_ok=True)
    shutil.copyfile(a, b)
for d, _, files in os.walk(src):
    for f in files:
        p = os.path.relpath(os.path.join(d, f), src)
        if p not in wanted:
            os.remove(os.path.join(d, f))
' "$root" "$src"
plant touch "$src"
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKZN_WERROR=OFF >/dev/null

ctest_in_build() { (cd "$build" && ctest -j "$((jobs + 1))" --timeout 300 "$@" >>"$work/ctest.log" 2>&1); }
# Quick folders first, so that most faults end the run within seconds.
run_tests() {
  : >"$work/ctest.log"
  ctest_in_build --stop-on-failure -LE 'cli|gui' && ctest_in_build --stop-on-failure -L 'cli|gui'
}
failed_tests() {
  sed -n 's/^[0-9]*:\(.*\)$/\1/p' "$build/Testing/Temporary/LastTestsFailed.log" 2>/dev/null |
    head -3 | paste -sd' ' -
}
# A fault is caught when a test that failed fails again on its own: a test that failed only
# because the machine was busy passes then, and the whole suite runs once more.
caught_by_a_test() {
  run_tests && return 1
  ctest_in_build --rerun-failed && { ctest_in_build || ctest_in_build --rerun-failed; } && return 1
  return 0
}

echo "=== building the scratch copy in $build"
cmake --build "$build" -j "$jobs" >"$work/build.log" 2>&1 || {
  tail -30 "$work/build.log"; echo "the unplanted copy does not build" >&2; exit 1; }
echo "=== the suite without a fault"
if caught_by_a_test; then
  echo "the suite fails without a planted fault ($(failed_tests)); see $work/ctest.log" >&2
  exit 1
fi

results=$work/results.txt
: >"$results"
caught=0 missed=0 broken=0 total=0
mapfile -t ids < <(plant ids "$root")
for id in "${ids[@]}"; do
  if [[ -n $only && ",$only," != *",$id,"* ]]; then continue; fi
  total=$((total + 1))
  file=$(plant apply "$src" "$id")
  start=$SECONDS
  if ! cmake --build "$build" -j "$jobs" >"$work/build.log" 2>&1; then
    line="BROKEN  $id (does not build: $file)"
    broken=$((broken + 1))
  elif ! caught_by_a_test; then
    line="MISSED  $id"
    missed=$((missed + 1))
  else
    line="caught  $id by $(failed_tests)"
    caught=$((caught + 1))
  fi
  plant restore "$src" "$id"
  printf '%s (%ss)\n' "$line" $((SECONDS - start)) | tee -a "$results"
done
# Leaves the scratch build as the sources are.
cmake --build "$build" -j "$jobs" >"$work/build.log" 2>&1 || true
echo "=== $caught of $total planted faults caught, $missed missed, $broken did not build"
echo "(each line also in $results)"
((missed == 0 && broken == 0))
