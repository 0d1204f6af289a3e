#!/usr/bin/env bash
# Wall time and peak memory of each hostile reply, with the real time-outs,
# through `parlet run`: natively (libcurl) and as parlet.exe under Wine
# (WinInet). Prints one line per row and carrier. Needs build/native and
# build/win (scripts/build.sh native win).
# Usage: scripts/hostile-replies.sh [native|win]...   (default: both)
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
carriers=("$@")
[ ${#carriers[@]} -gt 0 ] || carriers=(native win)
work="$(mktemp -d)"
# The wine runs share one Wine session of this script's own (or the one it
# runs in); everything it started is stopped at the end.
. "$root/tests/wine-session.sh"
trap 'kill "$(cat "$work/hostile.pid" 2>/dev/null)" 2>/dev/null; rm -rf "$work"; parlet_wine_end' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
[[ " ${carriers[*]} " == *" win "* ]] && { parlet_wine_begin || exit 1; }

"$root/build/native/provider/parlet-hostile" --port-file "$work/port" >/dev/null 2>&1 &
echo $! >"$work/hostile.pid"
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
port="$(cat "$work/port")"
[ -n "$port" ] || { echo "hostile-replies: the server did not start" >&2; exit 1; }

rows=("silence|http://127.0.0.1:$port/silence"
      "drip, a byte each 250 ms|http://127.0.0.1:$port/drip?ms=250"
      "endless headers|http://127.0.0.1:$port/headers"
      "endless status line|http://127.0.0.1:$port/status-line"
      "https to a plain port|https://127.0.0.1:$port/silence"
      "held-open short body|http://127.0.0.1:$port/short-body")

printf '%-8s %-26s %8s %12s %s\n' carrier row seconds "peak MB" result
for carrier in "${carriers[@]}"; do
  for row in "${rows[@]}"; do
    name="${row%%|*}"
    url="${row#*|}"
    ini="$work/row.ini"
    printf '[Gateway]\r\nName=Hostile\r\nPrefix1=49;Germany\r\n[Request1]\r\nURL=%s\r\nType=GET\r\n' "$url" >"$ini"
    case "$carrier" in
      native) cmd=("$root/build/native/cli/parlet" run "$ini") ;;
      win) cmd=(bash "$root/tests/wine-run.sh" "$root/build/win/cli/parlet.exe" run "Z:$ini") ;;
      *) echo "hostile-replies: unknown carrier $carrier" >&2; exit 2 ;;
    esac
    /usr/bin/time -f '%e %M' -o "$work/time" "${cmd[@]}" --prefix 49 --number 1701234567 --message x \
      >"$work/out" 2>/dev/null
    read -r seconds kb < <(tail -1 "$work/time")
    printf '%-8s %-26s %8s %12.1f %s\n' "$carrier" "$name" "$seconds" "$(echo "$kb / 1024" | bc -l)" \
      "$(tr -d '\r' <"$work/out" | tail -1)"
  done
done
