#!/usr/bin/env bash
# The main job, against the bundled demo provider: starts the test provider
# on a free loopback port and sends one message through the example gateway files in
# gateways/demo. The first gateway fails (wrong password); the second logs in
# through a web form and succeeds. Prints the outcome, the log and the
# provider's outbox.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh || exit 1
# The first run builds for a minute or two (a line per step); later runs
# only check that nothing changed.
bash scripts/build.sh native:parlet_tool,parlet-provider || exit 1
echo

work="$(mktemp -d "${TMPDIR:-/tmp}/parlet-demo.XXXXXX")"
# The provider this run started is stopped by its PID, also on failure or
# interrupt.
cleanup() {
  if [ -n "${provider_pid:-}" ]; then
    kill "$provider_pid" 2>/dev/null
    wait "$provider_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The provider takes a free port of its own choosing, so that nothing else
# listening on loopback (a leftover provider, say) can ever answer the demo.
build/native/provider/parlet-provider --port 0 --port-file "$work/port" --outbox "$work/outbox.jsonl" --quiet &
provider_pid=$!
for _ in $(seq 100); do
  [ -s "$work/port" ] && break
  kill -0 "$provider_pid" 2>/dev/null || break
  sleep 0.05
done
port="$(cat "$work/port" 2>/dev/null)"
if [ -z "$port" ]; then
  echo "demo: the demo provider did not start" >&2
  exit 1
fi

# A copy that names the provider's port, so that the run never changes the
# files in the repository.
mkdir -p "$work/gateways"
for f in gateways/demo/*; do
  sed "s/127\.0\.0\.1:18642/127.0.0.1:$port/g" "$f" >"$work/gateways/$(basename "$f")"
done
echo "(the demo provider listens on 127.0.0.1:$port)"
echo

echo "== parlet gateways"
build/native/cli/parlet gateways "$work/gateways"
echo
echo "== parlet send"
build/native/cli/parlet send --gateways "$work/gateways" --prefix 43 --number 6641234567 \
  --message "Hello from Parlet! Meet me at 8." --log "$work/sms_log.txt"
status=$?
echo "(exit status $status)"
echo
echo "== the log"
cat "$work/sms_log.txt"
echo
echo "== the demo provider's outbox"
cat "$work/outbox.jsonl" 2>/dev/null || echo "(empty)"
exit $status
