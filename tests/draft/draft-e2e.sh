#!/usr/bin/env bash
# parlet draft end to end on recordings a real browser made of the demo
# site (record-browser.sh; its Chromium-style export, chromium-style.js):
# the draft passes check and sends through the test provider with another
# number and message; recordings no file can come from give exit 2, one
# line naming the fault, and no output file.
#   draft-e2e.sh PARLET PROVIDER native|wine
# The recordings were made on the demo gateways' port, 18642; like the demo
# files, they are given the provider's port here.
set -u
parlet="$1" provider="$2" mode="$3"
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/parlet draft e2e.XXXXXX")"   # a blank in the path on purpose
failures=0 checks=0

cleanup() {
  [ -n "${provider_pid:-}" ] && kill "$provider_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

path() { if [ "$mode" = wine ]; then winepath -w "$1" 2>/dev/null; else echo "$1"; fi; }
run() { if [ "$mode" = wine ]; then "$here/../wine-run.sh" "$parlet" "$@"; else "$parlet" "$@"; fi; }
check() {   # check NAME CONDITION-EXIT-STATUS
  checks=$((checks + 1))
  if [ "$2" -ne 0 ]; then failures=$((failures + 1)); echo "FAILED: $1"; else echo "ok: $1"; fi
}
contains() { tr -d '\r' <"$1" | grep -qF -- "$2"; }

"$provider" --port 0 --port-file "$work/port" --outbox "$work/outbox.jsonl" --quiet &
provider_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
port="$(cat "$work/port")"

sent="Hello from Chromium & friends: 50% off!"
for har in chromium-websms.har chromium-export-h2.har; do
  sed "s/127\.0\.0\.1:18642/127.0.0.1:$port/g" "$here/$har" >"$work/$har"
  run draft "$(path "$work/$har")" --prefix 43 --number 6641234567 --message "$sent" --user demo --password secret \
    -o "$(path "$work/drafted.ini")" >"$work/out" 2>"$work/err"
  check "$har: draft exits 0" $?
  contains "$work/err" "parlet: check: [Gateway] MaxChars: "; check "$har: the guesses are listed" $?
  contains "$work/drafted.ini" "Key1=sid"; check "$har: the compose page's hidden field is a Key" $?
  run check "$(path "$work/drafted.ini")" >"$work/out" 2>&1
  check "$har: the draft passes check with nothing to report" "$(contains "$work/out" "0 errors, 0 warnings"; echo $?)"
  text="Drafted, then sent: 100% & more ($har)"
  run run "$(path "$work/drafted.ini")" --prefix 43 --number 6609998877 --message "$text" >"$work/out" 2>"$work/err"
  check "$har: the draft sends another message" $?
  contains "$work/outbox.jsonl" "\"to\":\"+436609998877\",\"text\":\"$text\""
  check "$har: the provider took the other number and message" $?
done

# Recordings no file can be drafted from.
printf '' >"$work/empty.har"
head -c 3000 "$here/chromium-websms.har" >"$work/truncated.har"
printf '{"log":{"entries":[{"request":{"method":"POST","url":"http://a/","postData":{"text":"AAFIZWxsbwI=","encoding":"base64"}},"response":{"status":200}}]}}' \
  >"$work/binary.har"
cp "$here/chromium-websms.har" "$work/other.har"
while IFS='|' read -r file message fault; do
  run draft "$(path "$work/$file")" --prefix 43 --number 1 --message "$message" -o "$(path "$work/bad.ini")" \
    >"$work/out" 2>"$work/err"
  check "$file: exit 2" "$([ $? -eq 2 ]; echo $?)"
  check "$file: one line naming the fault" "$(contains "$work/err" "$fault" && [ "$(wc -l <"$work/err")" -eq 1 ]; echo $?)"
  check "$file: no output file" "$([ ! -e "$work/bad.ini" ]; echo $?)"
done <<'CASES'
empty.har|Hello|empty.har: the file is empty
truncated.har|Hello|truncated.har: the file ends early (truncated JSON at line 1, column 3001)
binary.har|Hello|binary.har: entry 1: request.postData.text is binary
other.har|Not what was sent|no entry carries the message "Not what was sent": none of the 8 entries
CASES

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
