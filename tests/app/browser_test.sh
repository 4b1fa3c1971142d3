#!/usr/bin/env bash
# The web interface in headless chromium (browser/web_defaults.mjs): a person
# sets paper, source and margins and prints a test page; the next job has the
# filter's bytes for those settings. Skipped (77) where no browser can be had.
#   browser_test.sh <impact-printer-app> <rastertoimpact> <ppd dir> <impact-stream-check> <screenshot dir>
set -euo pipefail
app_bin=$1 filter=$2 ppd_dir=$3 check=$4 shots=$5
here=$(cd "$(dirname "$0")" && pwd)
browser=$here/browser
if [[ ! -x /usr/bin/chromium ]] || ! command -v node >/dev/null; then
  echo "SKIP: no /usr/bin/chromium or node (scripts/setup installs them)"
  exit 77
fi
node_dir=$(cd "$here/../.." && pwd)/out/node
timeout 300 "$browser/install-puppeteer" "$node_dir" >/dev/null 2>&1 ||
  { echo "SKIP: puppeteer-core could not be installed (npm ci in $node_dir)"; exit 77; }
source "$here/app_env.sh"
umask 022

start_app
out=$scratch/out
mkdir -p "$out" "$shots"
rm -f "$shots"/*.png
app add -d dmp -m impact24 -v "file://$out?ext=prn" >/dev/null
make_pdf "$scratch/letter.pdf" 612 792 "$(box 72 612 216 72) $(box 300 100 200 100) showpage"
[[ $(wait_job dmp "$(app submit -d dmp -t before "$scratch/letter.pdf" | sed 's/.*-//')") == completed ]] ||
  fail "the job before the changes did not complete"

# node and chromium in a process group the stop ends.
setsid timeout 120 node "$browser/web_defaults.mjs" "http://127.0.0.1:$port" dmp "$shots" "$scratch/profile" \
  "$node_dir" &
browser_pid=$!
add_stop 'kill -- -$browser_pid 2>/dev/null'
wait "$browser_pid" || fail "the browser session (screenshots in $shots)"

[[ $(wait_job dmp 2) == completed ]] || fail "the test page from the browser did not complete"
# The test page: on US Letter (11 in is 3960/360 in), with the tear-off job end.
"$check" --pins 24 --dpi 180x180 --pages 1 --inked 1 --length 3960 --job-end C "$out/Test Page.prn" ||
  fail "the test page's printer data"
[[ $(wait_job dmp "$(app submit -d dmp -t after "$scratch/letter.pdf" | sed 's/.*-//')") == completed ]] ||
  fail "the job after the changes did not complete"

through_filter impact24.ppd "$scratch/letter.pdf" "$scratch/expected.prn" -o PageSize=Letter \
  -o InputSlot=TractorFront -o KXTopMP=Driver -o KXTearOff=On
cmp -s "$out/after.prn" "$scratch/expected.prn" ||
  fail "the job after the changes is not the filter's for Letter, front tractor, margins from the page size, tear-off"
cmp -s "$out/after.prn" "$out/before.prn" && fail "the job after the changes has the bytes of the job before"

ls "$shots"
finish browser_test
