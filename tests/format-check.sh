#!/usr/bin/env bash
# Fails when the product code (src, cli, host) differs from the layout in
# .clang-format, and names the files. Fix them with
#   clang-format -i FILE...
# Skips (exit 77) only when clang-format is not installed.
#   tests/format-check.sh [source root]
set -u
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
cd "$root" || exit 1

# The layout was tuned with clang-format 14, the version Debian 12 installs.
format=""
for candidate in "${CLANG_FORMAT:-}" clang-format-14 clang-format; do
  if [ -n "$candidate" ] && command -v "$candidate" >/dev/null 2>&1; then
    format="$candidate"
    break
  fi
done
if [ -z "$format" ]; then
  echo "format check skipped: clang-format is not installed (scripts/install-deps.sh installs it)"
  exit 77
fi

mapfile -t files < <(find src cli host -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
if [ ${#files[@]} -eq 0 ]; then
  echo "format check: no source files under $root"
  exit 1
fi
report=$("$format" --style=file --dry-run --Werror "${files[@]}" 2>&1)
status=$?
if [ $status -eq 0 ]; then
  echo "${#files[@]} files match .clang-format ($("$format" --version))"
  exit 0
fi
differing=$(printf '%s\n' "$report" | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' | sort -u)
if [ -z "$differing" ]; then
  echo "format check: $format failed:"
  printf '%s\n' "$report"
  exit 1
fi
echo "files that differ from .clang-format (fix with: $format -i FILE...):"
printf '%s\n' "$differing"
echo
printf '%s\n' "$report" | head -n 60
exit 1
