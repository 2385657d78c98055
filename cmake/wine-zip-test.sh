#!/bin/sh
# Unpacks velmora-<version>-win64.zip, checks what it holds, and saves a code
# with the program in it under the build's Wine prefix:
#   wine-zip-test.sh STATE_DIR velmora_drive.exe ZIP
# The key file must land beside velmora.exe and nowhere in %APPDATA%. Exit 77
# (skipped) when there is no zip, unless VELMORA_REQUIRE_PACKAGES=1.
set -eu
state=$(mkdir -p "$1" && cd "$1" && pwd)
drive=$2
zip=$3
if [ ! -f "$zip" ]; then
  echo "no zip at $zip (./velmora.sh package)"
  [ "${VELMORA_REQUIRE_PACKAGES:-0}" = 1 ] && exit 1
  exit 77
fi
. "$(dirname "$0")/wine-env.sh"
[ -f "$state/ready" ] || "$(dirname "$0")/wine-prefix.sh" setup "$state"

failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
(cd "$unpacked" && cmake -E tar xf "$zip")
folder=$unpacked/$(basename "$zip" .zip)
listing=$(cd "$folder" && LC_ALL=C ls | tr '\n' ' ')
[ "$listing" = "LEEME.txt LICENSE.txt README.txt velmora-cli.exe velmora.exe " ] || fail "the zip holds: $listing"
appdata=$("$WINE" winepath -u "$("$WINE" cmd /c echo %APPDATA% </dev/null 2>/dev/null | tr -d '\r')" \
  </dev/null 2>/dev/null | tr -d '\r')
rm -rf "$appdata/Velmora"

"$WINE" "$drive" save "Z:$(echo "$folder/velmora.exe" | tr / '\\')" </dev/null || fail "the save"
key=$folder/a06b7c83f59d14e2.log
[ -f "$key" ] && [ "$(wc -c <"$key")" -eq 111 ] || fail "the key beside velmora.exe"
[ ! -e "$appdata/Velmora" ] || fail "nothing in %APPDATA%\\Velmora"

[ "$failures" -eq 0 ] && echo "the zip holds the portable program; its key stays beside it"
[ "$failures" -eq 0 ]
