#!/usr/bin/env bash
# Sets up a Debian 12 or 13 machine for Zuno Smileys, builds it and then either
# starts the program (./build.sh start) or runs every test (./build.sh test);
# ./build.sh fuzz [SECONDS] runs the fuzz targets of the file readers.
# Safe to run again and again: it installs only what is missing and the build
# is incremental.
set -euo pipefail
cd "$(dirname "$0")"

# What building and running need (./build.sh start): the compiler, the build
# tools and the libraries the code links; a font so windows show text on a
# bare system; the desktop's MIME database and desktop-entry tools, which the
# shell library runs after a registration.
PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-svg-dev libsqlite3-dev libfontconfig-dev
          fonts-dejavu-core shared-mime-info desktop-file-utils)
# The clipboard keeper: XCB to ask X11 for a clipboard manager; on Wayland,
# Qt's Wayland platform plugin and wl-clipboard, which serves the text once
# the program has ended.
PACKAGES+=(libxcb1-dev qt6-wayland wl-clipboard)
# The X and Wayland client libraries through which the program types into the
# window the user came from, and wayland-scanner (libwayland-bin) for the code
# of the compositor's virtual-keyboard protocol.
PACKAGES+=(libx11-dev libxtst-dev libwayland-dev libwayland-bin libxkbcommon-dev)
# A later start hands its command line to the running program through the
# session bus before it builds anything of Qt's: libdbus, as Qt's bus module
# uses it.
PACKAGES+=(libdbus-1-dev)
# The search service serves the overview's search provider through sd-bus,
# on a bus connection of its own, outside Qt's bus thread.
PACKAGES+=(libsystemd-dev)
# The stores' files (favourites, keywords, usage) are read at every start of
# the listing and of the search service: simdjson reads them fast.
PACKAGES+=(libsimdjson-dev)

# What the tests add (./build.sh test). Xvfb, xauth, xdotool and xclip for
# the end-to-end tests on X11; dbus-daemon for a private session bus; gio
# (libglib2.0-bin), through which the shell library's tests read the desktop's
# answers back; the validators, dpkg-shlibdeps and lintian for the installation
# and package test.
TEST_PACKAGES=(xvfb xauth xdotool xclip dbus-daemon libglib2.0-bin
               appstream libxml2-utils dpkg-dev file lintian)
# A headless Wayland compositor (sway) for the keeper's and the typing tests,
# keystrokes into it (wtype) and screenshots of it (grim).
TEST_PACKAGES+=(sway wtype grim)
# GNOME's compositor, headless (mutter), for the keeper's test, and Python's
# GObject bindings, through which the test gives its seat a keyboard.
TEST_PACKAGES+=(mutter python3-gi)
# The accessibility bus and its Python bindings, through which a test reads
# what a screen reader learns of the program.
TEST_PACKAGES+=(at-spi2-core python3-pyatspi)
# The format check: Debian 12's clang-format (14) over the files git tracks,
# left out where the archive has no version 14 (Debian 13 starts at 17, and
# each version formats differently: the check then skips and says why); the
# layer check of the includes (scripts/check-layers.py).
TEST_PACKAGES+=("clang-format-14?" git python3)
# strace, through which a test refuses a system call to the program (the
# listing's write into a pipe) to see it take the other way.
TEST_PACKAGES+=(strace)
# Typing on Plasma and GNOME under Wayland: the desktop portal's front end,
# KWin headless (its virtual back end) with the portal's KDE back end and the
# Wayland plugin of its Qt (Qt 5 on Debian 12; Qt 6 on Debian 13, where it
# needs the screen casting of KWin's plugins in kwin-common), for the typing
# tests.
TEST_PACKAGES+=(xdg-desktop-portal kwin-wayland kwin-common xdg-desktop-portal-kde qtwayland5)
# The desktop's search: the launcher's own runner manager, which the runner
# test loads the installed runner through (KDE Frameworks 5's, and 6's where
# the archive has it: Debian 13), the shortcut daemon that reads the
# default pick shortcut (Plasma 6's kglobalacceld on Debian 13, kglobalaccel5
# in libkf5globalaccel-bin on Debian 12), and the search-provider interface
# file the service is checked against.
TEST_PACKAGES+=(libkf5runner-dev "libkf6runner-dev?" "kglobalacceld|libkf5globalaccel-bin"
               gnome-shell-common)
