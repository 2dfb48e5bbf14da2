#!/usr/bin/env bash
# Builds everything and runs every test: the unit tests natively and under
# Wine, the system tests of the real PLOXEN.EXE under Wine on a display (a
# virtual one when there is none), and a short run of each fuzz target.
# Ends with ctest's summary.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/setup.sh"
source "$here/build.sh"
source "$here/display.sh"

ploxen_build native
ploxen_build fuzz
ploxen_build mingw

cleanup() {
  wineserver -k 2>/dev/null || true
  ploxen_display_stop
}
trap cleanup EXIT

ploxen_display_start
echo "== wine prefix"
ploxen_wine cmd /c exit >/dev/null 2>&1 || true
# One wine server for the whole run instead of one per test program: wait for
# the one that made the prefix to go, then start a lasting one.
export WINEPREFIX="$PLOXEN_BUILD/mingw/wineprefix"
wineserver -w || true
wineserver -p
# Wine's own background programs start with the first program and stay with
# the lasting server; started here, they hold no pipe of a test runner open.
# The desktop process starts only with a first window and ends with the last
# program, so a hidden window is held open for the whole run.
ploxen_wine cmd /c exit >/dev/null 2>&1 || true
marker="$PLOXEN_BUILD/desktop-keeper.ready"
rm -f "$marker"
ploxen_wine "$PLOXEN_BUILD/mingw/bin/desktop_keeper.exe" "$(winepath -w "$marker" 2>/dev/null)" \
  </dev/null >/dev/null 2>&1 &
for _ in $(seq 1 300); do [ -e "$marker" ] && break; sleep 0.1; done
[ -e "$marker" ] || echo "warning: the desktop keeper did not start" >&2

# One ctest run over both builds, so that one summary closes the output.
cat >"$PLOXEN_BUILD/CTestTestfile.cmake" <<'CTEST'
subdirs("native" "fuzz" "mingw")
CTEST
echo "== tests"
cd "$PLOXEN_BUILD"
ctest -j "$(nproc)" --output-on-failure --timeout 300 "$@"
