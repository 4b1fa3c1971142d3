#!/usr/bin/env bash
# impact-printer-app end to end, printing to files and slow network printers:
# every document format, the filter chain's dots, defaults and job options,
# a cancel mid-page, two printers at once, failing devices, hostile
# requests, and a restart.
#   printer_app_test.sh <impact-printer-app> <rastertoimpact> <ppd dir>
#                       <impact-stream-check> <impact-slow-printer>
# shellcheck disable=SC2086
set -euo pipefail
app_bin=$1 filter=$2 ppd_dir=$3 check=$4 slow=$5
source "$(dirname "$0")/app_env.sh"
umask 022
out=$scratch/out
mkdir -p "$out"
socket_uri="ipp://$(printf '%s' "$scratch/impact-printer-app.sock" | sed 's|/|%2F|g')"
serving() { kill -0 "$server_pid" 2>/dev/null && app printers >/dev/null 2>&1; }
# submit <printer> <job name> <file> [submit options]: prints the job's final state.
submit() {
  local reply
  reply=$(app submit -d "$1" -t "$2" "${@:4}" "$3") || { echo "not-accepted"; return 0; }
  wait_job "$1" "${reply##*-}"
}
# ipp <test file> [ipptool options]: runs an ipptool test on printer $printer over the socket.
ipp() { timeout 60 ipptool -T 30 -t "${@:2}" "$socket_uri/ipp/print/$printer" "$scratch/$1"; }
# job_message <printer> <id>: the job's job-state-message.
job_message() {
  printer=$1 ipp get-job.test -d job=$2 -v 2>/dev/null | sed -n 's/.*job-state-message (textWithoutLanguage) = //p'
}
# expect <what> <actual> <expected>
expect() { [[ $2 == "$3" ]] || fail "$1: $2, expected $3"; }

# ipp_test <file> <operation> <attribute lines...>: a one-request ipptool test.
ipp_test() {
  printf '%s\n' "{ OPERATION $2" "GROUP operation-attributes-tag" "ATTR charset attributes-charset utf-8" \
    "ATTR naturalLanguage attributes-natural-language en" "ATTR uri printer-uri \$uri" "${@:3}" "}" >"$scratch/$1"
}
ipp_test get-job.test Get-Job-Attributes 'ATTR integer job-id $job' \
  'ATTR keyword requested-attributes job-state,job-state-message'
ipp_test printer-state.test Get-Printer-Attributes \
  'ATTR keyword requested-attributes printer-state-reasons,impact-speed-default'
job_lines=('ATTR name requesting-user-name test' 'ATTR name job-name $jobname')
# print_test <type> <name> <value> <status>: print.test, a Print-Job with
# this job attribute.
print_test() {
  ipp_test print.test Print-Job "${job_lines[@]}" 'ATTR mimeMediaType document-format $format' \
    "GROUP job-attributes-tag" "ATTR $1 $2 $3" 'FILE $filename' "STATUS $4"
}
ipp_test custom.test Print-Job "${job_lines[@]}" "ATTR mimeMediaType document-format application/pdf" \
  "GROUP job-attributes-tag" \
  'ATTR collection media-col { MEMBER collection media-size { MEMBER integer x-dimension $width MEMBER integer y-dimension $length } }' \
  'ATTR resolution printer-resolution $resolution' 'FILE $filename' "STATUS successful-ok"
# slow_printer <name> <driver> <bytes a second> [bytes before it drops]: a
# printer on impact-slow-printer, which keeps what it reads in $scratch/<name>.1.
slow_printer() {
  "$slow" "$scratch/$1" "${@:3}" >"$scratch/$1.port" &
  add_stop "kill $! 2>/dev/null"
  for _ in $(seq 50); do [[ -s $scratch/$1.port ]] && break; sleep 0.1; done
  app add -d "$1" -m "$2" -v "socket://127.0.0.1:$(cat "$scratch/$1.port")" >/dev/null
}
# settled <file>: waits for the file to stop growing.
settled() {
  local size=-1
  while [[ $size != "$(stat -c %s "$1" 2>/dev/null)" ]]; do size=$(stat -c %s "$1"); sleep 1; done
}

