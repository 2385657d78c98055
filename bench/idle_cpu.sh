#!/bin/sh
# Idle cost of an open Velmora window: CPU time and wake-ups (voluntary
# context switches) over a quiet interval, with nothing typed.
#   bench/idle_cpu.sh PROGRAM [seconds] [--unfocused]
# Run it on a display, for example under cmake/run-xvfb.sh. With
# --unfocused, the X input focus moves to the root window first (xdotool),
# so no caret blinks: nothing at all should run then.
set -eu
program=$1
seconds=${2:-10}
"$program" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
sleep 2  # start-up and first paint are not idle time
if [ "${3:-}" = "--unfocused" ]; then
  xdotool windowfocus "$(xdotool search --maxdepth 0 --name '' | head -n 1)"
  sleep 1
fi

ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
wakeups() { awk '/^voluntary_ctxt_switches/ {print $2}' "/proc/$pid/status"; }

t0=$(ticks); w0=$(wakeups)
sleep "$seconds"
t1=$(ticks); w1=$(wakeups)
hz=$(getconf CLK_TCK)
echo "idle for ${seconds}s: CPU $(( (t1 - t0) * 1000 / hz )) ms, $(( w1 - w0 )) wake-ups"
