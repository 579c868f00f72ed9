#!/bin/bash
# The end of the session and a close from another program, under Wine, with the real Tavrel.exe
# running from a scratch program folder in a throw-away prefix (Wine's null display driver:
# windows without a display):
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
trap 'scratch_end; rm -rf "$W"' EXIT
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

log "1. the session ends while Tavrel runs"
"$WINE" "$W/app/Tavrel.exe" >"$W/first.out" 2>&1 &
first=$!
wait_for 120 loaded || die "Tavrel did not load"
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
"$WINE" "$W/app/Tavrel.exe" >"$W/third.out" 2>&1 &
third=$!
wait_for 120 loaded || die "Tavrel did not load"
timeout 60 "$WINE" taskkill /im Tavrel.exe >/dev/null 2>&1 || die "taskkill failed"
wait_for 60 gone $third || die "Tavrel did not end when asked by another program"
marker_is "" || die "Tavrel did not unload"
in_registry && die "a close by another program registered one more start"
log "   closed as asked; nothing registered"
