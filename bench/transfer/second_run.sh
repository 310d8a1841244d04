#!/usr/bin/env bash
# 50 finished files of 1 MB are not fetched again. First the window: two
# Start All over the same 50 entries of a local nginx
# (build/bench/app/second_start_all_bench, offscreen); the second only asks
# whether each file changed (If-None-Match, answered 304). Wanted: it
# receives under 1 % of the first run's bytes and takes under 10 % of its
# time. Then the same with `fetchly get` twice into one folder, the body
# bytes counted by nginx; its times include starting the program each time,
# which a Start All in the running window does not pay. Every file is
# checked for its bytes, and no second copy may appear.
#
# usage: bench/transfer/second_run.sh [FETCHLY_BINARY]
#   FETCHLY_BINARY  default: build/app/fetchly
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
fetchly=${1:-$here/build/app/fetchly}
files=50
size=1048576
window_bench=$(dirname "$fetchly")/../bench/app/second_start_all_bench
[ -x "$window_bench" ] || { echo "no $window_bench (build with -DFETCHLY_BUILD_TESTS=ON)" >&2; exit 2; }
echo "window, Start All twice:"
window_status=0
"$window_bench" || window_status=$?
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
echo "fetchly get twice (each a new process):"
printf "first get:  %d bytes in %.3f s\n" "$first_bytes" "$first_secs"
printf "second get: %d bytes in %.3f s\n" "$second_bytes" "$second_secs"
printf "second/first: bytes %.3f %%, time %.1f %% (program start-up included)\n" "$bytes_share" "$time_share"
(( $(echo "$bytes_share < 1" | bc -l) )) && [ "$window_status" -eq 0 ]
