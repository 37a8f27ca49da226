#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages ROM Glyphon needs to build, test and run.
# Idempotent: installs only what is missing and prints nothing when all is there.
set -euo pipefail

packages=(
  cmake g++ ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-image-formats-plugins
  libgtest-dev libgmock-dev libbenchmark-dev
  libspng-dev zlib1g-dev libgif-dev libcli11-dev hyperfine
  xvfb xauth fonts-dejavu-core
  clang libclang-rt-dev clang-format clang-tidy
  dpkg-dev file appstream desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq >/dev/null
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
