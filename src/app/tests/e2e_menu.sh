#!/bin/bash
# End-to-end test of the menu program's commands, as a binding runs them
# (ZunoSmiley --list | wofi --dmenu | ZunoSmiley --insert), without the
# catalogue's window: --list needs no display, prints the favourite first
# and one entry a line in tab-separated fields, and ends quietly when its
# reader closes the pipe; --insert refuses an empty or oversize line with 2;
# under Xvfb it types the line's first field into another program's text
# field and counts the use, which the next --list ranks up.
#
#   e2e_menu.sh BIN_DIR      (BIN_DIR holds ZunoSmiley, its libraries and typing_target)
set -euo pipefail
bin=${1:?usage: e2e_menu.sh BIN_DIR}

for tool in xvfb-run xdotool dbus-daemon base64; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
pids=()
. "$(dirname "$0")/../../../tests/support/remove-tree.sh"
cleanup() {
    for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null || true; done
    zuno_remove_tree "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
check() { echo "ok: $*"; }

. "$(dirname "$0")/../../../tests/support/program-copy.sh"
. "$(dirname "$0")/../../../tests/support/waits.sh"
zuno_copy_program "$bin" "$work"
export XDG_STATE_HOME=$work/home/state
prog=$work/prog/ZunoSmiley
# A favourite of the user's, an entry whose description holds a tab and
# which has a keyword of the user's, a keyword of the user's after a
# built-in entry's own, and
# more than a pipe holds at once, so that a reader gone is seen.
printf '{"smileys":["8-)"]}' >"$work/prog/Favourites.json"
printf '{"smileys":{"8-]":["android"],";-)":["mine"]}}' >"$work/prog/Keywords.json"
# Entries whose fields hold line breaks of Unicode's (U+2028, U+0085), one
# in the Windows code page, and two of one text but for an accented
# letter's case (the second a duplicate), beside one without the accent;
# with spaces around it a text repeats one before it, but is in the way
# only of a text with those spaces; a text that begins with U+FEFF is not
# the built-in text without it, but the same text again repeats it; the
# file's last line repeats one of its first.
{
    printf '"8-]","Robot\tarm"\r\n'
    printf '"8-[","Robot\xe2\x80\xa8leg\xc2\x85knee"\r\n"8-\xe9","Caf\xe9"\r\n'
    printf '"\xc3\x89-a","first"\r\n"\xc3\xa9-A","second"\r\n"e-a","third"\r\n'
    printf '" e-a","fourth"\r\n"e-b ","fifth"\r\n"E-B","sixth"\r\n'
    printf '"\xef\xbb\xbf:-(","marked"\r\n"\xef\xbb\xbf:-(","again"\r\n'
    awk 'BEGIN { for (i = 1; i <= 3000; i++) printf "\":-x%d\",\"Test smiley %d\"\r\n", i, i }'
    printf '":-x1","repeated last"\r\n'
} >"$work/prog/Smileys.smy"
list() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prog" --list; }

if [ -z "${ZUNO_E2E_DISPLAY:-}" ]; then
    first=$(list 2>"$work/err" | head -1; echo "status ${PIPESTATUS[0]}")

    [[ $first == $'8-)\t'*$'\nstatus 0' ]] || fail "--list | head -1 gave '$first'"
    [ ! -s "$work/err" ] || fail "--list told: $(cat "$work/err")"
    list >"$work/all" || fail "--list ended with $?"
    grep -q $'^8-]\tRobot arm\tRobot arm\tandroid$' "$work/all" || fail "the user's entry: $(grep '^8-]' "$work/all")"
    grep -q $'^;-)\t[^\t]*\t[^\t]*\twink, [^\t]*, mine$' "$work/all" || fail "a built-in entry's keywords: $(grep '^;-)' "$work/all")"
    grep -q $'^8-\\[\tRobot leg knee\tRobot leg knee\t$' "$work/all" || fail "breaks: $(grep '^8-\[' "$work/all")"
    grep -q $'^8-\xc3\xa9\tCaf\xc3\xa9\tCaf\xc3\xa9\t$' "$work/all" || fail "Windows-1252: $(grep -a '^8-.\sCaf' "$work/all")"
    [ "$(grep -c -e $'^\xc3\x89-a\tfirst' -e $'^e-a\tthird' -e $'^e-b \tfifth' -e $'^E-B\tsixth' "$work/all")" -eq 4 ] &&
        ! grep -q -e $'\tsecond\t' -e $'\tfourth\t' "$work/all" ||
        fail "duplicates: $(grep -e first -e second -e third -e fourth -e fifth -e sixth "$work/all")"
    grep -q $'^\xef\xbb\xbf:-(\tmarked\t' "$work/all" && ! grep -q $'\tagain\t' "$work/all" ||
        fail "a text after U+FEFF: $(grep -a -e marked -e again "$work/all")"
    ! grep -q 'repeated last' "$work/all" || fail "the last line, a repeat, was listed"
    [ "$(awk -F'\t' 'NF != 4' "$work/all" | wc -l)" -eq 0 ] || fail "a line without 4 fields"
    [ "$(wc -l <"$work/all")" -gt 3100 ] || fail "only $(wc -l <"$work/all") lines"
    list | cmp -s - "$work/all" || fail "--list to a pipe printed other bytes than to a file"
    # A system that refuses to hand a pipe the pages: written as to a file.
    if strace -f -qq -o /dev/null -e trace=none true 2>/dev/null; then
        strace -f -qq -o /dev/null -e trace=vmsplice -e inject=vmsplice:error=ENOSYS \
            env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prog" --list | cmp -s - "$work/all" ||
            fail "--list without vmsplice printed other bytes than to a file"
    else
        echo "skip: strace cannot trace here; --list without vmsplice is not tried"
    fi
    check "--list: the favourite first, 4 tab-separated fields a line, a closed pipe quiet"
    # Standard output a socket that its reader made non-blocking, with room
    # for a few KiB: --list waits for the reader (seen waiting in poll, then
    # read) and writes it all.
    got=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM python3 -c '
import hashlib, socket, subprocess, sys, time
ours, theirs = socket.socketpair()
theirs.setblocking(False)
theirs.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, 4096)
child = subprocess.Popen([sys.argv[1], "--list"], stdout=theirs.fileno())
theirs.close()
# Where the system does not say what the child waits in, read after a while.
deadline = time.monotonic() + 10
while child.poll() is None and time.monotonic() < deadline:
    try:
        with open(f"/proc/{child.pid}/wchan") as wchan:
            if "poll" in wchan.read():
                break
    except OSError:
        pass
    time.sleep(0.01)
