#!/usr/bin/env bash
# Cross-builds libjpeg-turbo, static, from Debian's source package for one Windows target: the
# libjpeg library and the TurboJPEG one (lossless transforms).
#   build-jpeg-mingw.sh TOOLCHAIN_FILE OUT_DIR
# The source is fetched once into OUT_DIR/../jpeg-src and the install lands in OUT_DIR; a second
# call finds both libraries in OUT_DIR/lib and returns at once, so the cache lives in the build tree.
set -euo pipefail
toolchain=$1
out=$2
if [ -f "$out/lib/libjpeg.a" ] && [ -f "$out/include/jpeglib.h" ] \
    && [ -f "$out/lib/libturbojpeg.a" ] && [ -f "$out/include/turbojpeg.h" ]; then
  exit 0
fi
src_root=$(dirname "$out")/jpeg-src
mkdir -p "$src_root"
# Same version as the native libjpeg62-turbo-dev.
version=$(dpkg-query -W -f='${source:Version}' libjpeg62-turbo-dev 2>/dev/null || true)
src=$(find "$src_root" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1)
if [ -z "$src" ]; then
  (cd "$src_root" && if [ -n "$version" ]; then
      apt-get source --download-only "libjpeg-turbo=$version" >/dev/null
    else
      apt-get source --download-only libjpeg-turbo >/dev/null
    fi
    dpkg-source -x --no-check ./*.dsc >/dev/null)
  src=$(find "$src_root" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1)
fi
[ -n "$src" ] || { echo "libjpeg-turbo source could not be fetched (is deb-src enabled?)" >&2; exit 1; }
build=$(dirname "$out")/jpeg-build-$(basename "$out")
cmake -S "$src" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$out" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=ON -DWITH_SIMD=ON -Wno-dev
cmake --build "$build" --target install >/dev/null
rm -rf "$build"
