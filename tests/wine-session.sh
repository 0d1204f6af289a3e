#!/usr/bin/env bash
# A Wine session: an X server, a Wine prefix and a wine server of a run's own,
# stopped by the run that started them.
#
# Executed, it runs a command inside one session and stops the session after
# it, also when the command fails or the run is interrupted:
#   bash tests/wine-session.sh ctest --test-dir build/win -R gui
# Every tests/wine-run.sh inside (ctest's emulator, the scenario runner, the
# command-line tests) then joins the session instead of starting its own, so
# the wine server starts once for the whole suite.
#
# Sourced, it offers parlet_wine_begin and parlet_wine_end to scripts of
# their own (each script sets its traps; parlet_wine_end is idempotent).
#
# What a session uses:
# - display: PARLET_XVFB_DISPLAY=N uses display :N (an Xvfb is started there
#   unless a server answers already, and only one it started is stopped);
#   otherwise a new Xvfb takes a free display number of its own.
# - prefix: PARLET_WINEPREFIX=DIR uses that prefix, kept between runs (made
#   on first use); its wine server is stopped at the end unless it was up
#   before the session began. Otherwise the session works in a copy of the
#   template prefix build/wine-template (made once, under a lock; its system
#   DLLs are links to Wine's own files, and hard links in a copy, so a copy
#   costs well under a second), removed at the end.
# - an inner script or program joins the session of an outer one through
#   PARLET_WINE_SESSION (the session's folder) and stops nothing.

parlet_wine_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

parlet_display_answers() { xdpyinfo -display "$1" >/dev/null 2>&1; }

# Whether a wine server runs for prefix $1: it has a socket in a folder named
# after the prefix's device and inode, under /tmp/.wine-UID (upstream) or
# /tmp/wine-XXXXXX (Debian).
parlet_wine_server_up() {
  [ -d "$1" ] || return 1
  local name socket
  name="$(printf 'server-%x-%x' $(stat -c '%d %i' "$1"))"
  for socket in "/tmp/.wine-$(id -u)/$name/socket" /tmp/wine-*/"$name"/socket; do
    [ -S "$socket" ] && return 0
  done
  return 1
}

parlet_wine_environment() {
  export WINEPREFIX="$1" WINEARCH=win32
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
  export WINEDEBUG="${WINEDEBUG:--all}"
}

# Makes a 32-bit prefix at $1 unless one of this Wine version is there; under
# a lock, as several runs may want it at once. With "lean" as $2 (the
# template) its copies of Wine's own DLLs become links to them.
parlet_wine_make_prefix() {
  local prefix="$1" lean="${2:-}" version
  version="$(wine --version 2>/dev/null)"
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ "$(cat "$prefix/.parlet-ready" 2>/dev/null)" != "$version" ]; then
      echo "wine-session: making the Wine prefix $prefix (once; takes a minute)" >&2
      [ -f "$prefix/.parlet-ready" ] && rm -rf "$prefix"
      WINEPREFIX="$prefix" WINEARCH=win32 wineboot -i </dev/null >/dev/null 2>&1 9>&-
      WINEPREFIX="$prefix" wineserver -w 9>&-
      # Dialogs need Wine's own fonts (Tahoma, the caption buttons' Marlett).
      cp -n /usr/share/wine/fonts/* "$prefix/drive_c/windows/Fonts/" 2>/dev/null
      echo "$version" >"$prefix/.parlet-ready"
    fi
    [ -z "$lean" ] || [ -f "$prefix/.parlet-lean" ] || { parlet_wine_link_builtins "$prefix" && : >"$prefix/.parlet-lean"; }
  ) 9>"$prefix.lock"
}

# Most of a new prefix is copies of Wine's own DLLs in system32 (half a
# gigabyte), byte for byte: symbolic links to Wine's files take their place.
parlet_wine_link_builtins() {
  local dir="$1/drive_c/windows/system32" lib="" candidate f
  for candidate in /usr/lib/i386-linux-gnu/wine/i386-windows /usr/lib/wine/i386-windows \
                   /usr/lib32/wine/i386-windows /opt/wine*/lib/wine/i386-windows; do
    cmp -s "$dir/kernel32.dll" "$candidate/kernel32.dll" && { lib="$candidate"; break; }
  done
  [ -n "$lib" ] || return 0
  for f in "$dir"/*; do
    [ -f "$f" ] && [ ! -L "$f" ] && cmp -s "$f" "$lib/${f##*/}" && ln -sf "$lib/${f##*/}" "$f"
  done
  return 0
}

# A copy of the template at $1 in $2: the system DLLs are hard links, which
# Wine only reads; everything else (registry, settings, user folders) is a
# copy of the session's own.
parlet_wine_copy_prefix() {
  local template="$1" prefix="$2" big=(drive_c/windows/system32 drive_c/windows/winsxs)
  mkdir -p "$prefix"
  tar -C "$template" --exclude="./${big[0]}" --exclude="./${big[1]}" -cf - . | tar -C "$prefix" -xf - || return 1
  local d
  for d in "${big[@]}"; do
    [ -d "$template/$d" ] || continue
    cp -al "$template/$d" "$prefix/$d" 2>/dev/null || cp -a "$template/$d" "$prefix/$d" || return 1
  done
}

