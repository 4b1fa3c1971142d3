#!/usr/bin/env bash
# cmake --install with DESTDIR for /usr and a private prefix: every file in
# place with its mode, nothing outside the prefix, PPDs passing cupstestppd,
# the application's units and manual page valid.
#   install_layout.sh <build dir> <ppd names, comma separated> <application built: 0|1>
set -euo pipefail
build=$1 ppds=${2//,/ } with_app=$3
source "$(dirname "$0")/../spooler/common.sh"
new_scratch install
umask 022
relative=$(cups-config --serverbin)
relative=${relative#/usr/}
# expect_file <path> <mode>
expect_file() { [[ -f $1 && $(stat -c %a "$1") == "$2" ]] || fail "$1: missing or not mode $2"; }
# has <file> <text>: the file has a line with this text.
has() { grep -qF -- "$2" "$1" 2>/dev/null || fail "$1 has no line with '$2'"; }

for prefix in /usr /opt/impact; do
  stage=$scratch/stage${prefix//\//-}
  DESTDIR=$stage timeout 60 cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1 ||
    { cat "$scratch/install.log" >&2; fail "cmake --install --prefix $prefix"; continue; }
  root=$stage$prefix
  filter=$root/${relative#/}/filter/rastertoimpact
  expect_file "$filter" 755
  expect_file "${filter%/*}/texttoimpact" 755
  usage=$("$filter" 2>&1 >/dev/null) && fail "the installed filter accepted no arguments"
  [[ $usage == Usage:* ]] || fail "the installed filter printed '$usage' without arguments"
  for ppd in $ppds; do expect_file "$root/share/ppd/rastertoimpact/$ppd" 644; done
  expect_file "$root/share/man/man8/rastertoimpact.8" 644
  expect_file "$root/share/man/man8/texttoimpact.8" 644
  expect_file "$root/share/man/man1/impact-preview.1" 644
  expect_file "$root/bin/impact-preview" 755
  stray=$(cd "$stage" && find . -type f ! -path ".$prefix/*")
  [[ -z $stray ]] || fail "files outside $prefix: $stray"
  ((with_app)) || continue
  program=$root/bin/impact-printer-app
  expect_file "$program" 755
  # It knows its drivers (PAPPL's sub-commands leak at exit).
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
  expect_file "$page" 644
  warnings=$(groff -man -ww -z "$page" 2>&1) || true
  [[ -z $warnings ]] || fail "$page: $warnings"
done

# The only warning accepted: ppdc's name for the 14 7/8 x 11 in fanfold.
for ppd in $ppds; do
  report=$(cupstestppd -R "$scratch/stage-usr" "$scratch/stage-usr/usr/share/ppd/rastertoimpact/$ppd" 2>&1) ||
    fail "cupstestppd $ppd: $report"
  findings=$(grep -E 'WARN|FAIL' <<<"$report" | grep -v 'Size "FanFoldUS" should be the Adobe standard name' || true)
  [[ -z $findings ]] || fail "cupstestppd $ppd: $findings"
done
if ((with_app)) && command -v systemd-analyze >/dev/null; then
  mkdir -p "$scratch/units"
  for unit in impact-printer-app.service impact-printer-app-autoadd.service; do
    sed "s|/usr/bin/impact-printer-app|$scratch/stage-usr/usr/bin/impact-printer-app|" \
      "$scratch/stage-usr/usr/lib/systemd/system/$unit" >"$scratch/units/$unit"
  done
  timeout 30 systemd-analyze verify --man=no "$scratch/units/"*.service >"$scratch/verify.log" 2>&1 ||
    { cat "$scratch/verify.log" >&2; fail "systemd-analyze verify"; }
fi
finish install_layout
