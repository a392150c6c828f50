#!/usr/bin/env bash
# Installs the toolchain this project builds and tests with, only what is missing.
# Idempotent: a second run with everything present takes a few seconds and changes nothing.
set -euo pipefail

PACKAGES=(
  make cmake g++ pkg-config
  g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
  wine wine32:i386
  xvfb xauth
  pulseaudio pulseaudio-utils
  sox espeak-ng gnuplot-nox imagemagick zip python3
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  libboost1.74-dev nlohmann-json3-dev curl
  chromium chromium-driver python3-selenium
  procps xdotool  # pkill in the audio scripts; the soak's message-box clicker
)

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi

say() { echo "bootstrap: $*"; }

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  say "adding the i386 architecture (for wine32)"
  $SUDO dpkg --add-architecture i386
  NEED_UPDATE=1
fi

missing=()
for p in "${PACKAGES[@]}"; do
  # dpkg-query knows "name:arch" for foreign packages and plain "name" for native ones.
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  say "all ${#PACKAGES[@]} packages present, nothing to do"
  exit 0
fi

say "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
say "installed ${#missing[@]} package(s)"
