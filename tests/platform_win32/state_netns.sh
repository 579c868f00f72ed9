#!/bin/bash
# Wine's connection state follows the default route: inside a network namespace that the script
# makes (a veth to an "ISP" namespace), with a wineserver of its own there, the state is online
# with the default route, offline once it is gone, and online again when it is back, each time
# asked afresh by the Win32 probe (test_platform_win32's Win32State.Follows...).
# Exit 77 (skipped) where namespaces cannot be made.
#
#   state_netns.sh TEST_PLATFORM_WIN32_EXE
set -euo pipefail

TESTS=$(realpath "${1:?usage: state_netns.sh TEST_PLATFORM_WIN32_EXE}")
source "$(dirname "$0")/wine-scratch.sh"
if [ "$(id -u)" != 0 ] || ! command -v ip >/dev/null; then
  echo "state_netns: SKIPPED: needs root and iproute2 to make network namespaces"
  exit 77
fi
ID=tvw$$
NS=$ID-c
ISP=$ID-i
NET=10.231.$((RANDOM % 250))
W=$(mktemp -d)
cleanup() {
  scratch_end
  local ns pid
  for ns in $NS $ISP; do
    for pid in $(ip netns pids $ns 2>/dev/null); do kill -9 "$pid" 2>/dev/null || true; done
    ip netns del $ns 2>/dev/null || true
  done
  rm -rf "$W"
}
trap cleanup EXIT
if ! ip netns add $NS 2>/dev/null; then
  echo "state_netns: SKIPPED: network namespaces cannot be made here"
  exit 77
fi
ip netns add $ISP
ip link add $ID-a type veth peer name $ID-b
ip link set $ID-a netns $NS
ip link set $ID-b netns $ISP
ip -n $ISP addr add $NET.1/24 dev $ID-b
ip -n $ISP link set $ID-b up
ip -n $NS link set lo up
ip -n $NS addr add $NET.2/24 dev $ID-a
ip -n $NS link set $ID-a up
ip -n $NS route add default via $NET.1

scratch_make "$W"
ip netns exec $NS "$WINESERVER" -p  # the session lives in the namespace
expect() {
  echo "state_netns: expecting $([ "$1" = 1 ] && echo online || echo offline)"
  ip netns exec $NS env TAVREL_EXPECT_ONLINE="$1" "$WINE" "$TESTS" \
     --gtest_filter='Win32State.Follows*' --gtest_brief=1 </dev/null
}
expect 1
ip -n $NS route del default
expect 0
ip -n $NS route add default via $NET.1
expect 1
