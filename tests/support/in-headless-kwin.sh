#!/bin/bash
# in-headless-kwin.sh [--data-dirs DIRS] [--trust PROGRAM | --portal] COMMAND [ARG ...]
#
# Runs COMMAND as a client of KWin started here on its virtual backend: one
# 1024x768 output, no input devices, no Xwayland, a session bus of its own.
# With --trust, KWin finds a desktop file for PROGRAM that grants it the
# fake-input protocol, as an installed program's desktop file does. With
# --portal, the desktop portal runs on that bus with its KDE back end, as in
# a Plasma session, and the command is a client of the bus. With --data-dirs,
# KWin reads desktop entries from those data folders (before /usr/share), as
# from an installation's share folder. The command gets
# WAYLAND_DISPLAY, a HOME and an XDG_RUNTIME_DIR of its own; DISPLAY is
# unset; ZUNO_KWIN_BUS is the address of KWin's bus, for a test that asks
# KWin what it did (its scripting interface), and ZUNO_KWIN_LOG the file
# KWin writes its messages to. Its exit status is ours.
#
# KWin tells its clients apart by their executable, which it reads in /proc:
# as root, KWin and the command both run as the ordinary user nobody
# (setpriv). The installed kwin_wayland carries file capabilities that an
# unprivileged start cannot take: a copy without them runs instead. Exits 77
# with the reason where the compositor cannot start.
set -euo pipefail
trusted=
portal=
data_dirs=/usr/share
if [ "${1:-}" = --data-dirs ]; then
    data_dirs=${2:?--data-dirs needs folders}:/usr/share
    shift 2
fi
if [ "${1:-}" = --trust ]; then
    trusted=${2:?--trust needs a program}
    shift 2
elif [ "${1:-}" = --portal ]; then
    portal=1
    shift
