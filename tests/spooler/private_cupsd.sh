#!/usr/bin/env bash
# The installed driver in a private cupsd running from a scratch prefix, on
# file-device queues: jobs with paper, speed and form options and CUPS's test
# page, and a job cancelled while it prints.
#   private_cupsd.sh <build dir> <impact-stream-check>
# shellcheck disable=SC2086
set -euo pipefail
build=$1 check=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"
umask 022
new_scratch cupsd
reader_pid=""
add_stop '[[ -z $reader_pid ]] || kill "$reader_pid" 2>/dev/null'
add_stop stop_cupsd
add_stop '((status == 0)) || grep -E "^[EW] " "$scratch/log/error_log" | tail -n 30 >&2'

prefix=$scratch/prefix
timeout 60 cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1 ||
  { cat "$scratch/install.log" >&2; echo "cmake --install failed" >&2; exit 1; }
system_serverbin=$(cups-config --serverbin)
relative=${system_serverbin#/usr/}
serverbin=$prefix/${relative#/}
[[ -x $serverbin/filter/rastertoimpact ]] || { echo "no installed filter in $serverbin/filter" >&2; exit 1; }
# link <from dir> <to dir> <name kept>: links every entry but that name.
link() { for entry in "$1"/*; do [[ ${entry##*/} == "$3" ]] || ln -s "$entry" "$2/"; done; }
link "$system_serverbin" "$serverbin" filter
link "$system_serverbin/filter" "$serverbin/filter" rastertoimpact
# DataDir: the system's, with only the installed PPDs as models.
datadir=$scratch/data
mkdir -p "$datadir/model"
link "$(cups-config --datadir)" "$datadir" model
ln -s "$prefix/share/ppd/rastertoimpact" "$datadir/model/rastertoimpact"

# As root cupsd runs filters as lp. A sanitizer build's filter gets the
# suppression of a libcups leak and full stacks to match only that leak.
mkdir -p "$scratch/conf" "$scratch/out"
install -m 644 "$here/lsan.supp" "$scratch/conf/lsan.supp"
if [[ $(id -u) -eq 0 ]]; then users=(lp lp root); else users=("$(id -un)" "$(id -gn)" "$(id -gn)"); fi
start_cupsd "$scratch" "${users[@]}" "ServerBin $serverbin" "DataDir $datadir" "FileDevice Yes" \
  "SetEnv LSAN_OPTIONS suppressions=$scratch/conf/lsan.supp" "SetEnv ASAN_OPTIONS fast_unwind_on_malloc=0"
cups() { timeout 20 "$@"; }
echo "private cupsd (pid $cupsd_pid) on $CUPS_SERVER, ServerBin $serverbin"

models=$(cups lpinfo -m 2>/dev/null | grep 'rastertoimpact/' || true)
for model in "impact9.ppd Generic Serial Impact 9-Pin" "impact24.ppd Generic Serial Impact 24-Pin"; do
  grep -q "^rastertoimpact/$model" <<<"$models" || fail "lpinfo -m does not list $model: $models"
done

