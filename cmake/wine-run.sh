#!/bin/sh
# Runs a Windows program of the build under Wine (the build's emulator):
#   wine-run.sh STATE_DIR PROGRAM.exe [ARGS...]
# The prefix is made on first use when no test fixture made it.
set -eu
state=$(mkdir -p "$1" && cd "$1" && pwd)
shift
. "$(dirname "$0")/wine-env.sh"
if [ ! -f "$state/ready" ]; then
  (flock 9 && { [ -f "$state/ready" ] || "$(dirname "$0")/wine-prefix.sh" setup "$state" 9>&-; }) \
    9>"$state/run.lock"
fi
exec "$WINE" "$@"
