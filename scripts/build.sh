#!/usr/bin/env bash
# Builds the native, sanitizer and Windows configurations under build/.
# Usage: scripts/build.sh [native|asan|win]...   (default: all three)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
jobs="${PARLET_JOBS:-$(nproc)}"
# PARLET_WERROR=ON makes every warning an error (scripts/test.sh sets it).
werror="-DPARLET_WERROR=${PARLET_WERROR:-OFF}"
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(native asan win)

for t in "${targets[@]}"; do
  case "$t" in
    native) cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$werror" >/dev/null ;;
    asan)   cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPARLET_SANITIZE=ON "$werror" >/dev/null ;;
    win)    cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$werror" \
              -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DPARLET_NATIVE_TOOLS="$root/build/native" >/dev/null ;;
    *) echo "build: unknown configuration $t" >&2; exit 2 ;;
  esac
  echo "== building $t"
  ninja -C "build/$t" -j "$jobs"
done
