#!/usr/bin/env bash
# Runs a Windows program under Wine; ctest uses it as the cross-compiling
# emulator, and scripts use it for parlet.exe and the test host.
#   tests/wine-run.sh PROGRAM [ARG...]
# Inside a Wine session (tests/wine-session.sh, which scripts/test.sh begins
# for the Wine suite) the program joins that session's prefix, display and
# kept-up wine server at once. Alone, it begins a session of its own (a free
# display, a private copy of the prefix, a wine server) and stops it when the
# program ends, fails or is interrupted; that costs a few seconds of
# start-up. See tests/wine-session.sh for PARLET_WINEPREFIX and
# PARLET_XVFB_DISPLAY.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/wine-session.sh"

if [ -n "${PARLET_WINE_SESSION:-}" ] && [ -f "$PARLET_WINE_SESSION/env" ]; then
  . "$PARLET_WINE_SESSION/env"
  exec wine "$@"
fi

trap parlet_wine_end EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP
parlet_wine_begin || { echo "wine-run: could not begin a Wine session" >&2; exit 1; }
parlet_wine_run_child wine "$@"
