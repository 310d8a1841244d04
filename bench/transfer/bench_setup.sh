# Sourced by the transfer benchmarks: checks the tools, makes the work folder
# (removed at the end, whatever happens, with the nginx started in it) and
# picks a free loopback port.
# usage: bench_setup FETCHLY_BINARY TOOL...   sets nginx_bin, work, port
bench_setup() {
  local fetchly=$1 tool
  shift
  [ -x "$fetchly" ] || { echo "no fetchly binary at $fetchly (build first)" >&2; exit 2; }
  for tool in nginx "$@"; do
    command -v "$tool" >/dev/null || [ -x "$tool" ] || [ -x "/usr/sbin/$tool" ] ||
      { echo "missing $tool (scripts/install-deps.sh installs it)" >&2; exit 2; }
  done
  nginx_bin=$(command -v nginx || echo /usr/sbin/nginx)
  work=$(mktemp -d "${BENCH_DIR:-$here/build}/fetchly-bench.XXXXXX")
  nginx_pid=""
  trap bench_cleanup EXIT INT TERM
  mkdir -p "$work/www" "$work/tmp" "$work/logs" "$work/out"
  port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
}

bench_cleanup() {
  if [ -n "$nginx_pid" ]; then kill "$nginx_pid" 2>/dev/null || true; wait "$nginx_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
