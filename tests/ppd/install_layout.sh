#!/usr/bin/env bash
# cmake --install with a prefix and DESTDIR puts the filter, the printer
# descriptions and the manual pages where CUPS and man look for them, with
# the right modes, and nothing outside the prefix.
#   install_layout.sh <build dir> <source dir>
set -euo pipefail
build=$1
source=$2
umask 022

source "$(dirname "$0")/../spooler/common.sh"
new_scratch install

serverbin=$(cups-config --serverbin)      # e.g. /usr/lib/cups
relative_serverbin=${serverbin#/usr/}
relative_serverbin=${relative_serverbin#/}

# expect_file <path> <mode>
expect_file() { [[ -f $1 && $(stat -c %a "$1") == "$2" ]] || fail "$1: missing or not mode $2"; }

check_prefix() {
  local prefix=$1 stage=$2 root
  DESTDIR=$stage cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1 ||
    { cat "$scratch/install.log" >&2; fail "cmake --install --prefix $prefix failed"; return; }
  root=$stage$prefix
  local filterdir=$root/$relative_serverbin/filter
  [[ $prefix == /usr ]] && filterdir=$stage$serverbin/filter
  expect_file "$filterdir/rastertoimpact" 755
  for ppd in impact9.ppd impact24.ppd; do
    expect_file "$root/share/ppd/rastertoimpact/$ppd" 644
  done
  expect_file "$root/share/man/man8/rastertoimpact.8" 644
  expect_file "$root/share/man/man1/impact-preview.1" 644
  if [[ -f $source/tools/preview/CMakeLists.txt ]]; then
    expect_file "$root/bin/impact-preview" 755
  fi
  # The installed filter is the built one and runs.
  local usage
  usage=$("$filterdir/rastertoimpact" 2>&1 >/dev/null) && fail "the installed filter accepted no arguments"
  [[ $usage == Usage:* ]] || fail "the installed filter printed '$usage' without arguments"
  # Nothing lands outside the prefix.
  local stray
  stray=$(cd "$stage" && find . -type f ! -path ".$prefix/*")
  [[ -z $stray ]] || fail "files outside $prefix: $stray"
  echo "installed below $prefix:"
  (cd "$stage" && find . -type f -printf '  %m %p\n' | sort -k2)
}

# A private prefix: the same layout below it.
check_prefix /opt/rastertoimpact "$scratch/opt-stage"

# The system prefix: the filter where the system's CUPS runs it, and the
# installed PPDs pass cupstestppd against that tree, filter check included.
check_prefix /usr "$scratch/usr-stage"
for ppd in "$scratch"/usr-stage/usr/share/ppd/rastertoimpact/*.ppd; do
  cupstestppd -R "$scratch/usr-stage" "$ppd" >"$scratch/testppd.log" 2>&1 ||
    { cat "$scratch/testppd.log" >&2; fail "cupstestppd failed on the installed $(basename "$ppd")"; }
done

finish install_layout
