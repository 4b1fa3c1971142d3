#!/usr/bin/env bash
# The installed driver in a real spooler: the build is installed into a
# scratch prefix, a private cupsd runs from that prefix (its ServerBin is
# the installed lib/cups with links to the system's filters and helpers,
# its model directory the installed PPDs) on a local socket, queues are
# made with lpadmin on file devices, and jobs with paper-handling, speed
# and form-length options are checked byte by byte and decoded. A job
# cancelled while it prints leaves a stream that ends cleanly.
#   private_cupsd.sh <build dir> <impact-stream-check>
# With KEEP_SCRATCH set, the scratch directory (configuration, logs, device
# files) is left in /tmp for a look afterwards.
set -euo pipefail
build=$1
check=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"
umask 022

# cupsd runs filters as lp and wants them, and the directories leading to
# them, owned by root (or by the user it runs as) and not writable by others.
scratch=$(mktemp -d /tmp/impact-cupsd.XXXXXX)
chmod 755 "$scratch"
cupsd_pid=""
reader_pid=""
stop_all() {
  local status=$?
  if [[ -n $reader_pid ]]; then kill "$reader_pid" 2>/dev/null || true; fi
  if [[ -n $cupsd_pid ]] && kill -0 "$cupsd_pid" 2>/dev/null; then
    kill -TERM "$cupsd_pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$cupsd_pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$cupsd_pid" 2>/dev/null || true
    wait "$cupsd_pid" 2>/dev/null || true
  fi
  if ((status != 0)) && [[ -f $scratch/log/error_log ]]; then
    echo "--- last lines of the private cupsd's error_log" >&2
    grep -E '^[EW] ' "$scratch/log/error_log" | tail -n 30 >&2 || true
  fi
  [[ -n ${KEEP_SCRATCH:-} ]] || rm -rf "$scratch"
  exit "$status"
}
trap stop_all EXIT
trap 'exit 1' INT TERM

# --- the installed driver
prefix=$scratch/prefix
timeout 60 cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1 ||
  { cat "$scratch/install.log" >&2; echo "cmake --install failed" >&2; exit 1; }
