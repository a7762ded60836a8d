#!/bin/bash
# The program installed as a user gets it, checked from outside:
#  1. `cmake --install` into a temporary DESTDIR gives the expected tree, with
#     the clipboard keeper where the program looks for it;
#  2. the desktop entry, the metainfo and the MIME package pass their validators;
#  3. a client program builds against the libraries' CMake package and runs;
#  4. `cpack -G DEB` builds the package and lintian accepts it;
#  5. the package unpacked into a throw-away root starts from its desktop
#     entry under Xvfb, as an ordinary user with a fresh home, and keeps the
#     lists in that home's data folder.
#
#   install_test.sh BUILD_DIR SOURCE_DIR
# Environment (set by CTest): ZUNO_PROGRAMS, ZUNO_LIBRARIES, ZUNO_PRIVATE_LIBDIR, ZUNO_LIBEXECDIR,
# ZUNO_CMAKEDIR, ZUNO_ICON_SIZES, ZUNO_APP_ID (space-separated lists).
set -euo pipefail
build=$(realpath "${1:?usage: install_test.sh BUILD_DIR SOURCE_DIR}")
src=$(realpath "${2:?usage: install_test.sh BUILD_DIR SOURCE_DIR}")
id=$ZUNO_APP_ID

# Step 5 needs a display: the whole script runs inside xvfb-run.
if [ -z "${ZUNO_INSTALL_TEST_DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
    exec env ZUNO_INSTALL_TEST_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

work=$(mktemp -d)
run=
pid=
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null || true
    [ -z "$run" ] || { chmod -R u+w "$run"; rm -rf "$run"; }
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
check() { echo "ok: $*"; }
skipped=()
need() { command -v "$1" >/dev/null || { skipped+=("$2 ($1 is not installed)"); return 1; }; }

# A PNG's width and height from its header.
png_size() { od -An -j16 -N8 -tu1 "$1" | awk '{ print $3*256+$4 "x" $7*256+$8 }'; }

# --- 1. the installed tree --------------------------------------------------
dest=$work/dest
DESTDIR=$dest cmake --install "$build" --prefix /usr >/dev/null
usr=$dest/usr
for p in $ZUNO_PROGRAMS; do
    [ -x "$usr/bin/$p" ] || fail "program $p in bin"
    [ -f "$usr/share/man/man1/$p.1.gz" ] || fail "man page of $p"
    libs=$(env -u LD_LIBRARY_PATH ldd "$usr/bin/$p")
    [[ "$libs" != *"not found"* ]] || fail "$p does not find its libraries: $libs"
    for lib in $ZUNO_LIBRARIES; do
        line=$(grep "lib$lib\.so" <<<"$libs" || true)
        [ -z "$line" ] || [[ "$line" == *"=> $usr/bin/../$ZUNO_PRIVATE_LIBDIR/"* ]] \
            || fail "$p takes lib$lib from the private folder: $line"
    done
done
[ "$(ls "$usr/bin" | sort)" = "$(tr ' ' '\n' <<<"$ZUNO_PROGRAMS" | sort)" ] \
    || fail "bin holds $(ls "$usr/bin" | tr '\n' ' '), not $ZUNO_PROGRAMS"
for page in "$src"/docs/man/*.1; do
    name=$(basename "$page")
    gzip -dc "$usr/share/man/man1/$name.gz" | cmp -s - "$page" || fail "man page $name installed"
done
for lib in $ZUNO_LIBRARIES; do
    so=$(ls "$usr/$ZUNO_PRIVATE_LIBDIR"/lib$lib.so.*.*.* 2>/dev/null) || fail "library $lib"
    soname=$(readelf -d "$so" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
    [ -L "$usr/$ZUNO_PRIVATE_LIBDIR/$soname" ] || fail "$lib: link of its SONAME $soname"
done
[ -f "$usr/$ZUNO_CMAKEDIR/ZunoSmileysConfig.cmake" ] || fail "CMake package"
# The installation's class registry store names each class's installed library.
store=$usr/share/ZunoSmileys/registry.sqlite
default_of() { "$build/bin/ovreg" --store "$store" query "$1" | sed -n 's/^(default)  REG_SZ  //p'; }
for progid in OrvakLocalizer.ZunoSmiley1 OrvakObject.OVObject OrvakShell.ShellLib2 \
              OrvakShell.ShellLib OrvakSmileys.OVSmiley OrvakSmileys.OVAcronym; do
    clsid=$(default_of "$progid\\CLSID")
    [ -n "$clsid" ] || fail "installed store registers $progid"
    library=$(default_of "CLSID\\$clsid\\InprocServer32")
    [[ "$library" == /usr/$ZUNO_PRIVATE_LIBDIR/* && -f "$dest$library" ]] \
        || fail "$progid's library in the installed store: $library"
done
[ -f "$usr/share/applications/$id.desktop" ] || fail "desktop entry"
[ -f "$usr/share/metainfo/$id.metainfo.xml" ] || fail "metainfo"
[ -f "$usr/share/mime/packages/$id.xml" ] || fail "MIME package"
[ -z "$(find "$usr/share/mime" -name mime.cache)" ] || fail "a mime.cache is shipped"
for icon in "apps/$id" mimetypes/application-x-zunosmileys mimetypes/application-x-zunoacronyms; do
    xmllint --noout "$usr/share/icons/hicolor/scalable/$icon.svg" || fail "scalable $icon"
    for size in $ZUNO_ICON_SIZES; do
        png=$usr/share/icons/hicolor/${size}x$size/$icon.png
        [ -f "$png" ] || fail "$png"
        [ "$(png_size "$png")" = "${size}x$size" ] || fail "$png is $(png_size "$png")"
    done
done
# The program starts its clipboard keeper from the libexec folder.
keeper=$("$build/bin/handover_driver" --keeper-for "$usr/bin")
[ "$keeper" = "$usr/$ZUNO_LIBEXECDIR/zuno-clipboard-keeper" ] \
    || fail "the installed program looks for its clipboard keeper at $keeper"
[ -x "$keeper" ] || fail "no clipboard keeper at $keeper"
libexec=$(ls "$usr/$ZUNO_LIBEXECDIR" | tr '\n' ' ')
[ "$libexec" = "zuno-clipboard-keeper zuno-insert-text zuno-search-service " ] \
    || fail "libexec holds $libexec"
# The session bus starts the search service by its installed path.
grep -qx "Exec=/usr/$ZUNO_LIBEXECDIR/zuno-search-service" \
    "$usr/share/dbus-1/services/$id.Search.service" || fail "the search service's bus service file"
[[ "$(env -u LD_LIBRARY_PATH ldd "$keeper")" != *"not found"* ]] || fail "the keeper does not find its libraries"
writable=$(find "$dest" ! -type l -perm /022)
[ -z "$writable" ] || fail "writable by others: $writable"
check "cmake --install gives the programs, libraries, headers, CMake package, man pages, desktop files and icons"

# --- 2. validators ------------------------------------------------------------
if need desktop-file-validate "desktop entry validation"; then
    desktop-file-validate "$usr/share/applications/$id.desktop" || fail "desktop-file-validate"
    desktop-file-validate "$usr/share/krunner/dbusplugins/$id.desktop" \
        || fail "desktop-file-validate of the runner's file"
    check "desktop-file-validate accepts the desktop entry"
fi
if need appstreamcli "metainfo validation"; then
    # The metainfo alone, then with the files it names (its desktop entry).
    appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" >"$work/as.log" \
        && appstreamcli validate-tree --no-net "$dest" >>"$work/as.log" \
        || { cat "$work/as.log"; fail "appstreamcli validate"; }
    check "appstreamcli validate --no-net and validate-tree accept the metainfo"
fi
xmllint --noout "$usr/share/mime/packages/$id.xml" || fail "xmllint of the MIME package"
if need update-mime-database "MIME database build"; then
    mime=$work/mime
    mkdir -p "$mime/packages"
    cp "$usr/share/mime/packages/$id.xml" "$mime/packages/"
    update-mime-database "$mime" || fail "update-mime-database"
    grep -qx '50:application/x-zunosmileys:\*\.smy' "$mime/globs2" || fail "glob *.smy"
    grep -qx '50:application/x-zunoacronyms:\*\.acr' "$mime/globs2" || fail "glob *.acr"
    grep -qx 'application/x-zunosmileys text/plain' "$mime/subclasses" || fail "parent of .smy"
    grep -qx 'application/x-zunoacronyms text/plain' "$mime/subclasses" || fail "parent of .acr"
    grep -qx 'application/x-zunosmileys:application-x-zunosmileys' "$mime/icons" \
        || fail "icon of .smy"
    grep -q 'xml:lang="fr"' "$mime/application/x-zunoacronyms.xml" || fail "French comment"
fi
check "xmllint and update-mime-database accept the MIME package"

# --- 3. a client of the libraries' CMake package -------------------------------
mkdir -p "$work/client"
cat >"$work/client/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.25)
project(client LANGUAGES CXX)
set(CMAKE_CXX_STANDARD 20)
find_package(ZunoSmileys 1 REQUIRED)
add_executable(client main.cpp)
target_link_libraries(client PRIVATE Zuno::OVSmiley Zuno::OVShell Zuno::OVObj10 Zuno::ZunoCatalogue)
EOF
cat >"$work/client/main.cpp" <<'EOF'
#include <AutomationError.h>
#include <OVAcronym.h>
#include <OVObject.h>
#include <OVSmiley.h>
#include <ShellLib.h>
#include <ShellLib2.h>
#include <ZunoSmiley1.h>
#include <cstdio>
int main()
{
    ZunoSmiley1 localizer;
    localizer.setLanguage(ZunoSmiley1::smFrench);
    std::puts(localizer.ID_INT_COPY().toUtf8().constData());
}
EOF
# Without a build RPATH, only the package's targets tell the client where the libraries are.
cmake -S "$work/client" -B "$work/client/build" -G Ninja -DCMAKE_PREFIX_PATH="$usr" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_SKIP_BUILD_RPATH=ON >"$work/client.log" 2>&1 \
    && cmake --build "$work/client/build" >>"$work/client.log" 2>&1 \
    || { cat "$work/client.log"; fail "a client builds against the CMake package"; }
[ "$(env -u LD_LIBRARY_PATH "$work/client/build/client")" = "Copier" ] \
    || fail "the client runs with the installed libraries"
check "a client builds with find_package(ZunoSmileys) and runs with the installed libraries"

# --- 4. the Debian package -----------------------------------------------------
deb=
if need dpkg-shlibdeps "Debian package"; then
    cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 \
        || { cat "$work/cpack.log"; fail "cpack -G DEB"; }
    deb=$(ls "$work"/pkg/*.deb)
    depends=$(dpkg-deb -f "$deb" Depends)
    for lib in libqt6widgets6 libqt6svg6 libsqlite3-0 libc6; do
        [[ "$depends" == *"$lib "* ]] || fail "Depends lacks $lib: $depends"
    done
    [ "$(dpkg-deb -f "$deb" Recommends)" = "qt6-wayland, wl-clipboard" ] \
        || fail "Recommends qt6-wayland, wl-clipboard"
    control=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep . | sort | tr '\n' ' ')
    [ "$control" = "control md5sums " ] || fail "control files other than control, md5sums: $control"
    [[ "$(dpkg-deb -c "$deb")" == *" ./usr/share/doc/zunosmiley/changelog.Debian.gz"* ]] \
        || fail "changelog.Debian.gz"
    check "cpack -G DEB: $(basename "$deb"), dependencies from dpkg-shlibdeps, no maintainer scripts"
    if need lintian "lintian"; then
        status=0
        lintian --fail-on error,warning --pedantic -I -E "$deb" >"$work/lintian.log" 2>&1 \
            || status=$?
        grep -v '^running with root' "$work/lintian.log" || true
        [ "$status" -eq 0 ] || fail "lintian reports errors or warnings"
        # The one tag left is explained: the binaries are built with
        # _FORTIFY_SOURCE, but the compiler proves their few calls safe, so no
        # checked variant is called.
        unexplained=$(grep -E '^[EWIPX]: ' "$work/lintian.log" \
            | grep -v '^I: [^ ]* hardening-no-fortify-functions ' || true)
        [ -z "$unexplained" ] || fail "lintian tags not explained: $unexplained"
        check "lintian: no error, no warning, no unexplained tag"
    fi
fi

# --- 5. the unpacked package, started from its desktop entry ------------------
if [ -n "$deb" ] && need xdotool "start from the desktop entry" && [ -n "${DISPLAY:-}" ]; then
    # Below /tmp, which every user can enter, wherever the build folder is.
    run=$(mktemp -d /tmp/zuno-install-test.XXXXXX)
    chmod 755 "$run"
    root=$run/root
    dpkg -x "$deb" "$root"
    exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/$id.desktop")
    # No file to open: the field codes stand for nothing.
    read -r -a command <<<"$(sed 's/%[fFuUick]//g' <<<"$exec_line")"
    program=${command[0]}
    [[ "$program" == /* ]] || program=/usr/bin/$program
    command[0]=$root$program
    [ -x "${command[0]}" ] || fail "Exec=$exec_line names no program in the package"

    home=$run/home
    data=$home/.local/share
    mkdir -p "$data/ZunoSmileys" "$home/.config" "$home/.cache" "$home/runtime"
    chmod 700 "$home/runtime"
    printf '"<:o)","Clown"\r\n' >"$data/ZunoSmileys/Smileys.smy"
    cp "${XAUTHORITY:?}" "$home/.Xauthority"
    as_user=()
    if [ "$(id -u)" -eq 0 ]; then
        # Root writes anywhere: the program runs as an ordinary user.
        chown -R 65534:65534 "$home"
        as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
    else
        chmod -R a-w "$root"
    fi
    "${as_user[@]}" env -i PATH="$root/usr/bin:/usr/bin:/bin" HOME="$home" \
        XDG_DATA_HOME="$data" XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache" \
        XDG_RUNTIME_DIR="$home/runtime" DISPLAY="$DISPLAY" XAUTHORITY="$home/.Xauthority" \
        QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 "${command[@]}" &
    pid=$!
    timeout 30 xdotool search --sync --name '^Orvak Zuno Smileys$' >/dev/null \
        || fail "no window appeared"
    # The desktop matches the window to its entry by the window's class.
    wm_class=$(sed -n 's/^StartupWMClass=//p' "$root/usr/share/applications/$id.desktop")
    xdotool search --class "^$wm_class\$" >/dev/null || fail "no window of class '$wm_class'"
    check "the installed program shows its window (Exec=$exec_line, class $wm_class)"
    sleep 1
    kill -TERM "$pid"
    timeout 30 tail --pid="$pid" -f /dev/null || fail "the program did not end"
    status=0
    wait "$pid" || status=$?
    pid=
    [ "$status" -eq 0 ] || fail "the program ended with status $status"
    [ "$(od -An -tx1 "$data/ZunoSmileys/Smileys.smy" | tr -d ' \n')" \
        = "223c3a6f29222c22436c6f776e220d0a" ] || fail "Smileys.smy kept byte for byte"
    [ -f "$data/ZunoSmileys/Acronyms.acr" ] || fail "Acronyms.acr in the data folder"
    [ "$(id -u)" -ne 0 ] || [ "$(stat -c %u "$data/ZunoSmileys/Acronyms.acr")" = 65534 ] \
        || fail "the program ran as an ordinary user"
    [ -z "$(find "$root" -name '*.smy' -o -name '*.acr')" ] || fail "list files in the installed tree"
    check "after SIGTERM the lists are in \$XDG_DATA_HOME/ZunoSmileys/"
elif [ -n "$deb" ] && [ -z "${DISPLAY:-}" ]; then
    skipped+=("start from the desktop entry (xvfb-run is not installed)")
fi

if [ ${#skipped[@]} -gt 0 ]; then
    printf 'SKIP: %s\n' "${skipped[@]}"
    exit 77
fi
echo "install test: all checks passed"
