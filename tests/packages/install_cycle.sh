#!/usr/bin/env bash
# The Debian packages of scripts/package, installed into a scratch Debian
# root made by debootstrap as on a machine without systemd running: every
# installed file used from its installed place, an upgrade to a higher
# revision, removal and purge. A stand-in systemctl records what the
# maintainer scripts ask of systemd where it runs. At the end the root holds
# the same files as before the install, and the scratch folder is gone.
#   tests/packages/install_cycle.sh [--reuse] [OUT]   as root; OUT: out/package-test
# Each step's output is kept in OUT/steps/; --reuse takes the packages
# OUT/v1 and OUT/v2 of an earlier run instead of building them.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
reuse=0
[[ ${1:-} == --reuse ]] && { reuse=1; shift; }
out=$(realpath -m "${1:-$top/out/package-test}")
[[ $(id -u) == 0 ]] || { echo "install_cycle: needs root (debootstrap, chroot)" >&2; exit 1; }
mkdir -p "$out/steps"
rm -rf "$out"/steps/* "$out/failed"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/impact-packages.XXXXXX")
root=$scratch/root
# Ends what runs inside the root, unmounts its /proc, then deletes it (only
# once nothing is mounted below it).
cleanup() {
  local status=$? pids=() p
  for signal in TERM KILL; do
    pids=()
    for p in /proc/[0-9]*; do
      [[ $(readlink "$p/root" 2>/dev/null) == "$root" ]] && pids+=("${p#/proc/}")
    done
    ((${#pids[@]})) || break
    kill -s "$signal" "${pids[@]}" 2>/dev/null || true
    sleep 1
  done
  if ((status != 0)) && [[ -d $root/tmp ]]; then
    mkdir -p "$out/failed" && cp -r "$root/tmp/check" "$root/tmp/app" "$out/failed/" 2>/dev/null || true
  fi
  mountpoint -q "$root/proc" && umount "$root/proc"
  if grep -qF " $root/" /proc/mounts; then
    echo "install_cycle: still mounted below $root; left in place" >&2
    status=1
  else
    rm -rf --one-file-system "$scratch"
  fi
  ((status == 0)) && echo "install_cycle: passed" || echo "install_cycle: FAILED" >&2
  exit "$status"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

fail() { echo "install_cycle: $*" >&2; exit 1; }
n=0
# step NAME COMMAND...: runs a command, showing and keeping its output.
step() {
  local name=$1; shift
  n=$((n + 1))
  echo "== step $n: $name"
  "$@" 2>&1 | tee "$out/steps/$(printf %02d "$n")-$name.log"
}
run_env=(env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8
  DEBIAN_FRONTEND=noninteractive)
in_root() { timeout 600 chroot "$root" "${run_env[@]}" "$@"; }
apt_in_root() { in_root apt-get -q -y -o Dpkg::Use-Pty=0 "$@"; }
installed() { in_root dpkg-query -W -f='${db:Status-Abbrev}${Version}\n' "$1" 2>/dev/null || true; }
free_port() {
  local candidate
  for candidate in $(shuf -i 20000-60000 -n 40); do
    (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null || { echo "$candidate"; return 0; }
  done
  fail "no free port"
}
# wait_for PATH: a file or socket inside the root, 20 s at most.
wait_for() {
  for _ in $(seq 200); do [[ -e $root$1 ]] && return 0; sleep 0.1; done
  fail "$1 did not appear"
}
# The files and folders of the root, less those that change on their own.
snapshot() {
  (cd "$root" && find . -xdev \( -path ./proc -o -path ./tmp -o -path ./run -o -path ./var/log -o -path ./var/cache \
    -o -path ./var/lib/apt -o -path ./var/lib/dpkg -o -path ./var/spool/cups -o -path ./etc/cups/ppd \) -prune -o -print |
    grep -vxE '\./etc/(cups/(printers|subscriptions)\.conf(\.O)?|ld\.so\.cache)' | sort)
}

# The packages at revision 1 and at revision 2, each from a clean build.
if ((!reuse)); then
  step package-1 "$top/scripts/package" --out "$out/v1"
  step package-2 "$top/scripts/package" --revision 2 --out "$out/v2"
fi

# The root: Debian's minimal system of this machine's release, CUPS (for
# cupsfilter, lpinfo and the trigger that updates queues) and man.
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
echo "== the scratch root: debootstrap $codename into $root"
timeout 900 debootstrap --variant=minbase "$codename" "$root" http://deb.debian.org/debian >"$out/steps/debootstrap.log" 2>&1 ||
  { tail -n 20 "$out/steps/debootstrap.log"; fail "debootstrap failed"; }
printf '%s\n' "deb http://deb.debian.org/debian $codename main" "deb http://deb.debian.org/debian $codename-updates main" \
  "deb http://deb.debian.org/debian-security $codename-security main" >"$root/etc/apt/sources.list"
printf '127.0.0.1 localhost\n::1 localhost ip6-localhost ip6-loopback\n' >"$root/etc/hosts"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d" # nothing starts while the base is installed
chmod 755 "$root/usr/sbin/policy-rc.d"
{ apt_in_root update && apt_in_root install --no-install-recommends cups man-db; } >"$out/steps/base.log" 2>&1 ||
  { tail -n 20 "$out/steps/base.log"; fail "installing CUPS and man into the root failed"; }
rm "$root/usr/sbin/policy-rc.d"

# A cupsd on the root's own socket only, as the system's would run.
sed -i -e '/^Listen localhost/d' -e '/^Port /d' -e 's/^Browsing .*/Browsing No/' "$root/etc/cups/cupsd.conf"
echo "FileDevice Yes" >>"$root/etc/cups/cups-files.conf"
mkdir -p "$root/run/cups"
chroot "$root" "${run_env[@]}" /usr/sbin/cupsd -f >"$out/steps/cupsd.log" 2>&1 &
wait_for /run/cups/cups.sock
for _ in $(seq 50); do in_root lpstat -r 2>/dev/null | grep -q 'is running' && break; sleep 0.2; done

