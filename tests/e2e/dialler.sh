#!/bin/bash
# End to end: the real tavrel keeps a NetworkManager DHCP connection up.
#
#   dialler.sh TAVREL_BINARY [PLATFORM_TEST_BINARY]
#
# A real NetworkManager runs in throw-away namespaces (see nm-netns.sh) and manages a veth whose
# other end is the "ISP". tavrel runs inside the client namespace from a scratch program folder
# with Tavrel.ini naming the DHCP profile as its entry (AutoRecon=1, Retry=5). The ISP side cuts
# the link; the monitor log must then show the loss, the attempt and authorisation entries and,
# after the link is back, the successful redial, and NetworkManager must have seen tavrel's
# activation requests. Meanwhile every process's command line and environment is scanned for the
# configured password. With PLATFORM_TEST_BINARY the phonebook's live NetworkManager tests run
# inside the namespace first. Exit 77 (skipped) where namespaces cannot be made.
set -euo pipefail

TAVREL=$(realpath "${1:?usage: dialler.sh TAVREL_BINARY [PLATFORM_TEST_BINARY]}")
PLATFORM_TESTS=${2:+$(realpath "$2")}
[ -x "$TAVREL" ] || { echo "no executable $TAVREL"; exit 1; }
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/nm-netns.sh"

nm_preflight
nm_start

PROFILE=tavrel-wan
PASSWORD="e2e-Pw-$NS_ID-$RANDOM$RANDOM"
ns nmcli connection add type ethernet ifname $IF con-name $PROFILE connection.autoconnect no \
   ipv6.method disabled ipv4.method auto ipv4.dhcp-timeout 10 >/dev/null
ns nmcli --wait 20 connection up id $PROFILE >"$W/first-dial.out" 2>&1 \
   || die "first dial: $(cat "$W/first-dial.out")"
wait_for 15 client_online || die "not online after the first dial"
log "online through $PROFILE"

if [ -n "$PLATFORM_TESTS" ]; then
  ns env TAVREL_NM_LIVE=1 "$PLATFORM_TESTS" --gtest_filter='NmLive*' >"$W/nm-live.out" 2>&1 \
     || { cat "$W/nm-live.out"; die "live phonebook tests"; }
  grep -E '^\[  (PASSED|SKIPPED) ' "$W/nm-live.out" | sed 's/^/    /'
  ns nmcli -t -f NAME connection show | grep -q "^$PROFILE\$" || die "$PROFILE gone after the live tests"
fi

# ---------------------------------------------------------------- tavrel in a scratch folder
APP=$(mktemp -d "$W/app.XXXXXX")
cp "$TAVREL" "$APP/tavrel"
printf '[Settings]\r\nConID=%s\r\nAutoRecon=1\r\nRetry=5\r\nUName=e2e-user\r\nPWord=%s\r\n' \
   "$PROFILE" "$PASSWORD" > "$APP/Tavrel.ini"
chmod 600 "$APP/Tavrel.ini"
mkdir -p "$W/home" "$W/xdg"; chmod 700 "$W/xdg"

# The password must never show in a command line or an environment: scan every process while
# tavrel runs (it dials through nmcli children).
(
  echo $BASHPID > "$W/scanner.pid"
  while :; do
    for f in /proc/[0-9]*/cmdline /proc/[0-9]*/environ; do
      if grep -qaF -- "$PASSWORD" "$f" 2>/dev/null; then
        p=${f#/proc/}; p=${p%%/*}
        echo "$f: $(tr '\0' ' ' < /proc/$p/cmdline 2>/dev/null)" >> "$W/leaks"
      fi
    done
    sleep 0.2
  done
) &

activations() { grep -c "audit: op=\"connection-activate\".*$PROFILE" "$W/nm.log" || true; }
before=$(activations)
ns bash -c 'echo $$ > "$0"; exec env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen \
      HOME="$1" XDG_CONFIG_HOME="$1/.config" XDG_DATA_HOME="$1/.local/share" XDG_RUNTIME_DIR="$2" "$3"' \
   "$W/tavrel.pid" "$W/home" "$W/xdg" "$APP/tavrel" >"$W/tavrel.out" 2>&1 </dev/null &
log "tavrel started from $APP"

monitor_log() { ls "$APP"/logs/*_monitor.log 2>/dev/null | head -1; }
log_has() { local f; f=$(monitor_log); [ -n "$f" ] && grep -qF -- "$1" "$f"; }
tavrel_alive() { [ -s "$W/tavrel.pid" ] && kill -0 "$(cat "$W/tavrel.pid")" 2>/dev/null; }

wait_for 15 eval '[ -n "$(monitor_log)" ]' \
   || die "tavrel wrote no monitor log in $APP/logs (alive: $(tavrel_alive && echo yes || echo no); output: $(cat "$W/tavrel.out"))"
sleep 4   # a tick or two online
log_has " Connection lost" && die "connection reported lost while online: $(cat "$(monitor_log)")"

# ---------------------------------------------------------------- cut and restore
isp_cut
log "ISP link cut"
wait_for 20 log_has " Connection lost" || die "no ' Connection lost' in the monitor log"
log "tavrel noticed the loss"
wait_for 20 log_has " Error connecting to: $PROFILE" || die "no failed redial while cut"
log "a redial failed while the link was cut"
isp_restore
log "ISP link restored"
wait_for 60 log_has " Re-connection successful " || die "no ' Re-connection successful ' after the restore"
wait_for 10 client_online || die "tavrel reported success but the client is not online"
log "tavrel redialled successfully"
sleep 4   # the next tick writes the log again
tavrel_alive || die "tavrel ended: $(cat "$W/tavrel.out")"

# ---------------------------------------------------------------- checks
LOGF=$(monitor_log)
# The log holds the whole activity text after each tick: look at the last copy.
last_copy() { awk 'BEGIN{RS="\r\n"} {print}' "$LOGF"; }
check_order() {   # the entries must appear in this order in the log
  local from=0 n e
  for e in "$@"; do
    n=$(last_copy | awk -v s="$e" -v from="$from" 'NR>from && index($0, s) {print NR; exit}')
    [ -n "$n" ] || die "'$e' missing after line $from of $LOGF"
    from=$n
  done
}
check_order " Connection lost" " Attempting Reconnection to: $PROFILE" \
            " Querying Authorisation for: e2e-user" " Error connecting to: $PROFILE" \
            " Re-connection successful "
after=$(activations)
[ "$after" -gt "$before" ] || die "NetworkManager saw no activation request from tavrel"
log "NetworkManager saw $((after - before)) activation request(s) of $PROFILE from tavrel"
kill "$(cat "$W/scanner.pid")" 2>/dev/null || true
if [ -s "$W/leaks" ]; then die "password visible in: $(sort -u "$W/leaks")"; fi
grep -qF -- "$PASSWORD" "$LOGF" && die "password written to the monitor log"
kill -INT "$(cat "$W/tavrel.pid")"
wait_for 10 eval '! tavrel_alive' || log "tavrel did not end on SIGINT (killed at teardown)"
log "PASS"
