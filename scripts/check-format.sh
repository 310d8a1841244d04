#!/usr/bin/env bash
# Fails when a tracked C++ source is not formatted by the root .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
echo "check-format: all sources formatted"
