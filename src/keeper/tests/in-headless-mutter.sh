#!/bin/bash
# in-headless-mutter.sh COMMAND [ARG ...]
#
# Runs COMMAND as a client of mutter (the GNOME compositor) started here
# headless: one virtual 1024x768 monitor, no Xwayland, a session bus of its
# own. A headless mutter's seat has no keyboard, and a client without the
# data-control protocol (which mutter lacks) sets and reads the selection
# only from a surface with the keyboard focus: a remote-desktop session on
# that bus gives the seat a virtual keyboard, as a person's keyboard would.
# The command gets WAYLAND_DISPLAY (by its full path), a HOME and an
# XDG_RUNTIME_DIR of its own; DISPLAY is unset. Its exit status is ours.
#
# As root, mutter and the command run as the ordinary user nobody (setpriv),
# who alone may use the compositor's session bus. Exits 77 with the reason
# where the compositor cannot start.
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: in-headless-mutter.sh COMMAND [ARG ...]" >&2; exit 2; }

skip() { echo "SKIP: $*"; exit 77; }
command -v mutter >/dev/null || skip "mutter is not installed"
command -v dbus-daemon >/dev/null || skip "dbus-daemon is not installed"
# Debian's interpreter, which python3-gi is for, whatever else PATH names.
python=/usr/bin/python3
"$python" -c 'from gi.repository import Gio' 2>/dev/null ||
    skip "python3-gi is missing to give mutter's seat a keyboard"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    command -v setpriv >/dev/null || skip "setpriv is missing to run mutter as an ordinary user"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi

work=$(mktemp -d /tmp/zuno-mutter.XXXXXX)
pids=
. "$(dirname "$0")/../../../tests/support/remove-tree.sh"
cleanup() {
    for pid in $pids; do
        kill -TERM "$pid" 2>/dev/null || true
        timeout 10 tail --pid="$pid" -f /dev/null 2>/dev/null || kill -KILL "$pid" 2>/dev/null || true
    done
    zuno_remove_tree "$work"
}
trap cleanup EXIT
mkdir -p "$work/mutter-runtime" "$work/client-runtime" "$work/home"
chmod -R a+rX "$work"
chmod 700 "$work/mutter-runtime" "$work/client-runtime"
[ ${#as_user[@]} -eq 0 ] || chown -R nobody:nogroup "$work"

session=(env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME="$work" XDG_CONFIG_HOME="$work/config"
         XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/mutter-runtime"
         XDG_CURRENT_DESKTOP=GNOME)
"${as_user[@]}" "${session[@]}" dbus-daemon --session --fork --print-address=3 --print-pid=4 \
    3>"$work/bus.address" 4>"$work/bus.pid"
pids=$(cat "$work/bus.pid")
session+=(DBUS_SESSION_BUS_ADDRESS="$(cat "$work/bus.address")")
"${as_user[@]}" "${session[@]}" mutter --headless --wayland --no-x11 \
    --virtual-monitor 1024x768 --wayland-display wayland-mutter >"$work/mutter.log" 2>&1 &
pids="$! $pids"
socket=$work/mutter-runtime/wayland-mutter
for _ in $(seq 100); do
    [ -S "$socket" ] && break
    kill -0 "${pids%% *}" 2>/dev/null || break
    sleep 0.1
done
[ -S "$socket" ] || skip "mutter did not start: $(grep -m1 -iE 'error|fail' "$work/mutter.log" || echo "no socket within 10 s")"

# The keyboard lives as long as the session that asked for it.
"${as_user[@]}" "${session[@]}" "$python" - "$work/keyboard.ready" >"$work/keyboard.log" 2>&1 <<'PY' &
import signal, sys
from gi.repository import Gio, GLib
bus = Gio.bus_get_sync(Gio.BusType.SESSION)
def call(path, interface, method, args=None, reply=None):
    return bus.call_sync("org.gnome.Mutter.RemoteDesktop", path,
                         "org.gnome.Mutter.RemoteDesktop" + interface, method, args,
                         reply and GLib.VariantType(reply), 0, 10000, None)
path = call("/org/gnome/Mutter/RemoteDesktop", "", "CreateSession", reply="(o)")[0]
call(path, ".Session", "Start")
for pressed in (True, False):  # Shift: the device exists from its first key
    call(path, ".Session", "NotifyKeyboardKeysym", GLib.Variant("(ub)", (0xffe1, pressed)))
open(sys.argv[1], "w").close()
signal.pause()
PY
pids="$! $pids"
for _ in $(seq 100); do
    [ -e "$work/keyboard.ready" ] && break
    kill -0 "${pids%% *}" 2>/dev/null || break
    sleep 0.1
done
[ -e "$work/keyboard.ready" ] || skip "mutter gave its seat no keyboard: $(tail -1 "$work/keyboard.log")"

status=0
"${as_user[@]}" env -u DISPLAY -u DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY="$socket" \
    HOME="$work/home" XDG_RUNTIME_DIR="$work/client-runtime" "$@" || status=$?
exit "$status"
