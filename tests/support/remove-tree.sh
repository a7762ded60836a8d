# Sourced by the test scripts (POSIX sh).
#
# zuno_remove_tree DIR: removes DIR, even where something is still mounted
# below it: a desktop portal started on a test's bus (xdg-desktop-portal 1.20
# starts the document portal) mounts its FUSE folder in the test's home (the
# cache folder when there is no XDG_RUNTIME_DIR) and may outlive the test for
# a moment. Those mounts are detached first; nothing outside DIR is touched.
zuno_remove_tree() {
    [ -e "$1" ] || return 0
    _zuno_dir=$(cd "$1" && pwd -P) || return 1
    # A portal still starting may mount after a pass: a few passes.
    for _zuno_pass in 1 2 3 4 5; do
        _zuno_detach_below "$_zuno_dir"
        rm -rf --one-file-system "$1" 2>/dev/null && return 0
    done
    rm -rf --one-file-system "$1"
}
_zuno_detach_below() {
    # /proc/self/mounts writes a space in a path as \040.
    awk -v dir="$1/" 'index($2, dir) == 1 { print $2 }' /proc/self/mounts 2>/dev/null |
        sort -r | while IFS= read -r _zuno_mount; do
            _zuno_mount=$(printf '%b' "$_zuno_mount")
            umount -l "$_zuno_mount" 2>/dev/null || fusermount3 -u -z "$_zuno_mount" 2>/dev/null ||
                fusermount -u -z "$_zuno_mount" 2>/dev/null || true
        done
}
