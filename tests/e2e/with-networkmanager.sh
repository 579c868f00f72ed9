#!/bin/bash
# Runs a command inside the client namespace of a throw-away NetworkManager (see nm-netns.sh),
# online through a DHCP profile, e.g. to measure the probe with NetworkManager on the bus:
#   tests/e2e/with-networkmanager.sh build/bench/bench_probe
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: with-networkmanager.sh COMMAND [ARGS...]"; exit 2; }
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/nm-netns.sh"
nm_preflight
nm_start
ns nmcli connection add type ethernet ifname $IF con-name tavrel-wan connection.autoconnect no \
   ipv6.method disabled ipv4.method auto >/dev/null
ns nmcli --wait 20 connection up id tavrel-wan >/dev/null || die "could not go online"
wait_for 15 client_online || die "not online"
cmd=()
for a in "$@"; do [ -e "$a" ] && cmd+=("$(realpath "$a")") || cmd+=("$a"); done
ns "${cmd[@]}"