# Documents: a page of boxes as PDF, and plain text.
mkdir -p "$root/tmp/docs" "$root/tmp/check"
printf '%%!PS\n<< /PageSize [595 842] >> setpagedevice\n72 600 moveto 300 0 rlineto 0 150 rlineto -300 0 rlineto closepath fill\n100 300 moveto 200 0 rlineto 0 100 rlineto -200 0 rlineto closepath stroke showpage\n' |
  gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=pdfwrite -sOutputFile="$root/tmp/docs/boxes.pdf" -
printf 'Invoice 1042\n\nItem            Qty    Price\nRibbon            2     9.80\n' >"$root/tmp/docs/note.txt"
mkdir -p "$root/tmp/debs/v1" "$root/tmp/debs/v2"
cp "$out"/v1/*.deb "$root/tmp/debs/v1/"
cp "$out"/v2/*.deb "$root/tmp/debs/v2/"
# debs REVISION-FOLDER: the two packages, as paths inside the root.
debs() { local f; for f in "$root/tmp/debs/$1/"{rastertoimpact,impact-printer-app}_*.deb; do echo "${f#"$root"}"; done; }
before=$(snapshot)

# --- Installed as in a container: systemd is not running.
step install-1 apt_in_root install $(debs v1)
for p in rastertoimpact impact-printer-app; do
  [[ $(installed "$p") == ii*-1 ]] || fail "$p: '$(installed "$p")' after the install, expected ii, revision 1"
done
[[ $(installed ghostscript) == ii* ]] || fail "ghostscript, which the application recommends, was not installed"
wants=/etc/systemd/system/multi-user.target.wants/impact-printer-app.service
[[ $(readlink "$root$wants") == /lib/systemd/system/impact-printer-app.service ]] || fail "the service is not enabled"
echo "installed without systemd running; the service enabled: $wants"

# --- Every installed file, used from its place.
mapfile -t files < <(in_root dpkg -L rastertoimpact impact-printer-app |
  while read -r f; do [[ -f $root$f && ! -L $root$f ]] && echo "$f"; done)
filters=() ppds=() pages=()
for f in "${files[@]}"; do
  case $f in
    /usr/lib/cups/filter/*) filters+=("$f") ;;
    /usr/share/ppd/rastertoimpact/*.ppd) ppds+=("$f") ;;
    /usr/share/man/man[1-8]/*.gz) pages+=("$f") ;;
    /usr/bin/impact-preview | /usr/bin/impact-printer-app) ;;      # below, on each printout
    /lib/systemd/system/*.service | /lib/udev/rules.d/*.rules) ;; # enabled above; the service's command below
    /usr/share/cups/ppd-updaters/*) ;;                            # at the upgrade
    /usr/share/doc/* | /usr/share/lintian/overrides/*) ;;
    *) fail "$f is installed, but nothing here uses it" ;;
  esac
done
((${#filters[@]} && ${#ppds[@]} && ${#pages[@]})) || fail "no filter, PPD or manual page installed"

step lpinfo in_root lpinfo -m >/dev/null
for ppd in "${ppds[@]}"; do
  grep -q "^lsb/usr/rastertoimpact/$(basename "$ppd") " "$out/steps/$(printf %02d $n)-lpinfo.log" ||
    fail "lpinfo -m does not list $ppd"
done

# preview PINS FILE: impact-preview draws the first page of it, with dots
# or characters on it.
preview() {
  local drawn
  drawn=$(in_root impact-preview --pins "$1" -o "${2%.prn}" "$2") || fail "impact-preview $2 failed"
  [[ $(head -c 4 "$root${2%.prn}-1.png" 2>/dev/null | od -An -c | tr -d ' ') == '211PNG' ]] ||
    fail "impact-preview drew no page of $2"
  [[ $(head -n 1 <<<"$drawn") =~ (dots|characters)\ [1-9] ]] || fail "impact-preview found nothing printed in $2: $drawn"
}
# Each filter through cupsfilter with each PPD that names it, from a
# document of the type it takes.
declare -A samples=([application/vnd.cups-raster]="/tmp/docs/boxes.pdf application/pdf"
  [text/plain]="/tmp/docs/note.txt text/plain")
used=" " runs=()
for ppd in "${ppds[@]}"; do
  pins=$(sed -n 's/^\*NickName: ".* \([0-9]*\)-Pin.*/\1/p' "$root$ppd")
  while read -r type program; do
    [[ $program == - ]] && continue
    [[ -n ${samples[$type]:-} ]] || fail "$ppd: no document here for $type ($program)"
    read -r doc doc_type <<<"${samples[$type]}"
    result=/tmp/check/$(basename "$ppd" .ppd)-$program
    in_root cupsfilter -p "$ppd" -e -i "$doc_type" -m printer/test "$doc" >"$root$result.prn" 2>"$root$result.log" ||
      fail "cupsfilter $ppd $doc failed: $(grep -v DEBUG "$root$result.log" | tail -n 5)"
    grep -q "INFO: $program (PID [0-9]*) exited with no errors" "$root$result.log" ||
      fail "cupsfilter $ppd $doc: $program did not run and end well"
    [[ -s $root$result.prn ]] || fail "$result.prn is empty"
    preview "$pins" "$result.prn"
    used+="$program "
    runs+=("$(basename "$ppd"): $program")
  done < <(sed -n 's/^\*cupsFilter2\{0,1\}: *"\(.*\)"/\1/p' "$root$ppd" | awk '{ print $1, (NF == 3 ? $3 : $4) }')
