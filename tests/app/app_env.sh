# The printer application in $scratch (source it with $app_bin set):
#   start_app [LOG [OPTION...]]  the server on a free loopback port ($port)
#   app ARGS                     a sub-command on that server
#   wait_job P ID                waits (60 s at most) for the job's end state
source "$(dirname "${BASH_SOURCE[0]}")/../spooler/common.sh"
new_scratch app
export SNAP_COMMON=$scratch HOME=$scratch XDG_CONFIG_HOME=$scratch TMPDIR=$scratch
log=$scratch/app.log
server_pid=
stop_app() {
  if [[ -n $server_pid ]]; then kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null || true; fi
  # A sub-command that finds no server starts one on this folder's socket.
  # shellcheck disable=SC2046
  kill $(ss -xlpn 2>/dev/null | grep -F "$scratch/" | grep -o 'pid=[0-9]*' | cut -d= -f2 | sort -u) 2>/dev/null || true
  ((status == 0)) || grep -E '^[EW] ' "$log" 2>/dev/null | grep -v DNS-SD | tail -n 20 >&2 || true
}
add_stop stop_app

# PAPPL's sub-commands do not free what they hold when they exit: no leak
# reports from them under the sanitizers (the server's still count).
app() { ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" timeout 60 "$app_bin" "$@"; }

port=
for candidate in $(shuf -i 20000-60000 -n 40); do
  if ! (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null; then port=$candidate; break; fi
done
[[ -n $port ]] || { echo "no free port" >&2; exit 1; }

start_app() {
  log=$scratch/${1:-app.log}
  local options=(-o server-port="$port" -o listen-hostname=127.0.0.1 -o log-file="$log" -o log-level=debug
    -o spool-directory="$scratch/spool" -o server-options=no-tls)
  for option in "${@:2}"; do options+=(-o "$option"); done
  mkdir -p "$scratch/spool"
  "$app_bin" server "${options[@]}" >>"$scratch/app.out" 2>&1 &
  server_pid=$!
  for _ in $(seq 100); do
    [[ -S $scratch/impact-printer-app.sock ]] &&
      grep -q "Listening for connections on .127.0.0.1" "$log" 2>/dev/null && return 0
    sleep 0.1
  done
  echo "the application did not start" >&2
  exit 1
}

wait_job() {
  local state
  for _ in $(seq 600); do
    state=$(app jobs -d "$1" | awk -v id="$2" '$1 == id { print $2 }')
    case $state in completed | aborted | canceled) echo "$state"; return 0 ;; esac
    sleep 0.1
  done
  echo "${state:-unknown}"
}
