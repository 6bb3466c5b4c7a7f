#!/usr/bin/env bash
# Builds make_examples and writes the example movies into this folder.
#   examples/make_examples.sh [build folder]     (default: build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target make_examples -j"$(nproc 2>/dev/null || echo 2)"
"$build/bin/make_examples" "$root/examples"
ls -l "$root"/examples/*.swf
