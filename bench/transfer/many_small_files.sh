#!/usr/bin/env bash
# 40 files of 100 KB from a server that waits 200 ms before each first byte
# (bench/transfer/first_byte_peer.py): `aria2c -i LIST` at its defaults
# (five at once) against `fetchly get URL...` at its defaults, and the
# window's Start All over the same list (build/bench/app/window_run_bench,
# when built: the main window offscreen, its options' defaults). Prints the
# wall time of each, how many connections each opened, and fetchly's speed
# as a multiple of aria2c's (wanted: >= 1.0 once downloads run at once).
# Every file is checked for its size.
#
# usage: bench/transfer/many_small_files.sh [FETCHLY_BINARY] [ROUNDS]
#   FETCHLY_BINARY  default: build/app/fetchly
#   ROUNDS          default: 3 (the best round of each client counts)
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
fetchly=${1:-$here/build/app/fetchly}
rounds=${2:-3}
files=40
size=102400
. "$here/bench/transfer/bench_setup.sh"
bench_setup "$fetchly" aria2c bc
/usr/bin/python3 "$here/bench/transfer/first_byte_peer.py" "$port" "$work/connections.log" 200 &
peer_pid=$!
bench_wait_port
sleep 0.2 # the probe's log line
urls=()
for i in $(seq "$files"); do urls+=("http://127.0.0.1:$port/$size/file$i.bin"); done
printf '%s\n' "${urls[@]}" >"$work/list.txt"

connections() { wc -l <"$work/connections.log"; }
# One timed round into a fresh $work/out: prints "seconds connections".
measure() {
  local label=$1 before after start end; shift
  rm -rf "$work/out"; mkdir -p "$work/out"
  before=$(connections)
  start=$(date +%s.%N)
  "$@" >/dev/null 2>"$work/err.txt" || { echo "$label failed:" >&2; cat "$work/err.txt" >&2; exit 1; }
  end=$(date +%s.%N)
  after=$(connections)
  local got; got=$(find "$work/out" -name 'file*.bin' -size "${size}c" | wc -l)
  [ "$got" -eq "$files" ] || { echo "$label: $got of $files files arrived whole" >&2; exit 1; }
  echo "$(echo "$end - $start" | bc -l) $((after - before))"
}

window=$here/build/bench/app/window_run_bench
clients=(aria2c fetchly)
[ -x "$window" ] && clients+=(window)
declare -A best conns
for client in "${clients[@]}"; do best[$client]=999999; done
for round in $(seq "$rounds"); do
  for client in "${clients[@]}"; do
    case $client in
      aria2c) line=$(measure aria2c aria2c -q --allow-overwrite=true -d "$work/out" -i "$work/list.txt") ;;
      fetchly) line=$(measure fetchly "$fetchly" get --quiet -d "$work/out" "${urls[@]}") ;;
      window) line=$(measure window "$window" "$work/list.txt" "$work/out") ;;
    esac
    read -r secs opened <<<"$line"
    printf "round %d %-8s %6.2f s, %d connections\n" "$round" "$client" "$secs" "$opened"
    if (( $(echo "$secs < ${best[$client]}" | bc -l) )); then best[$client]=$secs; conns[$client]=$opened; fi
  done
done
echo
printf "%d x %d bytes, 200 ms first byte: aria2c %.2f s (%d connections), fetchly %.2f s (%d connections)\n" \
  "$files" "$size" "${best[aria2c]}" "${conns[aria2c]}" "${best[fetchly]}" "${conns[fetchly]}"
printf "fetchly/aria2c speed %.2fx (wanted >= 1.0)\n" "$(echo "${best[aria2c]} / ${best[fetchly]}" | bc -l)"
if [ -n "${best[window]:-}" ]; then
  printf "window's Start All %.2f s (%d connections): %.2fx aria2c (wanted >= 1.0)\n" "${best[window]}" \
    "${conns[window]}" "$(echo "${best[aria2c]} / ${best[window]}" | bc -l)"
fi
