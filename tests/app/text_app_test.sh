#!/usr/bin/env bash
# Plain text in the printer application: text/plain is offered, a text
# document prints in the printer's fonts from `submit` (told apart by its
# bytes) and from an IPP client, byte for byte as texttoimpact prints it with
# the same settings; printer defaults, print-quality, a bad value and the
# job's message.
#   text_app_test.sh <impact-printer-app> <texttoimpact> <ppd dir>
# shellcheck disable=SC2086
set -euo pipefail
app_bin=$1 text_filter=$2 ppd_dir=$3
source "$(dirname "$0")/app_env.sh"
out=$scratch/out
mkdir -p "$out"
socket_uri="ipp://$(printf '%s' "$scratch/impact-printer-app.sock" | sed 's|/|%2F|g')"
expect() { [[ $2 == "$3" ]] || fail "$1: $2, expected $3"; }
submit() {
  local reply
  reply=$(app submit -d "$1" -t "$2" "${@:4}" "$3") || { echo "not-accepted"; return 0; }
  wait_job "$1" "${reply##*-}"
}
# ipp <printer> <operation> <request lines...>: one request over the socket, verbose.
ipp() {
  printf '%s\n' "{ OPERATION $2" "GROUP operation-attributes-tag" "ATTR charset attributes-charset utf-8" \
    "ATTR naturalLanguage attributes-natural-language en" "ATTR uri printer-uri \$uri" "${@:3}" "}" \
    >"$scratch/request.test"
  timeout 60 ipptool -T 30 -tv -f "$scratch/invoice.txt" "$socket_uri/ipp/print/$1" "$scratch/request.test"
}

start_app
app add -d p9 -m impact9 -v "file://$out?ext=prn" >/dev/null
app add -d p24 -m impact24 -v "file://$out?ext=prn" >/dev/null
printf 'Rechnung 2026-117\n\tSumme:\t1.234,50 \xe2\x82\xac\n\xc5\xbb\xc3\xb3\xc5\x82w \xe2\x80\x9eok\xe2\x80\x9d\n\fSeite 2\n' \
  >"$scratch/invoice.txt"

ipp p24 Get-Printer-Attributes "ATTR keyword requested-attributes document-format-supported,cpi-supported" \
  >"$scratch/attrs.txt" || fail "Get-Printer-Attributes"
grep -q 'document-format-supported.*text/plain' "$scratch/attrs.txt" || fail "text/plain is not offered"
grep -q 'cpi-supported (1setOf integer) = 10,12,15,17' "$scratch/attrs.txt" || fail "24-pin pitches: $(cat "$scratch/attrs.txt")"

echo "--- the application's bytes are texttoimpact's for the same settings"
# job | printer | submit options | PPD | texttoimpact options
while IFS='|' read -r job printer options ppd filter_options; do
  expect "$job" "$(submit "$printer" "$job" "$scratch/invoice.txt" $options)" completed
  PPD=$ppd_dir/$ppd "$text_filter" 1 u "$job" 1 "$filter_options" "$scratch/invoice.txt" >"$scratch/$job.want" \
    2>"$scratch/$job.log" || fail "texttoimpact $job"
  cmp -s "$out/$job.prn" "$scratch/$job.want" || fail "$job: $(hex_of "$out/$job.prn") is not $(hex_of "$scratch/$job.want")"
done <<'JOBS'
defaults|p24||impact24.ppd|
settings|p24|-o cpi=12 -o lpi=8 -o page-left=36 -o page-top=18 -o impact-character-table=pc858 -o media=na_letter_8.5x11in -o impact-tear-off=on|impact24.ppd|cpi=12 lpi=8 page-left=36 page-top=18 KXCharTable=PC858 PageSize=Letter KXTearOff=On
draft|p9|-o print-quality=draft -o cpi=15 -o wrap=false -o impact-character-table=pc852|impact9.ppd|KXTextQuality=Draft cpi=15 wrap=false KXCharTable=PC852
JOBS

echo "--- from an IPP client, with the printer's defaults"
app modify -d p24 -o cpi=17 -o impact-character-table=pc850 >/dev/null || fail "modify p24"
ipp p24 Print-Job "ATTR name requesting-user-name test" "ATTR name job-name ipp-text" \
  "ATTR mimeMediaType document-format text/plain" 'FILE $filename' >"$scratch/print.txt" 2>&1 ||
  fail "Print-Job text/plain: $(grep -E 'status-code' "$scratch/print.txt")"
id=$(sed -n 's/.*job-id (integer) = //p' "$scratch/print.txt")
expect "ipp-text" "$(wait_job p24 "$id")" completed
expect_count "$out/ipp-text.prn" 1 "1b 50 0f 1b 32" "the printer's default pitch, condensed"
expect_count "$out/ipp-text.prn" 1 "1b 28 74 03 00 01 03 00" "the printer's default table, PC850"
message=$(ipp p24 Get-Job-Attributes "ATTR integer job-id $id" "ATTR keyword requested-attributes job-state-message" |
  sed -n 's/.*job-state-message (textWithoutLanguage) = //p')
[[ $message == "5 characters are not in the printer's character table PC850"* ]] || fail "ipp-text: message '$message'"

echo "--- a value the option does not take"
expect "bad cpi" "$(submit p24 bad "$scratch/invoice.txt" -o cpi=0)" aborted
id=$(app jobs -d p24 | awk '$NF == "bad" { print $1 }')
message=$(ipp p24 Get-Job-Attributes "ATTR integer job-id $id" "ATTR keyword requested-attributes job-state-message" |
  sed -n 's/.*job-state-message (textWithoutLanguage) = //p')
expect "bad: message" "$message" "Unsupported cpi value '0'."
[[ ! -s $out/bad.prn ]] || fail "bad: the refused job sent $(hex_of "$out/bad.prn")"
finish text_app
