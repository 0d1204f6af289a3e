#!/usr/bin/env bash
# Runs a Windows test program under Wine with a private prefix; ctest uses
# it as the cross-compiling emulator. The prefix is made once (under a lock,
# as ctest may start several programs at once) and the wine server is kept
# up between programs, since a cold start costs seconds.
set -u
export WINEPREFIX="${PARLET_WINEPREFIX:-${TMPDIR:-/tmp}/parlet-wine-$(id -u)}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win32

# Programs that open windows need an X server; a private Xvfb does.
. "$(dirname "$0")/ensure-display.sh"
parlet_ensure_display || echo "wine-run: continuing without a display" >&2

mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$WINEPREFIX/.parlet-ready" ]; then
    wineboot -i </dev/null >/dev/null 2>&1 9>&-
    wineserver -w 9>&-
    touch "$WINEPREFIX/.parlet-ready"
  fi
  # A prefix made before Wine's own fonts were installed lacks them; dialogs
  # then miss Tahoma and the caption buttons' Marlett glyphs.
  fonts=/usr/share/wine/fonts
  if [ -f "$fonts/marlett.ttf" ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ]; then
    cp -n "$fonts"/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
  fi
  # Wine's background services (services.exe, winedevice, ...) live as long
  # as the kept-up server and inherit the standard handles of the program
  # that started them. Started from a test, they would hold ctest's output
  # pipe open until its time-out; so a throwaway program starts them first.
  # Neither may keep the lock's descriptor, or the lock would never free.
  wineserver -p </dev/null >/dev/null 2>&1 9>&-
  wine cmd /c exit </dev/null >/dev/null 2>&1 9>&-
) 9>"$WINEPREFIX.lock"

exec wine "$@"