done
for f in "${filters[@]}"; do [[ $used == *" $(basename "$f") "* ]] || fail "no PPD uses $f"; done
echo "cupsfilter: $(printf "%s; " "${runs[@]}")each printout drawn by impact-preview"

version=$(sed -n 's/^project(rastertoimpact VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt")
for page in "${pages[@]}"; do
  base=$(basename "$page" .gz)
  text=$(in_root env MANPAGER=cat MANWIDTH=80 man "${base##*.}" "${base%.*}" 2>"$root/tmp/check/man.err") ||
    fail "man ${base##*.} ${base%.*} failed"
  [[ ! -s $root/tmp/check/man.err ]] || fail "man ${base##*.} ${base%.*}: $(cat "$root/tmp/check/man.err")"
  grep -q "^NAME" <<<"$text" && grep -qF "rastertoimpact $version" <<<"$text" ||
    fail "man ${base##*.} ${base%.*}: no NAME section or no version $version"
done
echo "man: $(basename -a "${pages[@]}" | tr '\n' ' ')open, with version $version"

# The application from /usr/bin, its state in a folder of its own, prints
# the PDF to a file.
app_env=(env SNAP_COMMON=/tmp/app HOME=/tmp/app XDG_CONFIG_HOME=/tmp/app TMPDIR=/tmp/app)
app() { in_root "${app_env[@]}" /usr/bin/impact-printer-app "$@"; }
mkdir -p "$root/tmp/app/spool"
: >"$root/tmp/app/printer.prn"
chroot "$root" "${run_env[@]}" "${app_env[@]}" /usr/bin/impact-printer-app server -o server-port="$(free_port)" \
  -o listen-hostname=127.0.0.1 -o log-file=/tmp/app/app.log -o log-level=info -o spool-directory=/tmp/app/spool \
  -o server-options=no-tls >"$out/steps/app.out" 2>&1 &
app_pid=$!
wait_for /tmp/app/impact-printer-app.sock
app add -d dotmatrix -m impact24 -v file:///tmp/app/printer.prn
job=$(app submit -d dotmatrix /tmp/docs/boxes.pdf)
state=
for _ in $(seq 600); do
  state=$(app jobs -d dotmatrix | awk -v id="${job##*-}" '$1 == id { print $2 }')
  [[ $state == completed || $state == aborted || $state == canceled ]] && break
  sleep 0.1
done
[[ $state == completed ]] || fail "the application's job $job ended '$state': $(tail -n 5 "$root/tmp/app/app.log")"
preview 24 /tmp/app/printer.prn
kill "$app_pid" && wait "$app_pid" || true
echo "impact-printer-app: job $job completed, $(stat -c %s "$root/tmp/app/printer.prn") bytes of printer data"

# The application as its service runs it (the unit's command on another
# port), keeping a printer in the system's state file.
exec_line=$(sed -n 's/^ExecStart=//p' "$root/lib/systemd/system/impact-printer-app.service")
read -ra service <<<"$(sed "s/server-port=[0-9]*/server-port=$(free_port)/" <<<"$exec_line")"
chroot "$root" "${run_env[@]}" "${service[@]}" >"$out/steps/service.log" 2>&1 &
service_pid=$!
wait_for /run/impact-printer-app.sock
in_root /usr/bin/impact-printer-app add -d kept -m impact9 -v file:///dev/null
state_file=/var/lib/impact-printer-app.state
for _ in $(seq 100); do grep -qs kept "$root$state_file" && break; sleep 0.2; done
kill "$service_pid" && wait "$service_pid" || true
grep -qs kept "$root$state_file" || fail "the service kept no printer in $state_file"

# --- Where systemd runs (a stand-in systemctl records what it is asked): an
# upgrade restarts the service, a removal stops it, a new install starts it.
mkdir -p "$root/run/systemd/system"
calls=$root/var/log/systemctl-calls
cat >"$root/usr/bin/systemctl" <<'STUB'
#!/bin/sh
# Stands in for systemctl: records the call; enables a unit as the default
# preset would, answers as for a stopped unit.
echo "$*" >>/var/log/systemctl-calls
for unit; do :; done
wants=/etc/systemd/system/multi-user.target.wants
case " $* " in
  *" preset "*) grep -qx 'WantedBy=multi-user.target' "/lib/systemd/system/$unit" &&
    mkdir -p $wants && ln -sf "/lib/systemd/system/$unit" "$wants/$unit" ;;
  *" is-enabled "*) [ -e "$wants/$unit" ] && echo enabled || echo disabled ;;
  *" is-active "*) exit 3 ;;
