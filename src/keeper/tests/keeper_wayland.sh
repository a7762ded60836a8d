#!/bin/bash
# The clipboard keeper on a Wayland desktop: each headless compositor that
# starts here (sway, KWin, mutter), read and replaced from outside with
# wl-paste and wl-copy. No window-less client can own a Wayland selection, so
# the keeper leaves the text to a wl-copy server; that server must be
# detached from the program, end when another client sets the selection or
# the compositor goes away, and nothing must start without a copy.
#
#   keeper_wayland.sh BIN_DIR SUPPORT_DIR
set -euo pipefail
bin=${1:?usage: keeper_wayland.sh BIN_DIR SUPPORT_DIR}
support=${2:?usage: keeper_wayland.sh BIN_DIR SUPPORT_DIR}

for tool in wl-copy wl-paste; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (wl-clipboard)"; exit 77; }
done
[ -n "$(find /usr/lib -path "*/qt6/plugins/platforms/libqwayland-generic.so" -print -quit 2>/dev/null)" ] ||
    { echo "SKIP: Qt's Wayland platform plugin is not installed (qt6-wayland)"; exit 77; }
# The compositor's starter, by name.
starter() {
    case $1 in
    sway) echo "$support/in-headless-sway.sh" ;;
    kwin) echo "$support/in-headless-kwin.sh" ;;
    mutter) echo "$(dirname "$0")/in-headless-mutter.sh" ;;
    esac
}
# Each compositor that starts here runs the checks below; one that cannot
# start is skipped with its starter's reason.
if [ -z "${ZUNO_KEEPER_WAYLAND:-}" ]; then
    passed=0 failed=0
    for compositor in sway kwin mutter; do
        echo "--- under $compositor"
        status=0
        ZUNO_KEEPER_WAYLAND=$compositor "$(starter "$compositor")" "$0" "$@" || status=$?
        case $status in
        0) passed=$((passed + 1)) ;;
        77) ;;
        *) failed=$((failed + 1)) ;;
        esac
    done
    [ "$failed" -eq 0 ] || exit 1
    [ "$passed" -gt 0 ] || { echo "SKIP: no headless compositor could start"; exit 77; }
    exit 0
fi

work=$(mktemp -d)
. "$support/remove-tree.sh"
cleanup() {
    for pid in $(servers); do kill -KILL "$pid"; done
    zuno_remove_tree "$work"
}
trap cleanup EXIT
mkdir -p "$work/prog"
cp "$bin/zuno-clipboard-keeper" "$bin/handover_driver" "$work/prog/"
export QT_QPA_PLATFORM=wayland

. "$support/waits.sh"
fail() { echo "FAIL: $*"; exit 1; }
check() { echo "ok: $*"; }
# The wl-copy servers the keepers left on this compositor (display).
servers() {
    local display=${1:-$WAYLAND_DISPLAY} pid
    for pid in $(pgrep -x wl-copy || true); do
        tr '\0' '\n' <"/proc/$pid/cmdline" 2>/dev/null | grep -qx -- --type || continue
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WAYLAND_DISPLAY=$display" \
            && echo "$pid"
    done
    return 0
}
clipboard() { timeout 10 wl-paste -n 2>/dev/null || true; }
no_server() { [ -z "$(servers "$@")" ]; }
# Another client sets the selection; the server ends on its own (a busy
# machine may take a while; one that missed it would stay for good).
replace_and_expect_gone() {
    echo other | wl-copy
    zuno_wait_until 10 no_server ||
        fail "a wl-copy server is still there 10 s after another client set the selection"
}

# The keeper alone: it answers once the text is on the clipboard.
report=$(printf ';-)' | "$work/prog/zuno-clipboard-keeper") || true  # a failed keeper says nothing
[ "$report" = kept ] || fail "the keeper reported '$report', not 'kept'"
[ "$(clipboard)" = ";-)" ] || fail "the clipboard holds '$(clipboard)', not ';-)'"
[ "$(wc -w <<<"$(servers)")" -eq 1 ] || fail "not one wl-copy server: '$(servers)'"
replace_and_expect_gone
[ "$(clipboard)" = other ] || fail "the other client's text is not on the clipboard"
check "a keeper fed ';-)' leaves it to wl-paste, served until another client sets the selection"

# Through the hand-over at a program's close.
answer=$("$work/prog/handover_driver" --copy '<:o) é')
[ "$answer" = kept ] || fail "the hand-over answered '$answer'"
[ "$(clipboard)" = "<:o) é" ] || fail "after the program ended the clipboard holds '$(clipboard)'"
pid=$(servers)
[ "$(wc -w <<<"$pid")" -eq 1 ] || fail "not one wl-copy server: '$pid'"
[ "$(ps -o sid= -p "$pid" | tr -d ' ')" != "$(ps -o sid= -p $$ | tr -d ' ')" ] \
    || fail "the wl-copy server is in the starter's session"
for fd in 0 1 2; do
    [ "$(readlink "/proc/$pid/fd/$fd")" = /dev/null ] || fail "the server's descriptor $fd is not /dev/null"
done
check "the program ended and its text stays on the clipboard, served from a detached wl-copy"
replace_and_expect_gone

answer=$("$work/prog/handover_driver")
[ "$answer" = "not kept" ] || fail "without a copy the hand-over answered '$answer'"
[ -z "$(servers)" ] || fail "a server was started without a copy"
check "closing without a copy leaves no process"

# The end of the session: the server ends with its compositor.
inner=$(env -u ZUNO_KEEPER_WAYLAND "$(starter "$ZUNO_KEEPER_WAYLAND")" \
            sh -c '"$1" --copy ";-)" && echo "$WAYLAND_DISPLAY"' sh "$work/prog/handover_driver")
[ "$(head -1 <<<"$inner")" = kept ] || fail "the hand-over on the second compositor answered '$inner'"
display=$(tail -1 <<<"$inner")
zuno_wait_until 10 no_server "$display" || fail "a wl-copy server outlived its compositor"
check "a server ends when its compositor goes away"

echo "keeper wayland under $ZUNO_KEEPER_WAYLAND: all checks passed"
