#!/bin/sh
# Runs a command as a Wayland client of a private headless Weston: its own
# runtime folder and socket, so that parallel tests never collide, and the
# compositor stopped afterwards. A compositor that never comes up fails the
# run within seconds, and the command itself is ended after
# VELMORA_WAYLAND_TIMEOUT seconds (240 by default), so that nothing hangs.
#
# Headless Weston offers no seat: no keyboard, no pointer, no clipboard, and
# so no window ever becomes active. Qt's Wayland input-method support then
# crashes on the first key event sent to a line edit (it asks the missing
# seat for its text input), so the input method is turned off here; a real
# session always has a seat.
set -eu
runtime=$(mktemp -d)
chmod 700 "$runtime"
socket=velmora-wayland
XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --socket="$socket" \
  --width=1280 --height=1024 --idle-time=0 --no-config >"$runtime/weston.log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null || true; rm -rf "$runtime"' EXIT
trap 'exit 143' TERM INT
waited=0
while [ ! -S "$runtime/$socket" ]; do
  if ! kill -0 "$server" 2>/dev/null || [ "$waited" -ge 100 ]; then
    echo "weston did not start:" >&2
    cat "$runtime/weston.log" >&2
    exit 1
  fi
  sleep 0.1
  waited=$((waited + 1))
done
XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland QT_IM_MODULE=none \
  timeout "${VELMORA_WAYLAND_TIMEOUT:-240}" "$@"
