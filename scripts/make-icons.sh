#!/usr/bin/env bash
# Makes the plug-in's icons (resources/*.ico), each with 16 x 16 and 32 x 32
# images in 8-bit and 32-bit colour. Run by hand after changing a picture;
# the build uses the .ico files as they are committed. Needs ImageMagick
# (convert), icoutils (icotool) and tango-icon-theme:
#   apt-get install imagemagick icoutils tango-icon-theme
# Sources and licences: resources/icons/README.md.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
tango=/usr/share/icons/Tango
convert=/usr/bin/convert   # ImageMagick's own, whatever else is on the path
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

for tool in "$convert" icotool; do
  command -v "$tool" >/dev/null || { echo "make-icons: $tool is missing" >&2; exit 1; }
done
[ -d "$tango" ] || { echo "make-icons: $tango is missing (tango-icon-theme)" >&2; exit 1; }

# ico NAME SOURCE16 SOURCE32: the 8-bit images are the 32-bit ones reduced
# to a palette, transparency kept as the icon's mask.
ico() {
  local name="$1" s16="$2" s32="$3"
  "$convert" "$s16" -colors 255 "PNG8:$work/$name-16-8.png"
  "$convert" "$s32" -colors 255 "PNG8:$work/$name-32-8.png"
  "$convert" "$s16" "PNG32:$work/$name-16-32.png"
  "$convert" "$s32" "PNG32:$work/$name-32-32.png"
  icotool -c -o "$root/resources/$name.ico" \
    -b 8 "$work/$name-16-8.png" -b 8 "$work/$name-32-8.png" \
    -b 32 "$work/$name-16-32.png" -b 32 "$work/$name-32-32.png"
  echo "resources/$name.ico: $(stat -c %s "$root/resources/$name.ico") bytes"
}

# The phone with a message is drawn here, from its vector drawings.
for size in 16 32; do
  "$convert" -size "${size}x$size" xc:none \
    -draw "$(grep -v '^#' "$root/resources/icons/phone-message-$size.mvg")" "$work/phone-$size.png"
done
ico phone-message "$work/phone-16.png" "$work/phone-32.png"
ico folder "$tango/16x16/places/folder.png" "$tango/32x32/places/folder.png"
ico addressbook "$tango/16x16/mimetypes/x-office-address-book.png" "$tango/32x32/mimetypes/x-office-address-book.png"
