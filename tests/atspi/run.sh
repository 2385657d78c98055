#!/bin/sh
# Runs Velmora on a private Xvfb display with a session bus and an
# accessibility bus, and reads it through AT-SPI with read_names.py.
#   run.sh VELMORA_BINARY
# Everything it starts is stopped on the way out; the whole run is bounded.
set -eu
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${VELMORA_ATSPI_INNER:-}" ]; then
  export VELMORA_ATSPI_INNER=1
  exec timeout -k 5 60 "$here/../../cmake/run-xvfb.sh" dbus-run-session -- "$0" "$program"
fi

dir=$(mktemp -d)
launcher=
app=
cleanup() {
  for pid in $app $launcher; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$dir"
}
trap cleanup EXIT
# The program keeps its code beside itself: give it a folder of its own.
cp "$program" "$dir/velmora"
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
launcher=$!
QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$dir/velmora" &
app=$!
status=0
/usr/bin/python3 "$here/read_names.py" || status=$?
cleanup
trap - EXIT
exit "$status"
