# A real NetworkManager inside throw-away namespaces, for the end-to-end tests (sourced).
#
# Two network namespaces joined by a veth pair: the client side ($IF) is managed by a
# NetworkManager that runs inside the client namespace plus a private mount and UTS namespace,
# on a private system bus; the ISP side ($PEER) offers DHCP and DNS (dnsmasq). Nothing touches
# the host's own interfaces, routes or resolver: the only addresses are 10.77.0.0/24 inside
# these namespaces.
#
# After nm_start: `ns CMD...` runs a command inside the client namespaces; isp_cut / isp_restore
# take the ISP side's link down and up; nm_teardown (installed as an EXIT trap) ends every
# process that was started here, by PID, and removes the namespaces.
#
# Findings that shaped it: without udev NetworkManager leaves devices unmanaged unless /sys is
# read-only inside its mount namespace; its binaries write into /var/lib/NetworkManager and /run
# even for --print-config, so they run only inside the private mount namespace; the bus policy
# needs <allow receive_sender="*"/> or nmcli hangs when NetworkManager is absent; NetworkManager
# waits carrier-wait-timeout after a carrier loss before dropping the route.

NS_ID=$$
CLI=tavcli$NS_ID ISP=tavisp$NS_ID IF=wan0 PEER=isp0 GW=10.77.0.1
W=${WORK:-$(mktemp -d /tmp/tavrel-e2e.XXXXXX)}
BUS=$W/bus
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$BUS
T0=$(date +%s.%N)

log()  { printf '[%6.2f] %s\n' "$(echo "$(date +%s.%N) - $T0" | bc)" "$*"; }
die()  { log "FAIL: $*"; exit 1; }
skip() { log "SKIP: $*"; exit 77; }

nm_preflight() {
  [ "$(id -u)" = 0 ] || skip "needs root (network namespaces)"
  local c
  for c in NetworkManager nmcli dbus-daemon dnsmasq nsenter unshare ip bc; do
    command -v "$c" >/dev/null || skip "missing $c (scripts/install-deps installs it)"
  done
  ip netns add "$CLI" 2>/dev/null || skip "cannot create network namespaces here"
  ip netns add "$ISP" 2>/dev/null || { ip netns del "$CLI"; skip "cannot create network namespaces here"; }
  mkdir -p "$W"
  trap nm_teardown EXIT
}

nm_teardown() {
  set +e
  local f p n
  for f in "$W"/*.pid; do [ -s "$f" ] && kill "$(cat "$f")" 2>/dev/null; done
  sleep 0.3
  for f in "$W"/*.pid; do [ -s "$f" ] && kill -9 "$(cat "$f")" 2>/dev/null; done
  for n in "$CLI" "$ISP"; do          # whatever still runs inside our namespaces was started here
    for p in $(ip netns pids "$n" 2>/dev/null); do kill -9 "$p" 2>/dev/null; done
    ip netns del "$n" 2>/dev/null
  done
  rm -f "$BUS"
  if [ "${KEEP_LOGS:-0}" = 1 ]; then echo "logs kept in $W"; else rm -rf "$W"; fi
}

ns() { nsenter -t "$(cat "$W/holder.pid")" -m -n -u "$@"; }

isp_cut()     { ip -n "$ISP" link set "$PEER" down; }
isp_restore() { ip -n "$ISP" link set "$PEER" up; }

# A default route in the client namespace's kernel table, through a running link.
client_online() {
  ns awk 'NR>1 && $2=="00000000" && $8=="00000000" {f=1} END {exit !f}' /proc/net/route &&
    [ "$(ns cat /sys/class/net/$IF/operstate 2>/dev/null)" = up ]
}

wait_for() {   # wait_for <seconds> <command...>
  local end=$(( $(date +%s) + $1 )); shift
  until "$@"; do [ "$(date +%s)" -ge $end ] && return 1; sleep 0.2; done
}

nm_start() {
  ip -n "$CLI" link add "$IF" type veth peer name "$PEER" netns "$ISP"
  ip -n "$CLI" link set lo up; ip -n "$ISP" link set lo up
  ip -n "$ISP" addr add $GW/24 dev "$PEER"
  ip -n "$ISP" link set "$PEER" up

  ip netns exec "$ISP" dnsmasq --keep-in-foreground --conf-file=/dev/null --user=root \
     --interface=$PEER --bind-interfaces --no-ping --listen-address=$GW --no-resolv --no-hosts \
     --dhcp-range=10.77.0.100,10.77.0.150,255.255.255.0,1h \
     --dhcp-option=option:router,$GW --dhcp-option=option:dns-server,$GW \
     --dhcp-leasefile="$W/leases" --pid-file= --log-facility="$W/dnsmasq.log" \
     >"$W/dnsmasq.out" 2>&1 </dev/null &
  echo $! > "$W/dnsmasq.pid"

  cat > "$W/dbus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$BUS</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="root"/>
    <allow own="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
CONF
  cat > "$W/NetworkManager.conf" <<CONF
[main]
plugins=keyfile
no-auto-default=*
dns=none
rc-manager=unmanaged
hostname-mode=none
auth-polkit=false
dhcp=internal
systemd-resolved=false

[keyfile]
unmanaged-devices=except:interface-name:$IF

[device-wan]
match-device=interface-name:$IF
managed=1
carrier-wait-timeout=1000

[connectivity]
enabled=false

[logging]
level=DEBUG
CONF
  echo "nameserver $GW" > "$W/resolv.conf"

  # Runs as `ip netns exec CLI unshare -m -u`: its $$ sits in all three namespaces.
  cat > "$W/inner.sh" <<INNER
set -e
echo \$\$ > $W/holder.pid
mount -o remount,bind,ro /sys
mount -t tmpfs tav-run /run; mkdir -p /run/NetworkManager /run/dbus
mount -t tmpfs tav-etc /etc/NetworkManager; mkdir -p /etc/NetworkManager/system-connections
cp $W/NetworkManager.conf /etc/NetworkManager/NetworkManager.conf
mount -t tmpfs tav-var /var/lib/NetworkManager
mount --bind $W/resolv.conf /etc/resolv.conf
hostname tavrel-e2e
dbus-daemon --config-file=$W/dbus.conf --nofork --nopidfile --syslog-only &
echo \$! > $W/dbus.pid
for i in \$(seq 100); do [ -S $BUS ] && break; sleep 0.05; done
ln -s $BUS /run/dbus/system_bus_socket
NetworkManager --debug --config=/etc/NetworkManager/NetworkManager.conf \
    --system-config-dir=/nonexistent >$W/nm.log 2>&1 </dev/null &
echo \$! > $W/nm.pid
wait
INNER
  ip netns exec "$CLI" unshare -m -u --propagation private bash "$W/inner.sh" \
     >"$W/inner.log" 2>&1 </dev/null &
  local i
  for i in $(seq 100); do [ -s "$W/nm.pid" ] && break; sleep 0.05; done
  [ -s "$W/nm.pid" ] || die "NetworkManager did not start: $(cat "$W/inner.log")"
  ns nm-online -s -q -t 15 || die "NetworkManager start-up not complete (see $W/nm.log)"
  wait_for 10 eval "ns nmcli -t -f DEVICE,STATE device | grep -q '^$IF:disconnected'" \
     || die "$IF not managed: $(ns nmcli -t device)"
  log "NetworkManager ready on a private bus"
}
