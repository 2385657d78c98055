#!/bin/sh
# Installs velmora-<version>-setup.exe silently in the build's Wine prefix,
# saves a code with the installed program, and uninstalls it silently:
#   wine-installer-test.sh STATE_DIR velmora_drive.exe SETUP.exe VERSION
# The key file must land in %APPDATA%\Velmora\, not in the install folder,
# and survive the uninstall. Exit 77 (skipped) when there is no installer,
# unless VELMORA_REQUIRE_PACKAGES=1.
set -eu
drive=$2
setup=$3
version=$4
package_test_dir=$(dirname "$0")
. "$package_test_dir/wine-package-test.sh"
package_test_start "$1" "$setup" installer
wine_quiet() { "$WINE" "$@" </dev/null 2>/dev/null; }
unix_path() { wine_quiet winepath -u "$1" | tr -d '\r'; }
appdata=$(unix_path "$(wine_quiet cmd /c echo %APPDATA% | tr -d '\r')")
install_dir=$(unix_path 'C:\Program Files\Velmora')
start_menu=$(unix_path 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs')
key_dir=$appdata/Velmora
key_file=$key_dir/a06b7c83f59d14e2.log
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora'
rm -rf "$install_dir" "$key_dir"
trap 'rm -rf "$install_dir" "$key_dir" "$start_menu/Velmora.lnk"' EXIT

registry_value() {
  wine_quiet reg query "$uninstall_key" /v "$1" | tr -d '\r' |
    sed -n "s/^ *$1 *REG_[A-Z_]* *//p"
}

wine_quiet "$setup" /S >/dev/null || fail "the installer exits with $?"
for file in velmora.exe velmora-cli.exe uninstall.exe LICENSE.txt LEEME.txt README.txt; do
  [ -f "$install_dir/$file" ] || fail "installed: $file"
done
[ -f "$start_menu/Velmora.lnk" ] || fail "a Start-menu entry"
[ "$(registry_value DisplayName)" = Velmora ] || fail "DisplayName"
[ "$(registry_value DisplayVersion)" = "$version" ] || fail "DisplayVersion"
[ -n "$(registry_value Publisher)" ] || fail "Publisher"
[ "$(registry_value DisplayIcon)" = 'C:\Program Files\Velmora\velmora.exe,0' ] ||
  fail "DisplayIcon: $(registry_value DisplayIcon)"
[ "$(registry_value UninstallString)" = '"C:\Program Files\Velmora\uninstall.exe"' ] ||
  fail "UninstallString: $(registry_value UninstallString)"

# The installed program, started from its own folder, saves a code.
"$WINE" "$drive" save 'C:\Program Files\Velmora\velmora.exe' </dev/null || fail "the save"
[ -f "$key_file" ] && [ "$(wc -c <"$key_file")" -eq 111 ] || fail "the key in %APPDATA%\\Velmora"
[ ! -e "$install_dir/a06b7c83f59d14e2.log" ] || fail "no key in the install folder"

# The uninstaller copies itself away and returns at once; wait for its work.
wine_quiet "$install_dir/uninstall.exe" /S >/dev/null || fail "the uninstaller exits with $?"
for _ in $(seq 1 100); do
  [ -e "$install_dir" ] || break
  sleep 0.1
done
[ ! -e "$install_dir" ] || fail "the install folder is removed: $(ls "$install_dir")"
[ ! -e "$start_menu/Velmora.lnk" ] || fail "the Start-menu entry is removed"
[ -z "$(registry_value DisplayName)" ] || fail "the Apps & Features entry is removed"
[ -f "$key_file" ] && [ "$(wc -c <"$key_file")" -eq 111 ] || fail "the key survives the uninstall"

package_test_end "installed, saved to %APPDATA%\\Velmora, uninstalled; key kept"
