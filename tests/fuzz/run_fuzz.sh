#!/bin/sh
# Runs the parser fuzzer for a bounded time over the seed corpus. New inputs
# it finds go into a scratch folder in the build tree, not into the sources.
# usage: run_fuzz.sh <fuzzer> <seed corpus> <scratch folder>
set -eu
fuzzer=$1
seeds=$2
scratch=$3
rm -rf "$scratch"
mkdir -p "$scratch/corpus" "$scratch/artifacts"
exec "$fuzzer" -max_total_time=20 -runs=200000 -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -print_final_stats=1 -artifact_prefix="$scratch/artifacts/" "$scratch/corpus" "$seeds"
