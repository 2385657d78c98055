#!/bin/sh
# Takes a picture of a Windows program's first window as Wine draws it on a
# virtual X screen (Xvfb), in a throwaway prefix with Wine's X11 driver:
#   wine-screenshot.sh PROGRAM.exe OUTPUT.png [WINDOW_TITLE [DPI]]
set -eu
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
output=$2
title=${3:-Velmora}
dpi=${4:-96}
state=$(mktemp -d)
. "$(dirname "$0")/wine-env.sh"
cat >"$FONTCONFIG_FILE" <<CONF
<?xml version="1.0"?>
<fontconfig><dir>/usr/share/wine/fonts</dir><cachedir>$state/fontcache</cachedir></fontconfig>
CONF
mkdir -p "$WINEPREFIX"
display=:$((90 + $$ % 100))
Xvfb "$display" -screen 0 1920x1440x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
xvfb=$!
trap '"$WINESERVER" -k >/dev/null 2>&1 || true; kill $xvfb 2>/dev/null || true; rm -rf "$state"' EXIT
export DISPLAY=$display
sleep 1
"$WINESERVER" -p </dev/null >/dev/null 2>&1
"$WINE" wineboot -i </dev/null >/dev/null 2>&1
# Without a window manager, a managed window stalls on every hide.
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
"$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
  </dev/null >/dev/null 2>&1
(cd "$(dirname "$program")" && "$WINE" "$program" </dev/null >/dev/null 2>&1 &)
window=
for _ in $(seq 1 40); do
  window=$(xdotool search --name "^$title\$" 2>/dev/null | head -1) && [ -n "$window" ] && break
  sleep 0.5
done
[ -n "$window" ] || { echo "no window titled $title" >&2; exit 1; }
sleep 2
/usr/bin/import -window "$window" "$output"
