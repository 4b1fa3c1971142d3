# Shared by the spooler, install and application tests. Source it after
# `set -euo pipefail`.

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
# new_scratch <name>: $scratch, mode 755 for cupsd, removed at exit unless
# KEEP_SCRATCH is set; add_stop COMMAND runs COMMAND at exit first ($status).
stops=()
add_stop() { stops+=("$1"); }
stop_all() {
  local status=$? command
  for command in "${stops[@]}"; do eval "$command" || true; done
  [[ -n ${KEEP_SCRATCH:-} ]] || rm -rf "$scratch"
  exit "$status"
}
new_scratch() {
  scratch=$(mktemp -d "/tmp/impact-$1.XXXXXX")
  chmod 755 "$scratch"
  trap stop_all EXIT
  trap 'exit 1' INT TERM
}
finish() {
  ((failures == 0)) || { echo "$1: $failures failure(s)" >&2; exit 1; }
  echo "$1: all checks passed"
}

# through_filter <ppd> <input> <output> [options]: CUPS's filter chain with
# $filter in a private ServerBin and a PPD of $ppd_dir.
through_filter() {
  if [[ ! -f $scratch/cups-files.conf ]]; then
    mkdir -p "$scratch/serverbin/filter"
    ln -s "$(cups-config --serverbin)"/filter/* "$scratch/serverbin/filter/"
    ln -sf "$filter" "$scratch/serverbin/filter/rastertoimpact"
    printf 'ServerBin %s\n' "$scratch/serverbin" >"$scratch/cups-files.conf"
  fi
  timeout 60 cupsfilter -c "$scratch/cups-files.conf" -p "$ppd_dir/$1" -e -m printer/impact "${@:4}" "$2" >"$3" \
    2>"$3.log" || { grep -v '^DEBUG' "$3.log" | tail -n 5 >&2; fail "cupsfilter $(basename "$3")"; return 1; }
}

# start_cupsd <dir> <user> <group> <system group> [cups-files.conf lines]:
# a cupsd with all its files in <dir>, on <dir>/cupsd.sock only, without
# authentication, under timeout; sets cupsd_pid and CUPS_SERVER.
start_cupsd() {
  local dir=$1 user=$2 group=$3 system=$4
  shift 4
  mkdir -p "$dir/conf" "$dir/log"
  install -d -m 1770 -g "$group" "$dir/tmp"
  printf '%s\n' "ServerRoot $dir/conf" "RequestRoot $dir/spool" "TempDir $dir/tmp" "CacheDir $dir/cache" \
    "StateDir $dir/state" "ErrorLog $dir/log/error_log" "AccessLog $dir/log/access_log" "PageLog $dir/log/page_log" \
    "Printcap $dir/printcap" "User $user" "Group $group" "SystemGroup $system" "$@" >"$dir/conf/cups-files.conf"
  printf '%s\n' "LogLevel debug" "MaxLogSize 0" "Listen $dir/cupsd.sock" "Browsing No" "WebInterface No" \
    "DefaultAuthType None" "JobKillDelay 10" "<Location />" "Order allow,deny" "Allow all" "</Location>" \
    "<Policy default>" "JobPrivateAccess all" "JobPrivateValues none" "SubscriptionPrivateAccess all" \
    "SubscriptionPrivateValues none" "<Limit All>" "Order deny,allow" "</Limit>" "</Policy>" >"$dir/conf/cupsd.conf"
  timeout -s TERM 170 cupsd -f -c "$dir/conf/cupsd.conf" -s "$dir/conf/cups-files.conf" >"$dir/log/cupsd.out" 2>&1 &
  cupsd_pid=$!
  export CUPS_SERVER=$dir/cupsd.sock
  for _ in $(seq 100); do
    timeout 10 lpstat -r 2>/dev/null | grep -q 'is running' && return 0
    kill -0 "$cupsd_pid" 2>/dev/null || break
    sleep 0.1
  done
  cat "$dir/log/cupsd.out" >&2
  echo "cupsd did not start on $dir/cupsd.sock" >&2
  exit 1
}
stop_cupsd() {
  [[ -n ${cupsd_pid:-} ]] && kill -0 "$cupsd_pid" 2>/dev/null || return 0
  kill -TERM "$cupsd_pid" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$cupsd_pid" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$cupsd_pid" 2>/dev/null || true
  wait "$cupsd_pid" 2>/dev/null || true
}
# cupsd_jobs_done <jobs>: waits (60 s at most, or until a filter fails) for
# the queues to empty; this many jobs must have completed.
cupsd_jobs_done() {
  for _ in $(seq 600); do
    [[ -z $(timeout 10 lpstat -W not-completed -o 2>/dev/null) ]] && break
    grep -qs 'Job stopped due to filter errors' "${CUPS_SERVER%/*}/log/error_log" && break
    sleep 0.1
  done
  local completed
  completed=$(timeout 10 lpstat -W completed -o 2>/dev/null | wc -l)
  [[ $completed -eq $1 ]] || fail "$completed of $1 jobs completed: $(timeout 10 lpstat -W all -o 2>&1)"
}

# The file's bytes as " 1b 40 0d ... ", so sequences match on byte boundaries.
hex_of() { printf ' %s ' "$(od -An -v -tx1 "$1" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//')"; }
# expect_count <file> <count> "<hex bytes>" <what>: the sequence occurs <count> times.
expect_count() {
  local n
  n=$(hex_of "$1" | grep -o " $3 " | wc -l)
  [[ $n -eq $2 ]] || fail "$4: '$3' occurs $n times in $(basename "$1"), expected $2"
}
# expect_tail <file> "<hex bytes>" <what>: the file ends with these bytes.
expect_tail() {
  local hex
  hex=$(hex_of "$1")
  [[ $hex == *" $2 " ]] || fail "$3: $(basename "$1") ends with '${hex: -48}', expected '... $2'"
}

# make_pdf <out.pdf> <width> <height> <PostScript>: a PDF, page size in points.
make_pdf() {
  printf '%%!PS\n<< /PageSize [%s %s] >> setpagedevice\n%s\n' "$2" "$3" "$4" >"$1.ps"
  timeout 60 gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pdfwrite -dDEVICEWIDTHPOINTS="$2" -dDEVICEHEIGHTPOINTS="$3" \
    -dFIXEDMEDIA -sOutputFile="$1" "$1.ps" || { echo "cannot make $1 with ghostscript" >&2; return 1; }
}
# box <x> <y> <width> <height>: a filled rectangle, points from the bottom left.
box() { printf '%s %s moveto %s 0 rlineto 0 %s rlineto %s 0 rlineto closepath fill\n' "$1" "$2" "$3" "$4" "-$3"; }

# make_documents <dir>: boxes.pdf (A4, two pages, a rectangle on each),
# form6.pdf (8.5 x 6 in, the same) and long.pdf (A4, 30 black pages); the
# rectangles as impact-stream-check --box arguments, in inches from the
# printable area's top left (margins 1/8 in): BOXES_PAGE1 ... FORM6_PAGE2.
make_documents() {
  # A4 is 595 x 842 points. Page 1: 216 x 72 points at (72, 612);
  # page 2: 200 x 100 points at (300, 100).
  make_pdf "$1/boxes.pdf" 595 842 "$(box 72 612 216 72) showpage $(box 300 100 200 100) showpage"
  BOXES_PAGE1="1:0.875,2.069,3.875,3.069"  # x (72-9)/72 .. (288-9)/72, y (842-684-9)/72 .. (842-612-9)/72
  BOXES_PAGE2="2:4.042,8.792,6.819,10.181" # x (300-9)/72 .. (500-9)/72, y (842-200-9)/72 .. (842-100-9)/72
  # 8.5 x 6 in is 612 x 432 points. Page 1: 144 x 72 at (36, 324); page 2:
  # 72 x 144 at (400, 36).
  make_pdf "$1/form6.pdf" 612 432 "$(box 36 324 144 72) showpage $(box 400 36 72 144) showpage"
  FORM6_PAGE1="1:0.375,0.375,2.375,1.375" # x (36-9)/72 .. (180-9)/72, y (432-396-9)/72 .. (432-324-9)/72
  FORM6_PAGE2="2:5.431,3.375,6.431,5.375" # x (400-9)/72 .. (472-9)/72, y (432-180-9)/72 .. (432-36-9)/72
  make_pdf "$1/long.pdf" 595 842 "1 1 30 { pop $(box 20 20 555 802) showpage } for"
  BOXES="--pages 2 --box $BOXES_PAGE1 --box $BOXES_PAGE2"
  FORM6="--pages 2 --box $FORM6_PAGE1 --box $FORM6_PAGE2"
}