# One queue a job, each on its own file; the 9-pin queue by its lpinfo name.
ppd24=$prefix/share/ppd/rastertoimpact/impact24.ppd
out=$scratch/out
# queue <name> <device> <lpadmin driver arguments...>
queue() {
  cups lpadmin -p "$1" -v "file:$2" "${@:3}" -E 2>"$scratch/log/lpadmin-$1.log" ||
    { cat "$scratch/log/lpadmin-$1.log" >&2; fail "lpadmin cannot make queue $1"; }
}
make_documents "$scratch"
cp /usr/share/cups/data/testprint "$scratch/"
chmod 644 "$scratch"/*.pdf "$scratch/testprint"
# The 24-pin class sends FS x for the speed, with the flagged mode 34 when
# high; the 9-pin class none, but mode 2. A 6-inch form: 6 x 360 = 2160 in
# 1/360 in, 6 x 432 = 2592 on the 9-pin class.
# queue | driver | document | lp options | impact-stream-check arguments
jobs="tearoff|-P $ppd24|boxes.pdf|-o InputSlot=Tractor -o KXTearOff=On|--dpi 180x180 --page-end ff --length 4210 --job-end C $BOXES
rollpaper|-P $ppd24|boxes.pdf|-o InputSlot=RollPaper -o KXSvRP=On -o KXTearOff=On|--dpi 180x180 --page-end roll --job-end D $BOXES
fast|-P $ppd24|boxes.pdf|-o KXSpeed=High -o Resolution=120x180dpi|--dpi 120x180 --speed 1 --mode 34 $BOXES
normal|-P $ppd24|boxes.pdf|-o KXSpeed=Normal -o Resolution=120x180dpi -o KXPrintDirection=UniOn|--dpi 120x180 --speed 0 --mode 33 $BOXES
form6|-P $ppd24|form6.pdf|-o PageSize=Custom.8.5x6in -o InputSlot=TractorFront -o KXTearOff=On|--dpi 180x180 --page-end ff --length 2160 --job-end C $FORM6
nine|-m rastertoimpact/impact9.ppd|form6.pdf|-o PageSize=Custom.8.5x6in -o KXSpeed=High -o KXTopMP=Driver|--pins 9 --dpi 120x72 --page-end ff --length 2592 --speed none --mode 2 --job-end reset $FORM6
testpage|-P $ppd24|testprint||--dpi 180x180 --pages 1 --inked 1 --page-end ff --job-end reset"
while IFS='|' read -r name driver doc options checks; do
  queue "$name" "$out/$name.prn" $driver
  cups lp -d "$name" $options "$scratch/$doc" >>"$scratch/log/lp.log" || fail "lp to $name failed"
done <<<"$jobs"
# Plain text goes to texttoimpact: the printer's fonts, 12 cpi, a 6-inch form.
printf 'Delivery note 7\n\xc3\x84pfel\tkg 2\n' >"$scratch/note.txt"
chmod 644 "$scratch/note.txt"
queue text "$out/text.prn" -P "$ppd24"
cups lp -d text -o cpi=12 -o PageSize=Custom.8.5x6in -o InputSlot=Tractor -o KXTearOff=On -o KXCharTable=PC850 \
  "$scratch/note.txt" >>"$scratch/log/lp.log" || fail "lp to text failed"
cupsd_jobs_done 8
if grep -E '\[Job [0-9]+\] PID [0-9]+ \(.*\) (stopped with status|crashed on signal|was terminated)' \
  "$scratch/log/error_log" >&2; then
  fail "filters of the jobs above failed"
fi
while IFS='|' read -r name driver doc options checks; do
  echo "--- $name"
  "$check" $checks "$out/$name.prn" || fail "$name: the printer data does not match the job"
done <<<"$jobs"
expect_tail "$out/tearoff.prn" "0c 0d 1b 19 43" "tear-off job end"
expect_count "$out/rollpaper.prn" 2 "1b 4a 18 1b 28 43 02 00 f0 1e" "roll-paper page end"
expect_tail "$out/rollpaper.prn" "1b 4a 18 1b 28 43 02 00 f0 1e 0d 1b 19 44" "roll-paper job end"
expect_count "$out/normal.prn" 1 "1b 55 01" "unidirectional printing"
grep -q "texttoimpact) exited with no errors" "$scratch/log/error_log" || fail "the text job did not go to texttoimpact"
expect_count "$out/text.prn" 1 "1b 28 43 02 00 70 08" "text: 6-inch form length"
expect_count "$out/text.prn" 1 "1b 4d 1b 32 1b 52 00 1b 36 1b 28 74 03 00 01 03 00" "text: 12 cpi, PC850"
expect_tail "$out/text.prn" "44 65 6c 69 76 65 72 79 20 6e 6f 74 65 20 37 0d 0a 8e 70 66 65 6c 20 20 20 6b 67 20 32 0d 0c 0d 1b 19 43" \
  "text: the lines, the form feed and the tear-off"
# One form length a job; the 9-pin margins from the page size: 9 and 18 pt,
# 54 and 2484 in 1/432 in.
expect_count "$out/form6.prn" 1 "1b 28 43 02 00 70 08" "6-inch form length"
expect_count "$out/nine.prn" 1 "1b 28 43 02 00 20 0a" "9-pin 6-inch form length"
expect_count "$out/nine.prn" 1 "1b 28 63 04 00 36 00 b4 09" "9-pin page format"

# A job cancelled mid-page on a FIFO read slowly, then at once.
fifo=$out/slow.fifo slow=$out/slow.prn
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
# cupsd opens the device when the job starts, which waits for the reader.
queue slow "$fifo" -P "$ppd24"
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
kill -0 "$reader_pid" 2>/dev/null && fail "the cancelled job's stream did not end" ||
  { wait "$reader_pid" || true; reader_pid=""; }
grep -q "\[Job ${job##*-}\] .*rastertoimpact) exited with no errors" "$scratch/log/error_log" ||
  fail "the filter did not end the cancelled job with status 0"
report=$("$check" --dpi 360x360 --job-end C --cancelled "$slow") || fail "slow: the cancelled job's data: $report"
expect_tail "$slow" "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 0c 0d 1b 19 43" "cancelled job end"
pages=$(sed -n 's/.* \([0-9]*\) pages$/\1/p' <<<"$report")
[[ -n $pages && $pages -lt 30 ]] || fail "the cancelled job printed $pages of 30 pages"

finish private_cupsd
