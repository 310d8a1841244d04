#!/usr/bin/env bash
# Configures and builds Fetchly into build/ (or $FETCHLY_BUILD_DIR).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${FETCHLY_BUILD_DIR:-$here/build}
jobs=${FETCHLY_JOBS:-2}
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$build" -j"$jobs"
