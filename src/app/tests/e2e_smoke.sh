#!/bin/bash
# End-to-end smoke test: the real catalogue program under Xvfb, driven from
# outside as a person would, with its own home and a copy of the program in a
# folder of its own so that the list files land there.
#
#   e2e_smoke.sh BIN_DIR      (BIN_DIR holds ZunoSmiley and its libraries)
set -euo pipefail
bin=${1:?usage: e2e_smoke.sh BIN_DIR}

for tool in xvfb-run xdotool xclip; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
if [ -z "${ZUNO_E2E_DISPLAY:-}" ]; then
    exec env ZUNO_E2E_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

work=$(mktemp -d)
pid=
. "$(dirname "$0")/../../../tests/support/remove-tree.sh"
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null || true
    zuno_remove_tree "$work"
}
trap cleanup EXIT
. "$(dirname "$0")/../../../tests/support/program-copy.sh"
. "$(dirname "$0")/../../../tests/support/waits.sh"
zuno_copy_program "$bin" "$work"
export QT_QPA_PLATFORM=xcb
settings=$XDG_CONFIG_HOME/ZunoSmileys/ZunoSmileys.conf
smileys=$work/prog/Smileys.smy
acronyms=$work/prog/Acronyms.acr

fail() { echo "FAIL: $*"; exit 1; }
check() { echo "ok: $*"; }

start() {
    "$work/prog/ZunoSmiley" &
    pid=$!
    # Found once it is shown: with no window manager the keys go to the window
    # under the pointer, and X delivers what xdotool does next in order.
    wid=$(zuno_x11_find_shown 30 '^Orvak Zuno Smileys$') || fail "no window appeared"
    [ "$(xdotool getwindowname "$wid")" = "Orvak Zuno Smileys" ] || fail "window title"
}

wait_for_exit() {
    local status=0
    timeout 30 tail --pid="$pid" -f /dev/null || fail "the program did not end"
    wait "$pid" || status=$?
    pid=
    [ "$status" -eq 0 ] || fail "the program ended with status $status"
}

# First start: French, nothing stored yet. A termination request closes the
# window as the user would, so the setting is saved; with no change of the
# user's, no list file is written.
start
check "first start shows \"Orvak Zuno Smileys\""
kill -TERM "$pid"
wait_for_exit
grep -qx 'Langue=1' "$settings" || fail "setting Langue=1 after the first start"
[ ! -e "$smileys" ] || fail "no Smileys.smy without a change"
[ ! -e "$acronyms" ] || fail "no Acronyms.acr without a change"
check "SIGTERM saved Langue=1 and wrote no list file"

# Second start with a user entry in the list file. A real click on the list
# and on Copy puts the entry text on the clipboard, read from outside.
printf '"<:o)","Clown"\r\n' >"$smileys"
start
# Positions within the window at 96 dpi: the first row of the smiley list and
# the Copy button beside it.
# The pointer leaves the list at once, onto Copy: resting on a row would
# select that row a moment later, whatever the keys did meanwhile.
xdotool mousemove --window "$wid" 60 81 click 1 mousemove --window "$wid" 325 66
xdotool key End   # the user's entry comes last
xdotool click 1
zuno_wait_until 10 zuno_x11_clipboard_is "<:o)" ||
    fail "clipboard holds '$(timeout 10 xclip -o -selection clipboard)', not '<:o)'"
check "a click on Copy put \"<:o)\" on the clipboard"

# The Quit keys close the window, and the file comes back byte for byte.
xdotool windowfocus --sync "$wid"
xdotool key ctrl+q
wait_for_exit
[ "$(od -An -tx1 "$smileys" | tr -d ' \n')" = "223c3a6f29222c22436c6f776e220d0a" ] \
    || fail "Smileys.smy rewritten as it was"
grep -qx 'Langue=1' "$settings" || fail "setting kept at a real close"
check "a real close kept the user entry byte for byte"

# At a scale of 2 the screen has half the room in logical pixels: the
# window is drawn smaller and still shows whole.
export QT_SCALE_FACTOR=2
start
height=$(xdotool getwindowgeometry --shell "$wid" | sed -n 's/^HEIGHT=//p')
[ "$height" -le 768 ] || fail "at a scale of 2 the window is $height pixels high on a 768-pixel screen"
check "at a scale of 2 the window, $height pixels high, fits the screen"
kill -TERM "$pid"
wait_for_exit
unset QT_SCALE_FACTOR

echo "e2e smoke: all checks passed"
