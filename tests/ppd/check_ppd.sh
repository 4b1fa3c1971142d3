#!/usr/bin/env bash
# cupstestppd on one generated PPD, with the built filter placed where the
# PPD's filter line sends CUPS (below cups-config --serverbin in a scratch
# root), so the filter check is a real one.
#   check_ppd.sh <file.ppd> <built rastertoimpact>
set -euo pipefail
ppd=$1
filter=$2

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
serverbin=$(cups-config --serverbin)
mkdir -p "$scratch$serverbin/filter"
install -m 0755 "$filter" "$scratch$serverbin/filter/rastertoimpact"

status=0
report=$(cupstestppd -R "$scratch" "$ppd") || status=$?
printf '%s\n' "$report"
if [[ $status -ne 0 ]]; then
  echo "check_ppd: cupstestppd failed with status $status" >&2
  exit 1
fi
# The only warning accepted: ppdc's name for the US fanfold size is not the
# one Adobe lists for a 14 7/8 x 11 inch sheet.
unexpected=$(printf '%s\n' "$report" | grep -E 'WARN|FAIL' | grep -v 'Size "FanFoldUS" should be the Adobe standard name' || true)
if [[ -n "$unexpected" ]]; then
  echo "check_ppd: unexpected findings:" >&2
  printf '%s\n' "$unexpected" >&2
  exit 1
fi
