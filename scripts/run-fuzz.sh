#!/usr/bin/env bash
# Runs one libFuzzer target for a fixed time: first over its kept regression inputs and seeds,
# then exploring into a scratch corpus. Exit status is the fuzzer's: non-zero on any finding.
#   run-fuzz.sh FUZZER SEED_DIR WORK_DIR SECONDS
set -euo pipefail
fuzzer=$1 seeds=$2 work=$3 seconds=$4
mkdir -p "$work"
"$fuzzer" -runs=0 "$seeds" >/dev/null 2>&1 || "$fuzzer" -runs=0 "$seeds"
exec "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
  "$work" "$seeds"
