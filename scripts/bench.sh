#!/usr/bin/env bash
# Builds and runs every benchmark: the native ones, then the copy-data flood
# (also with forwarding to a real rsyslogd), the debug monitor's burst, the
# mailslot burst, the automation calls and syslog over TCP and UDP of the
# real PLOXEN.EXE under Wine on a display (a virtual one when there is none).
# Each prints its figures beside a baseline of the same run.
#   bash scripts/bench.sh [flood lines] [flood rounds]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/setup.sh"
source "$here/build.sh"
source "$here/display.sh"

ploxen_build native ploxen_intake_bench ploxen_storage_bench ploxen_search_bench ploxen_filter_bench
ploxen_build mingw ploxen_flood_bench ploxen_forward_bench ploxen_debug_bench ploxen_mailslot_bench ploxen_automation_bench ploxen_systemwide_bench ploxen_network_bench
"$PLOXEN_BUILD/native/bin/ploxen_intake_bench"
"$PLOXEN_BUILD/native/bin/ploxen_storage_bench"
"$PLOXEN_BUILD/native/bin/ploxen_search_bench"
"$PLOXEN_BUILD/native/bin/ploxen_filter_bench"

# The forwarding benchmark's rsyslogd is ended even when the benchmark was not.
rsyslog_root="$PLOXEN_BUILD/bench-rsyslog"
cleanup() {
  sh "$PLOXEN_ROOT/tests/system/rsyslog.sh" cleanup "$rsyslog_root"
  ploxen_display_stop
}
trap cleanup EXIT
ploxen_display_start
WINEDEBUG=-all ploxen_wine "$PLOXEN_BUILD/mingw/bin/ploxen_flood_bench.exe" "$@"
WINEDEBUG=-all ploxen_wine "$PLOXEN_BUILD/mingw/bin/ploxen_forward_bench.exe" \
  "$PLOXEN_ROOT/tests/system/rsyslog.sh" "$rsyslog_root/server" "$@"
WINEDEBUG=-all ploxen_wine "$PLOXEN_BUILD/mingw/bin/ploxen_debug_bench.exe"
WINEDEBUG=-all ploxen_wine "$PLOXEN_BUILD/mingw/bin/ploxen_mailslot_bench.exe"
WINEDEBUG=-all ploxen_wine "$PLOXEN_BUILD/mingw/bin/ploxen_automation_bench.exe"
WINEDEBUG=-all ploxen_wine "$PLOXEN_BUILD/mingw/bin/ploxen_systemwide_bench.exe"
WINEDEBUG=-all ploxen_wine "$PLOXEN_BUILD/mingw/bin/ploxen_network_bench.exe"
