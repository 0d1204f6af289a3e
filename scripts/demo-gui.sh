#!/usr/bin/env bash
# The main job through the real send dialog: builds what is missing, begins
# a Wine session of its own (a free X display, a private Wine prefix, a wine
# server) and starts the demo provider, loads parlet.dll into the test host
# under Wine and runs scripts/demo-gui.scn: the dialog opens from the main
# menu, a prefix is selected, a number and a message are typed, Send is
# pressed and the status line shows "Message sent successfully". Prints the
# transcript, the log and the provider's outbox, and saves the dialog as
# build/images/send-dialog.png (compressed).
#   scripts/demo-gui.sh [--update-docs]   the picture goes to docs/images/ instead
# Everything it started (the Xvfb, the wine server, the provider) is stopped
# when it ends, fails or is interrupted; runs at the same time never meet.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
images="$root/build/images"
case "${1:-}" in
  "") ;;
  --update-docs) images="$root/docs/images" ;;
  *) echo "usage: $0 [--update-docs]" >&2; exit 2 ;;
esac

bash scripts/install-deps.sh || exit 1
bash scripts/build.sh native:parlet-provider win:parlet,parlet-host || exit 1
echo

. tests/wine-session.sh
trap parlet_wine_end EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
parlet_wine_begin || { echo "demo-gui: could not begin a Wine session" >&2; exit 1; }

# The picture is taken into the session's folder and moved into place whole.
shots="$(mktemp -d "$root/build/wine-runs/shots.XXXXXX")"
trap 'rm -rf "$shots"; parlet_wine_end' EXIT
# In a Wine desktop window Wine draws the dialog's frame itself.
PARLET_DESKTOP=640x480 bash tests/gui/run-scenario.sh build/win/host/parlet-host.exe build/win/src/parlet.dll \
  scripts/demo-gui.scn build/native/provider/parlet-provider "$shots"
status=$?
echo "(exit status $status)"
if [ $status -eq 0 ]; then
  mkdir -p "$images"
  python3 scripts/squeeze-png.py "$shots/send-dialog.png" && mv "$shots/send-dialog.png" "$images/send-dialog.png" || status=1
  [ $status -eq 0 ] && echo "screenshot: ${images#$root/}/send-dialog.png ($(stat -c %s "$images/send-dialog.png") bytes)"
fi
exit $status
