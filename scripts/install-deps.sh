#!/usr/bin/env bash
# Installs everything Fetchly needs to build, run and test on Debian 12.
# Idempotent: packages already present are left alone, so a second run is quick.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ ccache pkg-config clang libclang-rt-14-dev clang-format
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-image-formats-plugins
  libcurl4-openssl-dev libssl-dev libsmbclient-dev scdoc
  libgtest-dev libgmock-dev libbenchmark-dev
  # test peers and tools
  nginx-light python3 python3-pyftpdlib samba smbclient
  dbus dbus-bin dbus-x11 libglib2.0-bin xvfb xauth trayer
  curl wget time bc unzip zip exiv2 libimage-exiftool-perl
  desktop-file-utils appstream zsh fish
  aria2  # bench/transfer/parallel_vs_peers.sh only
  dpkg-dev file lintian  # scripts/package.sh: shlibdeps, its ELF test, the checker
  chromium chromium-driver
  firefox-esr python3-websockets  # the extension's end-to-end test (WebDriver BiDi)
  fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

# web-ext (Mozilla's extension linter) from the npm registry, into a cache
# folder of its own; CMake finds it there for the lint test. It needs
# Node.js 20 or later: without one the lint test is skipped and says so.
web_ext_dir="${XDG_CACHE_HOME:-$HOME/.cache}/fetchly/web-ext"
install_web_ext() {
  [ -x "$web_ext_dir/node_modules/.bin/web-ext" ] && return 0
  if ! command -v npm >/dev/null || ! command -v node >/dev/null; then
    echo "install-deps: no npm; web-ext (the extension lint) is not installed"
    return 0
  fi
  if [ "$(node -p 'process.versions.node.split(".")[0]')" -lt 20 ]; then
    echo "install-deps: Node.js $(node --version) is older than 20; web-ext is not installed"
    return 0
  fi
  mkdir -p "$web_ext_dir"
  npm install --prefix "$web_ext_dir" --no-audit --no-fund --loglevel=error web-ext@10 ||
    echo "install-deps: web-ext could not be installed from the npm registry"
}

if [ "${#missing[@]}" -eq 0 ]; then
  echo "install-deps: all packages present"
  install_web_ext
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
install_web_ext
