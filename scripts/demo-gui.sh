#!/usr/bin/env bash
# The main job through the real send dialog: builds what is missing, starts
# a private X server and the demo provider, loads parlet.dll into the test
# host under Wine and runs scripts/demo-gui.scn: the dialog opens from the
# main menu, a prefix is selected, a number and a message are typed, Send is
# pressed and the status line shows "Message sent successfully". Prints the
# transcript, the log and the provider's outbox, and saves the dialog as
# docs/images/send-dialog.png.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
jobs="${PARLET_JOBS:-$(nproc)}"

bash scripts/install-deps.sh || exit 1
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
ninja -C build/native -j "$jobs" parlet-provider >/dev/null || exit 1
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DPARLET_NATIVE_TOOLS="$root/build/native" >/dev/null || exit 1
ninja -C build/win -j "$jobs" parlet parlet-host >/dev/null || exit 1

# A private X server, so the demo neither needs nor disturbs a desktop.
. tests/ensure-display.sh
number=""
for n in $(seq 140 160); do
  if ! parlet_display_answers ":$n" && [ ! -e "/tmp/.X11-unix/X$n" ]; then number=$n; break; fi
done
[ -n "$number" ] || { echo "demo-gui: no free display number" >&2; exit 1; }
Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null' EXIT
for _ in $(seq 100); do parlet_display_answers ":$number" && break; sleep 0.1; done
export DISPLAY=":$number"

mkdir -p docs/images
# In a Wine desktop window Wine draws the dialog's frame itself.
PARLET_DESKTOP=640x480 bash tests/gui/run-scenario.sh build/win/host/parlet-host.exe build/win/src/parlet.dll \
  scripts/demo-gui.scn build/native/provider/parlet-provider "$root/docs/images"
status=$?
echo "(exit status $status)"
png=docs/images/send-dialog.png
if [ $status -eq 0 ] && command -v python3 >/dev/null; then
  # The test host writes uncompressed image data; squeeze it for the repository.
  python3 - "$png" <<'PY'
import struct, sys, zlib
path = sys.argv[1]
data = open(path, 'rb').read()
out, pos, idat = [data[:8]], 8, b''
def chunk(kind, body):
    return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
while pos < len(data):
    n = struct.unpack('>I', data[pos:pos + 4])[0]
    kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + n]
    pos += 12 + n
    if kind == b'IDAT':
        idat += body
        continue
    if kind == b'IEND':
        out.append(chunk(b'IDAT', zlib.compress(zlib.decompress(idat), 9)))
    out.append(chunk(kind, body))
open(path, 'wb').write(b''.join(out))
PY
fi
[ $status -eq 0 ] && echo "screenshot: $png ($(stat -c %s "$png") bytes)"
exit $status
