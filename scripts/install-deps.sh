#!/usr/bin/env bash
# Installs what building and testing Parlet needs on Debian (run as root).
# Cheap when everything is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-i686-dev
  wine wine32:i386 fonts-wine xvfb xauth x11-utils
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libcurl4-openssl-dev libcpp-httplib-dev libssl-dev libcli11-dev nlohmann-json3-dev
  tinyproxy openssl curl ca-certificates
  kannel kannel-extras
  clang-format python3
  xdotool prosody python3-slixmpp
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages (${missing[*]}); run as root" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
apt-get update -q
# Servers among the packages (kannel, tinyproxy) are started by the tests
# themselves, on ports of their own: the install starts no system service.
policy=/usr/sbin/policy-rc.d
own_policy=0
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' >"$policy" && chmod +x "$policy" && own_policy=1
fi
trap '[ "$own_policy" -eq 1 ] && rm -f "$policy"' EXIT
apt-get install -y -q --no-install-recommends "${missing[@]}"
