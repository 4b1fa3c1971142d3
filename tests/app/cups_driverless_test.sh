#!/usr/bin/env bash
# The application behind a private cupsd's driverless queues (`lpadmin -m
# everywhere`): print-quality picks the resolution, the printer's defaults
# the rest.
#   cups_driverless_test.sh <impact-printer-app> <impact-stream-check>
# shellcheck disable=SC2086
set -euo pipefail
app_bin=$1 check=$2
source "$(dirname "$0")/app_env.sh"
umask 022

start_app
out=$scratch/out
mkdir -p "$out"
chmod 777 "$out"
app add -d dmp -m impact24 -v "file://$out?ext=prn" >/dev/null
app add -d nine -m impact9 -v "file://$out?ext=prn" >/dev/null
# Defaults CUPS cannot send: tear-off after the job, high speed.
app modify -d dmp -o impact-tear-off=on -o impact-speed=high >/dev/null || fail "modify: not accepted"

add_stop stop_cupsd
add_stop '((status == 0)) || grep -E "^[EW] " "$scratch/cups/log/error_log" | tail -n 20 >&2'
start_cupsd "$scratch/cups" lp lp root

# CUPS writes the queue's PPD from the printer's answer at that moment; a
# queue made before the printer lists its document formats takes no PDF.
# Made again then, at most three times, and the test fails if it never does.
for printer in dmp nine; do
  for attempt in 1 2 3; do
    timeout 60 lpadmin -p "$printer" -E -v "ipp://localhost:$port/ipp/print/$printer" -m everywhere ||
      fail "lpadmin -m everywhere for $printer"
    grep -q 'application/pdf' "$scratch/cups/conf/ppd/$printer.ppd" 2>/dev/null && break
    echo "lpadmin: the queue $printer takes no PDF (attempt $attempt)" >&2
    sleep 2
  done
  grep -q 'application/pdf' "$scratch/cups/conf/ppd/$printer.ppd" || fail "queue $printer: no PDF in its PPD"
done

make_documents "$scratch"
chmod 644 "$scratch"/*.pdf
# The quality as a print dialog sets it or as the IPP enum; the bit-image
# mode tells the resolution.
# job | queue | lp options | impact-stream-check arguments
jobs="normal|dmp||--dpi 180x180 --mode 37 --speed 1 --job-end C
draft|dmp|-o cupsPrintQuality=Draft|--dpi 60x180 --mode 32 --speed 1 --job-end C
high|nine|-o print-quality=5|--pins 9 --dpi 240x72 --mode 3 --job-end reset"
while IFS='|' read -r job queue options checks; do
  timeout 20 lp -d "$queue" -t "$job" $options "$scratch/boxes.pdf" >/dev/null || fail "lp $job"
done <<<"$jobs"

# Plain text through the driverless queue unconverted (`lp -o raw`): the
# application tells it is text by its bytes and prints it in the printer's
# fonts, with the printer's text defaults.
app modify -d dmp -o cpi=12 >/dev/null || fail "modify cpi: not accepted"
printf 'Lieferschein 12\n\tStahl \xc3\x98 12 mm\n' >"$scratch/note.txt"
chmod 644 "$scratch/note.txt"
timeout 20 lp -d dmp -t rawtext -o raw "$scratch/note.txt" >/dev/null || fail "lp rawtext"
cupsd_jobs_done 4
id=$(app jobs -d dmp | awk '$NF == "rawtext" { print $1 }')
[[ $(wait_job dmp "${id:-0}") == completed ]] || fail "rawtext: not completed in the application"
expect_tail "$out/rawtext.prn" "1b 4d 1b 32 1b 52 00 1b 36 1b 28 74 03 00 01 01 00 1b 74 01 1b 6c 00 1b 51 60 4c 69 65 66 65 72 73 63 68 65 69 6e 20 31 32 0d 0a 20 20 20 20 20 20 20 20 53 74 61 68 6c 20 4f 20 31 32 20 6d 6d 0d 0c 0d 1b 19 43" \
  "rawtext: in the printer's fonts at 12 cpi"
while IFS='|' read -r job queue options checks; do
  id=$(app jobs -d "$queue" | awk -v n="$job" '$NF == n { print $1 }')
  [[ $(wait_job "$queue" "${id:-0}") == completed ]] || fail "$job: not completed in the application"
  "$check" $checks $BOXES "$out/$job.prn" || fail "$job: printer data"
done <<<"$jobs"

finish cups_driverless_test
