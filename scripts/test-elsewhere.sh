#!/usr/bin/env bash
# Runs the README's test command where people run it besides CI, on a clean
# clone of this repository's HEAD (uncommitted changes are not included):
#
#   scripts/test-elsewhere.sh user [NAME]   as the ordinary user NAME (default
#                                          zunotest, created when missing),
#                                          who owns the clone and its build;
#                                          the packages must be installed
#   scripts/test-elsewhere.sh chroot [DIR]  in a fresh Debian 12 root made by
#                                          debootstrap in DIR (default: a new
#                                          folder below /var/tmp), entered with
#                                          chroot, where ./build.sh test
#                                          installs the packages and runs
#   scripts/test-elsewhere.sh trixie [DIR]  the same in a Debian 13 root in DIR
#                                          (default /var/tmp/zuno-trixie),
#                                          made on the first run and reused
#                                          after (with its packages), the
#                                          clone in it made anew each time
#
# Both need root (to create the user, to debootstrap and chroot) and take
# minutes; the chroot runs also need the package archive. The work folder is
# kept when the run fails, so it can be looked at; set KEEP=1 to keep it
# always (the trixie root is always kept). The exit status is that of the
# tests.
set -euo pipefail

self=$(readlink -f "$0")
repo=$(git -C "$(dirname "$self")" rev-parse --show-toplevel)

die() { echo "test-elsewhere: $*" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || die "run me as root (I create a user or a Debian root)"

# The mirror this machine's apt uses, so the new root gets the same archive.
apt_mirror() {
    local uri
    uri=$(sed -n 's/^URIs:[[:space:]]*\([^[:space:]]*\).*/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null |
          grep -v security | head -n1)
    [ -n "$uri" ] || uri=$(awk '$1 == "deb" && $3 !~ /security/ { print $2; exit }' /etc/apt/sources.list 2>/dev/null)
    echo "${uri:-http://deb.debian.org/debian}"
}

clean_clone() {  # clean_clone TARGET
    git clone --quiet --no-local "$repo" "$1"
    git -C "$1" checkout --quiet --detach "$(git -C "$repo" rev-parse HEAD)"
}

# What skipped and why: CTest's log keeps every test's output.
report_skips() {  # report_skips BUILD_DIR
    local log=$1/Testing/Temporary/LastTest.log
    [ -f "$log" ] || return 0
    echo "test-elsewhere: skipped here:"
    grep -E '^SKIP   : |^SKIP: ' "$log" | sed 's/^/  /' || echo "  nothing"
}

finish() {  # finish STATUS WORKDIR
    if [ "$1" -eq 0 ] && [ "${KEEP:-0}" != 1 ]; then
        rm -rf --one-file-system "$2"
    else
        echo "test-elsewhere: kept $2" >&2
    fi
    exit "$1"
}

as_user() {
    local name=${1:-zunotest} work status=0
    if ! id "$name" >/dev/null 2>&1; then
        useradd --create-home --shell /bin/bash "$name"
    fi
    [ "$(id -u "$name")" -ne 0 ] || die "$name is root"
    work=$(mktemp -d /var/tmp/zuno-user.XXXXXX)
    clean_clone "$work/src"
    chown -R "$name:" "$work"
    chmod 755 "$work"
    echo "test-elsewhere: ./build.sh test as $name in $work/src"
    setpriv --reuid="$name" --regid="$name" --init-groups --reset-env \
        bash -c 'cd "$1" && ./build.sh test' - "$work/src" || status=$?
    report_skips "$work/src/build"
    finish "$status" "$work"
}

# The chroot part runs in a private mount namespace of its own, so /proc and
# /dev bound into the new root go away with it, however the run ends.
in_chroot() {
    local root=$1 status=0
    # The root bound onto itself is a mount point, as "/" is on a machine:
    # the tests that make a private mount (a read-only folder, a full disk)
    # run rather than skip.
    mount --bind "$root" "$root"
    mount -t proc proc "$root/proc"
    mount --rbind /dev "$root/dev"
    mount --make-rslave "$root/dev"
    mount --rbind /sys "$root/sys"
    mount --make-rslave "$root/sys"
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
        LANG=C.UTF-8 /bin/bash -c 'cd /src && ./build.sh test' || status=$?
    return "$status"
}

make_root() {  # make_root SUITE DIR
    local mirror
    command -v debootstrap >/dev/null || die "debootstrap is not installed (apt-get install debootstrap)"
    # It becomes "/": mktemp makes it 0700, which would shut every other user
    # (the steps the tests run as an ordinary user) out of the whole system.
    chmod 755 "$2"
    mirror=$(apt_mirror)
    echo "test-elsewhere: debootstrap $1 from $mirror into $2"
    debootstrap --variant=minbase "$1" "$2" "$mirror"
}

run_in_root() {  # run_in_root ROOT: a clean clone in ROOT/src, tested there
    local status=0
    clean_clone "$1/src"
    echo "test-elsewhere: ./build.sh test in chroot $1"
    unshare --mount --propagation private "$self" _in_chroot "$1" || status=$?
    report_skips "$1/src/build"
    return "$status"
}

as_chroot() {
    local root=${1:-} status=0
    [ -n "$root" ] || root=$(mktemp -d /var/tmp/zuno-chroot.XXXXXX)
    [ -z "$(ls -A "$root" 2>/dev/null)" ] || die "$root is not empty"
    make_root bookworm "$root"
    run_in_root "$root" || status=$?
    finish "$status" "$root"
}

# A root is reused once debootstrap has finished in it (it leaves
# /etc/debian_version behind and the partial root's /debootstrap goes).
as_trixie() {
    local root=${1:-/var/tmp/zuno-trixie} status=0
    if [ -f "$root/etc/debian_version" ] && [ ! -d "$root/debootstrap" ]; then
        echo "test-elsewhere: reusing the Debian $(cat "$root/etc/debian_version") root $root"
        rm -rf --one-file-system "$root/src"
    else
        [ -z "$(ls -A "$root" 2>/dev/null)" ] || die "$root is neither empty nor a finished root"
        mkdir -p "$root"
        make_root trixie "$root"
    fi
    run_in_root "$root" || status=$?
    [ "$status" -eq 0 ] || echo "test-elsewhere: kept $root/src" >&2
    exit "$status"
}

case "${1:-}" in
user) as_user "${2:-}" ;;
chroot) as_chroot "${2:-}" ;;
trixie) as_trixie "${2:-}" ;;
_in_chroot) in_chroot "$2" ;;
*) echo "usage: $0 user [NAME] | chroot [DIR] | trixie [DIR]" >&2; exit 2 ;;
esac
