#!/bin/bash
# What a screen reader learns of the real program, read through AT-SPI on a
# private session bus under Xvfb, in both languages: the two lists, the
# filter fields, the logo and the program icon have their names and
# descriptions in the window's language, and every button takes the focus.
#
#   e2e_accessibility.sh BIN_DIR      (BIN_DIR holds ZunoSmiley and ovcall)
set -euo pipefail
bin=${1:?usage: e2e_accessibility.sh BIN_DIR}
here=$(cd "$(dirname "$0")" && pwd)

for tool in xvfb-run dbus-run-session /usr/libexec/at-spi-bus-launcher; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "SKIP: python3-pyatspi is not installed"; exit 77; }
if [ -z "${ZUNO_E2E_DISPLAY:-}" ]; then
    exec env ZUNO_E2E_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24" \
        dbus-run-session -- "$0" "$@"
fi

work=$(mktemp -d)
pid=
. "$here/../../../tests/support/remove-tree.sh"
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null || true
    zuno_remove_tree "$work"
}
trap cleanup EXIT
# The accessibility bus is reached through the session bus that
# dbus-run-session started for this test alone; the copy keeps off any other.
bus=$DBUS_SESSION_BUS_ADDRESS
. "$here/../../../tests/support/program-copy.sh"
zuno_copy_program "$bin" "$work"
export DBUS_SESSION_BUS_ADDRESS=$bus QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
mkdir -p "$XDG_CONFIG_HOME/ZunoSmileys"

fail() { echo "FAIL: $*"; exit 1; }
text() { "$bin/ovcall" OrvakLocalizer.ZunoSmiley1 "Language=$1" "$2"; }

for language in 1 2; do
    printf '[Configuration]\nLangue=%s\n' "$language" >"$XDG_CONFIG_HOME/ZunoSmileys/ZunoSmileys.conf"
    "$work/prog/ZunoSmiley" 2>/dev/null &
    pid=$!
    tree=$(timeout 60 /usr/bin/python3 "$here/accessible_tree.py") || fail "no accessible tree"
    kill -TERM "$pid"
    wait "$pid" || true
    pid=
    expect() { # ROLE NAME-MEMBER DESCRIPTION-MEMBER
        local line
        line=$(printf '%s\t%s\t%s' "$1" "$(text $language "$2")" "$(text $language "$3")")
        grep -qF "$line" <<<"$tree" || fail "language $language: no $1 \"$line\" in:
$tree"
        echo "ok: language $language: $1 $(text $language "$2")"
    }
    expect tree ID_INT_SMILEY_LIST ID_INT_LIST_HELP
    expect tree ID_INT_ACRONYM_LIST ID_INT_LIST_HELP
    expect text ID_INT_FILTER ID_INT_FILTER_HELP
    expect label ID_INT_LOGO ID_INT_LOGO_HELP
    expect image ID_INT_PROGRAM_ICON ID_INT_PROGRAM_ICON_HELP
    # Every command button takes the focus from the keyboard.
    buttons=$(grep -P '^push button\t' <<<"$tree" || true)
    [ "$(wc -l <<<"$buttons")" -ge 8 ] || fail "language $language: the eight command buttons"
    ! grep -qP '\t-$' <<<"$buttons" || fail "language $language: a button without keyboard focus:
$buttons"
done
echo "PASS"
