#!/usr/bin/env bash
# Creates the BOINC work units of the grid range S..E in chunks of SIZE
# points: one unit "PixS-E" per chunk, its input file "PixS-E.in" holding
# "S E", staged and created with BOINC's own stage_file and create_work.
# Run it in the project's folder (or give the folder as PROJECT).
#
#   boinc/make_work.sh S E SIZE [PROJECT]
#   boinc/make_work.sh 1000 1999 20 ~/projects/vantrel   # 50 units of 20 points
set -euo pipefail

usage() {
  echo "usage: $0 S E SIZE [PROJECT]   (1000 <= S <= E <= 10000, SIZE >= 1)" >&2
  exit 1
}
[ $# -ge 3 ] && [ $# -le 4 ] || usage
for n in "$1" "$2" "$3"; do [[ "$n" =~ ^[0-9]+$ ]] || usage; done
S=$((10#$1)) E=$((10#$2)) SIZE=$((10#$3))
{ [ "$S" -ge 1000 ] && [ "$S" -le "$E" ] && [ "$E" -le 10000 ] && [ "$SIZE" -ge 1 ]; } || usage
cd "${4:-.}"
[ -x bin/create_work ] && [ -x bin/stage_file ] || {
  echo "$0: $(pwd) is not a BOINC project folder (no bin/create_work, bin/stage_file)" >&2
  exit 1
}

# A point takes up to about 4 minutes of one core near 10^18 (bench/README.md),
# some 7e11 floating-point operations at a few GFLOPS: the estimate per
# point; the bound, past which the client aborts a unit, is twenty times it.
PER_POINT=700000000000
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for ((s = S; s <= E; s += SIZE)); do
  e=$((s + SIZE - 1 < E ? s + SIZE - 1 : E))
  name="Pix$s-$e"
  printf '%d %d\n' "$s" "$e" > "$work/$name.in"
  bin/stage_file --copy "$work/$name.in"
  fpops=$((PER_POINT * (e - s + 1)))
  bin/create_work --appname brunsk --wu_name "$name" \
    --wu_template templates/brunsk_in --result_template templates/brunsk_out \
    --rsc_fpops_est "$fpops" --rsc_fpops_bound "$((20 * fpops))" "$name.in"
  echo "$name"
done
