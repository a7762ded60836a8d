#!/bin/bash
# in-headless-sway.sh COMMAND [ARG ...]
#
# Runs COMMAND as a client of a headless Wayland compositor that this script
# starts and ends: sway with its headless backend, no input devices (a client
# may add a virtual keyboard, as wtype does) and software rendering, one
# 1024x768 output, no Xwayland. The command gets WAYLAND_DISPLAY (the
# compositor's socket, by its full path) and an XDG_RUNTIME_DIR of its own;
# DISPLAY is unset, so nothing of it reaches an X server; SWAYSOCK names the
# compositor's IPC socket (swaymsg). Its exit status is ours.
#
# sway refuses to run as root; as root the compositor runs as the ordinary
# user nobody (setpriv) in a folder below /tmp, and the command stays root,
# which may connect to any socket. Exits 77 with the reason where the
# compositor cannot start.
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: in-headless-sway.sh COMMAND [ARG ...]" >&2; exit 2; }

skip() { echo "SKIP: $*"; exit 77; }
command -v sway >/dev/null || skip "sway is not installed"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    command -v setpriv >/dev/null || skip "setpriv is missing to run sway as an ordinary user"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi

# Below /tmp, which every user can enter.
work=$(mktemp -d /tmp/zuno-sway.XXXXXX)
sway_pid=
. "$(dirname "$0")/remove-tree.sh"
cleanup() {
    if [ -n "$sway_pid" ]; then
        kill -TERM "$sway_pid" 2>/dev/null || true
        timeout 10 tail --pid="$sway_pid" -f /dev/null 2>/dev/null || kill -KILL "$sway_pid" 2>/dev/null || true
    fi
    zuno_remove_tree "$work"
}
trap cleanup EXIT
chmod 755 "$work"
mkdir -m 700 "$work/sway-runtime" "$work/client-runtime"
cat >"$work/config" <<'CONFIG'
output HEADLESS-1 resolution 1024x768
xwayland disable
CONFIG
chmod 644 "$work/config"
[ ${#as_user[@]} -eq 0 ] || chown nobody:nogroup "$work/sway-runtime"

"${as_user[@]}" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME="$work" \
    XDG_RUNTIME_DIR="$work/sway-runtime" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
    WLR_RENDERER=pixman sway -c "$work/config" >"$work/sway.log" 2>&1 &
sway_pid=$!
socket=
for _ in $(seq 1 100); do
    socket=$(find "$work/sway-runtime" -maxdepth 1 -type s -name 'wayland-*' -print -quit)
    [ -n "$socket" ] && break
    kill -0 "$sway_pid" 2>/dev/null || break
    sleep 0.1
done
if [ -z "$socket" ]; then
    reason=$(grep -m1 -iE 'error|fail|refus' "$work/sway.log" || tail -1 "$work/sway.log" || true)
    skip "the headless compositor did not start: ${reason:-no socket within 10 s}"
fi

ipc=$(find "$work/sway-runtime" -maxdepth 1 -type s -name 'sway-ipc.*' -print -quit)
status=0
env -u DISPLAY WAYLAND_DISPLAY="$socket" SWAYSOCK="$ipc" XDG_RUNTIME_DIR="$work/client-runtime" "$@" || status=$?
# A compositor that died under the command (its clients then see "The
# Wayland connection broke") could not run here: no client may end it. Its
# own words say why; the command's result says nothing of the program.
if [ "$status" -ne 0 ] && ! kill -0 "$sway_pid" 2>/dev/null; then
    sway_status=0
    wait "$sway_pid" || sway_status=$?
    sway_pid=
    echo "--- the compositor's log:"
    tail -n 20 "$work/sway.log"
    if [ "$sway_status" -gt 128 ]; then
        skip "the headless compositor crashed under the test (signal $(kill -l "$sway_status" 2>/dev/null || echo "$((sway_status - 128))"))"
    fi
    skip "the headless compositor ended under the test (status $sway_status)"
fi
exit "$status"
