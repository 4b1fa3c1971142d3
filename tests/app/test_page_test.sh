#!/usr/bin/env bash
# The web page's "Print Test Page" button (posted as the page posts it) on
# both printer classes: a job that completes, one page with dots. A PDF
# Ghostscript fails on. And `devices`, which PAPPL 1.3.1 aborted without
# avahi-daemon.
#   test_page_test.sh <impact-printer-app> <impact-stream-check>
set -euo pipefail
app_bin=$1 check=$2
source "$(dirname "$0")/app_env.sh"
# A Ghostscript that fails with a message of one character.
mkdir -p "$scratch/fake-gs"
printf '#!/bin/sh\necho x >&2\nexit 1\n' >"$scratch/fake-gs/gs"
chmod 755 "$scratch/fake-gs/gs"
PATH=$scratch/fake-gs:$PATH start_app
out=$scratch/out
mkdir -p "$out"

# printer | driver | impact-stream-check arguments
while IFS='|' read -r printer driver checks; do
  mkdir -p "$out/$printer"
  app add -d "$printer" -m "$driver" -v "file://$out/$printer?ext=prn" >/dev/null
  # The form carries the page's session token (PAPPL's CSRF check).
  token=$(curl -sf "http://127.0.0.1:$port/$printer/" | sed -n 's/.*name="session" value="\([0-9a-f]*\)".*/\1/p' | head -n 1)
  curl -sf --data "session=$token&action=print-test-page" "http://127.0.0.1:$port/$printer/" >"$scratch/$printer.html"
  grep -q 'Test page printed' "$scratch/$printer.html" || fail "$printer: the page did not confirm the test page"
  state=$(wait_job "$printer" 1)
  [[ $state == completed ]] || fail "$printer: test page job $state"
  # shellcheck disable=SC2086
  "$check" $checks --pages 1 --inked 1 "$out/$printer/Test Page.prn" || fail "$printer: the test page's printer data"
done <<EOF2
nine|impact9|--pins 9 --dpi 120x72
dmp|impact24|--pins 24 --dpi 180x180
EOF2

# A PDF that Ghostscript cannot read: the job says so with its message.
printf '%%PDF-1.4\n' >"$scratch/doc.pdf"
reply=$(app submit -d nine "$scratch/doc.pdf") || fail "submit: exit status $?"
state=$(wait_job nine "${reply##*-}")
[[ $state == aborted ]] || fail "a PDF Ghostscript cannot read: job $state"
grep -q 'The document could not be read: x$' "$log" || fail "no job message with Ghostscript's own"

# (Not the Add Printer web page: PAPPL looks for printers there with SNMP
# broadcasts on the machine's networks.)
app devices >"$scratch/devices.txt" || fail "devices: exit status $?"

finish test_page_test
