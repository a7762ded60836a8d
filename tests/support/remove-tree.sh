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
    # /proc/self/mounts writes a space in a path as \040.
    awk -v dir="$_zuno_dir/" 'index($2, dir) == 1 { print $2 }' /proc/self/mounts 2>/dev/null |
        sort -r | while IFS= read -r _zuno_mount; do
            _zuno_mount=$(printf '%b' "$_zuno_mount")
            umount -l "$_zuno_mount" 2>/dev/null || fusermount3 -u -z "$_zuno_mount" 2>/dev/null ||
                fusermount -u -z "$_zuno_mount" 2>/dev/null || true
        done
    rm -rf --one-file-system "$1"
}
