#!/usr/bin/env bash
# gateways/kannel.ini against a real Kannel: bearerbox, smsbox and Kannel's
# fake SMSC on free ports in a private folder, driven by the parlet command
# line (natively, or parlet.exe under Wine):
#   kannel-test.sh PARLET GATEWAYS native|wine
# A wrong password fails with Kannel's 403 and the next gateway sends; a
# message beyond the ASCII letters arrives whole; a long message arrives as
# labelled parts. Everything it started is stopped by its PID, also on failure.
set -u
parlet="$1" gateways="$2" mode="$3"
here="$(cd "$(dirname "$0")" && pwd)"
for program in /usr/sbin/bearerbox /usr/sbin/smsbox /usr/lib/kannel/test/fakesmsc; do
  if [ ! -x "$program" ]; then
    echo "SKIPPED: $program is missing (scripts/install-deps.sh installs kannel and kannel-extras)"
    exit 77
  fi
done
work="$(mktemp -d "${TMPDIR:-/tmp}/parlet kannel.XXXXXX")"   # a blank in the path on purpose
pids=()
failures=0 checks=0

cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  rm -rf "$work"
}
trap cleanup EXIT

check() {   # check NAME EXIT-STATUS-OF-THE-CONDITION
  checks=$((checks + 1))
  if [ "$2" -ne 0 ]; then failures=$((failures + 1)); echo "FAILED: $1"; else echo "ok: $1"; fi
}
path() { if [ "$mode" = wine ]; then winepath -w "$1" 2>/dev/null; else echo "$1"; fi; }
run() { if [ "$mode" = wine ]; then "$here/../wine-run.sh" "$parlet" "$@"; else "$parlet" "$@"; fi; }
listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
# A port nothing listens on and none of the others chosen; Kannel refuses to
# start on a taken one. Taken below the kernel's range of ephemeral ports, so
# that no test provider on port 0 or outgoing connection takes it meanwhile.
ephemeral_low=$(cut -f1 /proc/sys/net/ipv4/ip_local_port_range 2>/dev/null || echo 32768)
[ "$ephemeral_low" -gt 21000 ] 2>/dev/null || ephemeral_low=32768
chosen=" "
free_port() {   # free_port VAR
  local port
  while :; do
    port=$((20000 + RANDOM % (ephemeral_low - 20000)))
    case "$chosen" in *" $port "*) continue ;; esac
    listening "$port" || { chosen="$chosen$port "; printf -v "$1" '%s' "$port"; return; }
  done
}
wait_for() {   # wait_for WHAT COMMAND...: up to 20 s for a condition
  for _ in $(seq 200); do "${@:2}" && return 0; sleep 0.1; done
  echo "FAILED: $1 (logs below)"
  tail -n 20 "$work"/*.log "$work"/fakesmsc.out
  exit 1
}

free_port admin; free_port box; free_port smsc; free_port sendsms
cat >"$work/kannel.conf" <<EOF
group = core
admin-port = $admin
admin-password = parlet
admin-allow-ip = "127.0.0.1"
smsbox-port = $box
box-allow-ip = "127.0.0.1"
log-file = "$work/bearerbox.log"
log-level = 1

group = smsc
smsc = fake
smsc-id = fake
port = $smsc
connect-allow-ip = "127.0.0.1"

group = smsbox
bearerbox-host = 127.0.0.1
bearerbox-port = $box
sendsms-port = $sendsms
log-file = "$work/smsbox.log"
log-level = 1

group = sendsms-user
username = demo
password = secret

group = sms-service
keyword = default
text = "No service"
EOF

(cd "$work" && exec /usr/sbin/bearerbox kannel.conf >"$work/bearerbox.out" 2>&1) &
pids+=($!)
wait_for "bearerbox listens" listening "$box"
# The fake SMSC prints every message Kannel hands it ("Got message N: <from to text ...>").
/usr/lib/kannel/test/fakesmsc -H 127.0.0.1 -r "$smsc" -m 0 "1 2 text unused" >"$work/fakesmsc.out" 2>&1 &
pids+=($!)
(cd "$work" && exec /usr/sbin/smsbox kannel.conf >"$work/smsbox.out" 2>&1) &
pids+=($!)
wait_for "smsbox takes sendsms requests" listening "$sendsms"
wait_for "the fake SMSC is online" grep -q "Fakesmsc client connected" "$work/bearerbox.log"

mkdir -p "$work/gw"
kannel_file() {   # kannel_file NAME PASSWORD: the shipped file, edited as its comment says
  sed -e '/^Editme=1/d' -e "s/127\\.0\\.0\\.1:13013/127.0.0.1:$sendsms/" -e 's/^Username=.*/Username=demo/' \
      -e "s/^Password=.*/Password=$2/" -e "s/^Name=.*/Name=$1/" "$gateways/kannel.ini" | tr -d '\r'
}
kannel_file "Kannel (wrong password)" wrong >"$work/gw/wrong.ini"
kannel_file "Kannel" secret >"$work/gw/kannel.ini"
printf '1;wrong.ini\n1;kannel.ini\n' >"$work/gw/gateways.ord"
gw="$(path "$work/gw")"
arrived() { grep -cF -- "$1" "$work/fakesmsc.out"; }

# 1. The wrong password fails with Kannel's 403, the next gateway sends.
run send --gateways "$gw" --to +436641234567 --sender 4366099999 --message "Hello from Parlet" >"$work/out" 2>"$work/err"
check "send exits 0" $?
grep -qF "wrong.ini, user demo: HttpError: HTTP 403: Forbidden" "$work/err"; check "the wrong password fails with 403" $?
grep -qF "kannel.ini, user demo: Sent:" "$work/err"; check "the next gateway sends" $?
wait_for "the message reaches the SMSC" grep -qF "<4366099999 +436641234567 text Hello from Parlet>" "$work/fakesmsc.out"
check "it arrives once" "$([ "$(arrived "Hello from Parlet")" -eq 1 ]; echo $?)"

# 2. Text beyond ASCII: the file names the message's encoding ($Charset).
run send --gateways "$gw" --to +491701234567 --sender 4366099999 --message "Grüße aus Wien" >"$work/out" 2>"$work/err"
check "send of umlauts exits 0" $?
wait_for "the umlauts reach the SMSC whole" grep -qF "text Grüße aus Wien>" "$work/fakesmsc.out"

# 3. A long message split into labelled parts, each its own request.
long="$(printf 'k%.0s' $(seq 300))"
run send --gateways "$gw" --to +436641234567 --sender 4366099999 --message "$long" --split 3 --number-parts \
  >"$work/out" 2>"$work/err"
check "split send exits 0" $?
wait_for "part 1 arrives" grep -qF "text 1/2$(printf 'k%.0s' $(seq 154))>" "$work/fakesmsc.out"
wait_for "part 2 arrives" grep -qF "text 2/2$(printf 'k%.0s' $(seq 146))>" "$work/fakesmsc.out"
# The first part moved the failing gateway to the end: the second goes straight to Kannel.
check "the wrong password failed once, Kannel sent both parts" \
  "$([ "$(grep -c "wrong.ini, user demo: HttpError" "$work/err")" -eq 1 ] &&
     [ "$(grep -c "kannel.ini, user demo: Sent" "$work/err")" -eq 2 ]; echo $?)"

echo "$checks checks, $failures failed"
[ "$failures" -eq 0 ]
