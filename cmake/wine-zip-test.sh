#!/bin/sh
# Unpacks velmora-<version>-win64.zip, checks what it holds, and saves a code
# with the program in it under the build's Wine prefix:
#   wine-zip-test.sh STATE_DIR velmora_drive.exe ZIP
# The key file must land beside velmora.exe and nowhere in %APPDATA%. Exit 77
# (skipped) when there is no zip, unless VELMORA_REQUIRE_PACKAGES=1.
set -eu
drive=$2
zip=$3
package_test_dir=$(dirname "$0")
. "$package_test_dir/wine-package-test.sh"
package_test_start "$1" "$zip" zip
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

package_test_end "the zip holds the portable program; its key stays beside it"
