#!/usr/bin/env bash
# fuzz/run.sh's default harnesses are the ones README.md and
# docs/script-engine.md list, in the same order.
#   tests/fuzz-lists.sh [source root]
set -u
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
runs="$(sed -n 's/^harnesses=\${\*:-\(.*\)}$/\1/p' "$root/fuzz/run.sh")"
readme="$(grep -o 'runs each for SECONDS: [a-z, ]*' "$root/README.md" | sed 's/.*SECONDS: //; s/,//g')"
engine="$(tr '\n' ' ' <"$root/docs/script-engine.md" | grep -o 'builds the libFuzzer harnesses *([^)]*' |
  grep -o '`[a-z]*`' | tr -d '`' | tr '\n' ' ' | sed 's/ $//')"
status=0
for list in "README.md:$readme" "docs/script-engine.md:$engine"; do
  if [ "${list#*:}" != "$runs" ]; then
    echo "${list%%:*} lists \"${list#*:}\"; fuzz/run.sh runs \"$runs\""
    status=1
  fi
done
[ "$status" -eq 0 ] && echo "fuzz harness lists agree: $runs"
exit "$status"
