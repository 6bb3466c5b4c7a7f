#!/usr/bin/env bash
# One pod's share of a list of movies: lines whose number, counted from 0,
# leaves JOB_COMPLETION_INDEX when divided by SHARES (set by the Indexed Job).
#   convert-share LIST OUTDIR [batch options...]
# Movie paths in LIST are relative to the folder that holds LIST.
set -euo pipefail
list=$1 outdir=$2
shift 2
index=${JOB_COMPLETION_INDEX:?set by an Indexed Job}
shares=${SHARES:?the Job's completions}
cd "$(dirname "$list")"
mine=$(mktemp)
awk -v i="$index" -v n="$shares" '(NR - 1) % n == i' "$(basename "$list")" >"$mine"
MOVIECAPTURE=/usr/local/bin/moviecapture exec /src/scripts/batch.sh "$mine" "$outdir" "$@"
