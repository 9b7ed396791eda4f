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
# Same version as the native libjpeg62-turbo-dev.
src=$(bash "$(dirname "$0")/debian-source.sh" libjpeg-turbo libjpeg62-turbo-dev "$(dirname "$out")/jpeg-src")
build=$(dirname "$out")/jpeg-build-$(basename "$out")
cmake -S "$src" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$out" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=ON -DWITH_SIMD=ON -Wno-dev
cmake --build "$build" --target install >/dev/null
rm -rf "$build"
