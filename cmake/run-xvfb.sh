#!/bin/sh
# Runs a command on a private Xvfb display, chosen by the server itself so
# that parallel tests never collide, and stops the server afterwards.
set -eu
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fifo" 2>/dev/null &
server=$!
read -r display <"$fifo"
rm -f "$fifo"
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null || true' EXIT
DISPLAY=":$display" "$@"
