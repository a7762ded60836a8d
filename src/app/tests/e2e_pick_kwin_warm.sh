#!/bin/bash
# Picks under KWin, as an installation runs them: the build is installed into
# a temporary prefix, KWin reads that prefix's desktop entries, and the
# catalogue is started by the Exec line of its installed entry. A text field
# has the keyboard; the first pick starts the catalogue (its Wayland traffic
# logged, to see KWin grant it fake input), which stays running hidden; each
# later pick is started as Plasma's launchers start a command, with an
# activation token a launcher asked KWin for, and the last one from a script
# with no token. Each time "wink" and Enter go to the catalogue through fake
# input; the field holds each entry right after its pick, and nothing more
# is typed later. No portal runs: fake input alone types.
#
#   e2e_pick_kwin_warm.sh BUILD_DIR SOURCE_DIR TYPING_TARGET ACTIVATION_TOKEN
set -euo pipefail
build=${1:?usage: e2e_pick_kwin_warm.sh BUILD_DIR SOURCE_DIR TYPING_TARGET ACTIVATION_TOKEN}
src=${2:?}
target_program=${3:?}
token_program=${4:?}
fail() {
    echo "FAIL: $*"
    [ -z "${work:-}" ] || grep -hv '^\[' "$work"/out.* 2>/dev/null | tail -n 30
    exit 1
}
check() { echo "ok: $*"; }

. "$src/tests/support/remove-tree.sh"
if [ -z "${WAYLAND_DISPLAY:-}" ]; then
    prefix=$(mktemp -d /tmp/zuno-pick-kwin.XXXXXX)
    trap 'zuno_remove_tree "$prefix"' EXIT
    cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install"
    # The launcher's stand-in, granted by its entry what Plasma's own
    # launchers are granted: a token that activates whatever is in front.
    mkdir -p "$prefix/launcher/applications"
    cp "$token_program" "$prefix/launcher/"
    cat >"$prefix/launcher/applications/zuno-launcher.desktop" <<ENTRY
[Desktop Entry]
Type=Application
Name=Launcher stand-in
Exec=$prefix/launcher/$(basename "$token_program")
X-KDE-Wayland-Interfaces=org_kde_plasma_window_management
ENTRY
    chmod -R a+rX "$prefix"
    status=0
    "$src/tests/support/in-headless-kwin.sh" --data-dirs "$prefix/share:$prefix/launcher" \
        "$0" "$@" "$prefix" || status=$?
    exit "$status"
fi

prefix=${5:?}
for tool in dbus-daemon dbus-send base64; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
. "$src/tests/support/waits.sh"
. "$src/tests/support/program-copy.sh"
work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null || true; done
    [ -z "${running:-}" ] || kill -KILL "$running" 2>/dev/null || true
    zuno_remove_tree "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$HOME/config XDG_DATA_HOME=$HOME/data XDG_CACHE_HOME=$HOME/cache
export QT_QPA_PLATFORM=wayland
# The program's bus, with no portal on it.
zuno_private_bus "$work"
pids+=("$(cat "$work/bus.pid")")

# Which window KWin makes active, as KWin says: a script of its own notes
# each change in KWin's log.
kwin() { DBUS_SESSION_BUS_ADDRESS=$ZUNO_KWIN_BUS dbus-send --session --print-reply --dest=org.kde.KWin "$@"; }
# A call of the scripting object itself: the bus answers a Ping on any path
# as soon as KWin is on it, before /Scripting is there.
zuno_wait_until 20 kwin /Scripting org.kde.kwin.Scripting.isScriptLoaded string:zuno-none >/dev/null 2>&1 ||
    fail "KWin's scripting interface did not come up"
# KWin 6 names windows what KWin 5 named clients.
echo '(workspace.windowActivated || workspace.clientActivated).connect(function (w) { print("zuno-active " + (w ? w.caption : "")); });' \
    >"$work/active.js"
kwin /Scripting org.kde.kwin.Scripting.loadScript string:"$work/active.js" string:zuno-active >/dev/null
kwin /Scripting org.kde.kwin.Scripting.start >/dev/null
active() { grep -a 'zuno-active' "$ZUNO_KWIN_LOG" | tail -1 | sed 's/.*zuno-active //'; }
hasFocus() { [ "$(active)" = "$1" ]; }
catalogue='Orvak Zuno Smileys'

