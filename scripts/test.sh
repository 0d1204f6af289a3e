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

# The Wine suite runs in one Wine session (tests/wine-session.sh): a display,
# a prefix and a wine server of this run's own, which every test program
# joins, stopped at the end also when a test fails or the run is interrupted.
# Two tests run at a time; those that may open windows in it take turns
# (cmake/ParletTesting.cmake), the GUI scenarios have sessions of their own.
. tests/wine-session.sh
# The real-host tier (docs/realhost.md) runs beside the Wine suite: it has a
# display, a prefix and a provider of its own, and spends its time waiting
# on windows. It says SKIPPED without ../shared/realhost.
realhost_pid=""
stop_realhost() {
  [ -n "$realhost_pid" ] || return 0
  kill "$realhost_pid" 2>/dev/null
  wait "$realhost_pid" 2>/dev/null
  realhost_pid=""
}
trap 'stop_realhost; parlet_wine_end' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

status=0
for t in native asan win; do
  echo
  echo "== ctest: $t"
  if [ "$t" = win ]; then
    bash tests/realhost/run.sh >build/realhost.log 2>&1 &
    realhost_pid=$!
    parlet_wine_begin || { echo "test: could not begin a Wine session" >&2; exit 1; }
    echo "(Wine session: display $DISPLAY, prefix $WINEPREFIX)"
  fi
  start=$SECONDS
  ctest --test-dir "build/$t" --output-on-failure -j 2 2>&1 | tee "build/$t/ctest.log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  echo "($t suite: $((SECONDS - start)) s)" | tee -a "build/$t/ctest.log"
  [ "$t" = win ] && parlet_wine_end
done

echo
echo "== real host"
start=$SECONDS
wait "$realhost_pid" || status=1
realhost_pid=""
cat build/realhost.log
echo "(real host: done $((SECONDS - start)) s after the Wine suite)"

echo
echo "== summaries"
for t in native asan win; do
  printf '%-7s ' "$t:"
  grep -E "tests passed|tests failed" "build/$t/ctest.log" | tail -n 1
done
tail -n 1 build/realhost.log
exit $status
