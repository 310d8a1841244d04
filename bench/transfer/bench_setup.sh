# Sourced by the transfer benchmarks: checks the tools, makes the work folder
# (removed at the end, whatever happens, with the nginx or the peer started
# in it: $nginx_pid, $peer_pid) and picks a free loopback port.
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
  peer_pid=""
  trap bench_cleanup EXIT INT TERM
  mkdir -p "$work/www" "$work/tmp" "$work/logs" "$work/out"
  port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
}

# Writes $work/nginx.conf: one server on $port serving $work/www, with the
# extra lines of its server block given as $1.
bench_nginx_conf() {
  cat >"$work/nginx.conf" <<CONF
daemon off; master_process off; worker_processes 1;
error_log $work/logs/error.log; pid $work/nginx.pid;
events { worker_connections 256; }
http {
  access_log off; sendfile on; tcp_nopush on;
  client_body_temp_path $work/tmp/body; proxy_temp_path $work/tmp/proxy;
  fastcgi_temp_path $work/tmp/fastcgi; uwsgi_temp_path $work/tmp/uwsgi; scgi_temp_path $work/tmp/scgi;
  server { listen 127.0.0.1:$port; root $work/www; ${1:-} }
}
CONF
}

# Waits (at most 5 s) until something accepts on $port.
bench_wait_port() {
  for _ in $(seq 50); do
    (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && return 0
    sleep 0.1
  done
  echo "nothing listens on port $port" >&2
  exit 1
}

bench_cleanup() {
  local pid
  for pid in $nginx_pid $peer_pid; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
