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

for printer in dmp nine; do
  timeout 60 lpadmin -p "$printer" -E -v "ipp://localhost:$port/ipp/print/$printer" -m everywhere ||
    fail "lpadmin -m everywhere for $printer"
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

cupsd_jobs_done 3
while IFS='|' read -r job queue options checks; do
  id=$(app jobs -d "$queue" | awk -v n="$job" '$NF == n { print $1 }')
  [[ $(wait_job "$queue" "${id:-0}") == completed ]] || fail "$job: not completed in the application"
  "$check" $checks $BOXES "$out/$job.prn" || fail "$job: printer data"
done <<<"$jobs"

finish cups_driverless_test
