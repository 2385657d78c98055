#!/bin/sh
# End to end on X11: text is copied in another program, which then exits,
# and Ctrl+V is pressed twice in Velmora's input area. Velmora must keep
# running and keep what was typed. The middle click then does the same
# with the primary selection. Run on a private display (run-xvfb.sh).
set -eu
program=$1

"$program" &
pid=$!
owner=
cleanup() {
  [ -n "$owner" ] && kill "$owner" 2>/dev/null
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}
trap cleanup EXIT

window=$(timeout 10 xdotool search --sync --onlyvisible --name '^Velmora$' | head -n 1)
xdotool windowfocus --sync "$window"
xdotool type --delay 5 'Antes '

# The clipboard's owner serves one request and exits.
printf HOLA | xclip -quiet -i -selection clipboard -loops 1 >/dev/null &
owner=$!
sleep 0.3
xdotool key --delay 50 ctrl+v
# Wait until the owner has gone, then paste again into an ownerless
# clipboard.
for _ in $(seq 50); do kill -0 "$owner" 2>/dev/null || break; sleep 0.1; done
kill "$owner" 2>/dev/null || true
owner=
xdotool key --delay 50 ctrl+v ctrl+v
# The same with the middle click, which pastes the primary selection.
printf SEL | xclip -quiet -i -selection primary -loops 1 >/dev/null &
owner=$!
sleep 0.3
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove --window "$window" $((WIDTH / 2)) $((HEIGHT / 4)) click 2
for _ in $(seq 50); do kill -0 "$owner" 2>/dev/null || break; sleep 0.1; done
kill "$owner" 2>/dev/null || true
owner=
xdotool click 2 click 2
xdotool key --delay 50 ctrl+End
xdotool type --delay 5 ' despues'
sleep 0.5
kill -0 "$pid" 2>/dev/null || { echo "Velmora died on paste"; exit 1; }

# Read the input area back through the clipboard, which Velmora now owns.
xdotool key --delay 50 ctrl+a ctrl+c
sleep 0.3
text=$(timeout 5 xclip -o -selection clipboard)
echo "input area: $text"
# Whatever arrived is lowered (the area is ES_LOWERCASE); nothing was lost.
case "$text" in
  *[[:upper:]]*) echo "pasted text was not lowered"; exit 1 ;;
  "antes "*"despues") ;;
  *) echo "unexpected text"; exit 1 ;;
esac
kill -0 "$pid" 2>/dev/null || { echo "Velmora died"; exit 1; }
echo "survived"