"$target_program" Target >"$work/target.out" </dev/null &
pids+=($!)
target=$!
zuno_wait_until 30 grep -q '^ready' "$work/target.out" || fail "the text field did not come up focused"
zuno_wait_until 10 hasFocus Target || fail "KWin did not say the field is active"
targetText() {
    local lines
    lines=$(wc -l <"$work/target.out")
    kill -USR1 "$target"
    zuno_wait_until 5 test "$(wc -l <"$work/target.out")" -gt "$lines" || true
    tail -n +"$((lines + 1))" "$work/target.out" | grep -m1 '^text' | cut -s -d' ' -f2 | base64 -d
}
fieldHolds() { [ "$(targetText)" = "$1" ]; }

# The pick action's command as the desktop runs it: its Exec line's words,
# a bare name looked up in PATH.
entry=$prefix/share/applications/example.orvak.ZunoSmiley.desktop
read -r -a command <<<"$(sed -n '/^\[Desktop Action pick\]/,/^\[/s/^Exec=//p' "$entry")"
[ ${#command[@]} -gt 0 ] || fail "the installed entry has no pick action"
export PATH=$prefix/bin:$PATH
n=0
start() { n=$((n + 1)); "$@" "${command[@]}" >"$work/out.$n" 2>&1 </dev/null; }
coldStart() { n=$((n + 1)); WAYLAND_DEBUG=1 "${command[@]}" >"$work/out.$n" 2>&1 </dev/null & }
# A launcher asks KWin for a token for the program it starts.
withToken() {
    local token
    token=$("$prefix/launcher/activation_token" example.orvak.ZunoSmiley) || fail "KWin gave no token"
    start env XDG_ACTIVATION_TOKEN="$token"
}
withoutToken() { start env -u XDG_ACTIVATION_TOKEN; }
# A start by a program KWin does not trust and that has no window in front
# (none at all): KWin answers it a token that activates nothing.
withRefusedToken() {
    local token
    token=$("$token_program" example.orvak.ZunoSmiley) || fail "KWin gave no token"
    start env XDG_ACTIVATION_TOKEN="$token"
}

# One pick: the catalogue takes the keyboard, "wink" and Enter, the field has
# it back and holds one more wink smiley at once.
expected=
pick() {
    "$@"
    zuno_wait_until 20 hasFocus "$catalogue" ||
        fail "pick $n ($1): the catalogue did not take the keyboard (KWin's active window is '$(active)'; the field holds '$(targetText)')"
    printf 'wink\n' | "$prefix/libexec/zunosmiley/zuno-insert-text" --type ||
        fail "pick $n: 'wink' and Enter could not be typed into the catalogue"
    expected="$expected;-)"
    zuno_wait_until 10 hasFocus Target || fail "pick $n: the field did not get the keyboard back"
    # The entry is typed as soon as the field has the keyboard: a bound far
    # under any wait of a person's (the program gives the keyboard half a
    # second to come back), which a machine with every core busy still
    # meets, and longer for the first pick, which loads the typing module.
    zuno_wait_until "$([ "$n" = 1 ] && echo 10 || echo 6)" fieldHolds "$expected" ||
        fail "after pick $n ($1) the field holds '$(targetText)', not '$expected'"
}
pick coldStart
running=$!
grep -q 'bind(.*"org_kde_kwin_fake_input"' "$work/out.1" ||
    fail "KWin offered the installed program no fake input"
check "the installed entry's Exec starts the catalogue, KWin grants it fake input, the pick is typed"
for _ in 1 2 3 4 5; do
    pick withToken
done
check "five picks with a launcher's token, each typed at once"
pick withoutToken
check "a pick from a script without a token, typed at once"

# The catalogue called up, then the user back in the field without a pick:
# a start without a token, or with one KWin refused, brings the catalogue,
# shown behind, forward.
echo '(workspace.windowList ? workspace.windowList() : workspace.clientList()).forEach(function (w) { if (w.caption == "Target") { if (workspace.windowList) workspace.activeWindow = w; else workspace.activeClient = w; } });' \
    >"$work/front.js"
for how in withoutToken withRefusedToken; do
    withToken
    zuno_wait_until 20 hasFocus "$catalogue" || fail "the catalogue did not come up"
    kwin /Scripting org.kde.kwin.Scripting.loadScript string:"$work/front.js" string:"front-$n" >/dev/null
    kwin /Scripting org.kde.kwin.Scripting.start >/dev/null
    zuno_wait_until 10 hasFocus Target || fail "the field did not come in front of the catalogue"
    pick "$how"
done
check "a pick without a token, or with a refused one, brings the catalogue forward from behind the field"

# Nothing comes late: the running catalogue settles and the field keeps what it had.
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
echo "e2e picks under KWin: all checks passed"
