#!/usr/bin/env bash
# Starts or stops the native test provider for the Windows end-to-end test:
#   provider.sh start DIR PROGRAM   writes DIR/port and DIR/pid
#   provider.sh stop DIR
set -u
cmd="${1:-}" dir="${2:-}"
case "$cmd" in
  start)
    mkdir -p "$dir"
    rm -f "$dir/port"
    "$3" --port 0 --port-file "$dir/port" --quiet >"$dir/out.txt" 2>&1 &
    echo $! >"$dir/pid"
    for _ in $(seq 100); do [ -s "$dir/port" ] && exit 0; sleep 0.05; done
    echo "provider did not start" >&2
    cat "$dir/out.txt" >&2
    exit 1
    ;;
  stop)
    [ -f "$dir/pid" ] && kill "$(cat "$dir/pid")" 2>/dev/null
    rm -f "$dir/pid" "$dir/port"
    exit 0
    ;;
esac
echo "usage: $0 start DIR PROGRAM | stop DIR" >&2
exit 2
