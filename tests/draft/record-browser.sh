#!/usr/bin/env bash
# Records tests/draft/chromium-websms.har again: a person's session on the
# demo provider's web site, played in headless Chromium (Debian's package)
# by playwright-core (npm registry), which writes the browser's HAR.
#   bash tests/draft/record-browser.sh [OUT.har]
# Needs build/native (the provider), chromium and npm. Run by hand; the
# tests use the committed recording. The provider listens on 18642, the
# demo gateways' port, so tests move the port in the HAR as in the files.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
out="$(realpath -m "${1:-$root/tests/draft/chromium-websms.har}")"
port=18642
modules="$root/build/browser-recorder"
work="$(mktemp -d)"
provider_pid=""
cleanup() {
  [ -n "$provider_pid" ] && kill "$provider_pid" 2>/dev/null && wait "$provider_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

[ -x /usr/bin/chromium ] || { echo "record-browser: apt-get install chromium" >&2; exit 1; }
if [ ! -d "$modules/node_modules/playwright-core" ]; then
  npm install --no-audit --no-fund --prefix "$modules" playwright-core@1.65.1 >/dev/null
fi

"$root/build/native/provider/parlet-provider" --port "$port" --port-file "$work/port" \
  --outbox "$work/outbox.jsonl" --quiet &
provider_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
[ -s "$work/port" ] || { echo "record-browser: the provider did not start on port $port" >&2; exit 1; }

NODE_PATH="$modules/node_modules" node "$root/tests/draft/record-browser.js" "http://127.0.0.1:$port" \
  "$work/session.har" "+436641234567" "Hello from Chromium & friends: 50% off!" demo secret
mv "$work/session.har" "$out"
echo "record-browser: wrote $out; the provider's outbox:"
cat "$work/outbox.jsonl"
