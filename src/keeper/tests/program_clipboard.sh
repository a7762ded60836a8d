#!/bin/bash
# The real catalogue program, driven from outside as a person would: what
# Copy put on the clipboard stays there after the window has closed, until
# another program takes the clipboard, and then nothing of the program is
# left; a close without a copy leaves nothing; a new start while the text is
# kept is a normal start. On X11 under Xvfb (clicks and keys with xdotool,
# read with xclip) or on Wayland under a headless compositor (keys with
# wtype, read with wl-paste, a grim screenshot of the window kept as
# $ZUNO_SCREENSHOT_DIR/program-wayland.png where that is set).
#
#   program_clipboard.sh x11|wayland BIN_DIR SUPPORT_DIR
set -euo pipefail
platform=${1:?usage: program_clipboard.sh x11|wayland BIN_DIR SUPPORT_DIR}
bin=${2:?usage: program_clipboard.sh x11|wayland BIN_DIR SUPPORT_DIR}
support=${3:?usage: program_clipboard.sh x11|wayland BIN_DIR SUPPORT_DIR}

skip() { echo "SKIP: $*"; exit 77; }
case $platform in
x11)
    for tool in xvfb-run xdotool xclip; do
        command -v "$tool" >/dev/null || skip "$tool is not installed"
    done
    if [ -z "${ZUNO_PROGRAM_DISPLAY:-}" ]; then
        exec env ZUNO_PROGRAM_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
    fi
    ;;
wayland)
    for tool in wl-copy wl-paste wtype swaymsg; do
        command -v "$tool" >/dev/null || skip "$tool is not installed"
    done
    if [ -z "${ZUNO_PROGRAM_DISPLAY:-}" ]; then
        exec env ZUNO_PROGRAM_DISPLAY=1 "$support/in-headless-sway.sh" "$0" "$@"
    fi
    ;;
*)
    echo "usage: program_clipboard.sh x11|wayland BIN_DIR SUPPORT_DIR" >&2
    exit 2
    ;;
esac

work=$(mktemp -d)
pid=
. "$support/remove-tree.sh"
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null || true
    for left in $(leftovers); do kill -KILL "$left"; done
    zuno_remove_tree "$work"
}
trap cleanup EXIT
. "$support/program-copy.sh"
. "$support/waits.sh"
zuno_copy_program "$bin" "$work"
mkdir -p "$work/runtime"
chmod 700 "$work/runtime"
if [ "$platform" = x11 ]; then
    export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$work/runtime
else
    export QT_QPA_PLATFORM=wayland
fi

fail() { echo "FAIL: $*"; exit 1; }
check() { echo "ok: $*"; }
# What is left of the program: its keeper (X11) or the wl-copy server the
# keeper started on this compositor (Wayland).
leftovers() {
    local p
    pgrep -f "^$work/prog/" || true
    [ "$platform" = wayland ] || return 0
    for p in $(pgrep -x wl-copy || true); do
        tr '\0' '\n' <"/proc/$p/cmdline" 2>/dev/null | grep -qx -- --type || continue
        tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WAYLAND_DISPLAY=$WAYLAND_DISPLAY" \
            && echo "$p"
    done
    return 0
}
clipboard() {
    if [ "$platform" = x11 ]; then
        timeout 10 xclip -o -selection clipboard 2>/dev/null || true
    else
        timeout 10 wl-paste -n 2>/dev/null || true
    fi
}
set_clipboard() {
    if [ "$platform" = x11 ]; then
        echo "$1" | xclip -selection clipboard
    else
        echo "$1" | wl-copy
    fi
}

start() {
    "$work/prog/ZunoSmiley" &
    pid=$!
    if [ "$platform" = x11 ]; then
        # Shown: with no window manager the keys go to the window under the
        # pointer, and X delivers what xdotool does next in order.
        wid=$(zuno_x11_find_shown 30 '^Orvak Zuno Smileys$') || fail "no window appeared"
    else
        # The compositor knows the window by the program's desktop file name;
        # once it has the keyboard focus, the keys typed next reach it.
        zuno_wait_until 30 has_keys || fail "no focused window with the app id example.orvak.ZunoSmiley"
    fi
}
has_keys() {
    kill -0 "$pid" 2>/dev/null || fail "the program ended at its start"
    swaymsg '[app_id="example.orvak.ZunoSmiley" con_id=__focused__] nop' >/dev/null 2>&1
}
# Finds ";-)" in the smiley list by typing it, as a user may (the text typed
# in the list goes to its filter), goes down into the list onto it and
# presses Copy.
copy_wink() {
    if [ "$platform" = x11 ]; then
        # The pointer leaves the list at once, onto Copy: resting on a row
        # would select that row a moment later, whatever the keys did.
        xdotool mousemove --window "$wid" 60 81 click 1 mousemove --window "$wid" 325 66
        xdotool type --delay 100 ';-)'
        xdotool key Down
        xdotool click 1
    else
        # The keyboard alone: into the list, the filter, down onto the entry,
        # then past the filter field on to Copy, at a person's pace (each
        # key of its own comes through the compositor's virtual keyboard).
        wtype -s 300 -k Tab -s 300 ';-)' -s 300 -k Down -s 300 -k Tab -s 300 -k Tab -s 300 \
              -k space
    fi
    zuno_wait_until 10 clipboard_is ";-)" || true
}
clipboard_is() { [ "$(clipboard)" = "$1" ]; }
close() {
    if [ "$platform" = x11 ]; then
        xdotool windowfocus --sync "$wid"
        xdotool key ctrl+q
    else
        # As the window's close button does.
        swaymsg '[app_id="example.orvak.ZunoSmiley"] kill' >/dev/null
    fi
    local status=0
    timeout 30 tail --pid="$pid" -f /dev/null || fail "the program did not end"
    wait "$pid" || status=$?
    pid=
    [ "$status" -eq 0 ] || fail "the program ended with status $status"
}
expect_gone_after_replace() {
    set_clipboard other
    zuno_wait_until 10 nothing_left ||
        fail "something of the program is left 10 s after another program took the clipboard: $(leftovers)"
}
nothing_left() {
    [ -z "$(leftovers)" ]
}

set_clipboard before
start
close
[ -z "$(leftovers)" ] || fail "a close without a copy left $(leftovers)"
[ "$(clipboard)" = before ] || fail "a close without a copy changed the clipboard to '$(clipboard)'"
check "a close without a copy leaves no process"

start
copy_wink
[ "$(clipboard)" = ";-)" ] || fail "Copy put '$(clipboard)' on the clipboard, not ';-)'"
if [ "$platform" = wayland ] && command -v grim >/dev/null && [ -n "${ZUNO_SCREENSHOT_DIR:-}" ]; then
    grim "$ZUNO_SCREENSHOT_DIR/program-wayland.png" || true
fi
close
[ "$(clipboard)" = ";-)" ] || fail "after the window closed the clipboard holds '$(clipboard)', not ';-)'"
check "copy ';-)', close the window: the clipboard still gives ';-)'"

# A new start while the text is kept is a normal start; its close without
# a copy leaves the kept text alone.
start
close
[ "$(clipboard)" = ";-)" ] || fail "a second start and close changed the clipboard to '$(clipboard)'"
check "a new start while the text is kept starts and closes as usual"

expect_gone_after_replace
check "another program took the clipboard: no process of the program is left"
echo "program clipboard ($platform): all checks passed"
