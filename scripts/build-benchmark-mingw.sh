#!/usr/bin/env bash
# Cross-builds Google Benchmark, static, from Debian's source package for one Windows target.
#   build-benchmark-mingw.sh TOOLCHAIN_FILE OUT_DIR
# The source is fetched once into OUT_DIR/../benchmark-src and the install lands in OUT_DIR; a
# second call finds OUT_DIR/lib/libbenchmark.a and returns at once, so the cache lives in the
# build tree.
set -euo pipefail
toolchain=$1
out=$2
if [ -f "$out/lib/libbenchmark.a" ] && [ -f "$out/include/benchmark/benchmark.h" ]; then
  exit 0
fi
# Same version as the native libbenchmark-dev.
src=$(bash "$(dirname "$0")/debian-source.sh" benchmark libbenchmark-dev "$(dirname "$out")/benchmark-src")
build=$(dirname "$out")/benchmark-build-$(basename "$out")
# As Debian builds it: the version from the source directory rather than from git tags. The
# feature checks that would have to run a program are answered for mingw-w64 (it has both).
upstream=${src##*/benchmark-}
cmake -S "$src" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release -DGIT_VERSION="$upstream" \
  -DHAVE_STD_REGEX=1 -DHAVE_STEADY_CLOCK=1 \
  -DCMAKE_INSTALL_PREFIX="$out" -DBUILD_SHARED_LIBS=OFF \
  -DBENCHMARK_ENABLE_TESTING=OFF -DBENCHMARK_ENABLE_GTEST_TESTS=OFF \
  -DBENCHMARK_ENABLE_WERROR=OFF -DBENCHMARK_ENABLE_LTO=OFF \
  -DBENCHMARK_ENABLE_DOXYGEN=OFF -DBENCHMARK_INSTALL_DOCS=OFF -Wno-dev >/dev/null
cmake --build "$build" --target install >/dev/null
rm -rf "$build"
