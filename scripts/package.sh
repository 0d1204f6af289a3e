#!/usr/bin/env bash
# Makes the release package build/parlet-VERSION-win32.zip, laid out as it
# unpacks into the host's folder: Plugins/parlet.dll, the gateway files meant
# for users in Gateways/, the user's guide with its pictures, the language
# pack template and the licence in Docs/, parlet.exe in Tools/ (both
# stripped). The layout is cmake/Package.cmake's; the Wine test
# package_install unpacks it and sends through it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh
# A package never ships a language pack template that misses a text.
if ! check="$(python3 scripts/langpack.py --check 2>&1)"; then
  echo "$check" >&2
  exit 1
fi
bash scripts/build.sh win:parlet_package
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win/CMakeCache.txt)"
zip="build/parlet-$version-win32.zip"
cp "build/win/parlet-$version-win32.zip" "$zip.tmp"
mv "$zip.tmp" "$zip"
echo
cmake -E tar tvf "$zip"
echo "package: $zip ($(stat -c %s "$zip") bytes)"