system_serverbin=$(cups-config --serverbin)
relative=${system_serverbin#/usr/}
relative=${relative#/}
serverbin=$prefix/$relative
[[ -x $serverbin/filter/rastertoimpact ]] || { echo "no installed filter in $serverbin/filter" >&2; exit 1; }
for entry in "$system_serverbin"/*; do
  name=$(basename "$entry")
  [[ $name == filter ]] || ln -s "$entry" "$serverbin/$name"
done
for entry in "$system_serverbin"/filter/*; do
  [[ $(basename "$entry") == rastertoimpact ]] || ln -s "$entry" "$serverbin/filter/"
done

# DataDir: the system's data, with a model directory that holds only the
# installed PPDs (cups-driverd lists it for lpinfo -m).
datadir=$scratch/data
mkdir -p "$datadir/model"
for entry in "$(cups-config --datadir)"/*; do
  name=$(basename "$entry")
  [[ $name == model ]] || ln -s "$entry" "$datadir/$name"
done
ln -s "$prefix/share/ppd/rastertoimpact" "$datadir/model/rastertoimpact"

# --- the private cupsd
# As root it runs the filters as lp; otherwise as the user running it.
run_user=lp
run_group=lp
system_group=root
if [[ $(id -u) -ne 0 ]]; then
  run_user=$(id -un)
  run_group=$(id -gn)
  system_group=$run_group
fi
mkdir -p "$scratch/conf" "$scratch/log" "$scratch/out"
# The filters write their temporary files here as the run user.
install -d -m 1770 -g "$run_group" "$scratch/tmp"
socket=$scratch/cupsd.sock
# A filter built with the sanitizers gets the suppression of a leak inside
# libcups (see lsan.supp) and full stacks (libcups has no frame pointers)
# so that the suppression matches only that leak; other builds ignore both.
install -m 644 "$here/lsan.supp" "$scratch/conf/lsan.supp"
cat >"$scratch/conf/cups-files.conf" <<EOF
ServerRoot $scratch/conf
ServerBin $serverbin
DataDir $datadir
RequestRoot $scratch/spool
TempDir $scratch/tmp
CacheDir $scratch/cache
StateDir $scratch/state
ErrorLog $scratch/log/error_log
AccessLog $scratch/log/access_log
PageLog $scratch/log/page_log
Printcap $scratch/printcap
FileDevice Yes
User $run_user
Group $run_group
SystemGroup $system_group
SetEnv LSAN_OPTIONS suppressions=$scratch/conf/lsan.supp
SetEnv ASAN_OPTIONS fast_unwind_on_malloc=0
EOF
# No authentication: only this test talks to it, through its own socket.
cat >"$scratch/conf/cupsd.conf" <<EOF
LogLevel debug
MaxLogSize 0
Listen $socket
Browsing No
WebInterface No
DefaultAuthType None
JobKillDelay 10
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  JobPrivateAccess all
  JobPrivateValues none
  SubscriptionPrivateAccess all
  SubscriptionPrivateValues none
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF

# Run under timeout so that the daemon ends even if this script is killed
# without a chance to stop it (CTest's timeout is 150 s).
timeout -s TERM 170 cupsd -f -c "$scratch/conf/cupsd.conf" -s "$scratch/conf/cups-files.conf" \
  >"$scratch/log/cupsd.out" 2>&1 &
cupsd_pid=$!
export CUPS_SERVER=$socket
cups() { timeout 20 "$@"; }
for _ in $(seq 100); do
  cups lpstat -r 2>/dev/null | grep -q 'is running' && break
  kill -0 "$cupsd_pid" 2>/dev/null || { cat "$scratch/log/cupsd.out" >&2; echo "cupsd did not start" >&2; exit 1; }
  sleep 0.1
done
cups lpstat -r | grep -q 'is running' || { echo "cupsd does not answer on $socket" >&2; exit 1; }
echo "private cupsd (pid $cupsd_pid) on $socket, ServerBin $serverbin"

# --- the installed driver as lpinfo -m lists it
echo "--- lpinfo -m (the driver's entries)"
models=$(cups lpinfo -m 2>/dev/null | grep 'rastertoimpact/' || true)
printf '%s\n' "$models"
grep -q '^rastertoimpact/impact9.ppd Generic Serial Impact 9-Pin' <<<"$models" ||
  fail "lpinfo -m does not list the 9-pin model"
grep -q '^rastertoimpact/impact24.ppd Generic Serial Impact 24-Pin' <<<"$models" ||
  fail "lpinfo -m does not list the 24-pin model"

# --- queues: one per job, each on its own device file
ppd24=$prefix/share/ppd/rastertoimpact/impact24.ppd
# queue <name> <lpadmin driver arguments...>
queue() {
  local name=$1
  shift
  cups lpadmin -p "$name" -v "file:$scratch/out/$name.prn" "$@" -E 2>"$scratch/log/lpadmin-$name.log" ||
    { cat "$scratch/log/lpadmin-$name.log" >&2; fail "lpadmin cannot make queue $name"; }
}
for name in tearoff rollpaper fast normal form6; do queue "$name" -P "$ppd24"; done
# The 9-pin queue by the model name lpinfo -m gave.
queue nine -m rastertoimpact/impact9.ppd

make_documents "$scratch"
chmod 644 "$scratch"/*.pdf

# submit <queue> <file> [lp options...]
submit() {
  local name=$1 file=$2
  shift 2
  cups lp -d "$name" "$@" "$file" >>"$scratch/log/lp.log" || fail "lp to $name failed"
}
submit tearoff "$scratch/boxes.pdf" -o InputSlot=Tractor -o KXTearOff=On
submit rollpaper "$scratch/boxes.pdf" -o InputSlot=RollPaper -o KXSvRP=On -o KXTearOff=On
submit fast "$scratch/boxes.pdf" -o KXSpeed=High -o Resolution=120x180dpi
submit normal "$scratch/boxes.pdf" -o KXSpeed=Normal -o Resolution=120x180dpi -o KXPrintDirection=UniOn
submit form6 "$scratch/form6.pdf" -o PageSize=Custom.8.5x6in -o InputSlot=TractorFront -o KXTearOff=On
submit nine "$scratch/form6.pdf" -o PageSize=Custom.8.5x6in -o KXSpeed=High -o KXTopMP=Driver

# Wait for every job to leave the queues (a job stopped by a failing
# filter never does).
for _ in $(seq 600); do
  [[ -z $(cups lpstat -W not-completed -o 2>/dev/null) ]] && break
  grep -q 'Job stopped due to filter errors' "$scratch/log/error_log" && break
  sleep 0.1
done
pending=$(cups lpstat -W not-completed -o 2>/dev/null || true)
[[ -z $pending ]] || fail "jobs not completed: $pending"
completed=$(cups lpstat -W completed -o 2>/dev/null | wc -l)
[[ $completed -eq 6 ]] || fail "$completed of 6 jobs completed"
# Every filter of every job ended cleanly.
if grep -E '\[Job [0-9]+\] PID [0-9]+ \(.*\) (stopped with status|crashed on signal|was terminated)' \
  "$scratch/log/error_log" >&2; then
  fail "filters of the jobs above failed"
fi

out=$scratch/out
# verify <queue> <impact-stream-check arguments...>
verify() {
  local name=$1
  shift
  echo "--- $name"
  [[ -s $out/$name.prn ]] || { fail "$name: the device file is empty"; return; }
  "$check" "$@" "$out/$name.prn" || fail "$name: the printer data does not match the job"
}

# Tractor paper with tear-off: form feeds, then CR ESC 0x19 "C" ends the job.
verify tearoff --pins 24 --dpi 180x180 --pages 2 --box "$BOXES_PAGE1" --box "$BOXES_PAGE2" \
  --page-end ff --length 4210 --job-end C
expect_tail "$out/tearoff.prn" "0c 0d 1b 19 43" "tear-off job end"

# Roll paper with saving: each page ends with a short feed and the roll's
# page length, the job with CR ESC 0x19 "D".
verify rollpaper --pins 24 --dpi 180x180 --pages 2 --box "$BOXES_PAGE1" --box "$BOXES_PAGE2" \
  --page-end roll --job-end D
expect_count "$out/rollpaper.prn" 2 "1b 4a 18 1b 28 43 02 00 f0 1e" "roll-paper page end"
expect_tail "$out/rollpaper.prn" "1b 4a 18 1b 28 43 02 00 f0 1e 0d 1b 19 44" "roll-paper job end"

# High speed on the 24-pin class (KXSpPseFsx 1): FS x 1 and the flagged
# high-speed mode 34 at 120 x 180 dpi; normal speed: FS x 0 and mode 33.
verify fast --pins 24 --dpi 120x180 --pages 2 --box "$BOXES_PAGE1" --box "$BOXES_PAGE2" --speed 1 --mode 34
expect_count "$out/fast.prn" 1 "1c 78 01" "speed command"
verify normal --pins 24 --dpi 120x180 --pages 2 --box "$BOXES_PAGE1" --box "$BOXES_PAGE2" --speed 0 --mode 33
expect_count "$out/normal.prn" 1 "1c 78 00" "speed command"
expect_count "$out/normal.prn" 1 "1b 55 01" "unidirectional printing"

# A 6-inch continuous form: page length 6 x 360 = 2160 = 0x0870.
verify form6 --pins 24 --dpi 180x180 --pages 2 --box "$FORM6_PAGE1" --box "$FORM6_PAGE2" \
  --page-end ff --length 2160 --job-end C
expect_count "$out/form6.prn" 1 "1b 28 43 02 00 70 08" "6-inch form length"

# The 9-pin class: 6 x 432 = 2592 = 0x0A20; no speed command (KXSpPseFsx
# 0) but the high-speed mode 2 at 120 x 72 dpi; the margins from the page
# size (top 9 pt, bottom 18 pt: 54 and 2484 in 1/432 inch).
verify nine --pins 9 --dpi 120x72 --pages 2 --box "$FORM6_PAGE1" --box "$FORM6_PAGE2" \
  --page-end ff --length 2592 --speed none --mode 2 --job-end reset
expect_count "$out/nine.prn" 1 "1b 28 43 02 00 20 0a" "9-pin 6-inch form length"
expect_count "$out/nine.prn" 1 "1b 28 63 04 00 36 00 b4 09" "9-pin page format"

# --- a job cancelled while it prints
# The device is a FIFO read slowly, so the filter is held mid-page; once
# the job is cancelled the rest is read at once.
fifo=$out/slow.fifo
slow=$out/slow.prn
mkfifo "$fifo"
: >"$slow"
(
  exec 3<"$fifo"
  for _ in $(seq 600); do
    [[ -e $scratch/cancelled ]] && break
    dd bs=16384 count=1 <&3 >>"$slow" 2>/dev/null || true
    sleep 0.05
  done
  timeout 30 cat <&3 >>"$slow"
) &
reader_pid=$!
# cupsd opens the device for writing when the job starts, which waits for
# the reader above.
cups lpadmin -p slow -v "file:$fifo" -P "$ppd24" -E 2>"$scratch/log/lpadmin-slow.log" ||
  { cat "$scratch/log/lpadmin-slow.log" >&2; fail "lpadmin cannot make queue slow"; }
job=$(cups lp -d slow -o Resolution=360dpi -o InputSlot=Tractor -o KXTearOff=On "$scratch/long.pdf" |
  sed -n 's/^request id is \([^ ]*\).*/\1/p')
for _ in $(seq 300); do
  (($(stat -c %s "$slow") > 300000)) && break
  sleep 0.1
done
(($(stat -c %s "$slow") > 300000)) || fail "the long job did not start printing"
cups cancel "$job" || fail "cancel $job failed"
touch "$scratch/cancelled"
for _ in $(seq 300); do kill -0 "$reader_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$reader_pid" 2>/dev/null; then
  fail "the cancelled job's stream did not end"
else
  wait "$reader_pid" || true
fi
reader_pid=""
grep -q "\[Job ${job##*-}\] .*rastertoimpact) exited with no errors" "$scratch/log/error_log" ||
  fail "the filter did not end the cancelled job with status 0"
# A stream that decodes to its end, 16 NULs, the page end and the tear-off
# job end, and fewer pages than the document's 30.
verify slow --pins 24 --dpi 360x360 --job-end C
expect_tail "$slow" "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 0c 0d 1b 19 43" "cancelled job end"
pages=$("$check" --pins 24 --dpi 360x360 "$slow" | sed -n 's/.* \([0-9]*\) pages$/\1/p')
[[ -n $pages && $pages -lt 30 ]] || fail "the cancelled job printed $pages of 30 pages"

if ((failures)); then
  echo "private_cupsd: $failures failure(s)" >&2
  exit 1
fi
echo "private_cupsd: all checks passed"
