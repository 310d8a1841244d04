#!/usr/bin/env bash
# Two files of 256 MB from a local nginx that caps each connection at
# 10 MB/s (limit_rate 10m): `fetchly get A B` at its defaults (both at once,
# the host's eight connections shared between them) against
# `aria2c -Z -j2 -x8 -s8` (each URL its own download, eight connections each). Prints the wall time of
# each and fetchly's speed as a multiple of aria2c's. Both copies are
# compared with the originals.
#
# usage: bench/transfer/two_limited_files.sh [FETCHLY_BINARY] [ROUNDS]
#   FETCHLY_BINARY  default: build/app/fetchly
#   ROUNDS          default: 1 (the best round of each client counts)
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
fetchly=${1:-$here/build/app/fetchly}
rounds=${2:-1}
. "$here/bench/transfer/bench_setup.sh"
bench_setup "$fetchly" aria2c bc
mkdir -p "$work/www/limited"
bench_nginx_conf "location /limited/ { limit_rate 10m; }"
echo "writing two files of 256 MB in $work ..."
for name in a b; do dd if=/dev/urandom of="$work/www/limited/$name.bin" bs=1M count=256 status=none; done
"$nginx_bin" -c "$work/nginx.conf" -p "$work" &
nginx_pid=$!
bench_wait_port
base="http://127.0.0.1:$port/limited"

# One timed round into a fresh $work/out: prints the seconds.
measure() {
  local label=$1 start end name; shift
  rm -rf "$work/out"; mkdir -p "$work/out"
  start=$(date +%s.%N)
  "$@" >/dev/null 2>"$work/err.txt" || { echo "$label failed:" >&2; cat "$work/err.txt" >&2; exit 1; }
  end=$(date +%s.%N)
  for name in a b; do
    cmp -s "$work/out/$name.bin" "$work/www/limited/$name.bin" || { echo "$label: $name.bin differs" >&2; exit 1; }
  done
  echo "$end - $start" | bc -l
}

declare -A best
for client in aria2c fetchly; do best[$client]=999999; done
for round in $(seq "$rounds"); do
  for client in aria2c fetchly; do
    case $client in
      aria2c) secs=$(measure aria2c aria2c -q -Z -j2 -x8 -s8 --file-allocation=none --allow-overwrite=true \
        -d "$work/out" "$base/a.bin" "$base/b.bin") ;;
      fetchly) secs=$(measure fetchly "$fetchly" get --quiet -d "$work/out" "$base/a.bin" "$base/b.bin") ;;
    esac
    printf "round %d %-8s %6.2f s (%.1f MB/s)\n" "$round" "$client" "$secs" "$(echo "512 / $secs" | bc -l)"
    if (( $(echo "$secs < ${best[$client]}" | bc -l) )); then best[$client]=$secs; fi
  done
done
echo
printf "2 x 256 MB at 10 MB/s a connection: aria2c -j2 -x8 -s8 %.2f s, fetchly %.2f s\n" "${best[aria2c]}" "${best[fetchly]}"
printf "fetchly/aria2c speed %.2fx (wanted >= 1.0)\n" "$(echo "${best[aria2c]} / ${best[fetchly]}" | bc -l)"
