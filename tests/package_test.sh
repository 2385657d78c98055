#!/bin/sh
# Checks the Debian package: lintian, the desktop entry and the AppStream
# data, then runs the packaged program from an extracted copy under Xvfb,
# makes a code, presses "Guardar" and checks that the key file lands in the
# user's configuration folder, private to the user, and not beside the
# program. Usage: package_test.sh velmora_<version>_amd64.deb
set -eu
deb=$(realpath "$1")
here=$(cd "$(dirname "$0")/.." && pwd)
id=io.github.velmora.Velmora
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "package_test: $*" >&2
  exit 1
}

echo "-- lintian"
# No error and no warning; the informational tags left are explained in
# resources/debian/lintian-overrides, which the package carries.
lintian --fail-on error,warning --info "$deb"

root=$work/root
dpkg-deb -x "$deb" "$root"
echo "-- desktop-file-validate"
desktop-file-validate "$root/usr/share/applications/$id.desktop"
echo "-- appstreamcli validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml"
for size in 16 24 32 48 64 128 256; do
  file "$root/usr/share/icons/hicolor/${size}x$size/apps/$id.png" |
    grep -q "PNG image data, $size x $size" || fail "no ${size}x$size icon"
done
[ -s "$root/usr/share/icons/hicolor/scalable/apps/$id.svg" ] || fail "no scalable icon"

echo "-- the packaged program saves into \$XDG_CONFIG_HOME/velmora"
mkdir -p "$work/home"
HOME=$work/home XDG_CONFIG_HOME=$work/home/config VELMORA=$root/usr/bin/velmora \
  timeout 120 "$here/cmake/run-xvfb.sh" sh -eu -c '
  QT_QPA_PLATFORM=xcb "$VELMORA" &
  app=$!
  # xdotool waits for each window (at most 20 s); the keys go to the
  # focused box.
  window() { timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -n 1; }
  main=$(window "^Velmora$")
  [ -n "$main" ]
  xdotool mousemove --window "$main" 40 10 click 1
  sleep 0.5
  xdotool key Down Down Return   # Operaciones > Configurador
  [ -n "$(window "^Configurador$")" ]
  sleep 0.5
  # One distinct character per box, in the boxes tab order; the Tab after
  # the last box lands on "Guardar".
  for c in a b c d e f g h i j k l m n o p q r s t u v w x y z 0 1 2 3 4 5 6 7 8 9; do
    xdotool type "$c"
    xdotool key Tab
  done
  xdotool key space              # Guardar
  [ -n "$(window "^Programador$")" ]
  xdotool key Return             # the box that says it was saved
  sleep 0.5
  kill "$app"
  wait "$app" 2>/dev/null || true
'
folder=$work/home/config/velmora
key=$folder/a06b7c83f59d14e2.log
[ -f "$key" ] || fail "no key file in $folder"
[ "$(stat -c %s "$key")" = 111 ] || fail "the key file is not one record"
[ "$(stat -c %a "$key")" = 600 ] || fail "key file mode $(stat -c %a "$key"), not 600"
[ "$(stat -c %a "$folder")" = 700 ] || fail "folder mode $(stat -c %a "$folder"), not 700"
[ ! -e "$root/usr/bin/a06b7c83f59d14e2.log" ] || fail "a key file beside the program"
[ "$(find "$root" -name 'a06b7c83f59d14e2.log*' | wc -l)" = 0 ] || fail "a key file in the package root"

echo "-- the packaged velmora-cli uses the key the window saved"
shown=$(HOME=$work/home XDG_CONFIG_HOME=$work/home/config "$root/usr/bin/velmora-cli" show) ||
  fail "velmora-cli show failed"
[ "$(printf '%s\n' "$shown" | wc -l)" = 36 ] || fail "velmora-cli show: $shown"
cli() { HOME=$work/home XDG_CONFIG_HOME=$work/home/config "$root/usr/bin/velmora-cli" "$@"; }
coded=$(printf 'Hola 42\n' | cli encode) || fail "velmora-cli encode failed"
[ "$coded" != "hola 42" ] || fail "velmora-cli encode changed nothing"
[ "$(printf '%s\n' "$coded" | cli decode)" = "hola 42" ] || fail "velmora-cli decode of: $coded"
echo "package_test: all checks passed"
