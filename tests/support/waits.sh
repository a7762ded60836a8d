# Sourced by the end-to-end tests: waits on a condition, never a fixed delay.
#
# zuno_wait_until SECONDS COMMAND [ARG ...]: runs COMMAND every tenth of a
# second until it succeeds (status 0) or SECONDS have passed (status 1). The
# bound is only there so that a fault ends the test; a busy machine waits as
# long as it takes within it.
zuno_wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

# zuno_x11_find_shown SECONDS NAME: prints the id of the first shown X
# window whose name matches NAME (a regular expression) as soon as there is
# one; status 1 when none came within SECONDS. xdotool's own --sync search
# ends with an error (BadWindow) when a window goes away while it looks, as
# windows do while programs start and end: here it is simply asked again.
zuno_x11_find_shown() {
    local deadline=$((SECONDS + $1)) wid
    while :; do
        wid=$(xdotool search --onlyvisible --name "$2" 2>/dev/null | head -1)
        [ -n "$wid" ] && echo "$wid" && return 0
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

# zuno_x11_has_keys WID: the X window WID (found shown, e.g. by xdotool
# search --sync --onlyvisible) has the keyboard focus, so what xdotool types
# next reaches it.
zuno_x11_has_keys() {
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]
}

# zuno_x11_clipboard_is TEXT: the X clipboard holds TEXT.
zuno_x11_clipboard_is() {
    [ "$(timeout 10 xclip -o -selection clipboard 2>/dev/null)" = "$1" ]
}
