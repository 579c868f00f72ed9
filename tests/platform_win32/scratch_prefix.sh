#!/bin/bash
# Runs a command in a throw-away copy of the build's Wine prefix (see wine-scratch.sh), with
# TAVREL_SCRATCH_PREFIX=1 so that tests which change what a Wine session acts on run:
#
#   scratch_prefix.sh COMMAND [ARGS...]
set -euo pipefail
source "$(dirname "$0")/wine-scratch.sh"
W=$(mktemp -d)
trap 'scratch_end; rm -rf "$W"' EXIT
scratch_make "$W"
TAVREL_SCRATCH_PREFIX=1 "$@"
