#!/bin/bash
# The clipboard keeper on a real X server (Xvfb), read and replaced from
# outside with xclip: alone, fed on its standard input; through the
# hand-over at a program's close (handover_driver), where it must hold
# nothing of its starter and end when another program takes the clipboard
# or the display goes away; handed to the desktop's clipboard manager where
# one runs (clipboard_manager_stub); and nothing at all when the program did not own
# the clipboard at its close.
#
#   keeper_x11.sh BIN_DIR      (BIN_DIR holds zuno-clipboard-keeper and the test programs)
set -euo pipefail
bin=${1:?usage: keeper_x11.sh BIN_DIR}

for tool in xvfb-run xclip; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
if [ -z "${ZUNO_KEEPER_DISPLAY:-}" ]; then
    exec env ZUNO_KEEPER_DISPLAY=1 xvfb-run -a -s "-screen 0 640x480x24" "$0" "$@"
fi

work=$(mktemp -d)
. "$(dirname "$0")/../../../tests/support/remove-tree.sh"
cleanup() {
    for pid in $(keepers); do kill -KILL "$pid"; done
    zuno_remove_tree "$work"
}
trap cleanup EXIT
# A copy of its own, so that the keepers of this test are told apart by path.
mkdir -p "$work/prog" "$work/runtime"
chmod 700 "$work/runtime"
cp "$bin/zuno-clipboard-keeper" "$bin/handover_driver" "$bin/clipboard_manager_stub" "$work/prog/"
keeper=$work/prog/zuno-clipboard-keeper
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$work/runtime

. "$(dirname "$0")/../../../tests/support/waits.sh"
fail() { echo "FAIL: $*"; exit 1; }
check() { echo "ok: $*"; }
keepers() { pgrep -f "^$keeper" || true; }
no_keeper() { [ -z "$(keepers)" ]; }
clipboard() { timeout 10 xclip -o -selection clipboard 2>/dev/null || true; }
# Another program takes the clipboard; the keeper ends on its own (a busy
# machine may take a while; a keeper that missed it would stay for good).
replace_and_expect_gone() {
    echo other | xclip -selection clipboard
    zuno_wait_until 10 no_keeper ||
        fail "a keeper is still there 10 s after another program took the clipboard"
}

# The keeper alone: the text on its standard input, its report on its output.
printf ';-)' | "$keeper" >"$work/report" &
fed=$!
zuno_wait_until 10 test -s "$work/report" || true
[ "$(cat "$work/report")" = kept ] || fail "the keeper reported '$(cat "$work/report")', not 'kept'"
[ "$(clipboard)" = ";-)" ] || fail "the clipboard holds '$(clipboard)', not ';-)'"
replace_and_expect_gone
wait "$fed" || fail "the keeper ended with status $?"
[ "$(clipboard)" = other ] || fail "the other program's text is not on the clipboard"
check "a keeper fed ';-)' serves it to xclip and ends when another program takes the clipboard"

# Keepers started at once race for the clipboard: whichever loses it, even
# while it is still taking it, ends; none stays once another program took it.
racers=()
for i in 1 2 3 4 5; do
    printf ':-D' | "$keeper" >"$work/race$i" &
    racers+=($!)
done
settled() {
    local i
    for i in 0 1 2 3 4; do
        [ -s "$work/race$((i + 1))" ] || ! kill -0 "${racers[i]}" 2>/dev/null || return 1
    done
}
zuno_wait_until 10 settled || fail "racing keepers neither reported nor ended"
[ "$(clipboard)" = ":-D" ] || fail "after the race the clipboard holds '$(clipboard)', not ':-D'"
replace_and_expect_gone
check "five keepers started at once all end when another program takes the clipboard"

# Through the hand-over at a program's close, with a descriptor of the
# starter's open that the keeper must not inherit.
exec 9>"$work/starter-file"
answer=$("$work/prog/handover_driver" --copy '<:o) é')
exec 9>&-
[ "$answer" = kept ] || fail "the hand-over answered '$answer'"
[ "$(clipboard)" = "<:o) é" ] || fail "after the program ended the clipboard holds '$(clipboard)'"
pid=$(keepers)
[ "$(wc -w <<<"$pid")" -eq 1 ] || fail "not one keeper: '$pid'"
[ "$(ps -o sid= -p "$pid" | tr -d ' ')" != "$(ps -o sid= -p $$ | tr -d ' ')" ] \
    || fail "the keeper is in the starter's session"
[ "$(readlink "/proc/$pid/cwd")" = / ] || fail "the keeper's folder is not /"
for fd in 0 1 2; do
    [ "$(readlink "/proc/$pid/fd/$fd")" != "$(readlink /proc/$$/fd/1)" ] \
        || fail "the keeper holds the starter's output as its descriptor $fd"
done
! ls -l "/proc/$pid/fd" | grep -q starter-file || fail "the keeper holds the starter's open file"
check "the program ended and its text stays on the clipboard, served from a detached keeper"
replace_and_expect_gone
check "the keeper ended when another program took the clipboard"

# A program that does not own the clipboard at its close starts nothing.
answer=$("$work/prog/handover_driver")
[ "$answer" = "not kept" ] || fail "without a copy the hand-over answered '$answer'"
[ -z "$(keepers)" ] || fail "a keeper was started without a copy"
[ "$(clipboard)" = other ] || fail "the clipboard changed without a copy"
check "closing without a copy leaves no process"

# With a clipboard manager on the desktop no keeper starts: Qt hands the
# clipboard over to the manager when the program ends.
"$work/prog/clipboard_manager_stub" >"$work/manager" &
manager=$!
zuno_wait_until 10 test -s "$work/manager" || true
[ "$(cat "$work/manager")" = ready ] || fail "the clipboard manager did not start"
answer=$("$work/prog/handover_driver" --copy 'B-)')
[ "$answer" = kept ] || fail "with a clipboard manager the hand-over answered '$answer'"
# The keeper the hand-over starts finds the manager, says so and ends; its
# answer may come while it is still ending. One that kept the text instead
# would stay until another program takes the clipboard.
zuno_wait_until 10 no_keeper || fail "a keeper was started beside a clipboard manager"
[ "$(clipboard)" = "B-)" ] || fail "the clipboard manager holds '$(clipboard)', not 'B-)'"
kill "$manager"
wait "$manager" 2>/dev/null || true
check "with a clipboard manager running, the text goes to it and no keeper starts"

# The end of the session: the keeper ends with its display.
xvfb-run -a -s "-screen 0 640x480x24" \
    "$work/prog/handover_driver" --copy ';-)' >"$work/inner"
[ "$(cat "$work/inner")" = kept ] || fail "the hand-over on the second display answered '$(cat "$work/inner")'"
zuno_wait_until 10 no_keeper || fail "a keeper outlived its display"
check "a keeper ends when its display goes away"

echo "keeper x11: all checks passed"
