# Sourced by the test scripts: makes sure DISPLAY names an X server that
# answers, starting a private Xvfb when it does not. Windows test programs
# under Wine need one; a desktop started without it stays windowless for the
# life of the wine server, so this waits until the server really answers.
parlet_display_answers() { xdpyinfo -display "$1" >/dev/null 2>&1; }

parlet_ensure_display() {
  if [ -n "${DISPLAY:-}" ] && parlet_display_answers "$DISPLAY"; then
    return 0
  fi
  local number="${PARLET_XVFB_DISPLAY:-87}"
  export DISPLAY=":$number"
  parlet_display_answers "$DISPLAY" && return 0
  local log="${TMPDIR:-/tmp}/parlet-xvfb-$number.log"
  (
    # A lock keeps two test programs from starting two servers at once.
    flock 8
    if ! parlet_display_answers "$DISPLAY"; then
      # A socket left by a server that died would make Xvfb refuse the number.
      if [ -e "/tmp/.X11-unix/X$number" ] && ! pgrep -f "Xvfb :$number( |$)" >/dev/null; then
        rm -f "/tmp/.X11-unix/X$number" "/tmp/.X$number-lock"
      fi
      setsid Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp </dev/null >"$log" 2>&1 8>&- &
      for _ in $(seq 300); do
        parlet_display_answers "$DISPLAY" && break
        sleep 0.1
      done
    fi
  ) 8>"${TMPDIR:-/tmp}/parlet-xvfb-$number.lock"
  if ! parlet_display_answers "$DISPLAY"; then
    echo "parlet: no X server answers on $DISPLAY; Xvfb said:" >&2
    cat "$log" >&2 2>/dev/null
    return 1
  fi
}
