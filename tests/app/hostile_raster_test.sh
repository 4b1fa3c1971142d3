#!/usr/bin/env bash
# Raster pages that do not match their job (resolution, width, depth,
# colour space), sent many times to both printers: printed at the job's
# resolution with the document's dots where they belong, or refused with a
# message; never a write past a buffer (in the AddressSanitizer build,
# without quarantine, damage done by any library shows at the next free).
#   hostile_raster_test.sh <impact-printer-app> <impact-stream-check>
set -euo pipefail
app_bin=$1 check=$2
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=0"
source "$(dirname "$0")/app_env.sh"
docs=$scratch/docs out=$scratch/out
mkdir -p "$docs" "$out"
make_documents "$docs"
expect() { [[ $2 == "$3" ]] || fail "$1: $2, expected $3"; }
uri() { echo "ipp://$(printf '%s' "$scratch/impact-printer-app.sock" | sed 's|/|%2F|g')/ipp/print/$1"; }
# message <printer> <id>: the job's job-state-message.
message() {
  printf '%s\n' "{ OPERATION Get-Job-Attributes" "GROUP operation-attributes-tag" \
    "ATTR charset attributes-charset utf-8" "ATTR naturalLanguage attributes-natural-language en" \
    "ATTR uri printer-uri \$uri" "ATTR integer job-id $2" "ATTR keyword requested-attributes job-state-message" \
    "}" >"$scratch/get.test"
  timeout 60 ipptool -T 30 -t -v "$(uri "$1")" "$scratch/get.test" 2>/dev/null |
    sed -n 's/.*job-state-message (textWithoutLanguage) = //p'
}
# page <name> <gs options...>: the boxes document as one client's raster.
page() {
  timeout 60 gs -q -dSAFER -dNOPAUSE -dBATCH -sPAPERSIZE=a4 -dFIXEDMEDIA -sOutputFile="$docs/$1" "${@:2}" \
    "$docs/boxes.pdf" 2>/dev/null
}
page g8-180.pwg -sDEVICE=pwgraster -r180 -dcupsColorSpace=18 -dcupsBitsPerColor=8
page k8-360.pwg -sDEVICE=pwgraster -r360 -dcupsColorSpace=3 -dcupsBitsPerColor=8
page k1-60.pwg -sDEVICE=pwgraster -r60 -dcupsColorSpace=3 -dcupsBitsPerColor=1
page rgb-90x45.pwg -sDEVICE=pwgraster -r90x45 -dcupsColorSpace=19 -dcupsBitsPerColor=8
page w8-300.urf -sDEVICE=urf -r300 -dcupsColorSpace=18 -dcupsBitsPerColor=8
page cmyk-180.pwg -sDEVICE=pwgraster -r180 -dcupsColorSpace=6 -dcupsBitsPerColor=8
page g16-180.pwg -sDEVICE=pwgraster -r180 -dcupsColorSpace=18 -dcupsBitsPerColor=16
timeout 60 gs -q -dSAFER -dNOPAUSE -dBATCH -sPAPERSIZE=a3 -dFIXEDMEDIA -sDEVICE=pwgraster -r180 \
  -dcupsColorSpace=18 -dcupsBitsPerColor=8 -sOutputFile="$docs/a3-g8-180.pwg" "$docs/boxes.pdf" 2>/dev/null
timeout 60 gs -q -dSAFER -dNOPAUSE -dBATCH -sPAPERSIZE=a4 -dFIXEDMEDIA -sDEVICE=pnggray -r60 -dLastPage=1 \
  -sOutputFile="$docs/box1.png" "$docs/boxes.pdf" 2>/dev/null
# A document sent with Send-Document after a Create-Job ($format): raster
# PAPPL streams itself; an image the application reads as from a Print-Job.
printf '%s\n' "{ OPERATION Create-Job" "GROUP operation-attributes-tag" "ATTR charset attributes-charset utf-8" \
  "ATTR naturalLanguage attributes-natural-language en" "ATTR uri printer-uri \$uri" \
  "ATTR name requesting-user-name test" 'ATTR name job-name $jobname' "STATUS successful-ok" "}" \
  "{ OPERATION Send-Document" "GROUP operation-attributes-tag" "ATTR charset attributes-charset utf-8" \
  "ATTR naturalLanguage attributes-natural-language en" "ATTR uri printer-uri \$uri" \
  'ATTR integer job-id $job-id' "ATTR name requesting-user-name test" "ATTR boolean last-document true" \
  'ATTR mimeMediaType document-format $format' 'FILE $filename' "}" >"$scratch/send.test"

