#!/usr/bin/env bash
# The Windows zip: builds kzn_windows_zip, then checks that it holds the programs, the Windows
# README (a text with CR LF line ends) and the licence in one folder, that every program imports
# Windows' own DLLs only (nothing a user would have to find and put beside it), that
# kznload-cli.exe keeps user32, gdi32 and shell32 out (a console program that loads user32 or
# gdi32 is no longer handed the log-off and shutdown events, and shell32 brings user32), and
# that the zipped kznload-cli.exe runs under Wine from a folder of its own.
# Usage: tests/windows/run_zip_check.sh <linux-build> <windows-build>
set -euo pipefail

if (($# != 2)); then
  echo "usage: $0 <linux-build> <windows-build>" >&2
  exit 2
fi
win_build=$(realpath "$2")
export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=${WINEPREFIX:-$win_build/wine-prefix}

cmake --build "$win_build" --target kzn_windows_zip >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$win_build/CMakeCache.txt")
zip=$win_build/kznload-$version-win64.zip
[[ -f $zip ]] || { echo "FAIL: no $zip" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$zip" "$work" "kznload-$version-win64" <<'PY'
import sys, zipfile
zip_path, work, folder = sys.argv[1:]
names = zipfile.ZipFile(zip_path).namelist()
problems = [f"{name} is outside {folder}/" for name in names if not name.startswith(folder + "/")]
for wanted in ("kznload-cli.exe", "README.txt", "LICENSE.txt"):
    if f"{folder}/{wanted}" not in names:
        problems.append(f"{wanted} missing")
# The README is the Windows one, a text with CR LF line ends.
if f"{folder}/README.txt" in names:
    readme = zipfile.ZipFile(zip_path).read(f"{folder}/README.txt")
    if readme.count(b"\n") == 0 or readme.count(b"\r\n") != readme.count(b"\n"):
        problems.append("README.txt does not end every line with CR LF")
    for linux in (b"./demo", b"apt ", b"/dev/tty"):
        if linux in readme:
            problems.append(f"README.txt speaks of {linux.decode()}")
for problem in problems:
    print(f"FAIL: zip: {problem}", file=sys.stderr)
zipfile.ZipFile(zip_path).extractall(work)
sys.exit(1 if problems else 0)
PY

failures=0
# The DLLs every Windows since 7 has; anything else would have to ship with the program.
system_dlls='^(kernel32|user32|gdi32|advapi32|bcrypt|shell32|comctl32|comdlg32|ole32|oleaut32|msvcrt|ucrtbase|api-ms-win-crt-.*|ws2_32|setupapi|cfgmgr32|uxtheme|version|shlwapi)\.dll$'
windowing_dlls='^(user32|gdi32|shell32)\.dll$'
for exe in "$work/kznload-$version-win64"/*.exe; do
  imports=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p')
  [[ -n $imports ]] || { echo "FAIL: $(basename "$exe"): no imports read" >&2; failures=$((failures + 1)); }
  while read -r dll; do
    if ! [[ ${dll,,} =~ $system_dlls ]]; then
      echo "FAIL: $(basename "$exe") imports $dll" >&2
      failures=$((failures + 1))
    fi
    if [[ $(basename "$exe") == kznload-cli.exe && ${dll,,} =~ $windowing_dlls ]]; then
      echo "FAIL: kznload-cli.exe imports $dll: the log-off and shutdown would not reach it" >&2
      failures=$((failures + 1))
    fi
  done <<<"$imports"
done

if [[ ! -f $WINEPREFIX/system.reg ]]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
shown=$( (cd "$work" && wine "kznload-$version-win64/kznload-cli.exe" --version) | tr -d '\r')
if [[ $shown != "kznload-cli $version" ]]; then
  echo "FAIL: the zipped kznload-cli.exe --version said '$shown'" >&2
  failures=$((failures + 1))
fi

if ((failures)); then
  exit 1
fi
echo "zip check: $(basename "$zip") passed"
