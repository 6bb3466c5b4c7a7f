#!/usr/bin/env bash
# scripts/batch.sh over three movies, one of them broken: the two good ones
# are converted, the broken one is named with its status, the summary counts
# both, and the exit status says that something failed.
#   batch_test.sh MOVIECAPTURE EXAMPLE_MOVIE SCRATCH
set -uo pipefail
capture=$1 example=$2 scratch=$3
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$scratch" && mkdir -p "$scratch/movies"
cp "$example" "$scratch/movies/first.swf"
cp "$example" "$scratch/movies/second.swf"
printf 'this is no movie' >"$scratch/movies/broken.swf"
printf '%s\n' "$scratch/movies/first.swf" "$scratch/movies/broken.swf" "$scratch/movies/second.swf" >"$scratch/list"

output=$(MOVIECAPTURE=$capture "$here/../../scripts/batch.sh" "$scratch/list" "$scratch/out" --format png --frames 2)
status=$?
echo "$output"
fail() { echo "FAILED: $*"; exit 1; }
((status == 1)) || fail "exit status $status, expected 1"
[[ -f $scratch/out/first/frame_00002.png && -f $scratch/out/second/frame_00002.png ]] || fail "good movies not converted"
[[ ! -e $scratch/out/broken ]] || fail "the broken movie left output"
grep -q "^FAILED .*broken.swf (exit 3): .*not a movie" <<<"$output" || fail "no line for the broken movie"
[[ $(grep -c '^ok ' <<<"$output") == 2 ]] || fail "expected two ok lines"
grep -q "^== 2 of 3 movies converted, 1 failed$" <<<"$output" || fail "no summary"
rm -rf "$scratch"
echo "batch test passed"