start_app
app add -d p9 -m impact9 -v "file://$out?ext=prn" >/dev/null
app add -d p24 -m impact24 -v "file://$out?ext=prn" >/dev/null

echo "--- [$SECONDS s] every page to both printers, three rounds"
# document | job state | words of the job's message
cases="g8-180.pwg|completed|
k8-360.pwg|completed|
k1-60.pwg|completed|
rgb-90x45.pwg|completed|
w8-300.urf|completed|
a3-g8-180.pwg|completed|
cmyk-180.pwg|aborted|Page 1 is 32-bit CMYK raster, which this printer cannot print.
g16-180.pwg|aborted|Page 1 is 16-bit grey raster, which this printer cannot print."
for round in 1 2 3; do
  while IFS='|' read -r doc state words; do
    for printer in p9 p24; do
      name=$printer-${doc%%.*}-$round
      reply=$(app submit -d "$printer" -t "$name" "$docs/$doc") || { fail "$name: not accepted"; continue; }
      expect "$name" "$(wait_job "$printer" "${reply##*-}")" "$state"
      [[ -z $words ]] || expect "$name: message" "$(message "$printer" "${reply##*-}")" "$words"
    done
  done <<<"$cases"
  timeout 60 ipptool -T 30 -d format=image/pwg-raster -d jobname=sent-raster -f "$docs/g8-180.pwg" "$(uri p9)" \
    "$scratch/send.test" >/dev/null 2>&1 || true
  id=$(app jobs -d p9 | awk 'NR == 1 { print $1 }')
  expect "Send-Document $round" "$(wait_job p9 "$id")" aborted
  expect "Send-Document $round: message" "$(message p9 "$id")" \
    "Raster documents are printed when sent with Print-Job, not Send-Document."
done
timeout 60 ipptool -T 30 -d format=image/png -d jobname=sent-png -f "$docs/box1.png" "$(uri p9)" \
  "$scratch/send.test" >/dev/null 2>&1 || true
expect "Send-Document image" "$(wait_job p9 "$(app jobs -d p9 | awk 'NR == 1 { print $1 }')")" completed
kill -0 "$server_pid" 2>/dev/null || fail "the application died"

echo "--- [$SECONDS s] the dots where the document has them, at the job's resolution"
# job | impact-stream-check arguments (a page at another resolution moves
# its box edges by up to a pixel of the page's; the A3 page's top left
# corner is the sheet's, its boxes 348.55 points lower than on A4, the
# second page's below the sheet)
while IFS='|' read -r job checks; do
  "$check" $checks "$out/$job.prn" >"$scratch/$job.check" || { cat "$scratch/$job.check"; fail "$job: dots"; }
done <<EOF2
p9-g8-180-1|--pins 9 --dpi 120x72 $BOXES --tolerance 0.03
p24-k8-360-1|--dpi 180x180 $BOXES --tolerance 0.03
p24-k1-60-1|--dpi 180x180 $BOXES --tolerance 0.03
p9-rgb-90x45-1|--pins 9 --dpi 120x72 $BOXES --tolerance 0.03
p24-w8-300-1|--dpi 180x180 $BOXES --tolerance 0.03
p9-a3-g8-180-1|--pins 9 --dpi 120x72 --pages 2 --box 1:0.875,6.910,3.875,7.910 --tolerance 0.03
sent-png|--pins 9 --dpi 120x72 --pages 1 --box $BOXES_PAGE1 --tolerance 0.2
EOF2
kill "$server_pid"
wait "$server_pid" 2>/dev/null || true
server_pid=
# Memory errors and undefined behaviour (what PAPPL leaves allocated at
# exit is its own business).
pattern='ERROR: AddressSanitizer|CHECK failed|runtime error'
grep -Eq "$pattern" "$scratch/app.out" && { grep -EA20 "$pattern" "$scratch/app.out" | head -40 >&2; fail "sanitizer report"; }

finish hostile_raster_test
