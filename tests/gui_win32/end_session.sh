#!/bin/bash
# The real Tavrel.exe under Wine, running from a scratch program folder in a throw-away prefix
# (Wine's null display driver: windows without a display):
#   0. started in an empty folder it writes Tavrel.ini with valA=0, makes logs and logs\traffic,
#      and writes the day's two logs as the Linux program writes them for the same facts: the
#      start-up and address reports, and the connection table's header and rows (a socket this
#      script listens on is one of them);
#   1. the session ends (wineboot --end-session --shutdown): WM_QUERYENDSESSION is close reason
#      2, so Tavrel writes the HKLM RunOnce value that starts it once more at the next logon, and
#      its unload empties the start-up-report marker;
#   2. the next session start (wineboot) runs that value and removes it: Tavrel starts again;
#   3. another program closes it (taskkill sends WM_CLOSE, as Task Manager does): reason 3, so
#      nothing is registered.
#
#   end_session.sh TAVREL_EXE
set -euo pipefail

TAVREL=$(realpath "${1:?usage: end_session.sh TAVREL_EXE}")
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/../platform_win32/wine-scratch.sh"
W=$(mktemp -d)
listener=
trap '[ -n "$listener" ] && kill "$listener" 2>/dev/null; scratch_end; rm -rf "$W"' EXIT
scratch_make "$W" null-display
mkdir "$W/app"
cp "$TAVREL" "$W/app/Tavrel.exe"
COMMAND="Z:$(printf '%s' "$W/app/Tavrel.exe" | tr / '\\')"
INI=$W/app/Tavrel.ini
RUNONCE='HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce'

