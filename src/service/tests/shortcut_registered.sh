#!/bin/sh
# shortcut_registered.sh DATA_DIR: the desktop's shortcut daemon, on a bus
# and a display of its own, registers the program's "pick" action with its
# default keys (Meta+;) from the data folder's files. Skips (77) where the
# daemon is not installed: Plasma 6's kglobalacceld (Debian 13) or Plasma 5's
# kglobalaccel5 (Debian 12, libkf5globalaccel-bin), which ./build.sh test
# installs.
daemon=
for candidate in /usr/lib/*/libexec/kglobalacceld /usr/libexec/kglobalacceld "$(command -v kglobalaccel5)"; do
    [ -x "$candidate" ] && { daemon=$candidate; break; }
done
[ -n "$daemon" ] || { echo "SKIP: neither kglobalacceld nor kglobalaccel5 is installed"; exit 77; }
# Plasma 6's daemon reads the entry as a service, which is void, its actions
# dropped and the launch alone kept, while the program its TryExec names is
# missing: the program is built first.
entry=$1/kglobalaccel/example.orvak.ZunoSmiley.desktop
program=$(sed -n 's/^TryExec=//p' "$entry")
[ -x "$program" ] || { echo "FAIL: $program, which $entry names in TryExec, is not built"; exit 1; }
export XDG_DATA_DIRS="$1:/usr/share" ZUNO_SHORTCUT_DAEMON="$daemon"
exec dbus-run-session -- sh -c '
"$ZUNO_SHORTCUT_DAEMON" >/dev/null 2>&1 &
daemon=$!
# The daemon is asked only once it holds its name: a call before that would
# have the bus start a second daemon, which nothing here ends and which keeps
# the test'"'"'s output open after it has passed. Whoever holds the name at the
# end is ended too.
owner() {
    gdbus call --session --timeout 5 -d org.freedesktop.DBus -o /org/freedesktop/DBus \
        -m org.freedesktop.DBus.GetConnectionUnixProcessID org.kde.kglobalaccel 2>/dev/null |
        sed -n "s/^(uint32 \([0-9]*\),)$/\1/p"
}
trap "kill \$(owner) $daemon 2>/dev/null" EXIT
# The action with Meta (0x10000000) and the semicolon key (0x3b), as its
# default and its active keys.
want="pick., .Pick an Entry to Insert[^)]*\[268435515\], \[268435515\]"
# A busy machine may take long to start the daemon: each call is bounded,
# and so is the whole wait.
deadline=$(( $(date +%s) + 90 ))
while [ "$(date +%s)" -lt "$deadline" ]; do
    if [ -n "$(owner)" ]; then
        got=$(gdbus call --session --timeout 5 -d org.kde.kglobalaccel \
              -o /component/example_orvak_ZunoSmiley_desktop \
              -m org.kde.kglobalaccel.Component.allShortcutInfos 2>/dev/null)
        if echo "$got" | grep -q "$want"; then echo "PASS: $got"; exit 0; fi
    fi
    sleep 0.2
done
echo "FAIL: the pick action with Meta+; is not registered: $got"
exit 1
'
