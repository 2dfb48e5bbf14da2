#!/usr/bin/env bash
# Builds and runs every benchmark: the native ones, then the copy-data flood
# (also with forwarding to a real rsyslogd), the debug monitor's burst, the
# mailslot burst, the automation calls and syslog over TCP and UDP of the
# real PLOXEN.EXE under Wine on a display (a virtual one when there is none),
# the TCP stream also into a real rsyslogd for reference.
# Each prints its figures beside a baseline of the same run, and one FIGURE
# line per figure (bench/figure_line.h). Every benchmark runs, whatever the
# one before did; the script ends with one table of every figure, its goal
# and whether it was met, and exits with 0 only when every goal was met and
# every benchmark ran to its end.
#   bash scripts/bench.sh [flood lines] [flood rounds]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/setup.sh" || exit 1
source "$here/build.sh"
source "$here/display.sh"

ploxen_build native ploxen_intake_bench ploxen_row_limit_bench ploxen_storage_bench ploxen_search_bench ploxen_filter_bench ploxen_text_bench || exit 1
ploxen_build mingw ploxen_flood_bench ploxen_forward_bench ploxen_log_bench ploxen_debug_bench ploxen_mailslot_bench \
  ploxen_automation_bench ploxen_systemwide_bench ploxen_network_bench ploxen_follow_bench ploxen_row_limit_flood_bench || exit 1

# benchmark TAB figure TAB value TAB unit TAB baseline TAB ratio TAB goal TAB result
figures="$PLOXEN_BUILD/bench-figures.tsv"
: >"$figures"

# Runs one benchmark with its output shown and kept in the build tree, and
# gathers its figure lines; an end other than 0, or no figure at all, is a
# row of its own.
run_bench() {
  local name=$1
  shift
  local log="$PLOXEN_BUILD/bench-$name.log"
  echo "== $name"
  "$@" | tee "$log"
  local status=${PIPESTATUS[0]}
  local found
  found=$(tr -d '\r' <"$log" | grep -a $'^FIGURE\t' | cut -f2-)
  [ -n "$found" ] && printf '%s\n' "$found" >>"$figures"
  if [ "$status" -ne 0 ]; then
    printf '%s\t(the run)\t-\t\t-\t-\t-\tfailed: ended with status %s\n' "$name" "$status" >>"$figures"
  elif [ -z "$found" ]; then
    printf '%s\t(the run)\t-\t\t-\t-\t-\tfailed: no figures\n' "$name" >>"$figures"
  fi
}

# Native output goes line by line into the pipe, as on a terminal.
native() {
  local program=$1
  shift
  stdbuf -oL "$PLOXEN_BUILD/native/bin/$program" "$@"
}
wine_bench() {
  local program=$1
  shift
  WINEDEBUG=-all ploxen_wine "$PLOXEN_BUILD/mingw/bin/$program.exe" "$@"
}

run_bench intake native ploxen_intake_bench
run_bench row_limit native ploxen_row_limit_bench
run_bench storage native ploxen_storage_bench
run_bench search native ploxen_search_bench
run_bench filter native ploxen_filter_bench
run_bench text native ploxen_text_bench

# The benchmarks' rsyslogd is ended even when a benchmark was not.
rsyslog_root="$PLOXEN_BUILD/bench-rsyslog"
rsyslog="$PLOXEN_ROOT/tests/system/rsyslog.sh"
cleanup() {
  sh "$rsyslog" cleanup "$rsyslog_root"
  ploxen_display_stop
}
trap cleanup EXIT
if ploxen_display_start; then
  run_bench flood wine_bench ploxen_flood_bench "$@"
  run_bench log wine_bench ploxen_log_bench "$@"
  run_bench row_limit_flood wine_bench ploxen_row_limit_flood_bench "$@"
  run_bench forward wine_bench ploxen_forward_bench "$rsyslog" "$rsyslog_root/server" "$@"
  run_bench debug wine_bench ploxen_debug_bench
  run_bench mailslot wine_bench ploxen_mailslot_bench
  run_bench automation wine_bench ploxen_automation_bench
  run_bench systemwide wine_bench ploxen_systemwide_bench
  run_bench follow wine_bench ploxen_follow_bench
  run_bench network wine_bench ploxen_network_bench -rsyslog "$rsyslog" "$rsyslog_root/network"
else
  printf 'Wine\t(the run)\t-\t\t-\t-\t-\tfailed: no display\n' >>"$figures"
fi

# The table, each column as wide as its widest entry; the status says
# whether every row with a goal was met.
echo
echo "== every figure (also in $figures)"
awk -F '\t' '
  BEGIN { OFS = "\t" }
  {
    row[NR, 1] = $1; row[NR, 2] = $2
    row[NR, 3] = ($3 == "-" || $4 == "") ? $3 : $3 " " $4
    row[NR, 4] = $5; row[NR, 5] = $6; row[NR, 6] = $7; row[NR, 7] = $8
    if ($8 != "met" && $8 != "-") missed++
    rows = NR
  }
  END {
    split("benchmark|figure|value|baseline|ratio|goal|result", head, "|")
    for (c = 1; c <= 7; c++) { row[0, c] = head[c]; width[c] = length(head[c]) }
    for (r = 1; r <= rows; r++)
      for (c = 1; c <= 7; c++) if (length(row[r, c]) > width[c]) width[c] = length(row[r, c])
    for (r = 0; r <= rows; r++) {
      line = ""
      for (c = 1; c <= 7; c++) {
        cell = row[r, c]
        # Numbers to the right, words to the left.
        if (c >= 3 && c <= 5) line = line sprintf("%*s  ", width[c], cell)
        else line = line sprintf("%-*s  ", width[c], cell)
      }
      sub(/ +$/, "", line)
      print line
    }
    if (rows == 0) { print "no figures"; exit 1 }
    if (missed) { printf "%d of %d rows not met, undecided or failed\n", missed, rows; exit 1 }
    printf "every goal met (%d rows)\n", rows
  }' "$figures"
