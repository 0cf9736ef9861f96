#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Hollowmere need, when any is missing.
set -euo pipefail

packages=(
  cmake ninja-build pkg-config g++ python3 python3-matplotlib
  libfmt-dev libpugixml-dev libsodium-dev libcurl4-openssl-dev libzip-dev nlohmann-json3-dev libmsgsl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libfltk1.3-dev libx11-dev fonts-dejavu-core
  xvfb xauth x11-apps imagemagick xdotool
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
