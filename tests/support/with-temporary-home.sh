#!/bin/sh
# with-temporary-home.sh TEST [ARG ...]
#
# Runs one test with HOME, the XDG folders and TMPDIR in a fresh temporary
# folder that is removed when the test ends, so no run sees what an earlier
# one left and no run leaves anything behind. The test's exit status is ours.
. "$(dirname "$0")/remove-tree.sh"
home=$(mktemp -d "${TMPDIR:-/tmp}/zuno-test-home.XXXXXX") || exit 1
trap 'zuno_remove_tree "$home"' EXIT
mkdir "$home/config" "$home/data" "$home/cache" "$home/tmp" || exit 1
# Open to others as the build tree is, for the steps a test runs as another user.
chmod 755 "$home" "$home/tmp" || exit 1
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
       XDG_CACHE_HOME="$home/cache" XDG_STATE_HOME="$home/state" TMPDIR="$home/tmp"
# Nor does it reach the user's session bus: a program started there would
# hand its command line to the user's own running window. A test that needs
# a bus starts a private one.
unset DBUS_SESSION_BUS_ADDRESS
# The test runs as a child, so that the folder is removed even when CTest
# interrupts the run; an interruption is passed on to the test.
"$@" &
test=$!
trap 'kill -TERM "$test" 2>/dev/null' INT TERM HUP
while :; do
    wait "$test"
    status=$?
    kill -0 "$test" 2>/dev/null || break
done
if [ "$status" -gt 128 ]; then
    # Die of the test's signal, so that CTest reports a crash as a crash.
    zuno_remove_tree "$home"
    trap - EXIT INT TERM HUP
    kill -"$((status - 128))" $$
fi
exit "$status"
