#!/usr/bin/env bash
# cmake --install with DESTDIR puts the printer application where a system
# runs it: the program in bin, the systemd units naming the installed
# program (the server logging to the journal), the udev rule for USB
# printers and the manual page; for the system prefix and a private one.
#   install_layout_test.sh <build dir>
set -euo pipefail
build=$1
source "$(dirname "$0")/../spooler/common.sh"
new_scratch install
# has <file> <text>: the file has a line with this text.
has() { grep -qF -- "$2" "$1" 2>/dev/null || fail "$1 has no line with '$2'"; }

for prefix in /usr /opt/impact; do
  stage=$scratch/stage${prefix//\//-}
  DESTDIR=$stage timeout 60 cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1 ||
    { cat "$scratch/install.log" >&2; fail "cmake --install --prefix $prefix"; continue; }
  root=$stage$prefix
  program=$root/bin/impact-printer-app
  [[ -x $program && $(stat -c %a "$program") == 755 ]] || fail "$program: missing or not mode 755"
  # The installed program knows its drivers (its own folders, no server;
  # PAPPL's sub-commands do not free what they hold when they exit).
  ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" HOME=$scratch SNAP_COMMON=$scratch \
    XDG_CONFIG_HOME=$scratch timeout 20 "$program" drivers >"$scratch/drivers.txt" 2>/dev/null || true
  grep -q '^impact24 ' "$scratch/drivers.txt" || fail "$program drivers: no impact24"
  units=$root/lib/systemd/system
  has "$units/impact-printer-app.service" "ExecStart=$prefix/bin/impact-printer-app server -o log-file=- "
  has "$units/impact-printer-app-autoadd.service" "ExecStart=$prefix/bin/impact-printer-app autoadd"
  has "$units/impact-printer-app-autoadd.service" "Requires=impact-printer-app.service"
  rule=$root/lib/udev/rules.d/70-impact-printer-app.rules
  has "$rule" 'ENV{ID_USB_INTERFACES}=="*:0701??:*", GROUP="lp"'
  has "$rule" 'ENV{SYSTEMD_WANTS}+="impact-printer-app-autoadd.service"'
  page=$root/share/man/man1/impact-printer-app.1
  [[ -f $page ]] || fail "no manual page $page"
  warnings=$(groff -man -ww -z "$page" 2>&1) || true
  [[ -z $warnings ]] || fail "$page: $warnings"
done
# systemd reads the units (here with the staged program in place of the
# installed one).
if command -v systemd-analyze >/dev/null; then
  mkdir -p "$scratch/units"
  for unit in impact-printer-app.service impact-printer-app-autoadd.service; do
    sed "s|/usr/bin/impact-printer-app|$scratch/stage-usr/usr/bin/impact-printer-app|" \
      "$scratch/stage-usr/usr/lib/systemd/system/$unit" >"$scratch/units/$unit"
  done
  timeout 30 systemd-analyze verify --man=no "$scratch/units/"*.service >"$scratch/verify.log" 2>&1 ||
    { cat "$scratch/verify.log" >&2; fail "systemd-analyze verify"; }
fi
finish install_layout_test
