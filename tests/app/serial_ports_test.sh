#!/usr/bin/env bash
# Serial and parallel printers of impact-printer-app: a pseudo-terminal plays
# a slow serial printer with a small buffer (XOFF when full, XON when
# drained), one that never sends XON, a parallel port (a file), and URIs
# that are refused.
#   serial_ports_test.sh <impact-printer-app> <impact-serial-printer>
set -euo pipefail
app_bin=$1 serial=$2
source "$(dirname "$0")/app_env.sh"
start_app
# A raw job of bytes a terminal would otherwise turn round: LF, CR, XON,
# XOFF, NUL, 0xff among random ones. A pseudo-terminal holds 64 KB on its
# way (a serial port 4 KB): the job is larger, so that the printer pauses it.
head -c 160000 /dev/urandom >"$scratch/job.prn"
printf '\n\r\x11\x13\x00\xff\n' >>"$scratch/job.prn"
raw=(-o document-format=application/vnd.impact-escp)
# serial_printer <name> <rate> <buffer> [never-xon]: the printer on a new
# pseudo-terminal; its path in $tty.
serial_printer() {
  "$serial" "$scratch/$1.out" "${@:2}" >"$scratch/$1.tty" &
  add_stop "kill $! 2>/dev/null"
  for _ in $(seq 50); do [[ -s $scratch/$1.tty ]] && break; sleep 0.1; done
  tty=$(cat "$scratch/$1.tty")
}
expect() { [[ $2 == "$3" ]] || fail "$1: $2, expected $3"; }
stats() { cat "$scratch/$1.out.stats"; }
reasons() { app status -d "$1" 2>&1 || true; }

echo "--- URIs refused at add, each with what is wrong"
while IFS='|' read -r uri words; do
  if app add -d bad -m impact24 -v "$uri" >"$scratch/add.out" 2>&1; then
    fail "$uri: accepted"
  elif ! grep -qF -- "$words" "$scratch/add.out"; then
    fail "$uri: the message does not say '$words': $(cat "$scratch/add.out")"
  fi
done <<'TABLE'
serial:/dev/ttyS0?baud=9601|baud=9601
serial:ttyS0|path
serial:/dev/ttyS0?parity=mark|parity=mark
serial:/dev/ttyS0?flow=xon|flow=xon
serial:/dev/ttyS0?speed=9600|unknown setting 'speed'
serial:/dev/ttyS0?baud=9600&baud=19200|given twice
parallel:/dev/lp0?baud=9600|takes no settings
TABLE
app printers | grep -qx bad && fail "a printer 'bad' was made"

echo "--- [$SECONDS s] a printer that prints 32 KB a second with XON/XOFF"
serial_printer slow 32000 4096
app add -d slow -m impact24 -v "serial:$tty?baud=19200&bits=8&parity=none&stop=1&flow=xonxoff" >/dev/null
id=$(app submit -d slow "${raw[@]}" "$scratch/job.prn")
expect "flow-controlled job" "$(wait_job slow "${id##*-}")" completed
for _ in $(seq 50); do [[ $(stats slow) == "received $(stat -c %s "$scratch/job.prn") "* ]] && break; sleep 0.1; done
cmp "$scratch/job.prn" "$scratch/slow.out" || fail "the printer did not get the job's bytes in order"
read -r _ received _ pauses _ early <<<"$(stats slow)"
echo "received $received bytes, $pauses pauses, $early bytes sent while paused"
((pauses >= 2)) || fail "the printer paused $pauses times: the test did not exercise XOFF"
((early == 0)) || fail "$early bytes were sent after XOFF"

echo "--- [$SECONDS s] a printer that never sends XON: the job waits, visibly, until cancelled"
serial_printer stuck 32000 4096 never-xon
app add -d stuck -m impact24 -v "serial:$tty" >/dev/null
id=$(app submit -d stuck "${raw[@]}" "$scratch/job.prn")
id=${id##*-}
for _ in $(seq 200); do reasons stuck | grep -q offline && break; sleep 0.1; done
reasons stuck | grep -q offline || fail "the waiting printer shows no offline reason: $(reasons stuck)"
state=$(app jobs -d stuck | awk -v id="$id" '$1 == id { print $2 }')
expect "waiting job's state" "$state" processing
app cancel -d stuck -j "$id" >/dev/null || fail "the waiting job could not be cancelled"
expect "waiting job after cancel" "$(wait_job stuck "$id")" canceled
reasons stuck | grep -q offline && fail "the printer still shows offline after the cancel"

echo "--- [$SECONDS s] a parallel port"
: >"$scratch/lp0"
app add -d par -m impact9 -v "parallel:$scratch/lp0" >/dev/null
id=$(app submit -d par "${raw[@]}" "$scratch/job.prn")
expect "parallel job" "$(wait_job par "${id##*-}")" completed
cmp "$scratch/job.prn" "$scratch/lp0" || fail "the parallel port did not get the job's bytes"
finish serial_ports_test