# Starts an Xvfb; sets DISPLAY and, when it started one, PARLET_XVFB_PID.
parlet_wine_start_display() {
  local dir="$1" number="${PARLET_XVFB_DISPLAY:-}"
  if [ -n "$number" ] && parlet_display_answers ":$number"; then
    export DISPLAY=":$number"
    return 0
  fi
  if [ -n "$number" ]; then
    setsid Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp </dev/null >"$dir/xvfb.log" 2>&1 &
  else
    # Xvfb takes the first free number and writes it once it accepts clients.
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp </dev/null >"$dir/xvfb.log" 2>&1 3>"$dir/display" &
  fi
  PARLET_XVFB_PID=$!
  for _ in $(seq 300); do
    [ -z "$number" ] && [ -s "$dir/display" ] && number="$(head -n 1 "$dir/display")"
    if [ -n "$number" ] && parlet_display_answers ":$number"; then
      export DISPLAY=":$number"
      return 0
    fi
    kill -0 "$PARLET_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  echo "wine-session: Xvfb did not start; it said:" >&2
  cat "$dir/xvfb.log" >&2
  kill "$PARLET_XVFB_PID" 2>/dev/null
  PARLET_XVFB_PID=""
  return 1
}

# Begins a session, or joins the one PARLET_WINE_SESSION names. Exports
# WINEPREFIX, DISPLAY and the Wine settings for the programs it runs.
parlet_wine_begin() {
  PARLET_WINE_OWNER=""
  if [ -n "${PARLET_WINE_SESSION:-}" ] && [ -f "$PARLET_WINE_SESSION/env" ]; then
    . "$PARLET_WINE_SESSION/env"
    return 0
  fi
  local runs="$parlet_wine_root/build/wine-runs" dir prefix
  mkdir -p "$runs" && dir="$(mktemp -d "$runs/run.XXXXXX")" || return 1
  PARLET_WINE_OWNER="$dir" PARLET_XVFB_PID="" PARLET_WINE_SERVER_STARTED=""
  parlet_wine_start_display "$dir" || return 1
  if [ -n "${PARLET_WINEPREFIX:-}" ]; then
    prefix="$PARLET_WINEPREFIX"
    parlet_wine_make_prefix "$prefix" || return 1
  else
    local template="${PARLET_WINE_TEMPLATE:-$parlet_wine_root/build/wine-template}"
    prefix="$dir/prefix"
    parlet_wine_make_prefix "$template" lean && parlet_wine_copy_prefix "$template" "$prefix" || return 1
  fi
  parlet_wine_environment "$prefix"
  if ! parlet_wine_server_up "$prefix"; then
    PARLET_WINE_SERVER_STARTED=yes
    # A persistent server, so it stays up between the session's programs.
    # Its background services (services.exe, winedevice, ...) live as long
    # and inherit the standard handles of the program that starts them:
    # started from a test they would hold the test's output open, so a
    # throwaway program starts them here.
    wineserver -p </dev/null >/dev/null 2>&1
    wine cmd /c exit </dev/null >/dev/null 2>&1
  fi
  export PARLET_WINE_SESSION="$dir"
  printf 'export WINEPREFIX=%q DISPLAY=%q WINEARCH=win32 WINEDLLOVERRIDES=%q WINEDEBUG=%q\n' \
    "$WINEPREFIX" "$DISPLAY" "$WINEDLLOVERRIDES" "$WINEDEBUG" >"$dir/env"
}

# Stops what parlet_wine_begin started, by its own handles: the prefix's
# wine server (wineserver -k ends the programs it serves), the Xvfb by its
# PID; removes the session's folder and copied prefix. Does nothing for a
# session that was joined, or twice.
parlet_wine_end() {
  local dir="${PARLET_WINE_OWNER:-}"
  [ -n "$dir" ] || return 0
  PARLET_WINE_OWNER=""
  rm -f "$dir/env"
  if [ -n "${PARLET_WINE_SERVER_STARTED:-}" ]; then
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
  fi
  if [ -n "${PARLET_XVFB_PID:-}" ]; then
    kill "$PARLET_XVFB_PID" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$PARLET_XVFB_PID" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$PARLET_XVFB_PID" 2>/dev/null
  fi
  rm -rf "$dir"
  unset PARLET_WINE_SESSION
  return 0
}

# Runs a command as a child that a signal to this script also stops (a
# foreground child would delay the traps until it ended), with this
# script's standard input; exits with its status.
parlet_wine_run_child() {
  "$@" <&0 &
  PARLET_WINE_CHILD=$!
  trap 'kill -TERM "$PARLET_WINE_CHILD" 2>/dev/null; exit 130' INT
  trap 'kill -TERM "$PARLET_WINE_CHILD" 2>/dev/null; exit 143' TERM
  trap 'kill -TERM "$PARLET_WINE_CHILD" 2>/dev/null; exit 129' HUP
  wait "$PARLET_WINE_CHILD"
  exit $?
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -u
  [ $# -gt 0 ] || { echo "usage: $0 COMMAND [ARG...]" >&2; exit 2; }
  trap parlet_wine_end EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  trap 'exit 129' HUP
  parlet_wine_begin || { echo "wine-session: could not begin a Wine session" >&2; exit 1; }
  parlet_wine_run_child "$@"
fi
