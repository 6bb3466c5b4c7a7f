#!/usr/bin/env bash
# The main job: builds the host, our control and moviecapture, then renders a
# movie to numbered PNG files.
#   scripts/run.sh [MOVIE] [moviecapture options...]
# Defaults: examples/moving_gradient.swf, 640x480, 30 frames, into out/<movie>/.
set -euo pipefail
cd "$(dirname "$0")/.."

"$(dirname "$0")/setup.sh"

movie=${1:-examples/moving_gradient.swf}
shift || true
name=$(basename "${movie%.*}")
options=("$@")
((${#options[@]})) || options=(--size 640x480 --frames 30 --out "out/$name")

cmake -S . -B build >/dev/null
cmake --build build -j"$(nproc 2>/dev/null || echo 2)" --target moviehost moviecapture flash10c
build/bin/moviecapture "$movie" "${options[@]}"
