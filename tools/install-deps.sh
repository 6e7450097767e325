# Sourced by ./check and ./demo: installs the Debian packages the project needs, only those
# that are missing, with sudo when not root.
KZN_PACKAGES=(cmake ninja-build g++ git qt6-base-dev qt6-svg-dev qt6-translations-l10n
  libudev-dev pkgconf libssl-dev libgtest-dev nlohmann-json3-dev clang-14 libclang-rt-14-dev clang-format fonts-dejavu-core
  dpkg-dev file lintian)

install_deps() {
  local missing=() p
  for p in "${KZN_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$p")
  done
  ((${#missing[@]})) || return 0
  echo "installing: ${missing[*]}"
  local sudo=()
  [[ $(id -u) -eq 0 ]] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}
