#!/usr/bin/env bash
# Makes the Debian package fetchly_VERSION_ARCH.deb (and fetchly-dbgsym's
# .ddeb beside it) from the RelWithDebInfo build in build/ (or
# $FETCHLY_BUILD_DIR), and checks it with lintian: an error fails.
# Usage: scripts/package.sh [--no-build] [OUTDIR]
#   --no-build  package the tree as it is (the test suite does, after its build)
#   OUTDIR      where the package goes (default: the build folder)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${FETCHLY_BUILD_DIR:-$here/build}
jobs=${FETCHLY_JOBS:-2}
make_build=1
if [ "${1:-}" = --no-build ]; then
  make_build=0
  shift
fi
out=$(mkdir -p "${1:-$build}" && cd "${1:-$build}" && pwd)

if [ "$make_build" = 1 ]; then
  bash "$here/scripts/install-deps.sh"
  FETCHLY_BUILD_DIR=$build FETCHLY_JOBS=$jobs bash "$here/scripts/build.sh"
fi
if ! grep -qx 'CMAKE_BUILD_TYPE:STRING=RelWithDebInfo' "$build/CMakeCache.txt" 2>/dev/null ||
  [ ! -f "$build/CPackConfig.cmake" ]; then
  echo "package.sh: $build is not a RelWithDebInfo build of Fetchly with its window" >&2
  exit 1
fi

# One package build per tree at a time: CPack stages its files inside it.
exec 9>"$build/.package.lock"
flock 9
rm -f "$out"/fetchly_*.deb "$out"/fetchly-dbgsym_*.ddeb
(cd "$build" && timeout 600 cpack -B "$out" >"$out/cpack.log" 2>&1) || {
  cat "$out/cpack.log" >&2
  echo "package.sh: cpack failed" >&2
  exit 1
}
rm -rf "$out/_CPack_Packages"
flock -u 9
debs=("$out"/fetchly_*_"$(dpkg --print-architecture)".deb)
deb=${debs[0]}

if command -v lintian >/dev/null; then
  set +e
  report=$(timeout 300 lintian --fail-on error --tag-display-limit 0 "$deb" 2>&1)
  status=$?
  set -e
  # Root is fine on a build machine; lintian only warns about it.
  printf '%s\n' "$report" | grep -v 'running with root privileges' || true
  if [ "$status" -ne 0 ]; then
    echo "package.sh: lintian found errors in $deb" >&2
    exit 1
  fi
else
  echo "package.sh: lintian is not installed; the package was not checked" >&2
fi
echo "$deb"
