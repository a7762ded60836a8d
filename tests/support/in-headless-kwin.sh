#!/bin/bash
# in-headless-kwin.sh [--trust PROGRAM] COMMAND [ARG ...]
#
# Runs COMMAND as a client of KWin started here on its virtual backend: one
# 1024x768 output, no input devices, no Xwayland, a session bus of its own.
# With --trust, KWin finds a desktop file for PROGRAM that grants it the
# fake-input protocol, as an installed program's desktop file does. The
# command gets WAYLAND_DISPLAY and an XDG_RUNTIME_DIR of its own; DISPLAY is
# unset. Its exit status is ours.
#
# KWin tells its clients apart by their executable, which it reads in /proc:
# as root, KWin and the command both run as the ordinary user nobody
# (setpriv). The installed kwin_wayland carries file capabilities that an
# unprivileged start cannot take: a copy without them runs instead. Exits 77
# with the reason where the compositor cannot start.
set -euo pipefail
trusted=
if [ "${1:-}" = --trust ]; then
    trusted=${2:?--trust needs a program}
    shift 2
fi
[ $# -gt 0 ] || { echo "usage: in-headless-kwin.sh [--trust PROGRAM] COMMAND [ARG ...]" >&2; exit 2; }

skip() { echo "SKIP: $*"; exit 77; }
command -v kwin_wayland >/dev/null || skip "KWin (kwin-wayland) is not installed"
command -v dbus-run-session >/dev/null || skip "dbus-run-session is not installed"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    command -v setpriv >/dev/null || skip "setpriv is missing to run KWin as an ordinary user"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi

work=$(mktemp -d /tmp/zuno-kwin.XXXXXX)
kwin_pid=
cleanup() {
    if [ -n "$kwin_pid" ]; then
        kill -TERM "$kwin_pid" 2>/dev/null || true
        timeout 10 tail --pid="$kwin_pid" -f /dev/null 2>/dev/null || kill -KILL "$kwin_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/kwin-runtime" "$work/client-runtime" "$work/data/applications"
cp "$(command -v kwin_wayland)" "$work/kwin_wayland"
if [ -n "$trusted" ]; then
    cat >"$work/data/applications/zuno-trusted.desktop" <<DESKTOP
[Desktop Entry]
Type=Application
Name=Trusted test program
Exec=$trusted
X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input
DESKTOP
fi
chmod -R a+rX "$work"
chmod 700 "$work/kwin-runtime" "$work/client-runtime"
[ ${#as_user[@]} -eq 0 ] || chown -R nobody:nogroup "$work"

"${as_user[@]}" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME="$work" XDG_DATA_HOME="$work/data" \
    XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" \
    XDG_RUNTIME_DIR="$work/kwin-runtime" QT_QPA_PLATFORM=offscreen \
    dbus-run-session -- "$work/kwin_wayland" --virtual --no-lockscreen --socket wayland-kwin \
    --width 1024 --height 768 >"$work/kwin.log" 2>&1 &
kwin_pid=$!
socket=$work/kwin-runtime/wayland-kwin
for _ in $(seq 100); do
    [ -S "$socket" ] && break
    kill -0 "$kwin_pid" 2>/dev/null || break
    sleep 0.1
done
if [ ! -S "$socket" ]; then
    reason=$(grep -m1 -iE 'error|fail|cannot' "$work/kwin.log" || tail -1 "$work/kwin.log" || true)
    skip "KWin did not start: ${reason:-no socket within 10 s}"
fi

status=0
"${as_user[@]}" env -u DISPLAY -u DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY="$socket" \
    XDG_RUNTIME_DIR="$work/client-runtime" "$@" || status=$?
exit "$status"
