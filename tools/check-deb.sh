#!/usr/bin/env bash
# Builds the Debian package from an existing build folder, unpacks it into a scratch folder,
# runs the unpacked kznload-cli --version and kznload --version, and lets lintian judge it
# (warnings are shown, errors fail). Usage: tools/check-deb.sh [build-folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
version=$(sed -n 's/^project(kznload VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deb=$build/kznload_${version}_amd64.deb
rm -f "$deb"
if ! (cd "$build" && cpack -G DEB >cpack.log 2>&1); then
  cat "$build/cpack.log" >&2
  exit 1
fi
[[ -f $deb ]] || { echo "no $deb was made" >&2; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$deb" "$scratch"
for program in kznload kznload-cli; do
  got=$("$scratch/usr/bin/$program" --version)
  if [[ $got != "$program $version" ]]; then
    echo "unpacked $program --version printed '$got', not '$program $version'" >&2
    exit 1
  fi
  [[ -f $scratch/usr/share/man/man1/$program.1.gz ]] || { echo "no man page for $program" >&2; exit 1; }
done
for file in usr/share/applications/kznload.desktop usr/share/icons/hicolor/scalable/apps/kznload.svg \
  usr/share/kznload/samples/chgt.cfg; do
  [[ -f $scratch/$file ]] || { echo "$file is missing from the package" >&2; exit 1; }
done
# The sample catalogue is whole: every type it lists has its language files.
listed=$(cd "$scratch" && XDG_CONFIG_HOME=$scratch/config "$scratch/usr/bin/kznload-cli" list \
  --lang en --catalogue usr/share/kznload/samples)
if [[ $(grep -c $'^\t' <<<"$listed") -lt 3 ]]; then
  echo "the packaged sample catalogue lists too few language versions:" >&2
  echo "$listed" >&2
  exit 1
fi
echo "$deb: unpacked, kznload-cli --version: $got"
status=0
lintian --fail-on error "$deb" >"$scratch/lintian.log" 2>&1 || status=$?
grep -v '^running with root privileges' "$scratch/lintian.log" || true
if ((status != 0)); then
  echo "lintian found errors in $deb" >&2
  exit 1
fi
echo "lintian: no errors"