log() { echo "end_session: $*"; }
die() { echo "end_session: FAILED: $*"; [ -f "$INI" ] && sed 's/^/  ini: /' "$INI"; exit 1; }
# wait_for SECONDS COMMAND...: until COMMAND succeeds, at most SECONDS.
wait_for() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.2
  done
}
marker_is() { grep -qx "1=$1"$'\r'"\?" "$INI" 2>/dev/null; }
loaded() { marker_is GD && grep -q '^valA=0' "$INI" && ls "$W/app/logs/"*_monitor.log >/dev/null 2>&1; }
gone() { ! kill -0 "$1" 2>/dev/null; }
# The RunOnce value named Tavrel as the registry file holds it, once the wineserver has saved it.
saved_runonce() {
  awk -v key='[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\RunOnce]' '
    index($0, key) == 1 { inside = 1; next }
    /^\[/ { inside = 0 }
    inside && /^"Tavrel"=/ { sub(/^"Tavrel"="/, ""); sub(/"$/, ""); gsub(/\\\\/, "\\"); print }
  ' "$WINEPREFIX/system.reg"
}
in_registry() { "$WINE" reg query "$RUNONCE" /v Tavrel >/dev/null 2>&1; }

# A socket listening on loopback: a row of the connection table whatever else the machine has.
python3 -c 'import socket, time
s = socket.socket()
s.bind(("127.0.0.1", 0))
s.listen()
open("'"$W"'/port.tmp", "w").write(str(s.getsockname()[1]))
__import__("os").rename("'"$W"'/port.tmp", "'"$W"'/port")
time.sleep(900)' &
listener=$!
wait_for 30 test -s "$W/port" || die "no listening socket"
PORT=$(cat "$W/port")
TODAY=$(date +%d-%m-%y)
MONITOR_LOG=$W/app/logs/${TODAY}_monitor.log
TRAFFIC_LOG=$W/app/logs/traffic/${TODAY}_traffic.log
ROW="127.0.0.1,$PORT,0.0.0.0,0,2,Listening"
listed() { grep -qx "$ROW"$'\r' "$TRAFFIC_LOG" 2>/dev/null; }
# The monitor log's entries without their time stamps.
entries() { sed -n 's/^[0-9][0-9]-[0-9][0-9]-[0-9][0-9] - [0-9][0-9]:[0-9][0-9]:[0-9][0-9] //p' "$MONITOR_LOG" | tr -d '\r'; }
has_entry() { entries | grep -qxF -- "$1" || die "the monitor log has no entry '$1'"; }

log "0. started in an empty program folder"
"$WINE" "$W/app/Tavrel.exe" >"$W/first.out" 2>&1 &
first=$!
wait_for 120 loaded || die "Tavrel did not load"
[ -d "$W/app/logs/traffic" ] || die "no logs\\traffic folder"
grep -qx 'valA=0'$'\r' "$INI" || die "Tavrel.ini has no valA=0 line"
wait_for 60 listed || die "the traffic log has no row '$ROW'"
# Every line ends in CR LF; the first names the program and its version, every other one is a
# time-stamped entry or empty.
[ "$(grep -vc $'\r$' "$MONITOR_LOG")" = 0 ] || die "a monitor log line does not end in CR LF"
head -1 "$MONITOR_LOG" | grep -qx 'Tavrel [0-9]*\.[0-9]*\.[0-9]*'$'\r' || die "first line: $(head -1 "$MONITOR_LOG")"
bad=$(tail -n +2 "$MONITOR_LOG" | tr -d '\r' | grep -v '^$' | grep -vc '^[0-9][0-9]-[0-9][0-9]-[0-9][0-9] - [0-9][0-9]:[0-9][0-9]:[0-9][0-9] ' || true)
[ "$bad" = 0 ] || die "$bad monitor log lines are no time-stamped entries"
[ "$(entries | head -1)" = "Monitor started" ] || die "the first entry is '$(entries | head -1)'"
has_entry "Detecting additional IP's"
entries | grep -q '^Resolving [0-9.]*$' || die "no 'Resolving' entry"
entries | grep -q '^HELLO .' || die "no 'HELLO' entry"
# The address report: one block per address, loopback among them, counted in its heading.
blocks=$(entries | grep -c '^IP address                   : ' || true)
has_entry "$blocks   IP addresses found"
has_entry "IP address                   : 127.0.0.1"
has_entry "IP Subnetmask            : 255.0.0.0"
# The traffic log: the header, then the table's rows, at each write.
[ "$(head -1 "$TRAFFIC_LOG")" = $'Local IP,Local Port,Remote IP,Remote Port,State,State Description\r' ] ||
  die "traffic log header: $(head -1 "$TRAFFIC_LOG")"
[ "$(grep -vc $'\r$' "$TRAFFIC_LOG")" = 0 ] || die "a traffic log line does not end in CR LF"
log "   Tavrel.ini, logs\\traffic and both logs as expected ($blocks addresses; row $ROW)"

log "1. the session ends while Tavrel runs"
timeout 120 "$WINE" wineboot --end-session --shutdown >/dev/null 2>&1 || die "wineboot --end-session failed"
wait_for 60 gone $first || die "Tavrel still runs after the end of the session"
wait $first || die "Tavrel ended with $?"
timeout 60 "$WINESERVER" -w || die "the session did not end"
[ "$(saved_runonce)" = "$COMMAND" ] || die "RunOnce holds '$(saved_runonce)', not '$COMMAND'"
marker_is "" || die "the start-up-report marker was not emptied"
log "   RunOnce holds $COMMAND; the marker is empty"

log "2. the next session start runs it once"
# The session's start waits for RunOnce programs to end, and no other program starts meanwhile:
# this Tavrel is ended with the session.
"$WINE" wineboot >"$W/boot.out" 2>&1 &
wait_for 120 loaded || die "RunOnce did not start Tavrel"
"$WINESERVER" -k
timeout 60 "$WINESERVER" -w || die "the session did not end"
[ -z "$(saved_runonce)" ] || die "RunOnce still holds '$(saved_runonce)' after it ran"
log "   Tavrel started again and the value is used up"

log "3. another program closes it"
timeout 120 "$WINE" wineboot >/dev/null 2>&1 || die "the session did not start"
# The copy ended with the last session left its marker set: cleared, so that the wait below is
# for this start's load.
sed -i 's/^1=GD/1=/' "$INI"
"$WINE" "$W/app/Tavrel.exe" >"$W/third.out" 2>&1 &
third=$!
wait_for 120 loaded || die "Tavrel did not load"
timeout 60 "$WINE" taskkill /im Tavrel.exe >/dev/null 2>&1 || die "taskkill failed"
wait_for 60 gone $third || die "Tavrel did not end when asked by another program"
marker_is "" || die "Tavrel did not unload"
in_registry && die "a close by another program registered one more start"
log "   closed as asked; nothing registered"
