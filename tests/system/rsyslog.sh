#!/bin/sh
# A real syslog server for the forwarding tests: Debian's rsyslogd, natively,
# on 127.0.0.1 with a configuration, pid file and work folder of its own in
# the folder given, so the machine's own rsyslog is never touched. It writes
# every message it takes to <folder>/received.log, one per line:
#   host TAB application TAB severity TAB message
# A Windows test program starts this script (Wine runs Unix programs too,
# but hands back no process to wait for), so each command ends by writing
# its outcome into the marker file named last: "ok", or what went wrong.
# With a relay port it also sends every message on to 127.0.0.1 at that port
# over TCP, as docs/usage.md's "*.* @@pc:514" does (RFC 3164, its own probes
# left out).
#   rsyslog.sh start <folder> <port> [<relay port>] <marker>
#   rsyslog.sh stop <folder> <marker>
#   rsyslog.sh cleanup <root>   every server under root (a ctest fixture)
set -u
rsyslogd=/usr/sbin/rsyslogd

stop_server() {
  pidfile=$1/server.pid
  [ -f "$pidfile" ] || return 0
  pid=$(cat "$pidfile" 2>/dev/null)
  rm -f "$pidfile"
  case "$pid" in '' | *[!0-9]*) return 0 ;; esac
  # Only an rsyslogd: a pid file left by a run long gone may name another process.
  grep -qs rsyslogd "/proc/$pid/cmdline" || return 0
  kill -TERM "$pid" 2>/dev/null
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null
  return 0
}

action=${1:-}
case "$action" in
  start)
    dir=$2 port=$3 relay= marker=$4
    if [ $# -ge 5 ]; then relay=$4 marker=$5; fi
    rm -f "$marker"
    stop_server "$dir"
    mkdir -p "$dir/work"
    if [ ! -x "$rsyslogd" ]; then
      echo "$rsyslogd is not installed" >"$marker"
      exit 0
    fi
    cat >"$dir/rsyslog.conf" <<CONF
global(workDirectory="$dir/work" maxMessageSize="64k")
module(load="imtcp")
module(load="imudp")
input(type="imtcp" address="127.0.0.1" port="$port")
input(type="imudp" address="127.0.0.1" port="$port")
template(name="rows" type="string" string="%hostname%\t%app-name%\t%syslogseverity%\t%msg%\n")
*.* action(type="omfile" file="$dir/received.log" template="rows")
CONF
    if [ -n "$relay" ]; then
      echo "if \$programname != 'PROBE' then @@127.0.0.1:$relay" >>"$dir/rsyslog.conf"
    fi
    "$rsyslogd" -n -f "$dir/rsyslog.conf" -i "$dir/rsyslogd.pid" </dev/null >>"$dir/rsyslogd.out" 2>&1 &
    echo $! >"$dir/server.pid"
    sleep 0.2
    if kill -0 "$(cat "$dir/server.pid")" 2>/dev/null; then
      echo ok >"$marker"
    else
      { echo "rsyslogd ended at once:"; tail -n 5 "$dir/rsyslogd.out"; } >"$marker"
    fi
    ;;
  stop)
    dir=$2 marker=$3
    rm -f "$marker"
    stop_server "$dir"
    echo ok >"$marker"
    ;;
  cleanup)
    root=$2
    for pidfile in "$root"/*/server.pid; do
      [ -f "$pidfile" ] && stop_server "$(dirname "$pidfile")"
    done
    ;;
  *)
    echo "usage: rsyslog.sh start <folder> <port> [<relay port>] <marker> | stop <folder> <marker> | cleanup <root>" >&2
    exit 2
    ;;
esac
exit 0
