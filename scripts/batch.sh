#!/usr/bin/env bash
# Converts many movies at once, one job per core, with GNU parallel.
#   scripts/batch.sh LIST OUTDIR [--format mp4|webm|mkv|mov|gif|png] [moviecapture options...]
# LIST names one movie a line (blank lines and lines starting with # are
# skipped). Each movie becomes OUTDIR/NAME.FORMAT (png: a folder OUTDIR/NAME/);
# a name seen before gets its line number appended. One log line per movie
# with its exit status, then a summary; a broken movie never stops the others.
# Exit status: 0 when every movie converted, 1 when any failed, 2 for bad use.
set -uo pipefail

usage() { echo "usage: $0 LIST OUTDIR [--format mp4|webm|mkv|mov|gif|png] [moviecapture options...]" >&2; exit 2; }
(($# >= 2)) || usage
list=$1 outdir=$2
shift 2
format=mp4
options=()
while (($#)); do
    case $1 in
        --format) (($# >= 2)) || usage; format=$2; shift 2 ;;
        --out) echo "$0: --out is chosen per movie; use OUTDIR and --format" >&2; exit 2 ;;
        *) options+=("$1"); shift ;;
    esac
done
case $format in mp4|webm|mkv|mov|gif|png) ;; *) echo "$0: unknown format '$format'" >&2; exit 2 ;; esac
[[ -r $list ]] || { echo "$0: cannot read the list '$list'" >&2; exit 2; }
command -v parallel >/dev/null || { echo "$0: GNU parallel is missing (apt-get install parallel)" >&2; exit 2; }

here=$(cd "$(dirname "$0")" && pwd)
capture=${MOVIECAPTURE:-}
if [[ -z $capture ]]; then
    for candidate in "$here/../build/bin/moviecapture" "$(command -v moviecapture 2>/dev/null)"; do
        [[ -n $candidate && -x $candidate ]] && { capture=$candidate; break; }
    done
fi
[[ -n $capture && -x $capture ]] || { echo "$0: moviecapture not found (build it, or set MOVIECAPTURE)" >&2; exit 2; }
mkdir -p "$outdir" || exit 2

# One job line per movie: line number, movie, output.
jobs=$(mktemp)
trap 'rm -f "$jobs"' EXIT
declare -A seen=()
number=0
while IFS= read -r movie || [[ -n $movie ]]; do
    number=$((number + 1))
    [[ -z ${movie//[[:space:]]/} || $movie == \#* ]] && continue
    name=$(basename "${movie%.*}")
    [[ -n ${seen[$name]:-} ]] && name="$name-$number"
    seen[$name]=1
    out="$outdir/$name"
    [[ $format != png ]] && out="$out.$format"
    printf '%s\t%s\t%s\n' "$number" "$movie" "$out" >>"$jobs"
done <"$list"
total=$(wc -l <"$jobs")
((total > 0)) || { echo "$0: the list names no movie" >&2; exit 2; }

convert_one() {
    local number=$1 movie=$2 out=$3 capture=$4
    shift 4
    local log status
    log=$("$capture" "$movie" "$@" --out "$out" 2>&1 >/dev/null </dev/null)
    status=$?
    if ((status == 0)); then
        printf 'ok     %s -> %s\n' "$movie" "$out"
    else
        printf 'FAILED %s (exit %d): %s\n' "$movie" "$status" "$(printf '%s' "$log" | tr '\r' '\n' | grep -v '^$' | tail -n 1)"
    fi
    return "$status"
}
export -f convert_one

results=$(parallel -q --will-cite --jobs "$(nproc 2>/dev/null || echo 2)" --colsep '\t' --keep-order \
    convert_one {1} {2} {3} "$capture" "${options[@]}" :::: "$jobs")
printf '%s\n' "$results"
failed=$(printf '%s\n' "$results" | grep -c '^FAILED' || true)
echo "== $((total - failed)) of $total movies converted, $failed failed"
((failed == 0))
