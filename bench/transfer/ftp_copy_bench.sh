#!/usr/bin/env bash
# FTP download and local copy of one large file: `fetchly get --ftp` against
# curl from the same local pyftpdlib server, and `fetchly copy` against cp on
# the same disk. Runs each pair a few times, alternating, and prints the
# median times and the ratios (above 1.00: Fetchly is faster).
#
#   bench/transfer/ftp_copy_bench.sh [SIZE_MIB] [RUNS]     (defaults 1024 and 3)
#
# Needs a built tree (build/, or $FETCHLY_BUILD_DIR), curl and python3-pyftpdlib.
# The test file and the copies live in a temporary folder below the build
# tree (so on the same disk) and are removed at the end.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${FETCHLY_BUILD_DIR:-$here/build}
fetchly=$build/app/fetchly
size_mib=${1:-1024}
runs=${2:-3}
[ -x "$fetchly" ] || { echo "build first: $fetchly is missing" >&2; exit 1; }

work=$(mktemp -d "$build/ftp-copy-bench.XXXXXX")
server_pid=""
cleanup() {
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/root" "$work/out"
echo "making a ${size_mib} MiB test file..." >&2
head -c $((size_mib * 1024 * 1024)) /dev/urandom > "$work/root/big.bin"
bytes=$(stat -c %s "$work/root/big.bin")

port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
pasv=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
/usr/bin/python3 "$here/tests/support/peers/ftp_server.py" --port "$port" --root "$work/root" \
  --user bench --password bench --passive-ports "$pasv-$((pasv + 9))" \
  --command-log "$work/commands.log" > "$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 100); do
  (echo > "/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.05
done

# Wall-clock seconds of one command; its output file is checked and removed.
timed() {
  local out=$1; shift
  local t0 t1
  t0=$(date +%s.%N)
  "$@" > /dev/null
  t1=$(date +%s.%N)
  [ "$(stat -c %s "$out")" = "$bytes" ] || { echo "wrong size from: $*" >&2; exit 1; }
  cmp -s "$out" "$work/root/big.bin" || { echo "wrong bytes from: $*" >&2; exit 1; }
  rm -f "$out"
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f\n", b - a }'
}

median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

ftp_curl=() ; ftp_fetchly=() ; cp_times=() ; copy_fetchly=()
for i in $(seq "$runs"); do
  echo "run $i of $runs..." >&2
  ftp_curl+=("$(timed "$work/out/curl.bin" curl -s -o "$work/out/curl.bin" "ftp://127.0.0.1:$port/big.bin")")
  ftp_fetchly+=("$(timed "$work/out/ftp.bin" "$fetchly" get --quiet --ftp "127.0.0.1:$port" --passive \
                   -d "$work/out" -o ftp.bin big.bin)")
  sync
  cp_times+=("$(timed "$work/out/cp.bin" cp "$work/root/big.bin" "$work/out/cp.bin")")
  sync
  copy_fetchly+=("$(timed "$work/out/copy.bin" "$fetchly" copy --quiet -d "$work/out" -o copy.bin \
                    "$work/root/big.bin")")
  sync
done

c=$(printf '%s\n' "${ftp_curl[@]}" | median)
f=$(printf '%s\n' "${ftp_fetchly[@]}" | median)
p=$(printf '%s\n' "${cp_times[@]}" | median)
k=$(printf '%s\n' "${copy_fetchly[@]}" | median)
mibs() { awk -v s="$size_mib" -v t="$1" 'BEGIN { printf "%.1f", s / t }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
printf 'FTP download %d MiB: curl %.2f s (%s MiB/s), fetchly %.2f s (%s MiB/s), ratio curl/fetchly %s (want >= 1.00)\n' \
  "$size_mib" "$c" "$(mibs "$c")" "$f" "$(mibs "$f")" "$(ratio "$c" "$f")"
printf 'Local copy   %d MiB: cp %.2f s (%s MiB/s), fetchly %.2f s (%s MiB/s), ratio cp/fetchly %s (want >= 0.80)\n' \
  "$size_mib" "$p" "$(mibs "$p")" "$k" "$(mibs "$k")" "$(ratio "$p" "$k")"
