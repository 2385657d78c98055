#!/bin/sh
# Sets up or tears down the build's temporary Wine prefix:
#   wine-prefix.sh setup STATE_DIR     fresh prefix, null display driver,
#                                      one persistent wineserver
#   wine-prefix.sh cleanup STATE_DIR   stops the server, removes the prefix
set -eu
action=$1
state=$(mkdir -p "$2" && cd "$2" && pwd)
. "$(dirname "$0")/wine-env.sh"

setup() {
  "$WINESERVER" -k </dev/null >/dev/null 2>&1 9>&- || true
  rm -rf "$WINEPREFIX" "$state/fontcache"
  mkdir -p "$WINEPREFIX"
  cat >"$FONTCONFIG_FILE" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <dir>/usr/share/wine/fonts</dir>
  <cachedir>$state/fontcache</cachedir>
</fontconfig>
CONF
  # One server for the whole run; every Wine process below and every test
  # talks to it. Helpers get null stdio, or they would keep ctest's output
  # pipes open and the run would never end; nor may they inherit the lock.
  "$WINESERVER" -p </dev/null >/dev/null 2>&1 9>&-
  "$WINE" wineboot -i </dev/null >/dev/null 2>&1 9>&-
  "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f \
    </dev/null >/dev/null 2>&1 9>&-
  # The desktop process of the first boot chose its display driver before
  # the key existed: start over so that every helper uses the null driver.
  "$WINESERVER" -k </dev/null >/dev/null 2>&1 9>&- || true
  "$WINESERVER" -p </dev/null >/dev/null 2>&1 9>&-
  "$WINE" cmd /c exit </dev/null >/dev/null 2>&1 9>&-
  touch "$state/ready"
}

cleanup() {
  rm -f "$state/ready"
  if [ -d "$WINEPREFIX" ]; then
    "$WINESERVER" -k </dev/null >/dev/null 2>&1 9>&- || true
  fi
  rm -rf "$WINEPREFIX" "$state/fontcache"
}

case "$action" in
  setup) (flock 9 && setup) 9>"$state/prefix.lock" ;;
  cleanup) (flock 9 && cleanup) 9>"$state/prefix.lock" ;;
  *) echo "usage: $0 setup|cleanup STATE_DIR" >&2; exit 2 ;;
esac
