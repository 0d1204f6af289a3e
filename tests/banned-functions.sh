#!/usr/bin/env bash
# Fails when product code calls a C function that writes without a bound
# or keeps hidden state: untrusted text (pages, headers, definition files)
# flows through these folders. Use snprintf, std::string, memcpy with a
# checked length, or the bounded helpers instead.
#   tests/banned-functions.sh [source root]
set -u
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
banned='strcpy|strcat|sprintf|vsprintf|gets|strncpy|strncat|strtok|lstrcpyA?|lstrcatA?|lstrcpynA?|wsprintfA?|wvsprintfA?|StrCpyA?|StrCatA?|alloca|_alloca'
found=$(grep -rnE "(^|[^A-Za-z0-9_.>])($banned)[[:space:]]*\(" \
          --include='*.cpp' --include='*.h' "$root/src" "$root/host" "$root/cli" "$root/provider" 2>/dev/null)
if [ -n "$found" ]; then
  echo "banned functions in use:"
  echo "$found"
  exit 1
fi
echo "no banned functions in src, host, cli, provider"
