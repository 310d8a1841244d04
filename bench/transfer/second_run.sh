#!/usr/bin/env bash
# 50 finished files of 1 MB are not fetched again: `fetchly get` (the engine
# a Start All runs, with the same items) over 50 URLs of a local nginx, twice
# into the same folder. The second run only asks whether each file changed
# (If-None-Match, answered 304). Prints the body bytes nginx sent and the
# wall time of each run, and the second run's share of the first (wanted:
# bytes under 1 %, time under 10 %). Every file is checked for its bytes.
#
# usage: bench/transfer/second_run.sh [FETCHLY_BINARY]
#   FETCHLY_BINARY  default: build/app/fetchly
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
fetchly=${1:-$here/build/app/fetchly}
files=50
size=1048576
. "$here/bench/transfer/bench_setup.sh"
bench_setup "$fetchly" bc
bench_nginx_conf "access_log $work/logs/access.log;"
urls=()
for i in $(seq "$files"); do
  head -c "$size" /dev/urandom >"$work/www/file$i.bin"
  urls+=("http://127.0.0.1:$port/file$i.bin")
done
"$nginx_bin" -c "$work/nginx.conf" -p "$work" &
nginx_pid=$!
bench_wait_port

# The body bytes nginx has sent so far (the combined log's tenth field).
sent() { awk '{ s += $10 } END { print s + 0 }' "$work/logs/access.log" 2>/dev/null || echo 0; }
# One timed run into $work/out: prints "seconds bytes".
measure() {
  local before start end
  before=$(sent)
  start=$(date +%s.%N)
  "$fetchly" get --quiet -d "$work/out" "${urls[@]}" 2>"$work/err.txt" ||
    { echo "fetchly failed:" >&2; cat "$work/err.txt" >&2; exit 1; }
  end=$(date +%s.%N)
  echo "$(echo "$end - $start" | bc -l) $(( $(sent) - before ))"
}

read -r first_secs first_bytes <<<"$(measure)"
read -r second_secs second_bytes <<<"$(measure)"
for i in $(seq "$files"); do
  cmp -s "$work/www/file$i.bin" "$work/out/file$i.bin" || { echo "file$i.bin differs" >&2; exit 1; }
done
extra=$(find "$work/out" -type f ! -name 'file*.bin' | wc -l)
[ "$extra" -eq 0 ] || { echo "$extra files besides the 50 (a second copy was written)" >&2; exit 1; }

bytes_share=$(echo "100 * $second_bytes / $first_bytes" | bc -l)
time_share=$(echo "100 * $second_secs / $first_secs" | bc -l)
printf "first run:  %d bytes in %.3f s\n" "$first_bytes" "$first_secs"
printf "second run: %d bytes in %.3f s\n" "$second_bytes" "$second_secs"
printf "second/first: bytes %.3f %% (wanted < 1 %%), time %.1f %% (wanted < 10 %%)\n" "$bytes_share" "$time_share"
(( $(echo "$bytes_share < 1 && $time_share < 10" | bc -l) ))
