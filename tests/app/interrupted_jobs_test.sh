#!/usr/bin/env bash
# A job on paper when the application is killed (kill -9) comes back held
# with the page it stopped on, never printed again by itself; released, it
# prints whole from its first page; cancelled, it goes with its spool file.
# Jobs that were waiting print after the restart; no job id is given twice.
#   interrupted_jobs_test.sh <impact-printer-app> <impact-slow-printer>
set -euo pipefail
app_bin=$1 slow=$2
source "$(dirname "$0")/app_env.sh"
docs=$scratch/docs spool=$scratch/spool
mkdir -p "$docs"
make_documents "$docs"
socket_uri="ipp://$(printf '%s' "$scratch/impact-printer-app.sock" | sed 's|/|%2F|g')/ipp/print/slow"
# job_op <operation> <id> [-v]: one Get-Job-Attributes or Release-Job request.
job_op() {
  printf '%s\n' "{ OPERATION $1" "GROUP operation-attributes-tag" "ATTR charset attributes-charset utf-8" \
    "ATTR naturalLanguage attributes-natural-language en" "ATTR uri printer-uri \$uri" \
    "ATTR integer job-id $2" "ATTR name requesting-user-name $(id -un)" \
    "ATTR keyword requested-attributes job-state,job-state-message" "STATUS successful-ok" "}" >"$scratch/op.test"
  timeout 60 ipptool -T 30 -t "${@:3}" "$socket_uri" "$scratch/op.test"
}
message() { job_op Get-Job-Attributes "$1" -v | sed -n 's/.*job-state-message (textWithoutLanguage) = //p'; }
state() { app jobs -d slow | awk -v id="$1" '$1 == id { print $2 }'; }
submit() { local reply; reply=$(app submit -d slow -t "$1" "$docs/$2"); echo "${reply##*-}"; }
settled() {
  local size=-1
  while [[ $size != "$(stat -c %s "$1" 2>/dev/null)" ]]; do size=$(stat -c %s "$1"); sleep 1; done
}
expect() { [[ $2 == "$3" ]] || fail "$1: $2, expected $3"; }
# spool_files <id>: the job's files in the spool folder once PAPPL has saved
# its state (it drops an ended job's attributes file then).
spool_files() {
  for _ in $(seq 50); do
    [[ -z $(find "$spool" -name "p00001j$(printf %09d "$1")-*") ]] && break
    app jobs -d slow >/dev/null
    sleep 0.1
  done
  find "$spool" -name "p00001j$(printf %09d "$1")-*" | wc -l
}
# kill_mid_job <id> [waiting id]: kill -9 once the job has ended two pages
# on paper and PAPPL has saved the waiting job (it saves its state as it
# serves a request).
kill_mid_job() {
  local record=$scratch/impact-printer-app.jobs/p00001j$(printf %09d "$1").job
  for _ in $(seq 300); do
    [[ $(sed -n 's/^pages-done=//p' "$record" 2>/dev/null) -ge 2 ]] &&
      grep -q "id=\"${2:-$1}\"" "$scratch/impact-printer-app.state" && break
    app jobs -d slow >/dev/null
    sleep 0.1
  done
  kill -9 "$server_pid"
  wait "$server_pid" 2>/dev/null || true
  server_pid=
}

# The printer reads a megabyte a second; each connection (job) goes to slow.N.
"$slow" "$scratch/slow" 1000000 >"$scratch/slow.port" &
add_stop "kill $! 2>/dev/null"
for _ in $(seq 50); do [[ -s $scratch/slow.port ]] && break; sleep 0.1; done
start_app first.log log-level=info
app add -d slow -m impact24 -v "socket://127.0.0.1:$(cat "$scratch/slow.port")" >/dev/null

echo "--- [$SECONDS s] kill -9 in the middle of a 30-page job"
whole=$(submit whole long.pdf)
expect "uninterrupted job" "$(wait_job slow "$whole")" completed
settled "$scratch/slow.1"
cut=$(submit cut long.pdf)
waiting=$(submit waiting boxes.pdf)
kill_mid_job "$cut" "$waiting"
start_app second.log log-level=info
expect "interrupted job after the restart" "$(state "$cut")" pending-held
said=$(message "$cut")
echo "job $cut: $said"
[[ $said =~ ^Interrupted\ on\ page\ ([0-9]+):\ check\ the\ form\ position ]] || fail "interrupted job's message: $said"
page=${BASH_REMATCH[1]:-0}
((page >= 3 && page < 30)) || fail "interrupted on page $page, expected a page in the middle"
expect "waiting job after the restart" "$(wait_job slow "$waiting")" completed
sleep 1
expect "interrupted job, left alone" "$(state "$cut")" pending-held
after=$(submit after boxes.pdf)
((after == waiting + 1)) || fail "first id after the restart: $after, expected $((waiting + 1))"
expect "job after the restart" "$(wait_job slow "$after")" completed

echo "--- [$SECONDS s] released, it prints whole, from its first page"
job_op Release-Job "$cut" >/dev/null || fail "Release-Job refused"
expect "released job" "$(wait_job slow "$cut")" completed
# PAPPL keeps the connection open while a job is queued (the held one):
# the released job's bytes end the last connection.
connection=$scratch/slow.$(find "$scratch" -maxdepth 1 -name 'slow.[0-9]*' | wc -l)
settled "$connection"
tail -c "$(stat -c %s "$scratch/slow.1")" "$connection" | cmp -s - "$scratch/slow.1" ||
  fail "the released job's bytes are not the whole job's"
cmp -s "$scratch/slow.1" "$scratch/slow.2" && fail "the killed job's connection has the whole job"
expect "spool files of the released job" "$(spool_files "$cut")" 0

echo "--- [$SECONDS s] a second interrupted job, cancelled; a stray spool file"
doomed=$(submit doomed long.pdf)
kill_mid_job "$doomed"
touch "$spool/p00001j000000077-stray.pdf"
start_app third.log log-level=info
expect "second interrupted job" "$(state "$doomed")" pending-held
[[ -e $spool/p00001j000000077-stray.pdf ]] && fail "a spool file of no job survived the start"
app cancel -d slow -j "$doomed" >/dev/null || fail "cancel refused"
expect "cancelled job" "$(state "$doomed")" canceled
expect "spool files of the cancelled job" "$(spool_files "$doomed")" 0
ls "$scratch/impact-printer-app.jobs"/*.job >/dev/null 2>&1 && fail "journal records left: $(ls "$scratch/impact-printer-app.jobs")"
last=$(submit last boxes.pdf)
((last == doomed + 1)) || fail "id after the second restart: $last, expected $((doomed + 1))"
expect "last job" "$(wait_job slow "$last")" completed

finish interrupted_jobs_test
