#!/usr/bin/env bash
# CUPS's own filter chain with the generated PPDs: cupsfilter turns PDF
# documents (and CUPS's test page) into printer data through pdftopdf,
# gstoraster and rastertoimpact, which it finds through the PPD's filter
# line in a private ServerBin. The printer data decodes to the document's
# pages, with the dots where the document has ink and nowhere else.
#   cupsfilter_chain.sh <ppd dir> <built rastertoimpact> <impact-stream-check>
set -euo pipefail
ppd_dir=$1
filter=$2
check=$3
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"
umask 022

new_scratch chain

filter_chain "$filter"
make_documents "$scratch"

# run_chain <name> <ppd> <input> [cupsfilter options...]: printer data in
# $scratch/<name>.prn, the filters' messages in <name>.log.
run_chain() {
  local name=$1 ppd=$2 input=$3
  shift 3
  if ! timeout 60 cupsfilter -c "$scratch/cups-files.conf" -p "$ppd_dir/$ppd" -e -m printer/impact "$@" \
    "$input" >"$scratch/$name.prn" 2>"$scratch/$name.log"; then
    grep -v '^DEBUG' "$scratch/$name.log" | tail -n 20 >&2
    fail "$name: cupsfilter failed"
    return 1
  fi
  # The chain must have gone through the driver's filter, nothing else.
  grep -q 'rastertoimpact (PID [0-9]*) exited with no errors' "$scratch/$name.log" ||
    { fail "$name: rastertoimpact did not run to a clean end"; return 1; }
}

# verify <name> <impact-stream-check arguments...>
verify() {
  local name=$1
  shift
  echo "--- $name"
  "$check" "$@" "$scratch/$name.prn" || fail "$name: the printer data does not match the document"
}

# 24-pin, default resolution 180 dpi, A4: both pages' rectangles, form feeds,
# the A4 form length (842 pt = 4210/360 in), reset at the end, no speed
# command with the printer's speed.
if run_chain p24-default impact24.ppd "$scratch/boxes.pdf"; then
  verify p24-default --pins 24 --dpi 180x180 --pages 2 --box "$BOXES_PAGE1" --box "$BOXES_PAGE2" \
    --page-end ff --length 4210 --mode 39 --speed none --job-end reset
fi

# 24-pin at 360 dpi: 48-row bands, the two-pass mode.
if run_chain p24-360 impact24.ppd "$scratch/boxes.pdf" -o Resolution=360dpi; then
  verify p24-360 --pins 24 --dpi 360x360 --pages 2 --box "$BOXES_PAGE1" --box "$BOXES_PAGE2" \
    --tolerance 0.02 --mode 73 --job-end reset
fi

# 9-pin, a 6-inch continuous form given as a custom size: the form length
# is exactly 6 in (2592/432), on every page.
if run_chain p9-form6 impact9.ppd "$scratch/form6.pdf" -o PageSize=Custom.8.5x6in -o Resolution=240x72dpi; then
  verify p9-form6 --pins 9 --dpi 240x72 --pages 2 --box "$FORM6_PAGE1" --box "$FORM6_PAGE2" \
    --page-end ff --length 2592 --mode 3
  expect_count "$scratch/p9-form6.prn" 1 "1b 28 43 02 00 20 0a" "p9-form6 page length"
fi

# CUPS's own test page (a banner file turned into PDF by the chain).
testprint=/usr/share/cups/data/testprint
if [[ -f $testprint ]]; then
  if run_chain testprint impact24.ppd "$testprint"; then
    verify testprint --pins 24 --dpi 180x180 --pages 1 --inked 1 --page-end ff --job-end reset
  fi
else
  echo "no $testprint here; CUPS's test page is not tried"
fi

finish cupsfilter_chain
