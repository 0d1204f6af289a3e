#!/usr/bin/env bash
# Configures the project with CMake's default generator (what a packager or
# an IDE gets without -G) in a folder of its own and builds the plug-in DLL
# alone, through its lean link. A second run only checks that it is built.
#   tests/dll-generator.sh SOURCE_ROOT BUILD_DIR OBJDUMP [PARLET_WERROR]
set -u
root="$1" dir="$2" objdump="$3" werror="${4:-OFF}"
unset CMAKE_GENERATOR   # the default generator, not the caller's
mkdir -p "$dir"
if ! cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=MinSizeRel \
     -DPARLET_BENCH=OFF -DPARLET_WERROR="$werror" >"$dir/configure.log" 2>&1; then
  cat "$dir/configure.log"
  echo "FAILED: configuring"
  exit 1
fi
generator="$(sed -n 's/^CMAKE_GENERATOR:INTERNAL=//p' "$dir/CMakeCache.txt")"
echo "generator: $generator"
[ "$generator" != Ninja ] || { echo "FAILED: the default generator here is Ninja; nothing to show"; exit 1; }
# A run that passed leaves a stamp; a later run that links nothing anew
# stands on it.
stamp="$dir/lean-link.passed"
passed_before=no
[ -f "$stamp" ] && passed_before=yes
rm -f "$stamp"
if ! cmake --build "$dir" --target parlet -j "${PARLET_JOBS:-2}" >"$dir/build.log" 2>&1; then
  tail -n 40 "$dir/build.log"
  echo "FAILED: building the DLL"
  exit 1
fi
# The lean link reports what it left out; without that line it did not run.
if grep -q "Linking CXX shared library parlet.dll" "$dir/build.log"; then
  grep -hE "^lean-link: [0-9]+ unused" "$dir/build.log" ||
    { echo "FAILED: the DLL was not linked through lean-link.py"; exit 1; }
elif [ "$passed_before" = no ]; then
  echo "FAILED: the DLL was not linked, and no earlier run passed"
  exit 1
else
  echo "(the DLL was up to date)"
fi
dll="$dir/src/parlet.dll"
exports="$("$objdump" -p "$dll" 2>/dev/null)"
for name in MirandaPluginInfoEx Load Unload; do
  grep -qE "^[[:space:]]*\[ *[0-9]+\] $name\$" <<<"$exports" || { echo "FAILED: $dll exports no $name"; exit 1; }
done
echo "$dll: $(stat -c %s "$dll") bytes, exports MirandaPluginInfoEx, Load, Unload"
touch "$stamp"
