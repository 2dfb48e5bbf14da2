#!/usr/bin/env bash
# Builds PLOXEN.EXE and starts it under Wine. Arguments go to PLOXEN.EXE.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/setup.sh"
source "$here/build.sh"
source "$here/display.sh"

ploxen_build mingw PLOXEN
trap ploxen_display_stop EXIT
ploxen_display_start
echo "Starting PLOXEN.EXE on display $DISPLAY (close its window to end)."
ploxen_wine "$PLOXEN_BUILD/mingw/bin/PLOXEN.EXE" "$@"
