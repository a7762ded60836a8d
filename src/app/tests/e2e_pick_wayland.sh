#!/bin/bash
# End-to-end test of --pick in a Wayland session, as a person would use it:
# typing in another program's text field, the user calls the catalogue up,
# types a filter word and Enter; the chosen entry arrives in that field,
# typed, and the clipboard still holds what it held. Runs as a client of a
# headless compositor (tests/support/in-headless-sway.sh).
#
#   e2e_pick_wayland.sh BIN_DIR   (BIN_DIR holds ZunoSmiley, its libraries and typing_target)
set -euo pipefail
bin=${1:?usage: e2e_pick_wayland.sh BIN_DIR}

[ -n "${WAYLAND_DISPLAY:-}" ] || { echo "SKIP: no Wayland compositor: run through in-headless-sway.sh"; exit 77; }
for tool in wtype wl-copy wl-paste swaymsg dbus-daemon base64 python3; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

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
zuno_copy_program "$bin" "$work"
export QT_QPA_PLATFORM=wayland
zuno_private_bus "$work"
pids+=("$(cat "$work/bus.pid")")

# What the user had copied before: served by wl-copy until the test ends.
wl-copy --foreground before &
pids+=($!)
for _ in $(seq 50); do [ "$(wl-paste -n 2>/dev/null)" = before ] && break; sleep 0.1; done
[ "$(wl-paste -n)" = before ] || fail "the clipboard did not take the test's text"

# The text field the user was typing in.
"$bin/typing_target" Target >"$work/target.out" </dev/null &
pids+=($!)
target=$!
for _ in $(seq 100); do grep -q '^ready' "$work/target.out" && break; sleep 0.1; done
grep -q '^ready' "$work/target.out" || fail "the text field did not come up focused"
targetText() {
    local lines
    lines=$(wc -l <"$work/target.out")
    kill -USR1 "$target"
    for _ in $(seq 50); do
        [ "$(wc -l <"$work/target.out")" -gt "$lines" ] && break
        sleep 0.1
    done
    tail -n +"$((lines + 1))" "$work/target.out" | grep -m1 '^text' | cut -s -d' ' -f2 | base64 -d
}
. "$(dirname "$0")/../../../tests/support/sway-focus.sh"
waitForFocus() {
    for _ in $(seq 100); do [ "$(zuno_sway_focused_title)" = "$1" ] && return 0; sleep 0.1; done
    echo "the focus is on '$(zuno_sway_focused_title)'"
    return 1
}

"$work/prog/ZunoSmiley" --pick &
pids+=($!)
waitForFocus 'Orvak Zuno Smileys' || fail "the catalogue did not take the keyboard"
# wtype brings a keyboard of its own, which a seat without one gains only
# then: the window is given a moment to take it before the keys come.
wtype -s 500 -d 40 wink -s 300 -k Return
waitForFocus Target || fail "the field the user came from did not get the keyboard back"
text=
for _ in $(seq 50); do
    text=$(targetText)
    [ "$text" = ';-)' ] && break
    sleep 0.2
done
[ "$text" = ';-)' ] || fail "the field holds '$text', not the wink smiley"
[ "$(wl-paste -n)" = before ] || fail "the clipboard changed to '$(wl-paste -n)'"
check "--pick, 'wink', Enter: ';-)' typed into the Wayland field, the clipboard as it was"
echo "e2e pick under Wayland: all checks passed"
