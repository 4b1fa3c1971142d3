#!/usr/bin/env bash
# Colour and gray documents through the application's Ghostscript path and
# through the filter chain with the PPD (its PDF filter, Ghostscript, the
# filter): CUPS's test page (a PDF with a page-level transparency group, as
# cairo writes) and an invoice with light tints and grays. Every 16-dot tile
# the chain inks has dots in the application's output; each colour area
# has dots, and a share of them within one step of Ghostscript's 18-level
# screen of the chain's (1/18, and 0.015 for its rounding).
#   colour_test.sh <impact-printer-app> <rastertoimpact> <ppd dir> <impact-stream-check> [figures file]
set -euo pipefail
app_bin=$1 filter=$2 ppd_dir=$3 check=$4 figures=${5:-}
source "$(dirname "$0")/app_env.sh"
umask 022
out=$scratch/out docs=$scratch/docs
mkdir -p "$out" "$docs"
: >"$scratch/figures.txt"
start_app
app add -d p24 -m impact24 -v "file://$out?ext=prn" >/dev/null
app add -d p9 -m impact9 -v "file://$out?ext=prn" >/dev/null

timeout 60 cupsfilter -p "$ppd_dir/impact24.ppd" -m application/pdf /usr/share/cups/data/testprint \
  >"$docs/testprint.pdf" 2>/dev/null || fail "cupsfilter: CUPS's test page as PDF"
# rect <r g b> <x y w h>: a filled area (points from the bottom left of A4).
rect() { printf '%s %s %s setrgbcolor %s %s %s %s rectfill\n' "$@"; }
make_pdf "$docs/invoice.pdf" 595 842 "$(rect 1 1 0.6 36 742 523 60) $(rect 0.97 0.97 0.97 36 600 523 30)
$(rect 0.93 0.93 0.93 36 560 523 30) $(rect 0.85 0.85 0.85 36 520 523 30) $(rect 0.8 0.9 1 36 440 250 60)
$(rect 1 0.85 0.85 309 440 250 60) 0 setgray /Helvetica-Bold findfont 24 scalefont setfont 40 700 moveto
(INVOICE 2041) show 0.9 setgray 1 setlinewidth 36 420 moveto 559 420 lineto stroke showpage"
# A tint area in inches from the printable area's top left (margins 1/8 in),
# 0.05 in inside the rectangle: area <x y w h> in points.
area() { awk -v x="$1" -v y="$2" -v w="$3" -v h="$4" \
  'BEGIN { printf "1:%.3f,%.3f,%.3f,%.3f", (x-9)/72+.05, (842-y-h-9)/72+.05, (x+w-9)/72-.05, (842-y-9)/72-.05 }'; }
invoice_areas="$(area 36 742 523 60) $(area 36 600 523 30) $(area 36 560 523 30) $(area 36 520 523 30)
$(area 36 440 250 60) $(area 309 440 250 60)"
# The test page's C, M and Y discs (their solid halves) and the K disc's dotted half.
testprint_areas="1:1.5,3.6,1.8,4.0 1:2.9,3.6,3.2,4.0 1:4.3,3.6,4.6,4.0 1:6.2,3.6,6.5,4.0"

# document | printer | PPD | impact-stream-check arguments
while IFS='|' read -r doc printer ppd checks; do
  job=$doc-$printer
  reply=$(app submit -d "$printer" -t "$job" "$docs/$doc.pdf") || { fail "$job: not accepted"; continue; }
  [[ $(wait_job "$printer" "${reply##*-}") == completed ]] || fail "$job: not completed"
  through_filter "$ppd" "$docs/$doc.pdf" "$scratch/$job.filter" || continue
  areas=${doc}_areas
  tints=()
  for a in ${!areas}; do tints+=(--tint "$a"); done
  # shellcheck disable=SC2086
  "$check" $checks "${tints[@]}" --covers "$scratch/$job.filter" "$out/$job.prn" >"$scratch/$job.app" ||
    { cat "$scratch/$job.app"; fail "$job: colour lost"; }
  # shellcheck disable=SC2086
  "$check" $checks "${tints[@]}" "$scratch/$job.filter" >"$scratch/$job.chain" || true
  grep '^page' "$scratch/$job.app"
  paste <(grep '^tint' "$scratch/$job.chain") <(grep '^tint' "$scratch/$job.app") |
    awk -v job="$job" '{ sub(/:$/, "", $2); d = $3 - $6; if (d < 0) d = -d
      printf "%s %s: filter chain %s, application %s\n", job, $2, $3, $6
      if (d > 1 / 18 + 0.015) { print "FAIL: " job " " $2 ": the shares differ by more than a step"; bad = 1 } }
      END { exit bad }' | tee -a "$scratch/figures.txt" || fail "$job: not the filter chain's shades"
done <<EOF
testprint|p24|impact24.ppd|--dpi 180x180
testprint|p9|impact9.ppd|--pins 9 --dpi 120x72
invoice|p24|impact24.ppd|--dpi 180x180
invoice|p9|impact9.ppd|--pins 9 --dpi 120x72
EOF
[[ -z $figures ]] || { mkdir -p "$(dirname "$figures")" && cp "$scratch/figures.txt" "$figures"; }
finish colour_test
