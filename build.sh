#!/usr/bin/env bash
# Sets up a Debian 12 machine for Zuno Smileys, builds it and then either
# starts the program (./build.sh start) or runs every test (./build.sh test);
# ./build.sh fuzz [SECONDS] runs the fuzz targets of the file readers.
# Safe to run again and again: it installs only what is missing and the build
# is incremental.
set -euo pipefail
cd "$(dirname "$0")"

# Compiler, build tools and the libraries the code links; Xvfb, xauth, xdotool
# and xclip for the end-to-end test; dbus-daemon for a private session bus in
# the object library's file-manager test and the one-window-per-user test; a
# font so windows render text offscreen; the validators, dpkg-shlibdeps and
# lintian for the installation and package test.
PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-svg-dev libsqlite3-dev
          xvfb xauth xdotool xclip dbus-daemon fonts-dejavu-core
          desktop-file-utils appstream libxml2-utils dpkg-dev file lintian)
# The desktop's MIME database and desktop-entry tools, which the shell library
# runs after a registration, and gio, through which its tests read them back.
PACKAGES+=(shared-mime-info libglib2.0-bin)
# The clipboard keeper: XCB to ask X11 for a clipboard manager; on Wayland,
# Qt's Wayland platform plugin and wl-clipboard, which serves the text once
# the program has ended. Its tests: a headless compositor (sway), keystrokes
# into it (wtype) and screenshots of it (grim).
PACKAGES+=(libxcb1-dev qt6-wayland wl-clipboard sway wtype grim)
# The X and Wayland client libraries through which the program types into the
# window the user came from, and wayland-scanner (libwayland-bin) for the code
# of the compositor's virtual-keyboard protocol.
PACKAGES+=(libx11-dev libxtst-dev libwayland-dev libwayland-bin libxkbcommon-dev)
# The accessibility bus and its Python bindings, through which a test reads
# what a screen reader learns of the program.
PACKAGES+=(at-spi2-core python3-pyatspi)
BUILD_DIR=${BUILD_DIR:-build}

install_missing() {
    local missing=() p
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

build() {
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release
    cmake --build "$BUILD_DIR"
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
    install_missing
    build
    ctest --test-dir "$BUILD_DIR" --output-on-failure
    ;;
fuzz)
    # The readers under libFuzzer with the address and undefined-behaviour
    # sanitizers, for the given seconds each (60 unless told); new inputs go
    # to a copy of the checked-in corpus. clang is needed only here.
    PACKAGES+=(clang libclang-rt-14-dev)
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
