#!/usr/bin/env bash
# Installs what is missing, builds Fetchly with its tests and runs the whole
# suite. Needs no display: widgets run on Qt's offscreen platform.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/install-deps.sh"
bash "$here/scripts/build.sh" -DFETCHLY_BUILD_TESTS=ON
export QT_QPA_PLATFORM=offscreen LC_ALL=C
cd "${FETCHLY_BUILD_DIR:-$here/build}"
ctest --output-on-failure -j2 --timeout 900
