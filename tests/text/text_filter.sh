#!/usr/bin/env bash
# texttoimpact through CUPS's own filter chain (cupsfilter) with the built
# printer descriptions: plain text goes to it rather than through a PDF, and
# the job options cpi, lpi, page-left, page-top, the page size and the KX
# options reach the printer. Then its exit statuses and status lines.
#   text_filter.sh <texttoimpact> <rastertoimpact> <ppd dir>
set -euo pipefail
text_filter=$1 filter=$2 ppd_dir=$3
source "$(dirname "$0")/../spooler/common.sh"
new_scratch text-filter
through_filter_setup() {
  mkdir -p "$scratch/serverbin/filter"
  ln -s "$(cups-config --serverbin)"/filter/* "$scratch/serverbin/filter/"
  ln -sf "$filter" "$scratch/serverbin/filter/rastertoimpact"
  ln -sf "$text_filter" "$scratch/serverbin/filter/texttoimpact"
  printf 'ServerBin %s\n' "$scratch/serverbin" >"$scratch/cups-files.conf"
}
through_filter_setup
printf 'Invoice 42\n\tTotal: 12,50 \xe2\x82\xac\n\xc5\x81\xc3\xb3d\xc5\xba\n' >"$scratch/invoice.txt"
printf 'line\n%.0s' $(seq 40) >"$scratch/forty.txt"

# name | ppd | document | options | hex sequences the output holds (';' between)
jobs="form6|impact24.ppd|invoice.txt|-o PageSize=Custom.8.5x6in -o cpi=12 -o lpi=8 -o page-left=36 -o page-top=72 -o KXCharTable=PC858 -o InputSlot=Tractor -o KXTearOff=On|1b 28 43 02 00 70 08;1b 78 01 1b 4d 1b 30 1b 52 00 1b 36 1b 28 74 03 00 01 0d 00 1b 74 01 1b 6c 06 1b 51 63;1b 4a b4 49 6e 76 6f 69 63 65 20 34 32 0d 0a 20 20 20 20 20 20 20 20 54 6f 74 61 6c 3a 20 31 32 2c 35 30 20 d5 0d 0a 4c a2 64 7a 0d 0c 0d 1b 19 43
central|impact24.ppd|invoice.txt|-o KXCharTable=PC852 -o KXTextQuality=Draft -o wrap=false|1b 78 00 1b 50 1b 32;01 0a 00;0a 9d a2 64 ab 0d 0c 1b 40 0d
nine|impact9.ppd|forty.txt|-o PageSize=Custom.8.5x6in -o cpi=15|1b 28 43 02 00 20 0a;1b 78 01 1b 50 0f 1b 32;0d 0c 6c 69 6e 65 0d 0a 6c 69 6e 65 0d 0a 6c 69 6e 65 0d 0a 6c 69 6e 65 0d 0c 1b 40 0d"
while IFS='|' read -r name ppd doc options sequences; do
  # shellcheck disable=SC2086
  timeout 60 cupsfilter -c "$scratch/cups-files.conf" -p "$ppd_dir/$ppd" -e -m printer/impact $options \
    "$scratch/$doc" >"$scratch/$name.prn" 2>"$scratch/$name.log" || { fail "cupsfilter $name"; continue; }
  grep -q 'texttoimpact' "$scratch/$name.log" || fail "$name: not printed by texttoimpact"
  grep -Eq 'gstoraster|pdftopdf|texttopdf' "$scratch/$name.log" && fail "$name: went through a PDF"
  IFS=';' read -ra wanted <<<"$sequences"
  for sequence in "${wanted[@]}"; do expect_count "$scratch/$name.prn" 1 "$sequence" "$name"; done
done <<<"$jobs"
# 40 lines on a 6-inch form at 6 lpi: 36 and 4.
expect_count "$scratch/nine.prn" 2 "0c" "nine: form feeds"

# run <expected exit> <expected status-line pattern> [env] -- <arguments...>
run() {
  local want=$1 pattern=$2 status=0
  shift 2
  env "$@" >/dev/null 2>"$scratch/run.log" || status=$?
  [[ $status -eq $want ]] || fail "$*: exit $status, expected $want"
  grep -Eq "$pattern" "$scratch/run.log" || fail "$*: no line '$pattern' in: $(cat "$scratch/run.log")"
}
run 1 '^Usage: .*texttoimpact job-id user title copies options \[file\]$' "$text_filter" 1 2 3
run 1 '^ERROR: Unable to open text file - : No such file' PPD="$ppd_dir/impact24.ppd" "$text_filter" 1 u t 1 '' "$scratch/none"
run 2 '^ERROR: Can not read PPD information\.$' PPD="$scratch/none.ppd" "$text_filter" 1 u t 1 '' "$scratch/invoice.txt"
run 0 "^WARNING: Ignoring cpi=wide: not a value this printer takes\.$" PPD="$ppd_dir/impact24.ppd" \
  "$text_filter" 1 u t 1 'cpi=wide' "$scratch/invoice.txt"
run 0 "^WARNING: 3 characters are not in the printer's character table PC437: printed as a stand-in or '\?'\.$" \
  PPD="$ppd_dir/impact24.ppd" "$text_filter" 1 u t 1 '' "$scratch/invoice.txt"
run 0 '^WARNING: No pages found!$' PPD="$ppd_dir/impact24.ppd" "$text_filter" 1 u t 1 '' /dev/null
finish text_filter
