#!/usr/bin/env bash
# Downloads one large file from a local nginx with `fetchly get`, curl and
# wget, in one run and on the same disk, and prints throughput, CPU time per
# GiB and peak memory of each, with fetchly's ratios to curl.
#
# usage: bench/transfer/get_vs_curl.sh [FETCHLY_BINARY] [SIZE_MIB] [ROUNDS]
#   FETCHLY_BINARY  default: build/app/fetchly
#   SIZE_MIB        default: 1024 (1 GiB)
#   ROUNDS          default: 3 (the best round of each client counts)
# The work folder (the file and the downloads) is made under $BENCH_DIR, else
# under build/, and removed at the end, whatever happens.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
fetchly=${1:-$here/build/app/fetchly}
size_mib=${2:-1024}
rounds=${3:-3}
. "$here/bench/transfer/bench_setup.sh"
bench_setup "$fetchly" curl wget /usr/bin/time
bench_nginx_conf

echo "writing a ${size_mib} MiB file in $work ..."
dd if=/dev/urandom of="$work/www/big.bin" bs=1M count="$size_mib" status=none
"$nginx_bin" -c "$work/nginx.conf" -p "$work" &
nginx_pid=$!
for _ in $(seq 50); do
  (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && break
  sleep 0.1
done
url="http://127.0.0.1:$port/big.bin"
bytes=$(stat -c %s "$work/www/big.bin")
# Warm the page cache so no client pays for the first read from disk.
cat "$work/www/big.bin" >/dev/null

# One timed download: prints "wall user sys maxrss_kib".
measure() {
  local name=$1; shift
  rm -f "$work/out/"*
  /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$@" >/dev/null 2>"$work/err.txt" ||
    { echo "$name failed:" >&2; cat "$work/err.txt" >&2; exit 1; }
  local got
  got=$(stat -c %s "$work/out/big.bin")
  [ "$got" = "$bytes" ] || { echo "$name wrote $got of $bytes bytes" >&2; exit 1; }
  cmp -s "$work/out/big.bin" "$work/www/big.bin" || { echo "$name: the copy differs" >&2; exit 1; }
  rm -f "$work/out/big.bin"
  cat "$work/time.txt"
}

declare -A wall cpu rss
for client in fetchly curl wget; do wall[$client]=999999; cpu[$client]=999999; rss[$client]=0; done
for round in $(seq "$rounds"); do
  for client in fetchly curl wget; do
    case $client in
      fetchly) line=$(measure fetchly "$fetchly" get --quiet -d "$work/out" "$url") ;;
      curl) line=$(measure curl curl -s -o "$work/out/big.bin" "$url") ;;
      wget) line=$(measure wget wget -q -O "$work/out/big.bin" "$url") ;;
    esac
    read -r w u s m <<<"$line"
    c=$(echo "$u + $s" | bc -l)
    echo "round $round $client: ${w}s wall, ${c}s cpu, ${m} KiB peak"
    if (( $(echo "$w < ${wall[$client]}" | bc -l) )); then wall[$client]=$w; fi
    if (( $(echo "$c < ${cpu[$client]}" | bc -l) )); then cpu[$client]=$c; fi
    if (( m > ${rss[$client]} )); then rss[$client]=$m; fi
  done
done

gib=$(echo "$bytes / 1073741824" | bc -l)
echo
printf "%-8s %12s %14s %12s\n" client "MiB/s" "cpu s/GiB" "peak MiB"
for client in fetchly curl wget; do
  printf "%-8s %12.1f %14.3f %12.1f\n" "$client" \
    "$(echo "$bytes / 1048576 / ${wall[$client]}" | bc -l)" \
    "$(echo "${cpu[$client]} / $gib" | bc -l)" \
    "$(echo "${rss[$client]} / 1024" | bc -l)"
done
echo
printf "fetchly/curl throughput ratio: %.3f (wanted >= 1)\n" "$(echo "${wall[curl]} / ${wall[fetchly]}" | bc -l)"
printf "fetchly/curl cpu-per-GiB ratio: %.3f (wanted <= 1.10)\n" "$(echo "${cpu[fetchly]} / ${cpu[curl]}" | bc -l)"
printf "fetchly peak memory: %.1f MiB (wanted < 20)\n" "$(echo "${rss[fetchly]} / 1024" | bc -l)"
