#!/usr/bin/env bash
# A 32 MB reply page cut by twelve patterns whose tails never match, then a
# POST, through `parlet run`: natively (libcurl) and as parlet.exe under Wine
# (WinInet). Prints the result, the wall time and the peak memory of each
# row and build, and whether the program died ("terminate called", a signal).
# Needs build/native and build/win (scripts/build.sh native win).
# Usage: scripts/big-page.sh [native|win]...   (default: both)
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
builds=("$@")
[ ${#builds[@]} -gt 0 ] || builds=(native win)
work="$(mktemp -d)"
# The wine runs share one Wine session of this script's own (or the one it
# runs in); everything it started is stopped at the end.
. "$root/tests/wine-session.sh"
trap 'kill "$(cat "$work/provider.pid" 2>/dev/null)" 2>/dev/null; rm -rf "$work"; parlet_wine_end' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
[[ " ${builds[*]} " == *" win "* ]] && { parlet_wine_begin || exit 1; }

"$root/build/native/provider/parlet-provider" --quiet --port-file "$work/port" >/dev/null 2>&1 &
echo $! >"$work/provider.pid"
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
port="$(cat "$work/port")"
[ -n "$port" ] || { echo "big-page: the provider did not start" >&2; exit 1; }

size=$((32 * 1024 * 1024))
base="http://127.0.0.1:$port"
page="$base/pieces?bytes=$size&piece=1048576"
custom=""
for n in $(seq 12); do custom+="CustomVar$n=token=(*)END"$'\r\n'; done
named=""
for n in $(seq 12); do named+="&v$n=\$CustomVar$n"; done

# Writes the gateway file of row $1 to $2.
gateway() {
  local url keys post
  case "$1" in
    1) url="$page&head=token%3D"; keys="$custom"; post="to=\$Number$named" ;;
    2) url="$page&head=token%3D"; keys="$custom"; post="to=\$Number&text=\$Message" ;;
    3) url="$page&head=%3Cinput%20name%3D%22t%22%20value%3D%22&tail=%22%3E"; keys="Key1=t"$'\r\n'
       post="to=\$Number" ;;
  esac
  printf '[Gateway]\r\nName=Big page\r\nPrefix1=49;Germany\r\n[Request1]\r\nURL=%s\r\nType=GET\r\n%s' "$url" "$keys" >"$2"
  printf '[Request2]\r\nURL=%s\r\nType=POST\r\nPostString=%s\r\n' "$base/echo" "$post" >>"$2"
}
names=("" "post names the values" "post names none" "32 MB form field")

printf '%-7s %-22s %8s %9s %-50s %s\n' build row seconds "peak MB" result died
for build in "${builds[@]}"; do
  for row in 1 2 3; do
    name="${names[$row]}"
    ini="$work/row.ini"
    gateway "$row" "$ini"
    case "$build" in
      native) cmd=("$root/build/native/cli/parlet" run "$ini") ;;
      win) cmd=(bash "$root/tests/wine-run.sh" "$root/build/win/cli/parlet.exe" run "Z:$ini") ;;
      *) echo "big-page: unknown build $build" >&2; exit 2 ;;
    esac
    /usr/bin/time -f '%e %M' -o "$work/time" "${cmd[@]}" --prefix 49 --number 1701234567 --message x \
      >"$work/out" 2>"$work/err"
    rc=$?
    read -r seconds kb < <(tail -1 "$work/time")
    died=no
    if grep -q "terminate called" "$work/err" "$work/out" || [ "$rc" -gt 2 ]; then died="yes (exit $rc)"; fi
    printf '%-7s %-22s %8s %9.1f %-50s %s\n' "$build" "$name" "$seconds" "$(echo "$kb / 1024" | bc -l)" \
      "$(tr -d '\r' <"$work/out" | tail -1)" "$died"
    grep -a -o -- ' - ERROR: [^:]*PostData\| - ERROR: Memory allocation error while parsing URL\|Fatal: [^.]*' \
      "$work/err" | tr -d '\r' | sort -u | sed 's/^/        log: /'
  done
done
