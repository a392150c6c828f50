#!/usr/bin/env bash
# fetch-speexdsp: unpacks Debian's speexdsp source package (its resampler is built into the
# plug-in and the native trees) under DEST, once, and prints the unpacked folder.
#   fetch-speexdsp.sh DEST
# Needs a deb-src entry for Debian's archive and dpkg-dev (scripts/bootstrap.sh sets up
# both). The source is fetched by the build and never kept in the repository.
set -euo pipefail
dest=${1:?usage: fetch-speexdsp.sh DEST}
mkdir -p "$dest"
found() { ls -d "$dest"/speexdsp-*/libspeexdsp/resample.c 2>/dev/null | head -n 1; }
if [ -z "$(found)" ]; then
  (
    exec 9> "$dest/.lock"
    flock 9  # two trees configuring at once fetch it once
    [ -n "$(found)" ] && exit 0
    work=$(mktemp -d "$dest/fetch.XXXXXX")
    trap 'rm -rf "$work"' EXIT
    cd "$work"
    if ! apt-get source --download-only speexdsp > fetch.log 2>&1; then
      echo "fetch-speexdsp: apt-get source speexdsp failed (is there a deb-src entry? run scripts/bootstrap.sh):" >&2
      tail -n 5 fetch.log >&2
      exit 1
    fi
    dpkg-source --no-check -x speexdsp_*.dsc unpacked > unpack.log 2>&1 ||
      { echo "fetch-speexdsp: dpkg-source could not unpack speexdsp:" >&2; tail -n 5 unpack.log >&2; exit 1; }
    version=$(sed -n 's/^Version: //p' speexdsp_*.dsc | head -n 1)
    mv unpacked "$dest/speexdsp-${version:-unknown}"
  ) >&2
fi
dir=$(found)
[ -n "$dir" ] || { echo "fetch-speexdsp: nothing unpacked under $dest" >&2; exit 1; }
dirname "$(dirname "$dir")"
