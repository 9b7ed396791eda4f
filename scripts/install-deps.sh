#!/usr/bin/env bash
# Installs everything the project needs on a fresh Debian 12 machine. Run as root.
# Safe to run again: apt-get skips what is present.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps.sh must run as root (it calls apt-get)" >&2
  exit 1
fi

# The Windows builds cross-compile libjpeg-turbo from Debian's source package, so the
# archive's deb-src entries must be enabled.
enable_deb_src() {
  local f
  for f in /etc/apt/sources.list.d/debian.sources /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    if grep -q '^Types: deb$' "$f"; then
      sed -i 's/^Types: deb$/Types: deb deb-src/' "$f"
    fi
  done
  if [ -f /etc/apt/sources.list ] && grep -q '^deb ' /etc/apt/sources.list \
      && ! grep -q '^deb-src ' /etc/apt/sources.list; then
    grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' >> /etc/apt/sources.list
  fi
}
enable_deb_src

export DEBIAN_FRONTEND=noninteractive
apt-get update -q

apt-get install -y -q --no-install-recommends \
  build-essential cmake ninja-build pkg-config git dpkg-dev \
  clang libclang-rt-14-dev \
  libgtest-dev libgmock-dev googletest libbenchmark-dev \
  libjpeg62-turbo-dev libpng-dev libturbojpeg0-dev libwebp-dev libheif-dev \
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix \
  gcc-mingw-w64-x86-64-posix gcc-mingw-w64-i686-posix \
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 \
  nasm \
  wine64 xvfb xdotool openbox imagemagick x11-utils libx11-dev libxfixes-dev \
  python3

# Sound in the end-to-end tests: a user-space PulseAudio with a null sink that Wine plays into
# and parec records; Wine's MP3 device needs GStreamer's base and good plugins (the good set
# brings the MP3 decoder); lame makes the MP3 test tracks.
apt-get install -y -q --no-install-recommends \
  pulseaudio pulseaudio-utils gstreamer1.0-plugins-base gstreamer1.0-plugins-good lame
