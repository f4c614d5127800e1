#!/usr/bin/env bash
# Creates BOINC work units from the ledger: the ranges no one holds
# (brunsk-ledger missing), lowest first, cut into units of SIZE points, each
# reserved in the ledger for "boinc" before its unit is made, so that BOINC
# hosts and volunteers who reserve by hand share one grid without overlap.
# A unit "PixS-E" has its input file "PixS-E.in" holding "S E", staged and
# created with BOINC's own stage_file and create_work; its name and
# reservation are appended to PROJECT/brunsk/units.txt (the assimilator
# releases the reservation of a unit that ends without a valid result).
#
#   boinc/make_work.sh [--units N] [--days D] [--ledger FILE] SIZE [PROJECT]
#   boinc/make_work.sh --units 50 20 ~/projects/vantrel   # 50 units of 20 points
#
# Run it as the project's owner (as root it runs itself as that user).
# --units: at most N units (default: every missing range); --days: the
# reservations' length (default 60, beyond the units' deadline and one
# reissue); --ledger: default the file named in PROJECT/brunsk/ledger_path.
# brunsk-ledger is PROJECT/bin/brunsk-ledger, or BRUNSK_LEDGER.
set -euo pipefail

usage() {
  echo "usage: $0 [--units N] [--days D] [--ledger FILE] SIZE [PROJECT]   (SIZE >= 1)" >&2
  exit 1
}
units=-1 days=60 ledger=""
while [ $# -gt 0 ]; do
  case "$1" in
    --units) [ $# -ge 2 ] && [[ "$2" =~ ^[0-9]+$ ]] || usage; units=$((10#$2)); shift 2 ;;
    --days) [ $# -ge 2 ] && [[ "$2" =~ ^[0-9]+$ ]] || usage; days=$((10#$2)); shift 2 ;;
    --ledger) [ $# -ge 2 ] || usage; ledger=$2; shift 2 ;;
    -*) usage ;;
    *) break ;;
  esac
done
[ $# -ge 1 ] && [ $# -le 2 ] && [[ "$1" =~ ^[0-9]+$ ]] && [ "$((10#$1))" -ge 1 ] || usage
SIZE=$((10#$1))
cd "${2:-.}"
project=$(pwd)
[ -x bin/create_work ] && [ -x bin/stage_file ] && [ -d brunsk ] || {
  echo "$0: $project is not a Brunsk BOINC project folder (no bin/create_work, bin/stage_file, brunsk/)" >&2
  exit 1
}
owner=$(stat -c %U "$project")
if [ "$(id -u)" -eq 0 ] && [ "$owner" != root ]; then
  self=$(mktemp)
  cp "$0" "$self" && chmod 755 "$self"
  args=(--units "$units" --days "$days")
  [ -z "$ledger" ] || args+=(--ledger "$(cd "$(dirname "$ledger")" && pwd)/$(basename "$ledger")")
  status=0
  runuser -u "$owner" -- env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$project" ${BRUNSK_LEDGER:+BRUNSK_LEDGER="$BRUNSK_LEDGER"} \
    bash "$self" "${args[@]}" "$SIZE" "$project" || status=$?
  rm -f "$self"
  exit $status
fi
[ "$units" -ge 0 ] || units=1000000
[ -n "$ledger" ] || ledger=$(cat brunsk/ledger_path)
LEDGER_PROGRAM=${BRUNSK_LEDGER:-$project/bin/brunsk-ledger}
ledger_cmd() { "$LEDGER_PROGRAM" --db "$ledger" "$@"; }

# A point takes up to about 4 minutes of one core near 10^18 (bench/README.md),
# some 7e11 floating-point operations at a few GFLOPS: the estimate per
# point; the bound, past which the client aborts a unit, is twenty times it.
PER_POINT=700000000000
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ranges=$(ledger_cmd missing)
made=0
while read -r range; do
  [ -n "$range" ] || continue
  [[ "$range" =~ ^([0-9]+)\.\.([0-9]+)$ ]] || { echo "$0: brunsk-ledger missing gave \"$range\"" >&2; exit 1; }
  S=${BASH_REMATCH[1]} E=${BASH_REMATCH[2]}
  for ((s = S; s <= E && made < units; s += SIZE)); do
    e=$((s + SIZE - 1 < E ? s + SIZE - 1 : E))
    # Refused when someone reserved part of it in the meantime: left to them.
    if ! reserved=$(ledger_cmd reserve --who boinc --start "$s" --end "$e" --days "$days"); then
      echo "$0: k=$s..$e not reserved; skipped" >&2
      continue
    fi
    [[ "$reserved" =~ \(reservation\ ([0-9]+)\) ]] || { echo "$0: brunsk-ledger reserve gave \"$reserved\"" >&2; exit 1; }
    reservation=${BASH_REMATCH[1]}
    name="Pix$s-$e"
    # A range handed out again (its first unit ended without a valid
    # result) gets a unit of a new name: BOINC's names are never reused.
    if grep -q "^$name " brunsk/units.txt 2>/dev/null; then name="$name.$reservation"; fi
    printf '%d %d\n' "$s" "$e" > "$work/$name.in"
    fpops=$((PER_POINT * (e - s + 1)))
    if ! { bin/stage_file --copy "$work/$name.in" >/dev/null &&
           bin/create_work --appname brunsk --wu_name "$name" \
             --wu_template templates/brunsk_in --result_template templates/brunsk_out \
             --rsc_fpops_est "$fpops" --rsc_fpops_bound "$((20 * fpops))" "$name.in"; }; then
      ledger_cmd release "$reservation" >/dev/null || true
      echo "$0: the unit $name was not created; its reservation $reservation released" >&2
      exit 1
    fi
    echo "$name $reservation" >> brunsk/units.txt
    echo "$name (reservation $reservation)"
    made=$((made + 1))
  done
  [ "$made" -lt "$units" ] || break
done <<< "$ranges"
[ "$made" -gt 0 ] || echo "$0: nothing left to hand out" >&2
