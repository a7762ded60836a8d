#!/bin/bash
# End-to-end test of --pick under Xvfb, as a person would use it: typing in
# another program's text field, the user calls the catalogue up, types a
# filter word and Enter; the chosen entry arrives in that field, typed, and
# the clipboard still holds what it held. The first --pick starts the
# program; a second one reaches the running window over a private bus.
#
#   e2e_pick.sh BIN_DIR      (BIN_DIR holds ZunoSmiley, its libraries and typing_target)
set -euo pipefail
bin=${1:?usage: e2e_pick.sh BIN_DIR}

for tool in xvfb-run xdotool xclip dbus-daemon base64; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
if [ -z "${ZUNO_E2E_DISPLAY:-}" ]; then
    exec env ZUNO_E2E_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

work=$(mktemp -d)
pids=()
. "$(dirname "$0")/../../../tests/support/remove-tree.sh"
cleanup() {
    for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null || true; done
    zuno_remove_tree "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
check() { echo "ok: $*"; }

. "$(dirname "$0")/../../../tests/support/program-copy.sh"
. "$(dirname "$0")/../../../tests/support/waits.sh"
zuno_copy_program "$bin" "$work"
export QT_QPA_PLATFORM=xcb
zuno_private_bus "$work"
pids+=("$(cat "$work/bus.pid")")
# An entry of the user's with an accent and a character of no Latin layout.
printf '"café →","Tasse fumante"\r\n' >"$work/prog/Smileys.smy"

# The text field the user was typing in, driven through a pipe.
mkfifo "$work/target.in"
"$bin/typing_target" <"$work/target.in" >"$work/target.out" &
pids+=($!)
target=$!
exec 5>"$work/target.in"
for _ in $(seq 100); do grep -q '^ready' "$work/target.out" && break; sleep 0.1; done
grep -q '^ready' "$work/target.out" || fail "the text field did not come up"
# Waits for a new line of the field's that starts with $1 and prints it.
answer() {
    local lines=$2
    for _ in $(seq 50); do
        [ "$(wc -l <"$work/target.out")" -gt "$lines" ] && tail -n +"$((lines + 1))" \
            "$work/target.out" | grep -m1 "^$1" && return 0
        sleep 0.1
    done
    return 1
}
targetText() {
    local lines
    lines=$(wc -l <"$work/target.out")
    kill -USR1 "$target"
    answer text "$lines" | cut -d' ' -f2 | base64 -d
}
focusTarget() {
    local lines
    lines=$(wc -l <"$work/target.out")
    echo focus >&5
    answer focused "$lines" >/dev/null
}
# Types a filter word into the catalogue, then the other keys given (Return
# when none), once the catalogue has the keyboard focus (the pick opens its
# filter field before it takes it).
pickWith() {
    local wid
    wid=$(zuno_x11_find_shown 30 '^Orvak Zuno Smileys$') || fail "the catalogue did not come up"
    zuno_wait_until 30 zuno_x11_has_keys "$wid" || fail "the catalogue did not take the keyboard"
    xdotool type --delay 40 "$1"
    shift
    xdotool key --delay 40 "${@:-Return}"
}
waitForText() {
    local text=
    for _ in $(seq 30); do
        text=$(targetText)
        [ "$text" = "$1" ] && return 0
        sleep 0.2
    done
    echo "the field holds '$text'"
    return 1
}

echo -n before | xclip -selection clipboard
"$work/prog/ZunoSmiley" --pick &
pids+=($!)
pickWith wink
waitForText ';-)' || fail "the wink smiley did not arrive in the field"
[ "$(xclip -o -selection clipboard)" = before ] || fail "the clipboard changed"
check "--pick, 'wink', Enter: ';-)' typed into the field, the clipboard as it was"

echo clear >&5
focusTarget
timeout 10 "$work/prog/ZunoSmiley" --pick || fail "the second --pick ended with $?"
pickWith tasse
waitForText 'café →' || fail "the user's entry did not arrive exactly"
[ "$(xclip -o -selection clipboard)" = before ] || fail "the clipboard changed"
check "a second --pick reached the running window; 'café →' typed exactly"
echo clear >&5
focusTarget
timeout 10 "$work/prog/ZunoSmiley" --pick || fail "the third --pick ended with $?"
pickWith happy Down Return
waitForText ':-))' || fail "Down did not choose the second entry"
check "--pick, 'happy', Down, Enter: the second entry, ':-))', typed"

echo clear >&5
focusTarget
timeout 10 "$work/prog/ZunoSmiley" --pick || fail "the fourth --pick ended with $?"
pickWith wink Escape
targetWid=$(grep -m1 '^ready' "$work/target.out" | cut -d' ' -f2)
zuno_wait_until 30 zuno_x11_has_keys "$targetWid" || fail "the field did not get the keyboard back"
xdotool type --delay 40 'back'
waitForText 'back' || fail "Escape did not give the keyboard back to the field"
check "--pick, Escape: nothing inserted, the keyboard back in the field"
echo "e2e pick: all checks passed"
