#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test:
# native, sanitizer and Windows (under Wine). Exit status 0 only when all pass.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh || exit 1
# The Windows build's tests use the native test provider, so native comes first.
# Here, as in CI, a warning fails the build.
PARLET_WERROR=ON bash scripts/build.sh native asan win || exit 1

export PARLET_WINEPREFIX="${PARLET_WINEPREFIX:-$root/build/wineprefix}"

# What this run starts, it stops: the private Xvfb (never one that answered
# already, which is someone else's) and the prefix's wine server, unless
# that server was up before the run.
PARLET_XVFB_PID=""
# A running server has a socket in its folder, named after the prefix's
# device and inode, under /tmp/.wine-UID (upstream) or /tmp/wine-XXXXXX (Debian).
wine_server_up() {
  [ -d "$PARLET_WINEPREFIX" ] || return 1
  local name socket
  name="$(printf 'server-%x-%x' $(stat -c '%d %i' "$PARLET_WINEPREFIX"))"
  for socket in "/tmp/.wine-$(id -u)/$name/socket" /tmp/wine-*/"$name"/socket; do
    [ -S "$socket" ] && return 0
  done
  return 1
}
wine_was_up=no
wine_server_up && wine_was_up=yes
stop_started() {
  if [ "$wine_was_up" = no ]; then
    WINEPREFIX="$PARLET_WINEPREFIX" wineserver -k >/dev/null 2>&1
    WINEPREFIX="$PARLET_WINEPREFIX" wineserver -w >/dev/null 2>&1
  fi
  if [ -n "$PARLET_XVFB_PID" ]; then
    kill "$PARLET_XVFB_PID" 2>/dev/null
    echo "display: stopped the Xvfb this run started ($DISPLAY)"
  fi
}
trap stop_started EXIT

# The display is made ready here, before any test program, so the Wine
# desktop never starts without one; tests/wine-run.sh checks again.
. tests/ensure-display.sh
parlet_ensure_display && echo "display: $DISPLAY answers"

status=0
for t in native asan win; do
  echo
  echo "== ctest: $t"
  par=2
  [ "$t" = win ] && par=1
  ctest --test-dir "build/$t" --output-on-failure -j "$par" 2>&1 | tee "build/$t/ctest.log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
done

echo
echo "== summaries"
for t in native asan win; do
  printf '%-7s ' "$t:"
  grep -E "tests passed|tests failed" "build/$t/ctest.log" | tail -n 1
done
exit $status
