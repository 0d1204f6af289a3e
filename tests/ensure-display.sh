# Sourced by the test scripts: makes sure DISPLAY names an X server that
# answers, starting a private Xvfb when it does not. Windows test programs
# under Wine need one; a desktop started without it stays windowless for the
# life of the wine server, so this waits until the server really answers.
parlet_display_answers() { xdpyinfo -display "$1" >/dev/null 2>&1; }

# Starts Xvfb on display number $1 unless one answers there already; prints
# "started PID" when it started one.
parlet_start_xvfb() {
  local number=$1 log="${TMPDIR:-/tmp}/parlet-xvfb-$1.log"
  (
    # A lock keeps two test programs from starting two servers at once.
    flock 8
    parlet_display_answers ":$number" && exit 0
    # A socket or lock left by a server that died (an ended session, say)
    # would make Xvfb refuse the number or Wine talk to nobody.
    if ! pgrep -f "Xvfb :$number( |$)" >/dev/null 2>&1; then
      rm -f "/tmp/.X11-unix/X$number" "/tmp/.X$number-lock"
    fi
    setsid Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp </dev/null >"$log" 2>&1 8>&- &
    local server=$!
    for _ in $(seq 300); do
      parlet_display_answers ":$number" && { echo "started $server"; exit 0; }
      kill -0 "$server" 2>/dev/null || exit 1   # it gave up
      sleep 0.1
    done
    exit 1
  ) 8>"${TMPDIR:-/tmp}/parlet-xvfb-$number.lock"
}

# Sets PARLET_XVFB_PID to the Xvfb it started, if it started one: only the
# caller that started a server stops it, never someone else's.
parlet_ensure_display() {
  if [ -n "${DISPLAY:-}" ] && parlet_display_answers "$DISPLAY"; then
    return 0
  fi
  local first="${PARLET_XVFB_DISPLAY:-87}" number said
  for number in $(seq "$first" $((first + 4))); do
    if said="$(parlet_start_xvfb "$number")"; then
      export DISPLAY=":$number"
      case "$said" in started\ *) PARLET_XVFB_PID="${said#started }" ;; esac
      return 0
    fi
    echo "parlet: Xvfb did not answer on :$number; it said:" >&2
    cat "${TMPDIR:-/tmp}/parlet-xvfb-$number.log" >&2 2>/dev/null
  done
  return 1
}
