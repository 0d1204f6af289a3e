#!/usr/bin/env bash
# Fails when a shell script waits for "all children" (a `wait` naming no
# process): a script that begins a Wine session has its Xvfb as a child, so
# such a wait never returns. Scripts wait for the PIDs they started.
#   tests/bare-wait.sh [source root]
set -u
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
# `wait` as a command, followed by nothing but options and redirections.
start='(^|[;&|({]|\<then|\<do|\<else)[[:space:]]*'
rest='([[:space:]]+(-[a-zA-Z]+|[0-9]*[<>]&?[^[:space:];&|)}]*))*[[:space:]]*($|[;&|)}])'
found=""
count=0
while IFS= read -r -d '' f; do
  count=$((count + 1))
  # Comments removed first, so that prose about waiting is no hit.
  hits=$(sed -E 's/(^|[[:space:]])#.*$//' "$f" | grep -nE "${start}wait${rest}")
  [ -n "$hits" ] && found+="$(sed "s|^|${f#"$root"/}:|" <<<"$hits")"$'\n'
done < <(find "$root" \( -name build -o -name .git \) -prune -o -name '*.sh' -type f -print0)
if [ -n "$found" ]; then
  echo "a bare wait (name the PIDs the script started):"
  printf '%s' "$found"
  exit 1
fi
if [ "$count" -eq 0 ]; then
  echo "no shell scripts found under $root"
  exit 1
fi
echo "no bare wait in $count shell scripts"