docs=$scratch/docs
mkdir -p "$docs"
make_documents "$docs"
# The same boxes as raster a client would send.
gs_to() { timeout 60 gs -q -dSAFER -dNOPAUSE -dBATCH -sPAPERSIZE=a4 -dFIXEDMEDIA "$@" "$docs/boxes.pdf" 2>/dev/null; }
gs_to -sDEVICE=pwgraster -r180 -dcupsColorSpace=3 -dcupsBitsPerColor=1 -sOutputFile="$docs/boxes-k1.pwg"
gs_to -sDEVICE=pwgraster -r120x72 -dcupsColorSpace=18 -dcupsBitsPerColor=8 -sOutputFile="$docs/boxes-g8.pwg"
gs_to -sDEVICE=pwgraster -r60x180 -dcupsColorSpace=3 -dcupsBitsPerColor=1 -sOutputFile="$docs/boxes-60.pwg"
gs_to -sDEVICE=urf -r180 -dcupsColorSpace=18 -dcupsBitsPerColor=8 -sOutputFile="$docs/boxes.urf"
gs_to -sDEVICE=pnggray -r60 -dLastPage=1 -sOutputFile="$docs/box1.png"
gs_to -sDEVICE=jpeggray -r60 -dLastPage=1 -sOutputFile="$docs/box1.jpg"
timeout 120 gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=pwgraster -r360 -dcupsColorSpace=3 -dcupsBitsPerColor=1 \
  -sOutputFile="$docs/long-360.pwg" "$docs/long.pdf" 2>/dev/null
printf '%%!PS\n<< /PageSize [595 842] >> setpagedevice\n%s showpage %s showpage\n' \
  "$(box 72 612 216 72)" "$(box 300 100 200 100)" >"$docs/boxes.ps"

start_app app.log ghostscript-idle-limit=5
app add -d p9 -m impact9 -v "file://$out?ext=prn" >/dev/null
app add -d p24 -m impact24 -v "file://$out?ext=prn" >/dev/null
app add -d full -m impact9 -v "file:///dev/full" >/dev/null

echo "--- [$SECONDS s] documents: every format, dots inside the document's boxes"
# printer | job | document | submit options | impact-stream-check arguments
# (an image is fitted to the printable area: its box moves by up to 0.2 in)
image="--pages 1 --box $BOXES_PAGE1 --tolerance 0.2"
while IFS='|' read -r printer job doc options checks; do
  state=$(submit "$printer" "$job" "$docs/$doc" $options)
  expect "$job: job state" "$state" completed
  "$check" $checks "$out/$job.prn" >"$scratch/$job.check" || { cat "$scratch/$job.check"; fail "$job: dots"; }
done <<EOF
p24|pdf24|boxes.pdf||$BOXES --page-end ff --length 4210 --mode 39 --speed none --job-end reset
p24|pdf360|boxes.pdf|-o print-quality=high|--dpi 360x360 $BOXES --tolerance 0.02 --mode 73 --job-end reset
p9|pdf9|boxes.pdf||--pins 9 --dpi 120x72 $BOXES --length 5052 --mode 1
p24|ps24|boxes.ps||$BOXES
p24|pwg1|boxes-k1.pwg||$BOXES
p9|pwg8|boxes-g8.pwg||--pins 9 --dpi 120x72 $BOXES
p24|urf|boxes.urf||$BOXES
p24|png|box1.png||$image
p9|jpeg|box1.jpg|-o print-quality=high|--pins 9 --dpi 240x72 $image --mode 3
EOF

