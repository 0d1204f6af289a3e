#!/usr/bin/env bash
# The "HTTP APIs" part of docs/gateway-authoring.md, run as written against
# the test provider: every ```sh block of the part in one shell, in order
# (its folder /tmp/guide in a private one), each line of the ``` block after
# it found in what the block printed (PORT for the port, "..." lines
# skipped); then what the provider's outbox got.
#   guide-api.sh PARLET PROVIDER GUIDE native|wine
set -u
parlet_program="$1" provider="$2" guide="$3" mode="$4"
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/parlet-guide-api.XXXXXX")"
failures=0 checks=0

cleanup() {
  [ "$mode" = wine ] && parlet_wine_end
  [ -n "${provider_pid:-}" ] && kill "$provider_pid" 2>/dev/null && wait "$provider_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
if [ "$mode" = wine ]; then
  . "$here/../wine-session.sh"
  parlet_wine_begin || { echo "FAILED: could not begin a Wine session"; exit 1; }
fi
check() {
  checks=$((checks + 1))
  if [ "$2" -ne 0 ]; then failures=$((failures + 1)); echo "FAILED: $1"; else echo "ok: $1"; fi
}

"$provider" --port 0 --port-file "$work/port" --outbox "$work/outbox.jsonl" --quiet &
provider_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
port="$(cat "$work/port")"

# The part's blocks: block N's commands in work/N.sh, its expected lines in work/N.out.
awk -v dir="$work" '
  /^## / { inPart = ($0 ~ /^## [0-9]+\. HTTP APIs/) }
  !inPart { next }
  /^```sh$/ { n++; file = dir "/" n ".sh"; next }
  /^```$/ && file == "" && n > 0 { file = dir "/" n ".out"; printf "" > file; next }
  /^```$/ { file = ""; next }
  file != "" { print > file }
' "$guide"
blocks=$(ls "$work"/*.sh 2>/dev/null | wc -l)
check "the part has command blocks" "$([ "$blocks" -ge 4 ]; echo $?)"

if [ "$mode" = wine ]; then
  parlet() { "$here/../wine-run.sh" "$parlet_program" "$@"; }
else
  parlet() { "$parlet_program" "$@"; }
fi
export -f parlet 2>/dev/null
export parlet_program here mode port
for n in $(seq "$blocks"); do
  sed "s#/tmp/guide#$work/guide#g" "$work/$n.sh" >"$work/$n.run"
  (cd "$work" && . "$work/$n.run") >"$work/$n.got" 2>&1
  tr -d '\r' <"$work/$n.got" | sed "s#$work/guide#/tmp/guide#g; s/127\.0\.0\.1:$port/127.0.0.1:PORT/g" >"$work/$n.shown"
  [ -f "$work/$n.out" ] || continue
  while IFS= read -r line; do
    [ -z "$line" ] || [ "$line" = "..." ] && continue
    grep -qxF -- "$line" "$work/$n.shown"
    check "block $n prints: $line" $?
  done <"$work/$n.out"
done

# What the provider got: the token flow's message, every character as typed.
grep -qF "$(printf '"route":"token","user":"client","to":"tel:+491701234567","text":"Say \\"hi\\" \\\\ back\\nGrüße €","from":"tel:+49170000000"')" "$work/outbox.jsonl"
check "the token API got the exact message" $?
check "the message too long was not taken" "$(grep -q '"route":"token".*xxxxxxxxxx' "$work/outbox.jsonl"; [ $? -eq 1 ]; echo $?)"

# The redacted recording holds no token: as it stands, JSON-escaped with its
# slashes, form-encoded (the engine's and the usual way).
token="$(curl -s -u client:s3cret -d grant_type=client_credentials "http://127.0.0.1:$port/oauth/token" | python3 -c 'import json,sys; print(json.load(sys.stdin)["access_token"])')"
check "the provider hands out a token" "$([ -n "$token" ]; echo $?)"
leaks=0
for form in "$token" "${token//\//\\/}" \
  "$(python3 -c 'import sys; print("".join(c if c.isalnum() else "%%%02X" % ord(c) for c in sys.argv[1]))' "$token")" \
  "$(python3 -c 'import sys, urllib.parse; print(urllib.parse.quote_plus(sys.argv[1]))' "$token")"; do
  grep -qF -- "$form" "$work/guide/api/token-api.har" && leaks=$((leaks + 1))
done
check "the redacted recording holds no token in any form" "$([ -s "$work/guide/api/token-api.har" ] && [ "$leaks" -eq 0 ]; echo $?)"
check "no command printed the token" "$(cat "$work"/*.shown | grep -qF -- "$token"; [ $? -eq 1 ]; echo $?)"
[ "$failures" -gt 0 ] && for n in $(seq "$blocks"); do echo "== block $n"; cat "$work/$n.shown"; done
echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
