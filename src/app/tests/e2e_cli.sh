#!/bin/bash
# End-to-end test of the command line: --version and --help without a display,
# then, under Xvfb with a private session bus, a second start with list files
# hands them to the running window and ends; no second window appears; with
# the list folder unable to take a write, a termination request ends the
# program at once and keeps what was not saved.
#
#   e2e_cli.sh BIN_DIR      (BIN_DIR holds ZunoSmiley and its libraries)
set -euo pipefail
bin=${1:?usage: e2e_cli.sh BIN_DIR}

for tool in xvfb-run xdotool dbus-daemon; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
pid= bus=
. "$(dirname "$0")/../../../tests/support/remove-tree.sh"
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null || true
    [ -n "$bus" ] && kill "$bus" 2>/dev/null || true
    zuno_remove_tree "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
check() { echo "ok: $*"; }
. "$(dirname "$0")/../../../tests/support/waits.sh"

if [ -z "${ZUNO_E2E_DISPLAY:-}" ]; then
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin/ZunoSmiley" --version) \
        || fail "--version ended with $?"
    [[ $out == "Zuno Smileys 1.0.3 "* ]] || fail "--version printed '$out'"
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin/ZunoSmiley" --help) \
        || fail "--help ended with $?"
    for option in --help --version --pick; do
        grep -q -- "$option" <<<"$out" || fail "--help does not list $option"
    done
    status=0
    "$bin/ZunoSmiley" --frobnicate 2>/dev/null || status=$?
    [ "$status" -eq 2 ] || fail "an unknown option ended with $status, not 2"
    check "--version and --help answer without a display; a wrong option ends with 2"
    # A copy of the program alone, without the window's module: it lists,
    # and anything else ends with 1 and says why.
    mkdir -p "$work/alone"
    cp "$bin/ZunoSmiley" "$work/alone/"
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$work" XDG_STATE_HOME="$work/state" \
        "$work/alone/ZunoSmiley" --list | grep -q $'^:-)\t' || fail "--list without the module"
    status=0
    "$work/alone/ZunoSmiley" --pick 2>"$work/err" || status=$?
    [ "$status" -eq 1 ] && grep -q "the window's module cannot be loaded: .*libZunoSmileyWindow.so is missing" \
        "$work/err" || fail "without the module: status $status, '$(cat "$work/err")'"
    check "without the window's module the program lists, and says why it shows no window"
    zuno_remove_tree "$work"
    exec env ZUNO_E2E_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

. "$(dirname "$0")/../../../tests/support/program-copy.sh"
mkdir -p "$work/docs"
zuno_copy_program "$bin" "$work"
export QT_QPA_PLATFORM=xcb
zuno_private_bus "$work"
bus=$(cat "$work/bus.pid")

"$work/prog/ZunoSmiley" &
pid=$!
# Shown, so the window holds the bus name (claimed before it is shown) and
# its event loop answers a later start.
zuno_x11_find_shown 30 '^Orvak Zuno Smileys$' >/dev/null || fail "no window"

# ":-)" is built in; "BTW" too, in another letter case.
printf '"8-]","Robot"\r\n":-)","Happy again"\r\n' >"$work/docs/friends.smy"
printf 'IIRC,If I recall correctly\nbtw,By the way\n' >"$work/docs/more.ACR"
# The second start needs no display: it hands over before it has any.
(cd "$work/docs" && timeout -s KILL 10 env -u DISPLAY -u QT_QPA_PLATFORM \
    "$work/prog/ZunoSmiley" friends.smy more.ACR) || fail "the second start ended with $?"
zuno_x11_find_shown 10 '^Importation de fichiers de liste$' >/dev/null || fail "no import report"
[ "$(xdotool search --name '^Orvak Zuno Smileys$' | wc -l)" -eq 1 ] || fail "a second window"
# The stores write on threads of their own, just after the report.
holds() {
    for _ in $(seq 50); do
        [ "$(cat "$1" 2>/dev/null)" = "$2" ] && return 0
        sleep 0.2
    done
    return 1
}
holds "$work/prog/Smileys.smy" $'"8-]","Robot"\r' || fail "Smileys.smy"
holds "$work/prog/Acronyms.acr" $'"IIRC","If I recall correctly"\r' || fail "Acronyms.acr"
check "a second start handed its files to the window, which saved their new entries"

# The list folder takes no write now (a named pipe at the lock's name, which
# holds for root too): a termination request ends the program within a few
# seconds, without a question, and what the list could not take is kept in
# a recovery file of the user's alone.
mkfifo "$work/prog/Smileys.smy.lock"
printf '"8-}","Robot again"\r\n' >"$work/docs/later.smy"
(cd "$work/docs" && timeout -s KILL 10 env -u DISPLAY -u QT_QPA_PLATFORM \
    "$work/prog/ZunoSmiley" later.smy) || fail "the third start ended with $?"
kept=$HOME/.local/state/ZunoSmileys/recovery/Smileys.smy
# The window tells that the list could not be saved, beside itself.
for _ in $(seq 100); do
    [ "$(xdotool search --onlyvisible --name '^Orvak Zuno Smileys$' 2>/dev/null | wc -l)" -ge 2 ] \
        && break
    sleep 0.1
done
[ "$(xdotool search --onlyvisible --name '^Orvak Zuno Smileys$' | wc -l)" -ge 2 ] \
    || fail "no notice that the list was not saved"
kill -TERM "$pid"
timeout 5 tail --pid="$pid" -f /dev/null || fail "the program did not end within 5 s"
pid=
grep -qF '"8-}","Robot again"' "$kept" 2>/dev/null || fail "nothing kept in $kept"
[ "$(stat -c %a "$kept")" = 600 ] || fail "$kept has mode $(stat -c %a "$kept")"
check "a termination request ended the program at once, keeping what could not be saved"
echo "e2e cli: all checks passed"
