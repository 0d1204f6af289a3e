#!/usr/bin/env bash
# Runs a scenario of the test host against the plug-in under Wine, with a
# fresh copy of the demo gateways pointed at a running test provider.
#   run-scenario.sh PARLET_HOST PLUGIN SCENARIO PROVIDER_PROGRAM [IMAGE_DIR]
# It starts the native test provider on a free loopback port. The scenario
# sees ${PARLET_WORK} (its working folder), ${PARLET_GATEWAYS}, ${PARLET_PORT},
# ${PARLET_OUTBOX} (the provider's outbox) and ${PARLET_IMAGES} (IMAGE_DIR,
# else the working folder), all in Windows form; the database starts with
# GatewayPath and the log on. The log is printed after the run.
set -u
host="$1" plugin="$2" scenario="$3" provider="$4" images="${5:-}"
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"

work="$(mktemp -d "${TMPDIR:-/tmp}/parlet-gui.XXXXXX")"
# A provider still serving a slow request would keep the output open until
# it ends: it gets two seconds, then it is killed.
cleanup() {
  if [ -n "${provider_pid:-}" ]; then
    kill "$provider_pid" 2>/dev/null
    for _ in $(seq 40); do kill -0 "$provider_pid" 2>/dev/null || break; sleep 0.05; done
    kill -KILL "$provider_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
"$provider" --port 0 --port-file "$work/port" --outbox "$work/outbox.jsonl" --quiet &
provider_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
port="$(cat "$work/port" 2>/dev/null)"
[ -n "$port" ] || { echo "the test provider did not start" >&2; exit 1; }
: >"$work/outbox.jsonl"
mkdir "$work/gateways"
# PARLET_SCENARIO_GATEWAYS names another folder of gateway files for the
# scenario; the demo's by default.
for f in "${PARLET_SCENARIO_GATEWAYS:-$root/gateways/demo}"/*; do
  sed "s/127\.0\.0\.1:18642/127.0.0.1:$port/g" "$f" >"$work/gateways/$(basename "$f")"
done
winpath() { local p="$1"; echo "Z:${p//\//\\}"; }
quoted() { local p="$1"; p="${p//\\/\\\\}"; echo "\"$p\""; }
export PARLET_WORK="$(winpath "$work")"
export PARLET_GATEWAYS="$(winpath "$work/gateways")"
export PARLET_PORT="$port"
export PARLET_OUTBOX="$(winpath "$work/outbox.jsonl")"
export PARLET_IMAGES="$(winpath "${images:-$work}")"
cat >"$work/db.txt" <<DB
parlet-standin-database 1
setting 0 "Parlet-Plugin" "GatewayPath" text $(quoted "$PARLET_GATEWAYS")
setting 0 "Parlet-Plugin" "DoLog" byte 1
setting 0 "Parlet-Plugin" "Logfile" text $(quoted "$PARLET_WORK\\sms_log.txt")
end
DB

# PARLET_DESKTOP=WxH runs the host in a Wine desktop window of that size,
# where Wine draws the windows' frames itself (for screenshots).
desktop=()
[ -n "${PARLET_DESKTOP:-}" ] && desktop=(explorer "/desktop=parlet,$PARLET_DESKTOP")
# A Wine session of the scenario's own (display, prefix, wine server), so
# that scenarios run side by side without taking each other's focus or
# registry: never the caller's.
unset PARLET_WINE_SESSION PARLET_XVFB_DISPLAY PARLET_WINEPREFIX
bash "$root/tests/wine-run.sh" "${desktop[@]}" "$host" --db "$(winpath "$work/db.txt")" --scenario "$(winpath "$scenario")" \
  --langpack "$(winpath "$root/resources/langpack_parlet.txt")" "$(winpath "$plugin")"
status=$?
echo "== host exit code $status"
echo "== the log"
cat "$work/sms_log.txt" 2>/dev/null | tail -n 40
exit $status
