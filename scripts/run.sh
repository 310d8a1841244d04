#!/usr/bin/env bash
# Installs what is missing, builds Fetchly and starts it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/install-deps.sh"
bash "$here/scripts/build.sh"
exec "${FETCHLY_BUILD_DIR:-$here/build}/app/fetchly" "$@"
