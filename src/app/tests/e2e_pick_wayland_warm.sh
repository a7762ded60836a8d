#!/bin/bash
# End-to-end test of warm picks in a Wayland session: the catalogue already
# runs (hidden after a pick, as it stays), a text field has the keyboard, and
# the user calls the catalogue up by a key binding again and again. Each pick
# is started as the compositor starts a binding's command (`swaymsg exec`,
# which gives no activation token on sway 1.7), the last one from a script
# with no token either; each time "wink", Enter. The field holds each entry
# right after its pick, and nothing more is typed later.
#
#   e2e_pick_wayland_warm.sh BIN_DIR   (run through in-headless-sway.sh)
#
# The compositor runs as the user nobody when the test runs as root, and so
# does what it starts: the program, its bus and its home are nobody's too.
set -euo pipefail
bin=${1:?usage: e2e_pick_wayland_warm.sh BIN_DIR}

[ -n "${WAYLAND_DISPLAY:-}" ] || { echo "SKIP: no Wayland compositor: run through in-headless-sway.sh"; exit 77; }
for tool in wtype swaymsg dbus-daemon base64 python3; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    command -v setpriv >/dev/null || { echo "SKIP: setpriv is missing"; exit 77; }
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi

# Below /tmp, which the compositor's user can enter.
work=$(mktemp -d /tmp/zuno-warm.XXXXXX)
pids=()
. "$(dirname "$0")/../../../tests/support/remove-tree.sh"
cleanup() {
    for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null || true; done
    [ -s "$work/running.pid" ] && kill -KILL "$(cat "$work/running.pid")" 2>/dev/null || true
    zuno_remove_tree "$work"
}
trap cleanup EXIT
[ -z "${ZUNO_KEEP:-}" ] || trap "" EXIT
fail() {
    echo "FAIL: $*"
    echo "--- the program's output:"
    cat "$work"/run/out.* 2>/dev/null | tail -n 30
    exit 1
}
check() { echo "ok: $*"; }

. "$(dirname "$0")/../../../tests/support/program-copy.sh"
. "$(dirname "$0")/../../../tests/support/waits.sh"
zuno_copy_program "$bin" "$work"
chmod 755 "$work"
# What the program started by the compositor writes goes to run/.
mkdir "$work/run"
[ ${#as_user[@]} -eq 0 ] || chown -R nobody:nogroup "$work/prog" "$work/home" "$work/run"
env -u XDG_RUNTIME_DIR "${as_user[@]}" dbus-daemon --session --fork --print-address=3 --print-pid=4 \
    3>"$work/address" 4>"$work/bus.pid"
pids+=("$(cat "$work/bus.pid")")
bus=$(cat "$work/address")
environment="HOME=$HOME XDG_CONFIG_HOME=$XDG_CONFIG_HOME XDG_DATA_HOME=$XDG_DATA_HOME \
XDG_CACHE_HOME=$XDG_CACHE_HOME DBUS_SESSION_BUS_ADDRESS=$bus QT_QPA_PLATFORM=wayland"

. "$(dirname "$0")/../../../tests/support/sway-focus.sh"
hasFocus() { [ "$(zuno_sway_focused_title)" = "$1" ]; }
catalogue='Orvak Zuno Smileys'

# The catalogue, started as the compositor starts a binding's command; the
# first start's pid is kept for the clean-up. sway parses what it executes
# (a semicolon ends a command there), so the command is a script of its own.
cat >"$work/start" <<START
#!/bin/sh
echo \$\$ >>$work/run/started.pid
exec env $environment $work/prog/ZunoSmiley "\$@"
START
chmod 755 "$work/start"
n=0
viaCompositor() {
    n=$((n + 1))
    swaymsg exec "$work/start $* >$work/run/out.$n 2>&1" >/dev/null
}
viaCompositor
zuno_wait_until 30 hasFocus "$catalogue" || fail "the catalogue did not come up"
head -1 "$work/run/started.pid" >"$work/running.pid"

# The text field the user is typing in, in front of the catalogue.
"$bin/typing_target" Target >"$work/target.out" </dev/null &
pids+=($!)
target=$!
zuno_wait_until 30 grep -q '^ready' "$work/target.out" || fail "the text field did not come up"
swaymsg "[title=\"^Target\$\"] focus" >/dev/null
zuno_wait_until 10 hasFocus Target || fail "the text field did not take the keyboard"

targetText() {
    local lines
    lines=$(wc -l <"$work/target.out")
    kill -USR1 "$target"
    zuno_wait_until 5 test "$(wc -l <"$work/target.out")" -gt "$lines" || true
    tail -n +"$((lines + 1))" "$work/target.out" | grep -m1 '^text' | cut -s -d' ' -f2 | base64 -d
}
fieldHolds() { [ "$(targetText)" = "$1" ]; }

# One pick: the catalogue takes the keyboard, "wink" and Enter, the field has
# it back and holds one more wink smiley at once.
expected=
pick() {
    "$@"
    zuno_wait_until 10 hasFocus "$catalogue" ||
        fail "pick $((${#expected} / 3 + 1)) ($1): the catalogue did not take the keyboard (the focus is on '$(zuno_sway_focused_title)'; the field holds '$(targetText)')"
    # wtype's keyboard joins a seat that has none: the window takes it first.
    wtype -s 500 -d 20 wink -s 200 -k Return
    expected="$expected;-)"
    zuno_wait_until 10 hasFocus Target || fail "the field did not get the keyboard back"
    # The entry is typed as soon as the field has the keyboard: a bound far
    # under any wait of a person's, which a machine with every core busy
    # still meets.
    zuno_wait_until 6 fieldHolds "$expected" ||
        fail "after pick $((${#expected} / 3)) ($1) the field holds '$(targetText)', not '$expected'"
}
for _ in 1 2 3 4 5; do
    pick viaCompositor --pick
done
check "five picks through the compositor, each typed at once"

# A start from a script, without a token, with the catalogue running.
fromScript() {
    env -u XDG_ACTIVATION_TOKEN "${as_user[@]}" env $environment \
        "$work/prog/ZunoSmiley" --pick >"$work/run/out.script" 2>&1 </dev/null
}
pick fromScript
check "a pick from a script without a token, typed at once"

# Nothing comes late: the running catalogue settles and the field keeps what it had.
running=$(cat "$work/running.pid")
cpu() { awk '{ print $14 + $15 }' "/proc/$running/stat"; }
idle() {
    local before
    before=$(cpu)
    sleep 0.3
    [ "$(cpu)" = "$before" ]
}
zuno_wait_until 20 idle || true
fieldHolds "$expected" || fail "the field holds '$(targetText)' once the catalogue settled, not '$expected'"
check "nothing typed late"

# Hidden after its pick, the catalogue still ends on SIGTERM.
# The compositor is its parent: ended but not yet reaped counts as ended.
ended() { ! grep -qs '^State:[[:space:]]*[^Z]' "/proc/$running/status"; }
kill -TERM "$running"
zuno_wait_until 20 ended || fail "the hidden catalogue did not end on SIGTERM"
check "SIGTERM ends the hidden catalogue"
echo "e2e warm picks under Wayland: all checks passed"
