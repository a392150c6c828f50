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
  sox espeak-ng gnuplot-nox imagemagick zip python3 nsis
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  dpkg-dev
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

# The build unpacks speexdsp's resampler from Debian's source package (apt-get source):
# that needs a deb-src entry, made from the first entry of Debian's own archive, with its
# Signed-By, when there is none.
SOURCES_LIST=/etc/apt/sources.list.d/tidewell-deb-src.sources
has_deb_src() {
  grep -Rqs -E '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/
}
if ! has_deb_src; then
  entry=$(awk 'BEGIN { RS = ""; FS = "\n" }
    /Types:[^\n]*deb/ && /URIs:[^\n]*debian/ && !/debian-security/ { print; exit }' \
    /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
  if [ -n "$entry" ]; then
    say "adding a deb-src entry for Debian's archive ($SOURCES_LIST)"
    sed -e 's/^Types:.*/Types: deb-src/' -e '/^#/d' <<<"$entry" | $SUDO tee "$SOURCES_LIST" >/dev/null
  else
    line=$(grep -hs -E '^deb [^ ]*debian' /etc/apt/sources.list | grep -v security | head -n 1 || true)
    [ -n "$line" ] || { say "no Debian archive entry found to make a deb-src entry from"; exit 1; }
    say "adding a deb-src entry for Debian's archive ($SOURCES_LIST)"
    SOURCES_LIST=/etc/apt/sources.list.d/tidewell-deb-src.list
    echo "deb-src ${line#deb }" | $SUDO tee "$SOURCES_LIST" >/dev/null
  fi
  NEED_UPDATE=1
fi

missing=()
for p in "${PACKAGES[@]}"; do
  # dpkg-query knows "name:arch" for foreign packages and plain "name" for native ones.
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  if [ -n "${NEED_UPDATE:-}" ]; then $SUDO apt-get update -qq; fi
  say "all ${#PACKAGES[@]} packages present, nothing to do"
  exit 0
fi

say "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
say "installed ${#missing[@]} package(s)"