data = bytearray()
while chunk := ours.recv(1 << 20):
    data += chunk
print(child.wait(), hashlib.sha1(data).hexdigest())' "$prog")
    [ "$got" = "0 $(sha1sum <"$work/all" | cut -d' ' -f1)" ] || fail "--list to a non-blocking socket: $got"
    check "--list to a non-blocking socket: it waits for its reader and writes it all"
    # Standard output a pipe's reading end: said, with 1, and nothing read.
    status=0
    printf x | timeout 20 env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prog" --list 1<&0 \
        2>"$work/err" || status=$?
    [ "$status" -eq 1 ] && grep -q 'could not be written' "$work/err" ||
        fail "--list to a pipe's reading end ended with $status: $(cat "$work/err")"
    check "--list to a pipe's reading end: it says so and ends with 1"
    # A list file that cannot be read: said, and the rest is listed.
    mkdir "$work/prog/Acronyms.acr"
    status=0
    list >"$work/all" 2>"$work/err" || status=$?
    [ "$status" -eq 1 ] || fail "--list with a folder for a list file ended with $status"
    grep -q 'Acronyms.acr is not a file' "$work/err" || fail "--list told: $(cat "$work/err")"
    grep -q $'^8-]\t' "$work/all" || fail "--list left the smileys out"
    rmdir "$work/prog/Acronyms.acr"
    check "--list with an unreadable list file: it says so, lists the rest and ends with 1"

    for input in empty long; do
        status=0
        if [ $input = empty ]; then
            printf '\tWink\n' | "$prog" --insert 2>"$work/err" || status=$?
            message="no entry on standard input"
        else
            head -c 65537 /dev/zero | tr '\0' x | "$prog" --insert 2>"$work/err" || status=$?
            message="longer than 64 KiB"
        fi
        [ "$status" -eq 2 ] || fail "--insert of a $input line ended with $status"
        grep -q "$message" "$work/err" || fail "--insert of a $input line told: $(cat "$work/err")"
    done
    check "--insert of an empty or oversize line: its message and 2"
    zuno_remove_tree "$work"
    exec env ZUNO_E2E_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

export QT_QPA_PLATFORM=xcb
zuno_private_bus "$work"
pids+=("$(cat "$work/bus.pid")")
# The second line of --list: the first after the favourite.
second() { list | sed -n 2p | cut -f1; }
[ "$(second)" != ';-)' ] || fail "';-)' comes second before any use"

mkfifo "$work/target.in"
"$bin/typing_target" <"$work/target.in" >"$work/target.out" &
pids+=($!)
target=$!
exec 5>"$work/target.in"
zuno_wait_until 30 grep -q '^ready' "$work/target.out" || fail "the text field did not come up"
targetText() {
    local lines
    lines=$(wc -l <"$work/target.out")
    kill -USR1 "$target"
    zuno_wait_until 10 eval '[ "$(wc -l <"$work/target.out")" -gt "$lines" ]' || return 1
    tail -n +"$((lines + 1))" "$work/target.out" | grep -m1 '^text' | cut -d' ' -f2 | base64 -d
}
printf ';-)\tWink\n' | timeout 20 "$prog" --insert || fail "--insert ended with $?"
zuno_wait_until 10 eval '[ "$(targetText)" = ";-)" ]' || fail "the field holds '$(targetText)'"
xdotool search --name '^Orvak Zuno Smileys$' >/dev/null 2>&1 && fail "a catalogue window came up"
[ "$(second)" = ';-)' ] || fail "after its use, '$(second)' comes second, not ';-)'"
check "--insert typed ';-)' into the field and counted it: the next --list ranks it up"
# Text the menu was given edited: typed all the same, counted as no entry's use.
printf 'zz-9\n' | timeout 20 "$prog" --insert || fail "--insert of other text ended with $?"
zuno_wait_until 10 eval '[ "$(targetText)" = ";-)zz-9" ]' || fail "the field holds '$(targetText)'"
grep -q 'zz-9' "$XDG_STATE_HOME/ZunoSmileys/usage.json" && fail "a use of 'zz-9' was recorded"
check "--insert typed text of no entry and recorded no use"
echo "e2e menu: all checks passed"
