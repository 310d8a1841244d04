#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a
# while on its corpus. Usage: scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-10}
shift || true
build=${FETCHLY_FUZZ_BUILD:-$here/build-fuzz}

if ! command -v clang++ >/dev/null; then
  echo "fuzz.sh: clang++ not found" >&2
  exit 1
fi
targets=("$@")
# Several test processes may call this at once: one configures and builds
# while the others wait, then each runs its own targets.
mkdir -p "$build"
(
  flock 9
  CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DFETCHLY_BUILD_FUZZ=ON -DFETCHLY_BUILD_GUI=OFF -DFETCHLY_BUILD_TESTS=OFF \
    -DFETCHLY_BUILD_BENCH=OFF -DFETCHLY_SANITIZE=ON >/dev/null
  if [ "${#targets[@]}" -eq 0 ]; then
    cmake --build "$build" -j2 --target fuzz_all
  else
    cmake --build "$build" -j2 --target "${targets[@]}"
  fi
) 9>"$build/.lock"

if [ "${#targets[@]}" -eq 0 ]; then
  mapfile -t targets < <(find "$build/fuzz" -maxdepth 1 -type f -executable -name 'fuzz_*' -printf '%f\n' | sort)
fi
status=0
for t in "${targets[@]}"; do
  exe=$(find "$build/fuzz" -maxdepth 1 -type f -executable -name "$t" | head -1)
  corpus="$here/fuzz/corpus/${t#fuzz_}"
  work=$(mktemp -d)
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/ 2>/dev/null || true
  echo "== $t for ${seconds}s"
  if ! "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$build/$t-" "$work" 2>"$build/$t.log"; then
    echo "fuzz.sh: $t found a problem; see $build/$t.log" >&2
    tail -40 "$build/$t.log" >&2
    status=1
  fi
  rm -rf "$work"
done
exit $status
