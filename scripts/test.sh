#!/usr/bin/env bash
# Builds every preset and runs every test: the native unit tests, the unit tests again under
# ASan and UBSan with the fuzz smoke run, the Windows unit tests and the end-to-end tests under
# wine64, and the checks of the Windows executables' headers.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build-all.sh

echo "== unit tests (native)"
ctest --preset linux -L unit -j "$(nproc)"

echo "== unit tests under sanitizers, and the fuzz smoke run"
ctest --preset linux-fuzz -j "$(nproc)"

echo "== unit tests (win64 under wine64)"
ctest --preset win64 -L unit

echo "== end-to-end tests (win64 under wine64 on Xvfb)"
ctest --preset win64 -L e2e

echo "== Windows executables"
bash scripts/check-pe.sh
echo "== all tests passed"
