#!/usr/bin/env bash
# The application's raw port (server-options=raw-socket) over loopback:
# printer commands arrive byte for byte at a file: device, text becomes a
# text job, a printer set to passthrough sends text untouched, a broken
# connection becomes a cancelled job, and the port listens only where
# listen-hostname says.
#   raw_port_test.sh <impact-printer-app> <impact-raw-send>
set -euo pipefail
app_bin=$1 send=$2
source "$(dirname "$0")/app_env.sh"
expect() { [[ $2 == "$3" ]] || fail "$1: $2, expected $3"; }
raw_port=
for candidate in $(shuf -i 20000-60000 -n 40); do
  ((candidate != port)) && ! (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null && { raw_port=$candidate; break; }
done
start_app app.log server-options=no-tls,raw-socket raw-socket-port="$raw_port"
: >"$scratch/r1.prn"
app add -d r1 -m impact24 -v "file://$scratch/r1.prn" >/dev/null
# newest_job <printer>: the highest job id, once a job exists (10 s at most).
newest_job() {
  local id
  for _ in $(seq 100); do
    id=$(app jobs -d "$1" | awk '{ print $1 }' | sort -n | tail -n 1)
    [[ -n $id && $id != "${2:-}" ]] && { echo "$id"; return 0; }
    sleep 0.1
  done
  echo none
}
# raw_job <file> [reset-after]: sends the file to r1's raw port; prints the
# new job's id (the caller keeps it in $last).
last=
raw_job() {
  "$send" "$raw_port" "$@" || fail "impact-raw-send $*"
  newest_job r1 "$last"
}
# sent_as <id>: the format the raw port gave the job (logged within a second or two).
sent_as() {
  for _ in $(seq 30); do grep -qF "[Job $1] Raw port" "$log" && break; sleep 0.1; done
  grep -F "[Job $1] Raw port" "$log" | grep -o 'printed as [^ ]*' | sed 's/\.$//' | head -n 1
}

echo "--- the port listens on 127.0.0.1 only"
for _ in $(seq 30); do ss -ltnH "sport = :$raw_port" | grep -q . && break; sleep 0.2; done
expect "listening on" "$(ss -ltnH "sport = :$raw_port" | awk '{ print $4 }' | sort | tr '\n' ' ')" "127.0.0.1:$raw_port "

echo "--- [$SECONDS s] printer commands, byte for byte"
{ printf '\x1b@\x1bx1Raw port\r\n'; head -c 100000 /dev/urandom; printf '\x0c'; } >"$scratch/commands.prn"
id=$(raw_job "$scratch/commands.prn") last=$id
expect "command stream" "$(wait_job r1 "$id")" completed
expect "command stream's format" "$(sent_as "$id")" "printed as application/vnd.impact-escp"
cmp "$scratch/commands.prn" "$scratch/r1.prn" || fail "the printer commands did not arrive byte for byte"

echo "--- [$SECONDS s] a connection broken in the middle"
size=$(stat -c %s "$scratch/r1.prn")
id=$(raw_job "$scratch/commands.prn" 50000) last=$id
expect "broken connection" "$(wait_job r1 "$id")" canceled
expect "bytes printed of the broken connection" "$(stat -c %s "$scratch/r1.prn")" "$size"

echo "--- [$SECONDS s] text"
printf 'Invoice 4711\r\nTotal:  12,50 \xe2\x82\xac\n\f' >"$scratch/invoice.txt"
id=$(raw_job "$scratch/invoice.txt") last=$id
state=$(wait_job r1 "$id")
expect "text stream's format" "$(sent_as "$id")" "printed as text/plain"
if timeout 30 ipptool -tv "ipp://127.0.0.1:$port/ipp/print/r1" get-printer-attributes.test 2>/dev/null |
  grep 'document-format-supported' | grep -q 'text/plain'; then
  expect "text job" "$state" completed
else
  echo "(the application does not print text/plain yet: the text job is $state)"
fi

echo "--- [$SECONDS s] a printer set to pass everything through"
app modify -d r1 -o impact-raw-port-format=passthrough >/dev/null || fail "modify: not accepted"
size=$(stat -c %s "$scratch/r1.prn")
id=$(raw_job "$scratch/invoice.txt") last=$id
expect "passthrough text" "$(wait_job r1 "$id")" completed
expect "passthrough format" "$(sent_as "$id")" "printed as application/vnd.impact-escp"
cmp <(tail -c +$((size + 1)) "$scratch/r1.prn") "$scratch/invoice.txt" || fail "passthrough changed the bytes"
finish raw_port_test
