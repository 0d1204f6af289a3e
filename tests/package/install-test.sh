#!/usr/bin/env bash
# Unpacks the release package into a fresh folder laid out like a host
# installation (the test host as miranda32.exe beside Plugins\, Gateways\,
# Docs\, Tools\), checks what it holds, fills in one shipped gateway file as
# the user's guide says (Kannel's, pointed at a running test provider), and
# sends a message through the send dialog of the DLL loaded from there, under
# Wine: the other shipped files take no part (no box about them).
#   install-test.sh ZIP PARLET_HOST PROVIDER_PROGRAM
set -u
zip="$1" host="$2" provider="$3"
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/parlet-install.XXXXXX")"
cleanup() {
  if [ -n "${provider_pid:-}" ]; then
    kill "$provider_pid" 2>/dev/null
    wait "$provider_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; exit 1; }

install="$work/Miranda IM"
mkdir -p "$install"
(cd "$install" && cmake -E tar xf "$zip") || fail "cannot unpack $zip"
echo "== unpacked $(basename "$zip")"
(cd "$install" && find . -type f | sort)
for f in Plugins/parlet.dll Tools/parlet.exe Docs/user-guide.md Docs/langpack_parlet.txt Docs/LICENSE.txt; do
  [ -s "$install/$f" ] || fail "the package lacks $f"
done
grep -o 'images/[^)]*\.png' "$install/Docs/user-guide.md" | sort -u | while read -r image; do
  [ -s "$install/Docs/$image" ] || { echo "FAILED: the guide shows $image, which the package lacks"; exit 1; }
done || exit 1
[ -z "$(ls -R "$install/Gateways" | grep -i demo)" ] || fail "the package ships demo gateways"
[ -z "$(ls "$install/Gateways" | grep -i '\.ini$')" ] || fail "the package puts gateway files into the gateway folder"
[ -f "$install/Gateways/Examples/kannel.ini" ] || fail "the package lacks Gateways/Examples/kannel.ini"
for gateway in "$install"/Gateways/Examples/*.ini; do
  [ -f "$gateway" ] || continue
  if grep -qE '\$User|\$Pass|^[[:space:]]*Auth[[:space:]]*=' "$gateway" &&
     ! grep -qiE '^[[:space:]]*Editme[[:space:]]*=[[:space:]]*[^[:space:]]' "$gateway"; then
    fail "$(basename "$gateway") needs an account but has no Editme=1"
  fi
done
cmp -s "$install/Docs/langpack_parlet.txt" "$root/resources/langpack_parlet.txt" || fail "the language pack differs"

cp "$host" "$install/miranda32.exe"
"$provider" --port 0 --port-file "$work/port" --outbox "$work/outbox.jsonl" --quiet &
provider_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
port="$(cat "$work/port" 2>/dev/null)"
[ -n "$port" ] || fail "the test provider did not start"
: >"$work/outbox.jsonl"
# The guide's first steps: one example filled in (the smsbox's address, the
# account, no Editme line) and copied into the gateway folder.
sed -e "s/127\.0\.0\.1:13013/127.0.0.1:$port/" -e 's/^Username=.*/Username=demo/' -e 's/^Password=.*/Password=secret/' \
    -e '/^Editme=/d' "$install/Gateways/Examples/kannel.ini" >"$install/Gateways/kannel.ini"
grep -q "127.0.0.1:$port" "$install/Gateways/kannel.ini" || fail "kannel.ini has no smsbox address to fill in"

winpath() { local p="$1"; echo "Z:${p//\//\\}"; }
export PARLET_OUTBOX="$(winpath "$work/outbox.jsonl")"
# No "GatewayPath": the plug-in takes .\Gateways beside the host program.
# The log goes to its default name in the host's working folder.
cat >"$work/db.txt" <<DB
parlet-standin-database 1
setting 0 "Parlet-Plugin" "DoLog" byte 1
end
DB

echo "== the host in $install"
cd "$install" || exit 1
bash "$root/tests/wine-run.sh" miranda32.exe --db "$(winpath "$work/db.txt")" \
  --scenario "$(winpath "$here/install.scn")" --langpack 'Docs\langpack_parlet.txt' 'Plugins\parlet.dll'
status=$?
echo "== host exit code $status"
[ -s "$install/sms_log.txt" ] || fail "no log in the installation's folder"
grep -q "Processing Gateway" "$install/sms_log.txt" || fail "the log shows no gateway run"
echo "== the log ($install/sms_log.txt)"
tail -n 20 "$install/sms_log.txt"
exit $status
