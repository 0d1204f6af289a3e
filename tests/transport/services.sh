#!/usr/bin/env bash
# Starts and stops what the transport tests talk to, on loopback:
#   services.sh start DIR PROVIDER   the test provider (plain and HTTPS), the hostile server
#                                    (parlet-hostile beside PROVIDER) and the proxies
#   services.sh proxies DIR          only the two proxies (native tests run the provider in-process)
#   services.sh stop DIR             stops whatever DIR's pid files name
# DIR receives: plain.port, tls.port, hostile.port, proxy.port, authproxy.port, proxy.log,
# authproxy.log, cert.pem, key.pem, and a pid file per process.
set -u
cmd="${1:-}"
dir="${2:-}"
[ -n "$cmd" ] && [ -n "$dir" ] || { echo "usage: $0 start|proxies|stop DIR [PROVIDER]" >&2; exit 2; }

wait_for_file() {
  for _ in $(seq 100); do [ -s "$1" ] && return 0; sleep 0.05; done
  return 1
}

listening() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# A tinyproxy on a free port; with a user and password it wants BasicAuth.
start_proxy() {
  local name="$1" user="${2:-}" pass="${3:-}"
  for _ in $(seq 20); do
    local port=$((20000 + RANDOM % 40000))
    listening "$port" && continue
    {
      echo "Port $port"
      echo "Listen 127.0.0.1"
      echo "Timeout 60"
      echo "LogFile \"$dir/$name.log\""
      echo "LogLevel Info"
      echo "MaxClients 50"
      echo "Allow 127.0.0.1"
      echo "DisableViaHeader Yes"
      [ -n "$user" ] && echo "BasicAuth $user $pass"
    } >"$dir/$name.conf"
    tinyproxy -d -c "$dir/$name.conf" >"$dir/$name.out" 2>&1 &
    echo $! >"$dir/$name.pid"
    for _ in $(seq 100); do
      if listening "$port"; then echo "$port" >"$dir/$name.port"; return 0; fi
      kill -0 "$(cat "$dir/$name.pid")" 2>/dev/null || break
      sleep 0.05
    done
    kill "$(cat "$dir/$name.pid")" 2>/dev/null
  done
  echo "services: cannot start tinyproxy" >&2
  return 1
}

start_provider() {
  local name="$1"; shift
  rm -f "$dir/$name.port"
  "$provider" --port 0 --port-file "$dir/$name.port" --quiet "$@" >"$dir/$name.out" 2>&1 &
  echo $! >"$dir/$name.pid"
  wait_for_file "$dir/$name.port" || { echo "services: $name provider did not start" >&2; cat "$dir/$name.out" >&2; return 1; }
}

stop_all() {
  for pidfile in "$dir"/*.pid; do
    [ -f "$pidfile" ] || continue
    kill "$(cat "$pidfile")" 2>/dev/null
    rm -f "$pidfile"
  done
  return 0
}

case "$cmd" in
  start)
    provider="${3:?the parlet-provider program}"
    [ -x "$provider" ] || { echo "services: no provider at $provider" >&2; exit 1; }
    stop_all
    mkdir -p "$dir"
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=parlet-test" \
      -keyout "$dir/key.pem" -out "$dir/cert.pem" >/dev/null 2>&1 || { echo "services: openssl failed" >&2; exit 1; }
    start_provider plain --outbox "$dir/outbox.jsonl" || { stop_all; exit 1; }
    start_provider tls --tls-cert "$dir/cert.pem" --tls-key "$dir/key.pem" || { stop_all; exit 1; }
    hostile="$(dirname "$provider")/parlet-hostile"
    rm -f "$dir/hostile.port"
    "$hostile" --port-file "$dir/hostile.port" >"$dir/hostile.out" 2>&1 &
    echo $! >"$dir/hostile.pid"
    wait_for_file "$dir/hostile.port" || { echo "services: parlet-hostile did not start" >&2; stop_all; exit 1; }
    start_proxy proxy && start_proxy authproxy parlet s3cret || { stop_all; exit 1; }
    ;;
  proxies)
    mkdir -p "$dir"
    start_proxy proxy && start_proxy authproxy parlet s3cret || { stop_all; exit 1; }
    ;;
  stop)
    stop_all
    ;;
  *)
    echo "usage: $0 start|proxies|stop DIR [PROVIDER]" >&2
    exit 2
    ;;
esac
