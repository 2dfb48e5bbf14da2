# Sourced: makes sure DISPLAY names a display that answers. Without one a
# virtual display (Xvfb) is started and stopped again by ploxen_display_stop.
ploxen_display_start() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local n
  for n in $(seq 90 130); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    PLOXEN_XVFB_PID=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 50); do
      xdpyinfo >/dev/null 2>&1 && { echo "No display found: using the virtual display $DISPLAY (Xvfb)."; return 0; }
      sleep 0.1
    done
    kill "$PLOXEN_XVFB_PID" 2>/dev/null || true
  done
  echo "Cannot start a virtual display (Xvfb)." >&2
  return 1
}

ploxen_display_stop() {
  if [ -n "${PLOXEN_XVFB_PID:-}" ]; then
    kill "$PLOXEN_XVFB_PID" 2>/dev/null || true
    wait "$PLOXEN_XVFB_PID" 2>/dev/null || true
    PLOXEN_XVFB_PID=
  fi
}
