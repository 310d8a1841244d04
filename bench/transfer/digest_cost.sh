#!/usr/bin/env bash
# The CPU that the SHA-256 of a download costs: `fetchly get` of one large
# file from a local nginx over 8 connections, timed (wall, user, system),
# for each binary given in turn, round after round, so that binaries built
# without the digest, or with another read-back, are measured under the
# same load. Every copy is compared with the served file, and a digest
# printed must be the file's. The best (least CPU) round of each counts.
#
# usage: bench/transfer/digest_cost.sh [SIZE_MIB] [ROUNDS] [FETCHLY...]
#   SIZE_MIB  default: 1024 (1 GiB)
#   ROUNDS    default: 3
#   FETCHLY   default: build/app/fetchly
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
size_mib=${1:-1024}
rounds=${2:-3}
shift $(($# < 2 ? $# : 2))
binaries=("${@:-$here/build/app/fetchly}")
. "$here/bench/transfer/bench_setup.sh"
bench_setup "${binaries[0]}" /usr/bin/time
bench_nginx_conf

dd if=/dev/urandom of="$work/www/big.bin" bs=1M count="$size_mib" status=none
"$nginx_bin" -c "$work/nginx.conf" -p "$work" &
nginx_pid=$!
bench_wait_port
url="http://127.0.0.1:$port/big.bin"
cat "$work/www/big.bin" >/dev/null
want=$(sha256sum "$work/www/big.bin" | cut -d' ' -f1)

# One timed download: prints "wall user sys".
measure() {
  rm -f "$work/out/"*
  /usr/bin/time -f "%e %U %S" -o "$work/time.txt" "$1" get --connections 8 -d "$work/out" "$url" \
    2>"$work/err.txt" >/dev/null || { cat "$work/err.txt" >&2; exit 1; }
  cmp -s "$work/out/big.bin" "$work/www/big.bin" || { echo "$1: the copy differs" >&2; exit 1; }
  if grep -q "SHA-256" "$work/err.txt"; then
    grep -q "SHA-256: $want" "$work/err.txt" || { echo "$1: wrong digest" >&2; exit 1; }
  fi
  cat "$work/time.txt"
}

declare -A best
for round in $(seq "$rounds"); do
  for binary in "${binaries[@]}"; do
    read -r w u s <<<"$(measure "$binary")"
    cpu=$(echo "$u + $s" | bc -l)
    echo "round $round $binary: ${w}s wall, ${u}s user, ${s}s system"
    if [ -z "${best[$binary]:-}" ] || (( $(echo "$cpu < ${best[$binary]%% *}" | bc -l) )); then
      best[$binary]="$cpu ($u user, $s system)"
    fi
  done
done
echo
for binary in "${binaries[@]}"; do echo "least CPU of $binary: ${best[$binary]} s"; done
