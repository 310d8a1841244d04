#!/usr/bin/env bash
# Runs the GUI-free suites once more under AddressSanitizer with
# UndefinedBehaviorSanitizer, and the engine's threaded tests under
# ThreadSanitizer. Each build goes to a folder of its own beside build/.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
jobs=${FETCHLY_JOBS:-2}
export LC_ALL=C
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$here/scripts/sanitizers/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

configure() { # DIR FLAGS...
  local dir=$1
  shift
  cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFETCHLY_BUILD_GUI=OFF \
    -DFETCHLY_BUILD_TESTS=ON -DFETCHLY_BUILD_BENCH=OFF "$@" >/dev/null
}

asan=${FETCHLY_ASAN_BUILD_DIR:-$here/build-asan}
configure "$asan" -DFETCHLY_SANITIZE=ON
cmake --build "$asan" -j"$jobs"
# The fuzz smoke tests build their own sanitized binaries; they run in the main suite.
(cd "$asan" && ctest --output-on-failure -j"$jobs" --timeout 600 -E 'fuzz_smoke')

# The engine's worker is where threads meet in the GUI-free code: the
# engine itself, and its events crossing the event queue to the download
# board. Qt is not instrumented, so TSan could not see the hand-over of its
# queued calls; the queue that carries the events holds no Qt and is seen.
tsan=${FETCHLY_TSAN_BUILD_DIR:-$here/build-tsan}
configure "$tsan" -DFETCHLY_TSAN=ON
cmake --build "$tsan" -j"$jobs" --target transfer_engine_test download_board_test
"$tsan/tests/transfer/transfer_engine_test" --gtest_brief=1
"$tsan/tests/app/core/download_board_test" --gtest_brief=1
