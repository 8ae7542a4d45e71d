#!/usr/bin/env bash
# Installs the Debian packages Velquor needs to build, test and run.
# Idempotent: does nothing when every package is already installed.
set -euo pipefail

PACKAGES=(
  build-essential cmake make pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6opengl6-dev libgl-dev
  qt6-tools-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev libfftw3-dev
  fonts-liberation2
  libedf-dev
  portaudio19-dev libasound2-dev libasound2-plugins pulseaudio pulseaudio-utils
  desktop-file-utils
)
# `bootstrap.sh fuzz`: clang and its libFuzzer runtime, for `make fuzz` only.
if [ "${1:-}" = "fuzz" ]; then
  PACKAGES=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "bootstrap: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