fi
[ $# -gt 0 ] || { echo "usage: in-headless-kwin.sh [--trust PROGRAM | --portal] COMMAND [ARG ...]" >&2; exit 2; }

skip() { echo "SKIP: $*"; exit 77; }
command -v kwin_wayland >/dev/null || skip "KWin (kwin-wayland) is not installed"
command -v dbus-daemon >/dev/null || skip "dbus-daemon is not installed"
front_end=/usr/libexec/xdg-desktop-portal
back_end=/usr/lib/x86_64-linux-gnu/libexec/xdg-desktop-portal-kde
if [ -n "$portal" ]; then
    [ -x "$front_end" ] || skip "the desktop portal (xdg-desktop-portal) is not installed"
    [ -x "$back_end" ] || skip "the portal's KDE back end (xdg-desktop-portal-kde) is not installed"
    # Plasma 5's back end is built on Qt 5, Plasma 6's on Qt 6.
    qt=5
    ldd "$back_end" 2>/dev/null | grep -q 'libQt6Core' && qt=6
    plugins=/usr/lib/x86_64-linux-gnu/qt$qt/plugins
    [ -e "$plugins/platforms/libqwayland-generic.so" ] ||
        skip "the KDE back end's Wayland platform (Qt $qt's Wayland plugin) is not installed"
    # Plasma 6's back end opens a remote-control session only where KWin
    # offers screen casting, which its plugin in kwin-common brings.
    [ "$qt" = 5 ] || [ -e "$plugins/kwin/plugins/screencast.so" ] ||
        skip "KWin's screencast plugin (kwin-common) is not installed, without which the portal's KDE back end refuses remote control"
fi
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    command -v setpriv >/dev/null || skip "setpriv is missing to run KWin as an ordinary user"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi

. "$(dirname "$0")/remove-tree.sh"
work=$(mktemp -d /tmp/zuno-kwin.XXXXXX)
kwin_pid=
bus_pid=
cleanup() {
    for pid in $kwin_pid $bus_pid; do
        kill -TERM "$pid" 2>/dev/null || true
        timeout 10 tail --pid="$pid" -f /dev/null 2>/dev/null || kill -KILL "$pid" 2>/dev/null || true
    done
    zuno_remove_tree "$work"
}
trap cleanup EXIT
mkdir -p "$work/kwin-runtime" "$work/client-runtime" "$work/data/applications" "$work/home"
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
# KDE Frameworks 6 lists a session's applications through its application
# menu, as a Plasma session installs it: without one KWin 6 finds no desktop
# file, so grants nothing. This menu holds every entry of the data folders;
# Frameworks 5 lists applications without it.
mkdir -p "$work/config/menus"
cat >"$work/config/menus/applications.menu" <<'MENU'
<Menu>
  <Name>Applications</Name>
  <DefaultAppDirs/>
  <DefaultDirectoryDirs/>
  <Include><All/></Include>
</Menu>
MENU
chmod -R a+rX "$work"
chmod 700 "$work/kwin-runtime" "$work/client-runtime"
[ ${#as_user[@]} -eq 0 ] || chown -R nobody:nogroup "$work"

# The bus, KWin and the portal share an environment, as in a desktop session.
session=(env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME="$work" XDG_DATA_HOME="$work/data"
         XDG_DATA_DIRS="$data_dirs"
         XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
         XDG_RUNTIME_DIR="$work/kwin-runtime" XDG_CURRENT_DESKTOP=KDE)
"${as_user[@]}" "${session[@]}" dbus-daemon --session --fork --print-address=3 --print-pid=4 \
    3>"$work/bus.address" 4>"$work/bus.pid"
bus_pid=$(cat "$work/bus.pid")
session+=(DBUS_SESSION_BUS_ADDRESS="$(cat "$work/bus.address")")
"${as_user[@]}" "${session[@]}" QT_QPA_PLATFORM=offscreen "$work/kwin_wayland" --virtual \
    --no-lockscreen --socket wayland-kwin --width 1024 --height 768 >"$work/kwin.log" 2>&1 &
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

client_bus=(-u DBUS_SESSION_BUS_ADDRESS)
if [ -n "$portal" ]; then
    "${as_user[@]}" "${session[@]}" WAYLAND_DISPLAY="$socket" QT_QPA_PLATFORM=wayland \
        "$back_end" >"$work/portal-kde.log" 2>&1 &
    "${as_user[@]}" "${session[@]}" "$front_end" >"$work/portal.log" 2>&1 &
    owned=
    for _ in $(seq 100); do
        owned=$("${as_user[@]}" "${session[@]}" dbus-send --session --print-reply \
            --dest=org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner \
            string:org.freedesktop.portal.Desktop 2>/dev/null | grep -c 'boolean true' || true)
        [ "$owned" = 1 ] && break
        sleep 0.1
    done
    [ "$owned" = 1 ] || skip "the desktop portal did not start: $(tail -1 "$work/portal.log")"
    # Nobody is there to answer the KDE back end's remote-control question:
    # host programs are allowed it up front, as for a headless session
    # (Plasma 6 reads this; Plasma 5 asks nothing).
    "${as_user[@]}" "${session[@]}" dbus-send --session --print-reply \
        --dest=org.freedesktop.impl.portal.PermissionStore /org/freedesktop/impl/portal/PermissionStore \
        org.freedesktop.impl.portal.PermissionStore.SetPermission string:kde-authorized boolean:true \
        string:remote-desktop string: array:string:yes >/dev/null 2>&1 || true
    client_bus=(DBUS_SESSION_BUS_ADDRESS="$(cat "$work/bus.address")")
fi

status=0
"${as_user[@]}" env -u DISPLAY "${client_bus[@]}" WAYLAND_DISPLAY="$socket" HOME="$work/home" \
    ZUNO_KWIN_BUS="$(cat "$work/bus.address")" ZUNO_KWIN_LOG="$work/kwin.log" \
    XDG_RUNTIME_DIR="$work/client-runtime" "$@" || status=$?
exit "$status"