# A window manager for the warm-pick benchmark, which brings a minimized
# window back as a desktop does.
TEST_PACKAGES+=(openbox)
BUILD_DIR=${BUILD_DIR:-build}

# An entry "a|b" is met by either package, the first one the archive offers
# being installed (Debian releases name some differently); an entry "a?" is
# left out where the archive has no such package.
installed() {
    local p
    for p in ${1//|/ }; do
        # grep reads to the end: with pipefail, a -q that stops early makes
        # the writer's SIGPIPE the pipeline's status, and a package installed
        # or offered looks missing (here and in offered).
        dpkg-query -W -f='${Status}' "${p%\?}" 2>/dev/null | grep 'install ok installed' >/dev/null && return 0
    done
    return 1
}
offered() {  # prints the first package of the entry that the archive has
    local p
    for p in ${1//|/ }; do
        p=${p%\?}
        apt-cache policy "$p" 2>/dev/null | grep '^ *Candidate: [^(]' >/dev/null && { echo "$p"; return 0; }
    done
    return 1
}

install_missing() {
    local wanted=() missing=() p choice
    for p in "${PACKAGES[@]}"; do
        installed "$p" || wanted+=("$p")
    done
    # An optional package the archive does not have is no reason to update.
    local needed=0
    for p in "${wanted[@]}"; do
        [[ $p == *\? ]] && ! offered "$p" >/dev/null || needed=1
    done
    [ "$needed" -eq 1 ] || return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -q
    for p in "${wanted[@]}"; do
        if choice=$(offered "$p"); then
            missing+=("$choice")
        elif [[ $p == *\? ]]; then
            echo "Not in this release's archive, left out: ${p%\?}"
        else
            missing+=("${p%%|*}")  # apt-get then says what is wrong
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Warnings are errors here and in CI (off by default for packagers); the
# test command also builds the benchmarks, so that they keep compiling.
build() {
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZUNO_WARNINGS_AS_ERRORS=ON
    cmake --build "$BUILD_DIR" "$@"
}

case "${1:-}" in
start)
    install_missing
    build
    if [ -x "$BUILD_DIR/bin/ZunoSmiley" ]; then
        exec "$BUILD_DIR/bin/ZunoSmiley"
    fi
    echo "Everything is built in $BUILD_DIR/bin; the catalogue program ZunoSmiley is not there yet."
    ;;
test)
    PACKAGES+=("${TEST_PACKAGES[@]}")
    install_missing
    build --target all benchmarks
    ctest --test-dir "$BUILD_DIR" --output-on-failure
    ;;
fuzz)
    # The readers under libFuzzer with the address and undefined-behaviour
    # sanitizers, for the given seconds each (60 unless told); new inputs go
    # to a copy of the checked-in corpus. clang is needed only here.
    PACKAGES+=(clang "libclang-rt-14-dev|libclang-rt-19-dev")
    install_missing
    seconds=${2:-60}
    cmake -S . -B "$BUILD_DIR-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
          -DCMAKE_CXX_COMPILER=clang++ -DZUNO_FUZZ=ON -DBUILD_TESTING=OFF
    cmake --build "$BUILD_DIR-fuzz" --target fuzz_userlistreader fuzz_settingsstore
    for target in userlistreader:userlist settingsstore:settings; do
        corpus=$BUILD_DIR-fuzz/corpus/${target#*:}
        mkdir -p "$corpus"
        cp -n fuzz/corpus/"${target#*:}"/* "$corpus"/ 2>/dev/null || true
        # A stored settings value may claim a huge length; Qt copes when that
        # allocation fails, so the allocator answers null instead of aborting.
        ASAN_OPTIONS=allocator_may_return_null=1 \
            "$BUILD_DIR-fuzz/bin/fuzz_${target%%:*}" -max_total_time="$seconds" \
            -artifact_prefix="$BUILD_DIR-fuzz/" "$corpus"
    done
    ;;
*)
    echo "usage: $0 start|test|fuzz [SECONDS]" >&2
    exit 2
    ;;
esac