echo "--- [$SECONDS s] two printers at once, each with the bytes it gets alone"
# printer | driver | submit options | bytes a second
twins="twin9|impact9|-o print-quality=high|1000000
twin24|impact24||2000000"
while IFS='|' read -r job driver options rate; do
  expect "$job alone" "$(submit "p${driver#impact}" "alone-$job" "$docs/long.pdf" $options)" completed
  slow_printer "$job" "$driver" "$rate"
done <<<"$twins"
while IFS='|' read -r job driver options rate; do
  app submit -d "$job" -t "$job" $options "$docs/long.pdf" >/dev/null
done <<<"$twins"
sleep 0.5
busy=$(app jobs -d twin9 | grep -c processing || true)$(app jobs -d twin24 | grep -c processing || true)
expect "jobs processing on both printers at once" "$busy" 11
while IFS='|' read -r job driver options rate; do
  expect "$job: job state" "$(wait_job "$job" 1)" completed
  settled "$scratch/$job.1"
  cmp -s "$scratch/$job.1" "$out/alone-$job.prn" || fail "$job: not the bytes the printer gets alone"
done <<<"$twins"

echo "--- [$SECONDS s] the same dots as the filter chain with the PPD; printer defaults and job options"
# app job | PPD | cupsfilter options | impact-stream-check arguments
# PDF gives the same bytes. Client raster lies on the sheet's dot grid,
# while Ghostscript starts the filter's page a fraction of a dot in where a
# margin is no whole number of dots (9 pt at 60 or 180 dpi) and inks every
# dot a shape touches: a column or row more at the edge (--differ).
printer=p9 ipp custom.test -d jobname=form6 -d width=21590 -d length=15240 -d resolution=240x72dpi \
  -f "$docs/form6.pdf" >/dev/null || fail "form6: Print-Job with a custom size"
wait_job p9 "$(app jobs -d p9 | awk '$NF == "form6" { print $1 }')" >/dev/null
expect "draft 24-pin raster" "$(submit p24 pwg60 "$docs/boxes-60.pwg" -o print-quality=draft)" completed
app modify -d p24 -o impact-speed=high -o impact-print-direction=unidirectional >/dev/null ||
  fail "modify: not accepted"
expect "job after modify" "$(submit p24 speed-default "$docs/boxes.pdf")" completed
expect "job with its own option" "$(submit p24 speed-job "$docs/boxes.pdf" -o impact-speed=normal)" completed
while IFS='|' read -r job ppd options checks; do
  doc=boxes.pdf && [[ $job == form6 ]] && doc=form6.pdf
  through_filter "$ppd" "$docs/$doc" "$scratch/$job.filter" $options || continue
  "$check" $checks --like "$scratch/$job.filter" "$out/$job.prn" >"$scratch/$job.compare" ||
    { cat "$scratch/$job.compare"; fail "$job: not the filter's dots"; }
  [[ $checks == *--differ* ]] || cmp -s "$scratch/$job.filter" "$out/$job.prn" || fail "$job: not the filter's bytes"
done <<EOF
pdf9|impact9.ppd||--pins 9 --dpi 120x72
pdf24|impact24.ppd||--dpi 180x180
pdf360|impact24.ppd|-o Resolution=360dpi|--dpi 360x360
form6|impact9.ppd|-o PageSize=Custom.8.5x6in -o Resolution=240x72dpi|--pins 9 --dpi 240x72 $FORM6 --page-end ff --length 2592 --mode 3
pwg1|impact24.ppd||--dpi 180x180 --differ 760
pwg8|impact9.ppd||--pins 9 --dpi 120x72
pwg60|impact24.ppd|-o Resolution=60x180dpi|--dpi 60x180 --differ 420
speed-default|impact24.ppd|-o KXSpeed=High -o KXPrintDirection=UniOn|--dpi 180x180
speed-job|impact24.ppd|-o KXSpeed=Normal -o KXPrintDirection=UniOn|--dpi 180x180
EOF
grep -h '^page' "$scratch/pwg1.compare" "$scratch/pwg60.compare"
cmp -s "$out/speed-default.prn" "$out/pdf24.prn" && fail "the printer default did not change the job's bytes"

echo "--- [$SECONDS s] cancel in the middle of a page, on a printer that takes 1 MB a second"
# printer | document | submit options
while IFS='|' read -r job doc options; do
  slow_printer "$job" impact24 1000000
  app submit -d "$job" -t "$job" $options "$docs/$doc" >/dev/null 2>&1 &
  add_stop "kill $! 2>/dev/null"
  # Raster is answered only once all of it is in.
  id=
  for _ in $(seq 100); do
    id=$(app jobs -d "$job" | awk '$2 == "processing" { print $1 }')
    [[ -n $id ]] && break
    sleep 0.1
  done
  sleep 2
  app cancel -d "$job" -j "${id:-1}" >/dev/null 2>&1 || fail "$job: Cancel-Job refused"
  expect "$job: job state" "$(wait_job "$job" "${id:-1}")" canceled
  settled "$scratch/$job.1"
  "$check" --cancelled "$scratch/$job.1" >"$scratch/$job.check" ||
    { cat "$scratch/$job.check"; fail "$job: the cancelled job does not end cleanly"; }
  pages=$(sed -n '1s/.* \([0-9]*\) pages$/\1/p' "$scratch/$job.check")
  ((pages >= 1 && pages < 30)) || fail "$job: $pages pages on paper, expected a part of the 30"
done <<EOF
cancel-pdf|long.pdf|-o print-quality=high
cancel-pwg|long-360.pwg|-o print-quality=high
EOF

echo "--- [$SECONDS s] failing devices abort the job with a reason; the application keeps serving"
slow_printer unplugged impact24 1000000 20000
# printer | document | submit options | words the job's message has (the
# engine's error report, then why the device stopped)
while IFS='|' read -r printer doc options words; do
  state=$(submit "$printer" "fail-$printer" "$docs/$doc" $options)
  expect "$printer: job state" "$state" aborted
  id=$(app jobs -d "$printer" | awk -v n="fail-$printer" '$NF == n { print $1 }' | head -n 1)
  message=$(job_message "$printer" "$id")
  [[ $message == *"$words"* ]] || fail "$printer: job message '$message', expected '$words'"
  printer=$printer ipp printer-state.test -v | grep -q 'printer-state-reasons (keyword) = other' ||
    fail "$printer: no printer-state-reasons"
done <<EOF
full|boxes.pdf||No space left on device
full|boxes-k1.pwg||Print data output error. The printer stopped taking data: No space left on device.
unplugged|long.pdf|-o print-quality=high|The printer stopped taking data
EOF
serving || fail "the application stopped serving after a device failure"

echo "--- [$SECONDS s] hostile requests"
head -c $(($(stat -c %s "$docs/boxes-k1.pwg") / 2)) "$docs/boxes-k1.pwg" >"$docs/truncated.pwg"
head -c 2000 /dev/urandom >"$docs/noise.bin"
{ printf '%%PDF-1.4\n'; head -c 2000 /dev/urandom; } >"$docs/noise.pdf"
printf '%%!PS\n{ } loop\n' >"$docs/busy.ps"
# job | format | attribute type | name | value | expected status | final state | words in the job's message
while IFS='|' read -r job format type attr value status final words; do
  print_test "$type" "$attr" "$value" "$status"
  printer=p24 ipp print.test -d jobname="$job" -d format="$format" -f "$docs/${job#*-}" \
    >"$scratch/$job.ipp" ||
    { grep -E 'status-code|FAIL' "$scratch/$job.ipp"; fail "$job: IPP status not $status"; continue; }
  [[ $final == - ]] && continue
  id=$(app jobs -d p24 | awk -v n="$job" '$NF == n { print $1 }' | head -n 1)
  expect "$job: job state" "$(wait_job p24 "$id")" "$final"
  message=$(job_message p24 "$id")
  [[ $message == *"$words"* ]] || fail "$job: job message '$message', expected '$words'"
done <<EOF
quality-boxes.pdf|application/pdf|enum|print-quality|9|client-error-attributes-or-values-not-supported|-|
media-boxes.pdf|application/pdf|keyword|media|no-such-paper|successful-ok-ignored-or-substituted-attributes|completed|
speed-boxes.pdf|application/pdf|keyword|impact-speed|warp|successful-ok|aborted|impact-speed
format-noise.bin|application/x-unknown|keyword|sides|one-sided|successful-ok|aborted|
cut-truncated.pwg|image/pwg-raster|keyword|sides|one-sided|successful-ok|aborted|ended in the middle of page
noise-noise.pdf|application/pdf|keyword|sides|one-sided|successful-ok|aborted|could not be read
busy-busy.ps|application/postscript|keyword|sides|one-sided|successful-ok|aborted|produced nothing for 5 seconds
EOF
serving || fail "the application stopped serving after hostile requests"

echo "--- [$SECONDS s] printers and their defaults survive a restart"
# PAPPL takes half a minute to act on a shutdown request; SIGTERM at once.
app shutdown >/dev/null 2>&1 || fail "shutdown: not accepted"
kill "$server_pid"
wait "$server_pid" 2>/dev/null || true
server_pid=
start_app app-restarted.log ghostscript-idle-limit=5
printers=$(app printers | sort | tr '\n' ' ')
[[ $printers == *"p24 p9 "* ]] || fail "printers after a restart: $printers"
printer=p24 ipp printer-state.test -v | grep -q 'impact-speed-default (keyword) = high' ||
  fail "the printer default did not survive the restart"
expect "job after a restart" "$(submit p24 restarted "$docs/boxes.pdf")" completed
cmp -s "$out/restarted.prn" "$out/speed-default.prn" || fail "after a restart: not the bytes with the printer's defaults"

finish printer_app_test
