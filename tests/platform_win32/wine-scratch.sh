# Throw-away Wine prefixes for tests that change what a session would act on (HKLM Run and
# RunOnce, the session itself) or that need a wineserver of their own (inside a network
# namespace). Sourced by the tests' scripts; needs WINEPREFIX (the build's prefix, made by
# scripts/wine-prefix) and TAVREL_WINE (Wine's loader).
#
#   scratch_make DIR [null-display]   copy the build's prefix to DIR/prefix and point WINEPREFIX
#                                     there; null-display: windows are made without a display
#   scratch_end                       stop the copy's wineserver and remove the copy
#
# The copy shares the prefix's files by hard links, except those Wine rewrites in place (the
# registry, the .ini files, the update stamp), which it gets copies of. Nothing of the session
# runs yet when scratch_make returns.

WINE=${TAVREL_WINE:-/usr/lib/wine/wine64}
WINESERVER=$(dirname "$WINE")/wineserver
SCRATCH_BASE=${WINEPREFIX:?the build\'s Wine prefix}
SCRATCH=

scratch_make() {
  local dir=$1 display=${2:-}
  [ -f "$SCRATCH_BASE/.tavrel-ready" ] || { echo "no Wine prefix at $SCRATCH_BASE"; return 1; }
  SCRATCH=$dir/prefix
  cp -al "$SCRATCH_BASE" "$SCRATCH"
  local f
  for f in "$SCRATCH"/*.reg "$SCRATCH"/.update-timestamp "$SCRATCH"/drive_c/windows/*.ini; do
    [ -f "$f" ] || continue
    rm -f "$f"
    cp -p "$SCRATCH_BASE/${f#"$SCRATCH"/}" "$f"
  done
  if [ "$display" = null-display ]; then
    # Wine's display driver that needs no X server: windows exist, nothing is shown.
    printf '\n[Software\\\\Wine\\\\Drivers] 1\n"Graphics"="null"\n' >>"$SCRATCH/user.reg"
  fi
  export WINEPREFIX=$SCRATCH
}

scratch_end() {
  [ -n "$SCRATCH" ] || return 0
  WINEPREFIX=$SCRATCH "$WINESERVER" -k 2>/dev/null || true
  WINEPREFIX=$SCRATCH timeout 30 "$WINESERVER" -w 2>/dev/null || true
  rm -rf "$SCRATCH"
  SCRATCH=
}
