#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian machine.
# Safe to run again: it only installs what is missing.
set -euo pipefail

need_root() {
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then exec sudo -E "$0" "$@"; fi
    echo "install-deps: run as root (or install sudo)" >&2
    exit 1
  fi
}

PACKAGES=(
  cmake ninja-build g++ make pkg-config
  clang-14 libclang-rt-14-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine32:i386 wine64 libxfixes3:i386
  xvfb xauth x11-utils xclip xdotool imagemagick openbox libx11-dev libxext-dev libxtst-dev
  locales fonts-ipafont-gothic fonts-ipafont-mincho
  python3 python3-jsonschema python3-yaml clang-format git nsis osslsigncode openssl
)

refresh_package_lists() {
  local try
  for try in 1 2 3; do
    apt-get update -qq && return 0
    sleep $((try * 5))
  done
  echo "install-deps: some package lists could not be refreshed; installing from those at hand" >&2
}

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  need_root "$@"
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  # A mirror in the middle of a sync can fail one list: try again, then
  # install from the lists at hand (the install itself fails if a package is
  # really missing).
  refresh_package_lists
  if ! apt-get install -y -qq --no-install-recommends "${missing[@]}"; then
    # When one architecture's security list could not be refreshed, its
    # packages lag behind the other's and multi-arch pairs (zlib1g and
    # zlib1g:i386) cannot agree: the release's own versions always can.
    echo "install-deps: installing the release's own versions instead" >&2
    apt-get install -y -qq --no-install-recommends -t "$(. /etc/os-release && echo "$VERSION_CODENAME")" "${missing[@]}"
  fi
fi

# Wine's ANSI code page follows the locale: ja_JP.UTF-8 gives code page 932.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  need_root "$@"
  sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
echo "install-deps: all packages present"
