#!/usr/bin/env bash
# Installs everything Fetchly needs to build, run and test on Debian 12.
# Idempotent: packages already present are left alone, so a second run is quick.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ ccache pkg-config clang libclang-rt-14-dev clang-format
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-image-formats-plugins
  libcurl4-openssl-dev libsmbclient-dev scdoc
  libgtest-dev libgmock-dev libbenchmark-dev
  # test peers and tools
  nginx-light python3 python3-pyftpdlib samba smbclient
  dbus dbus-bin dbus-x11 libglib2.0-bin xvfb xauth trayer
  curl wget time bc unzip zip exiv2 libimage-exiftool-perl
  desktop-file-utils appstream zsh fish
  aria2  # bench/transfer/parallel_vs_peers.sh only
  dpkg-dev file lintian  # scripts/package.sh: shlibdeps, its ELF test, the checker
  chromium chromium-driver
  fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