esac
exit 0
STUB
chmod 755 "$root/usr/bin/systemctl"
# asked ACTION: the service, and only it, was asked to ACTION.
asked() {
  grep -qE "(^| )$1 impact-printer-app\.service$" "$calls" || fail "the service was not asked to $1: $(cat "$calls")"
  ! grep -E "start .*autoadd" "$calls" || fail "the autoadd unit was started"
  echo "systemctl was asked: $(grep -vE 'is-enabled|is-active|daemon-reload' "$calls" | paste -sd ';' -)"
  : >"$calls"
}
: >"$calls"
in_root lpadmin -p dotmatrix -E -v file:///dev/null -m lsb/usr/rastertoimpact/impact24.ppd

step upgrade apt_in_root install $(debs v2)
for p in rastertoimpact impact-printer-app; do
  [[ $(installed "$p") == ii*-2 ]] || fail "$p: '$(installed "$p")' after the upgrade, expected ii, revision 2"
done
grep -q "PPD for printer dotmatrix updated" "$out/steps/$(printf %02d $n)-upgrade.log" ||
  fail "CUPS did not update the queue made from the package's PPD"
asked restart
grep -qs kept "$root$state_file" || fail "the upgrade lost the application's state"

step remove apt_in_root remove rastertoimpact impact-printer-app
asked stop
[[ ! -e $root/usr/bin/impact-printer-app && ! -e $root/usr/lib/cups/filter/rastertoimpact ]] || fail "programs left after remove"
! in_root lpinfo -m | grep '^lsb/usr/rastertoimpact/' || fail "lpinfo -m lists the PPDs after remove"
grep -qs kept "$root$state_file" || fail "removing the package deleted the application's state"

step purge apt_in_root purge rastertoimpact impact-printer-app
[[ ! -e $root$state_file && ! -e $root/var/spool/impact-printer-app && ! -L $root$wants ]] ||
  fail "the purge left the state, the spool or the service's link"

step install-2 apt_in_root install $(debs v2)
asked start
step purge-2 apt_in_root purge --autoremove rastertoimpact impact-printer-app
[[ $(installed impact-printer-app) != ii* ]] || fail "impact-printer-app is still installed"

# --- The root as before the first install.
in_root lpadmin -x dotmatrix
rm -r "$root/usr/bin/systemctl" "$root/run/systemd"
diff <(echo "$before") <(snapshot) >"$out/steps/leftovers.diff" ||
  fail "the root differs from before the install: $(cat "$out/steps/leftovers.diff")"
echo "install_cycle: the root holds the same files as before the install (${SECONDS} s in all)"
