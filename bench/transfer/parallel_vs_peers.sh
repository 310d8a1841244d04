#!/usr/bin/env bash
# Three downloads from a local nginx, in one go:
#  1. 64 MB from a server that limits each connection to 10 MB/s
#     (limit_rate 10m): `fetchly get` with its default settings, curl, and
#     `aria2c -x8 -s8`. Wanted: fetchly >= 7x curl, >= 1.0x aria2c.
#  2. 256 MB from that server: `fetchly get --connections 16` and
#     `aria2c -x16 -s16`. Wanted: fetchly >= 1.0x aria2c.
#  3. 1 GiB unthrottled: `fetchly get` and curl followed by an fsync of its
#     file (fetchly's file is on disk when it says done). Wanted: fetchly's
#     throughput >= 1.3x, its CPU time <= 1.15x curl's, its peak memory < 30 MB.
# Every copy is compared with the original.
#
# usage: bench/transfer/parallel_vs_peers.sh [FETCHLY_BINARY] [ROUNDS]
#   FETCHLY_BINARY  default: build/app/fetchly
#   ROUNDS          default: 3 (the best round of each client counts)
# The work folder is made under $BENCH_DIR, else under build/, and removed at
# the end, whatever happens.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
fetchly=${1:-$here/build/app/fetchly}
rounds=${2:-3}
. "$here/bench/transfer/bench_setup.sh"
bench_setup "$fetchly" curl aria2c /usr/bin/time bc
mkdir -p "$work/www/limited"
bench_nginx_conf "location /limited/ { limit_rate 10m; }"

echo "writing 64 MB, 256 MB and 1 GiB files in $work ..."
dd if=/dev/urandom of="$work/www/limited/small.bin" bs=1M count=64 status=none
dd if=/dev/urandom of="$work/www/limited/middle.bin" bs=1M count=256 status=none
dd if=/dev/urandom of="$work/www/big.bin" bs=1M count=1024 status=none
"$nginx_bin" -c "$work/nginx.conf" -p "$work" &
nginx_pid=$!
for _ in $(seq 50); do
  (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && break
  sleep 0.1
done
base="http://127.0.0.1:$port"
cat "$work/www/big.bin" "$work/www/limited/"*.bin >/dev/null

# One timed download into $work/out/NAME: prints "wall user sys maxrss_kib".
measure() {
  local label=$1 original=$2 name; name=$(basename "$original"); shift 2
  rm -rf "$work/out"; mkdir -p "$work/out"
  /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$@" >/dev/null 2>"$work/err.txt" ||
    { echo "$label failed:" >&2; cat "$work/err.txt" >&2; exit 1; }
  cmp -s "$work/out/$name" "$original" || { echo "$label: the copy differs" >&2; exit 1; }
  cat "$work/time.txt"
}

declare -A wall cpu rss
run_case() { # case clients...
  local case=$1; shift
  for client in "$@"; do wall[$case.$client]=999999; cpu[$case.$client]=999999; rss[$case.$client]=0; done
  for round in $(seq "$rounds"); do
    for client in "$@"; do
      local path original line
      local streams=8 out
      case $case in
        limited) path=limited/small.bin ;;
        limited16) path=limited/middle.bin; streams=16 ;;
        *) path=big.bin ;;
      esac
      original="$work/www/$path"
      out="$work/out/$(basename "$path")"
      case $client in
        fetchly) line=$(measure fetchly "$original" "$fetchly" get --quiet -d "$work/out" \
          $([ "$streams" = 16 ] && echo --connections 16) "$base/$path") ;;
        curl) line=$(measure curl "$original" sh -c 'curl -s -o "$1" "$2" && sync "$1"' sh "$out" "$base/$path") ;;
        aria2c) line=$(measure aria2c "$original" aria2c -q -x"$streams" -s"$streams" --file-allocation=none \
          --allow-overwrite=true -d "$work/out" "$base/$path") ;;
      esac
      read -r w u s m <<<"$line"
      c=$(echo "$u + $s" | bc -l)
      echo "$case round $round $client: ${w}s wall, ${c}s cpu, ${m} KiB peak"
      if (( $(echo "$w < ${wall[$case.$client]}" | bc -l) )); then wall[$case.$client]=$w; fi
      if (( $(echo "$c < ${cpu[$case.$client]}" | bc -l) )); then cpu[$case.$client]=$c; fi
      if (( m > ${rss[$case.$client]} )); then rss[$case.$client]=$m; fi
    done
  done
}

run_case limited fetchly curl aria2c
run_case limited16 fetchly aria2c
run_case plain fetchly curl

echo
printf "%-22s %10s %10s %10s\n" "download" "MB/s" "cpu s" "peak MiB"
for key in limited.fetchly limited.curl limited.aria2c limited16.fetchly limited16.aria2c plain.fetchly plain.curl; do
  case ${key%%.*} in limited) mb=64 ;; limited16) mb=256 ;; *) mb=1024 ;; esac
  printf "%-22s %10.1f %10.2f %10.1f\n" "$key" "$(echo "$mb * 1.048576 / ${wall[$key]}" | bc -l)" \
    "${cpu[$key]}" "$(echo "${rss[$key]} / 1024" | bc -l)"
done
echo
ratio() { echo "$1 / $2" | bc -l; }
printf "limit_rate 10m: fetchly/curl speed %.2fx (wanted >= 7), fetchly/aria2c %.2fx (wanted >= 1.0)\n" \
  "$(ratio "${wall[limited.curl]}" "${wall[limited.fetchly]}")" \
  "$(ratio "${wall[limited.aria2c]}" "${wall[limited.fetchly]}")"
printf "256 MB, 16 connections: fetchly/aria2c %.2fx (wanted >= 1.0)\n" \
  "$(ratio "${wall[limited16.aria2c]}" "${wall[limited16.fetchly]}")"
printf "1 GiB: fetchly/(curl+fsync) throughput %.2fx (wanted >= 1.3), cpu %.2fx (wanted <= 1.15), fetchly peak %.1f MiB (wanted < 30)\n" \
  "$(ratio "${wall[plain.curl]}" "${wall[plain.fetchly]}")" \
  "$(ratio "${cpu[plain.fetchly]}" "${cpu[plain.curl]}")" \
  "$(echo "${rss[plain.fetchly]} / 1024" | bc -l)"
