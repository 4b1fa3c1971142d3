#!/usr/bin/env bash
# The server logging to standard error redirected to a file that grows past
# 1 MiB during a job (`server -o log-file=- 2>>FILE`): the file is rotated
# to FILE.O and the server keeps answering and printing. PAPPL 1.3.1
# rotated such a log as standard error and locked itself up.
#   stderr_log_test.sh <impact-printer-app>
set -euo pipefail
app_bin=$1
source "$(dirname "$0")/app_env.sh"
log=$scratch/stderr.log
head -c $((1024 * 1024 - 2000)) /dev/zero | tr '\0' 'x' >"$log"
mkdir -p "$scratch/spool" "$scratch/out"
"$app_bin" server -o server-port="$port" -o listen-hostname=127.0.0.1 -o log-file=- -o log-level=debug \
  -o spool-directory="$scratch/spool" -o server-options=no-tls 2>>"$log" &
server_pid=$!
for _ in $(seq 100); do [[ -S $scratch/impact-printer-app.sock ]] && break; sleep 0.1; done
app add -d p24 -m impact24 -v "file://$scratch/out?ext=prn" >/dev/null || fail "add: no answer"
make_pdf "$scratch/box.pdf" 595 842 "$(box 72 612 216 72) showpage"
reply=$(app submit -d p24 "$scratch/box.pdf") || fail "submit: no answer"
[[ $(wait_job p24 "${reply##*-}") == completed ]] || fail "the job did not complete"
reply=$(app submit -d p24 "$scratch/box.pdf") || fail "second submit: no answer"
[[ $(wait_job p24 "${reply##*-}") == completed ]] || fail "the second job did not complete"
[[ $(stat -c %s "$log.O" 2>/dev/null) -ge $((1024 * 1024)) ]] && grep -q 'Starting log' "$log" ||
  fail "the log was not rotated"
finish stderr_log_test
