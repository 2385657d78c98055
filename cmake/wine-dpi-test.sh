#!/bin/sh
# Runs the program at 96, 144 and 192 DPI in the build's Wine prefix and has
# velmora_drive check its layout at each:
#   wine-dpi-test.sh STATE_DIR velmora_drive.exe velmora.exe
# Wine reads the system DPI from HKCU\Control Panel\Desktop\LogPixels when a
# process starts, so one prefix serves all three; the key is removed after.
set -eu
state=$(mkdir -p "$1" && cd "$1" && pwd)
drive=$2
program=Z:$(echo "$3" | tr / '\\')
. "$(dirname "$0")/wine-env.sh"
[ -f "$state/ready" ] || "$(dirname "$0")/wine-prefix.sh" setup "$state"
key='HKCU\Control Panel\Desktop'
trap '"$WINE" reg delete "$key" /v LogPixels /f </dev/null >/dev/null 2>&1 || true' EXIT
status=0
for dpi in 96 144 192; do
  "$WINE" reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f </dev/null >/dev/null 2>&1
  if "$WINE" "$drive" layout "$program" "$dpi" </dev/null; then
    echo "$dpi DPI: layout as expected"
  else
    echo "$dpi DPI: layout wrong"
    status=1
  fi
done
exit $status
