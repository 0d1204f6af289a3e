#!/usr/bin/env bash
# Takes the pictures the README and the user's guide show, by running their
# GUI scenarios against the real DLL under Wine in a Wine session of its own,
# and compresses them:
#   send-dialog.png (scripts/demo-gui.scn), options-general.png,
#   options-order.png, options-outbox.png, options-credit.png, addressbook.png and
#   phone-editor.png (tests/gui/).
#   scripts/pictures.sh [--update-docs] [SCENARIO...]
# The pictures go to build/images/, or with --update-docs to docs/images/.
# SCENARIOs (file names without .scn, e.g. options-order) limit the run.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
images="$root/build/images"
if [ "${1:-}" = --update-docs ]; then
  images="$root/docs/images"
  shift
fi
# name, scenario file, desktop size
all=("demo-gui scripts/demo-gui.scn 640x480"
     "options-general tests/gui/options-general.scn 800x600"
     "options-order tests/gui/options-order.scn 800x600"
     "outbox tests/gui/outbox.scn 800x600"
     "credit tests/gui/credit.scn 800x600"
     "addressbook tests/gui/addressbook.scn 800x600")
wanted=("$@")

bash scripts/build.sh native:parlet-provider win:parlet,parlet-host,testwab || exit 1
. tests/wine-session.sh
shots=""
trap 'rm -rf "$shots"; parlet_wine_end' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
parlet_wine_begin || { echo "pictures: could not begin a Wine session" >&2; exit 1; }
shots="$(mktemp -d "$root/build/wine-runs/shots.XXXXXX")"
export PARLET_TESTWAB="$root/build/win/tests/wab/testwab.dll"

status=0
for entry in "${all[@]}"; do
  read -r name scenario desktop <<<"$entry"
  if [ ${#wanted[@]} -gt 0 ] && [[ " ${wanted[*]} " != *" $name "* ]]; then continue; fi
  echo "== $name"
  if ! PARLET_DESKTOP="$desktop" bash tests/gui/run-scenario.sh build/win/host/parlet-host.exe \
       build/win/src/parlet.dll "$scenario" build/native/provider/parlet-provider "$shots" >"$shots/$name.log" 2>&1; then
    echo "pictures: the scenario $scenario failed:" >&2
    tail -n 30 "$shots/$name.log" >&2
    status=1
  fi
done
mkdir -p "$images"
for png in "$shots"/*.png; do
  [ -f "$png" ] || continue
  python3 scripts/squeeze-png.py "$png" && mv "$png" "$images/" || status=1
  echo "picture: ${images#$root/}/$(basename "$png") ($(stat -c %s "$images/$(basename "$png")") bytes)"
done
exit $status
