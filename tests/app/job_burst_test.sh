#!/usr/bin/env bash
# Jobs arriving while others print, on several connections at once, to two
# printers: each job prints once, whole, one after another on its printer's
# device, and the server stays up. Then each printer's history of completed
# jobs comes down to its 100 newest, in memory and in the state file, a
# minute after the jobs beyond them ended.
#   job_burst_test.sh <impact-printer-app>
set -euo pipefail
app_bin=$1
source "$(dirname "$0")/app_env.sh"
start_app
per_printer=96
for p in p24 p9; do
  mkdir -p "$scratch/$p"
  app add -d "$p" -m "impact${p#p}" -v "file://$scratch/$p?ext=prn" >/dev/null || fail "add $p"
done
# PDF (through Ghostscript, slower) and PWG raster at the printer's
# resolution (quick) by turns, so that jobs start and end often.
make_pdf "$scratch/box.pdf" 595 842 "$(box 72 612 216 72) showpage $(box 300 100 200 100) showpage"
gs_raster() { timeout 60 gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=pwgraster "$@" "$scratch/box.pdf"; }
gs_raster -r180 -dcupsColorSpace=3 -dcupsBitsPerColor=1 -sOutputFile="$scratch/p24.pwg"
gs_raster -r120x72 -dcupsColorSpace=18 -dcupsBitsPerColor=8 -sOutputFile="$scratch/p9.pwg"
doc() { if (($1 % 2)); then echo "$scratch/doc$1-$2.pdf"; else echo "$scratch/doc$1-$2.pwg"; fi; }
for n in $(seq "$per_printer"); do
  for p in p24 p9; do
    if ((n % 2)); then cp "$scratch/box.pdf" "$(doc "$n" "$p")"; else cp "$scratch/$p.pwg" "$(doc "$n" "$p")"; fi
  done
done

# Eight senders at a time, each job to both printers.
sender() { for n in $(seq "$1" 8 "$per_printer"); do for p in p24 p9; do app submit -d "$p" "$(doc "$n" "$p")" >/dev/null; done; done; }
senders=()
for s in $(seq 8); do sender "$s" & senders+=($!); done
wait "${senders[@]}" || true # a sender stops when the server does; told below
for _ in $(seq 600); do
  kill -0 "$server_pid" 2>/dev/null || fail "the server died"
  { app jobs -d p24; app jobs -d p9; } | grep -qE 'pending|held|processing' || break
  sleep 0.2
done
kill -0 "$server_pid" 2>/dev/null || fail "the server died"

for p in p24 p9; do
  completed=$(app jobs -d "$p" | grep -c completed || true)
  ((completed == per_printer)) || fail "$p: $completed of $per_printer jobs completed"
  files=("$scratch/$p"/*.prn)
  ((${#files[@]} == per_printer)) || fail "$p: ${#files[@]} output files for $per_printer jobs"
  for kind in pdf pwg; do
    same=("$scratch/$p"/*."$kind".prn)
    for f in "${same[@]}"; do cmp -s "$f" "${same[0]}" || fail "$p: $(basename "$f") differs from $(basename "${same[0]}")"; done
  done
done
grep -q 'Aborted, job-impressions' "$log"* && fail "a job was aborted"

for n in $(seq 8); do app submit -d p24 "$(doc "$n" p24)" >/dev/null; done
last=$((per_printer + 8))
for _ in $(seq 120); do (($(app jobs -d p24 | wc -l) <= 100)) && break; sleep 1; done
ids=$(app jobs -d p24 | awk '{ print $1 }' | sort -n)
[[ $(wc -l <<<"$ids") == 100 && $(head -n 1 <<<"$ids") == $((last - 99)) && $(tail -n 1 <<<"$ids") == "$last" ]] ||
  fail "p24's history: $(wc -l <<<"$ids") jobs, ids $(head -n 1 <<<"$ids") to $(tail -n 1 <<<"$ids"); expected 100, $((last - 99)) to $last"
# The state file, saved some seconds after the change: p24's job records.
state_ids() {
  awk '/^<Printer / { p = ($0 ~ / name="p24"/) } p && /^Job / { match($0, / id="[0-9]+"/); print substr($0, RSTART + 5, RLENGTH - 6) }' \
    "$scratch/impact-printer-app.state" | sort -n
}
for _ in $(seq 30); do (($(state_ids | wc -l) <= 100)) && break; sleep 1; done
[[ $(state_ids | wc -l) == 100 && $(state_ids | head -n 1) == $((last - 99)) ]] ||
  fail "the state file holds $(state_ids | wc -l) of p24's jobs, from id $(state_ids | head -n 1)"
finish job_burst_test
