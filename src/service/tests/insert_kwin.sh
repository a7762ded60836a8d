#!/bin/bash
# The launcher's "Insert" under KWin, as an installation runs it: the build is
# installed into a temporary prefix, KWin reads that prefix's desktop entries,
# and the insert helper, started as the search service starts it, types into
# the focused field through KWin's fake input, which KWin grants it by the
# helper's own entry; no portal runs.
#
#   insert_kwin.sh BUILD_DIR SOURCE_DIR TYPING_TARGET
set -euo pipefail
build=${1:?usage: insert_kwin.sh BUILD_DIR SOURCE_DIR TYPING_TARGET}
src=${2:?}
target_program=${3:?}
fail() { echo "FAIL: $*"; exit 1; }

. "$src/tests/support/remove-tree.sh"
if [ -z "${WAYLAND_DISPLAY:-}" ]; then
    prefix=$(mktemp -d /tmp/zuno-insert-kwin.XXXXXX)
    trap 'zuno_remove_tree "$prefix"' EXIT
    cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install"
    chmod -R a+rX "$prefix"
    status=0
    "$src/tests/support/in-headless-kwin.sh" --data-dirs "$prefix/share" \
        "$0" "$@" "$prefix" || status=$?
    exit "$status"
fi

prefix=${4:?}
work=$(mktemp -d)
target=
cleanup() {
    [ -z "$target" ] || kill -KILL "$target" 2>/dev/null || true
    zuno_remove_tree "$work"
}
trap cleanup EXIT
QT_QPA_PLATFORM=wayland "$target_program" Target >"$work/target.out" </dev/null &
target=$!
for _ in $(seq 100); do grep -q '^ready' "$work/target.out" && break; sleep 0.1; done
grep -q '^ready' "$work/target.out" || fail "the text field did not come up focused"

printf '%s' ';-) Wink!' | WAYLAND_DEBUG=1 QT_QPA_PLATFORM=wayland \
    "$prefix/libexec/zunosmiley/zuno-insert-text" --type 2>"$work/helper.log" \
    || { grep -v '^\[' "$work/helper.log"; fail "the helper failed"; }
grep -v '^\[' "$work/helper.log" || true
grep -q 'bind(.*"org_kde_kwin_fake_input"' "$work/helper.log" \
    || fail "KWin offered the installed helper no fake input"

# The field's text, asked with SIGUSR1 until the keys have arrived.
text=
for _ in $(seq 50); do
    lines=$(wc -l <"$work/target.out")
    kill -USR1 "$target"
    for _ in $(seq 50); do [ "$(wc -l <"$work/target.out")" -gt "$lines" ] && break; sleep 0.1; done
    text=$(tail -n +"$((lines + 1))" "$work/target.out" | grep -m1 '^text' | cut -s -d' ' -f2 | base64 -d)
    [ "$text" = ';-) Wink!' ] && break
    sleep 0.1
done
[ "$text" = ';-) Wink!' ] || fail "the field holds '$text', not the entry"
echo "ok: Insert typed ';-) Wink!' into the focused field through fake input"
