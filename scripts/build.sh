#!/usr/bin/env bash
# Builds the native, sanitizer and Windows configurations under build/.
# Usage: scripts/build.sh [CONFIG[:TARGET,...]]...   (default: native asan win, everything)
#   CONFIG is native, asan or win; TARGETs limit the build to those targets,
#   e.g. scripts/build.sh native:parlet_tool,parlet-provider
# A configuration is configured only when it has never been or when
# PARLET_WERROR asks for another setting than it has; after that the build
# tool configures again by itself when a CMakeLists.txt changes. The build
# prints one line per step. Runs that share a build folder take turns.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
jobs="${PARLET_JOBS:-$(nproc)}"
# PARLET_WERROR=ON makes every warning an error (scripts/test.sh sets it).
werror="${PARLET_WERROR:-OFF}"
requests=("$@")
[ ${#requests[@]} -gt 0 ] || requests=(native asan win)

configure() {
  local t="$1" dir="build/$1"
  if [ -f "$dir/build.ninja" ] && grep -qx "PARLET_WERROR:BOOL=$werror" "$dir/CMakeCache.txt" 2>/dev/null; then
    return 0
  fi
  echo "== configuring $t"
  case "$t" in
    native) cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPARLET_WERROR="$werror" ;;
    asan)   cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPARLET_SANITIZE=ON -DPARLET_WERROR="$werror" ;;
    win)    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPARLET_WERROR="$werror" \
              -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DPARLET_NATIVE_TOOLS="$root/build/native" ;;
  esac >"build/configure-$t.log" 2>&1 || { cat "build/configure-$t.log" >&2; return 1; }
}

mkdir -p build
for request in "${requests[@]}"; do
  t="${request%%:*}"
  targets=()
  [ "$request" != "$t" ] && IFS=, read -r -a targets <<<"${request#*:}"
  case "$t" in
    native|asan|win) ;;
    *) echo "build: unknown configuration $t (native, asan or win)" >&2; exit 2 ;;
  esac
  (
    flock 9
    configure "$t"
    echo "== building $t${targets[*]:+ (${targets[*]})}"
    ninja -C "build/$t" -j "$jobs" "${targets[@]}"
  ) 9>"build/.build-$t.lock"
done
