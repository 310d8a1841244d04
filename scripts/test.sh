#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds Fetchly with its
# tests (warnings are errors), runs the GUI-free suites under the sanitizers
# and then the whole suite. Needs no display: widgets run on Qt's offscreen
# platform. FETCHLY_SKIP_SANITIZE=1 leaves out the sanitizer pass.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/install-deps.sh"
bash "$here/scripts/check-format.sh"
bash "$here/scripts/build.sh" -DFETCHLY_BUILD_TESTS=ON -DFETCHLY_WERROR=ON
if [ "${FETCHLY_SKIP_SANITIZE:-0}" != 1 ]; then
  bash "$here/scripts/sanitize.sh"
fi
export QT_QPA_PLATFORM=offscreen LC_ALL=C
cd "${FETCHLY_BUILD_DIR:-$here/build}"
ctest --output-on-failure -j2 --timeout 900
