#!/usr/bin/env bash
# Fetches and unpacks a Debian source package once, in the version of an installed binary
# package built from it (so a cross-build matches the native library), and prints the path of
# the unpacked tree.
#   debian-source.sh SOURCE_PACKAGE BINARY_PACKAGE DIR
# A second call finds DIR/SOURCE_PACKAGE-<version> and fetches nothing. Needs deb-src entries
# (scripts/install-deps.sh enables them).
set -euo pipefail
source_package=$1
binary_package=$2
dir=$3
mkdir -p "$dir"
find_tree() { find "$dir" -mindepth 1 -maxdepth 1 -type d -name "$source_package-[0-9]*" | head -n 1; }
tree=$(find_tree)
if [ -z "$tree" ]; then
  version=$(dpkg-query -W -f='${source:Version}' "$binary_package" 2>/dev/null || true)
  (cd "$dir" && apt-get source --download-only "$source_package${version:+=$version}" >/dev/null \
     && dpkg-source -x --no-check ./*.dsc >/dev/null)
  tree=$(find_tree)
fi
[ -n "$tree" ] || { echo "$source_package source could not be fetched (is deb-src enabled?)" >&2; exit 1; }
echo "$tree"
