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
# Two tests run at a time; those that may open windows take turns
# (tests/CMakeLists.txt).
. tests/wine-session.sh
trap parlet_wine_end EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

status=0
for t in native asan win; do
  echo
  echo "== ctest: $t"
  if [ "$t" = win ]; then
    parlet_wine_begin || { echo "test: could not begin a Wine session" >&2; exit 1; }
    echo "(Wine session: display $DISPLAY, prefix $WINEPREFIX)"
  fi
  start=$SECONDS
  ctest --test-dir "build/$t" --output-on-failure -j 2 2>&1 | tee "build/$t/ctest.log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  echo "($t suite: $((SECONDS - start)) s)" | tee -a "build/$t/ctest.log"
  [ "$t" = win ] && parlet_wine_end
done

# The real-host tier (docs/realhost.md); it says SKIPPED without ../shared/realhost.
echo
echo "== real host"
bash tests/realhost/run.sh 2>&1 | tee build/realhost.log
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1

echo
echo "== summaries"
for t in native asan win; do
  printf '%-7s ' "$t:"
  grep -E "tests passed|tests failed" "build/$t/ctest.log" | tail -n 1
done
tail -n 1 build/realhost.log
exit $status
