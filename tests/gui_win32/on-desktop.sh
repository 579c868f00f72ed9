#!/bin/bash
# Runs a Windows test program under Wine on a desktop of its own: a private X server (Xvfb, on a
# display it picks itself) with a window manager (openbox), and a throw-away copy of the build's
# Wine prefix whose session starts on that display (the build's warm session has none). Skipped
# (exit 77) only where Xvfb is missing.
#
#   on-desktop.sh PROGRAM.exe [ARGS...]
set -euo pipefail
PROGRAM=$(realpath "${1:?usage: on-desktop.sh PROGRAM.exe [ARGS...]}")
shift
if ! command -v Xvfb >/dev/null; then
  echo "on-desktop: SKIPPED: Xvfb is not installed (scripts/install-deps installs it)"
  exit 77
fi
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/../platform_win32/wine-scratch.sh"
W=$(mktemp -d)
xvfb= wm=
cleanup() {
  scratch_end
  [ -n "$wm" ] && kill "$wm" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null || true
  rm -rf "$W"
}
trap cleanup EXIT

exec 3>"$W/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$W/xvfb.log" 2>&1 &
xvfb=$!
exec 3>&-
end=$((SECONDS + 60))
until [ -s "$W/display" ]; do
  kill -0 "$xvfb" 2>/dev/null || { cat "$W/xvfb.log"; echo "on-desktop: Xvfb did not start"; exit 1; }
  [ $SECONDS -lt $end ] || { echo "on-desktop: Xvfb gave no display"; exit 1; }
  sleep 0.1
done
export DISPLAY=:$(head -1 "$W/display")
if command -v openbox >/dev/null; then
  openbox >"$W/openbox.log" 2>&1 &
  wm=$!
fi
scratch_make "$W"
timeout 120 "$WINE" wineboot >/dev/null 2>&1 || true  # the session's programs, on this display
timeout 280 "$WINE" "$PROGRAM" "$@"
