#!/bin/bash
# The program installed as a user gets it, checked from outside:
#  1. `cmake --install` into a temporary DESTDIR gives the expected tree, with
#     the clipboard keeper where the program looks for it;
#  2. the desktop entry, the metainfo and the MIME package pass their validators;
#  3. `cpack -G DEB` builds the program's, the -dev and the -tools package, which
#     share the installed tree between them, depend on each other by exact
#     version, and which lintian accepts;
#  4. a client program builds against the libraries' CMake package (from the
#     program's and the -dev package unpacked, or else the installed tree) and runs;
#  5. the program's package alone unpacked into a throw-away root starts from
#     its desktop entry under Xvfb, as an ordinary user with a fresh home, and
#     keeps the lists in that home's data folder.
#
#   install_test.sh BUILD_DIR SOURCE_DIR
# Environment (set by CTest): ZUNO_PROGRAMS, ZUNO_TOOLS, ZUNO_LIBRARIES, ZUNO_PRIVATE_LIBDIR,
# ZUNO_LIBEXECDIR, ZUNO_CMAKEDIR, ZUNO_ICON_SIZES, ZUNO_APP_ID (space-separated lists).
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
. "$src/tests/support/waits.sh"
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
# The window's module, loaded by the program from the private folder.
module=$usr/$ZUNO_PRIVATE_LIBDIR/libZunoSmileyWindow.so
[ -f "$module" ] || fail "the window's module in the private folder"
[[ "$(env -u LD_LIBRARY_PATH ldd "$module")" != *"not found"* ]] \
    || fail "the window's module does not find its libraries"
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
# KWin grants fake input to the executable an entry's Exec names by its path.
grep -qx "Exec=/usr/bin/ZunoSmiley %F" "$usr/share/applications/$id.desktop" \
    || fail "the desktop entry names /usr/bin/ZunoSmiley"
grep -qx "Exec=/usr/$ZUNO_LIBEXECDIR/zuno-insert-text --type" \
    "$usr/share/applications/$id.InsertText.desktop" || fail "the insert helper's desktop entry"
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
# The session bus starts the search service by its installed path, for the
# runner's name and for the overview provider's (the name its file gives).
for name in Search Search.Overview; do
    grep -qx "Exec=/usr/$ZUNO_LIBEXECDIR/zuno-search-service" \
        "$usr/share/dbus-1/services/$id.$name.service" || fail "the search service's bus service file for $name"
    grep -qx "Name=$id.$name" "$usr/share/dbus-1/services/$id.$name.service" || fail "the bus name of $id.$name.service"
done
grep -qx "BusName=$id.Search.Overview" "$usr/share/gnome-shell/search-providers/$id.search-provider.ini" \
    || fail "the overview provider's bus name"
[[ "$(env -u LD_LIBRARY_PATH ldd "$keeper")" != *"not found"* ]] || fail "the keeper does not find its libraries"
writable=$(find "$dest" ! -type l -perm /022)
[ -z "$writable" ] || fail "writable by others: $writable"
check "cmake --install gives the programs, libraries, headers, CMake package, man pages, desktop files and icons"

# --- 2. validators ------------------------------------------------------------
if need desktop-file-validate "desktop entry validation"; then
    desktop-file-validate "$usr/share/applications/$id.desktop" || fail "desktop-file-validate"
    desktop-file-validate "$usr/share/krunner/dbusplugins/$id.desktop" \
        || fail "desktop-file-validate of the runner's file"
    desktop-file-validate "$usr/share/applications/$id.InsertText.desktop" \
        || fail "desktop-file-validate of the insert helper's entry"
    check "desktop-file-validate accepts the desktop entry"
fi
if need appstreamcli "metainfo validation"; then
    # The metainfo alone, then with the files it names (its desktop entry).
    appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" >"$work/as.log" \
        && appstreamcli validate-tree --no-net "$dest" >>"$work/as.log" \
        || { cat "$work/as.log"; fail "appstreamcli validate"; }
    # The built-in texts hold profanity: an empty rating would say "all ages".
    grep -q '<content_attribute id="language-profanity">' "$usr/share/metainfo/$id.metainfo.xml" \
        || fail "the content rating names the profanity of the built-in texts"
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

# --- 3. the Debian packages ----------------------------------------------------
deb=
client_prefix=$usr
if need dpkg-shlibdeps "Debian packages"; then
    cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 \
        || { cat "$work/cpack.log"; fail "cpack -G DEB"; }
    [ "$(ls "$work"/pkg/*.deb | xargs -n1 basename | sed 's/_.*//' | sort | tr '\n' ' ')" \
        = "zunosmiley zunosmiley-dev zunosmiley-tools " ] \
        || fail "the packages are zunosmiley, -dev and -tools: $(ls "$work"/pkg/*.deb)"
    deb=$(ls "$work"/pkg/zunosmiley_*.deb)
    dev=$(ls "$work"/pkg/zunosmiley-dev_*.deb)
    tools=$(ls "$work"/pkg/zunosmiley-tools_*.deb)
    version=$(dpkg-deb -f "$deb" Version)
    # The files of a package, one path a line, folders aside.
    contents() { dpkg-deb -c "$1" | grep -v '^d' | awk '{ print $6 }' | sed 's|^\./||' | sort; }
    contents "$deb" >"$work/runtime.list"
    contents "$dev" >"$work/dev.list"
    contents "$tools" >"$work/tools.list"

    # Together the packages hold the installed tree, each file once.
    (cd "$dest" && find . ! -type d | sed 's|^\./||' | sort) >"$work/installed.list"
    sort "$work"/runtime.list "$work"/dev.list "$work"/tools.list >"$work/packaged.list"
    uniq -d "$work/packaged.list" >"$work/twice.list"
    [ ! -s "$work/twice.list" ] || fail "in two packages: $(cat "$work/twice.list")"
    diff "$work/installed.list" "$work/packaged.list" || fail "the packages hold the installed tree"

    # The program's package: no header, no CMake file, no tool.
    ! grep -E '\.h$|\.cmake$|^usr/include/|/cmake/' "$work/runtime.list" \
        || fail "headers or CMake files in the program's package"
    for tool in $ZUNO_TOOLS; do
        ! grep -E "^usr/bin/$tool\$|/man1/$tool\.1\.gz\$" "$work/runtime.list" \
            || fail "$tool in the program's package"
        grep -qx "usr/bin/$tool" "$work/tools.list" || fail "$tool in the tools package"
        grep -qx "usr/share/man/man1/$tool.1.gz" "$work/tools.list" || fail "man page of $tool"
    done
    grep -qx usr/bin/ZunoSmiley "$work/runtime.list" || fail "the program in its package"
    [ -z "$(grep -v -e '^usr/share/doc/' -e '^usr/share/lintian/' -e '^usr/bin/' \
        -e '^usr/share/man/man1/' "$work/tools.list")" ] || fail "the tools package holds more: $(cat "$work/tools.list")"
    [ -z "$(grep -v -e '^usr/share/doc/' -e '^usr/share/lintian/' -e '^usr/include/zunosmiley/' \
        -e "^usr/$ZUNO_CMAKEDIR/" "$work/dev.list")" ] || fail "the -dev package holds more: $(cat "$work/dev.list")"
    grep -q '^usr/include/zunosmiley/.*\.h$' "$work/dev.list" || fail "headers in the -dev package"
    grep -qx "usr/$ZUNO_CMAKEDIR/ZunoSmileysConfig.cmake" "$work/dev.list" \
        || fail "the CMake package in the -dev package"

    # A library package as dpkg-shlibdeps names it: Debian 13 renamed some for
    # its 64-bit time_t (libqt6core6t64), so either name, each with a version.
    names() { local re=", $2(t64)? \\("; [[ ", $1" =~ $re ]]; }
    depends=$(dpkg-deb -f "$deb" Depends)
    for lib in libqt6widgets6 libqt6svg6 libsqlite3-0 libc6; do
        names "$depends" "$lib" || fail "Depends lacks $lib: $depends"
    done
    [[ "$depends" != *zunosmiley* ]] || fail "the program's package depends on itself: $depends"
    [ "$(dpkg-deb -f "$deb" Recommends)" = "qt6-wayland, wl-clipboard" ] \
        || fail "Recommends qt6-wayland, wl-clipboard"
    for package in "$dev" "$tools"; do
        name=$(dpkg-deb -f "$package" Package)
        [ "$(dpkg-deb -f "$package" Version)" = "$version" ] || fail "version of $name"
        [[ ", $(dpkg-deb -f "$package" Depends), " == *", zunosmiley (= $version), "* ]] \
            || fail "$name depends on zunosmiley (= $version): $(dpkg-deb -f "$package" Depends)"
    done
    names "$(dpkg-deb -f "$tools" Depends)" libqt6core6 \
        || fail "the tools' libraries in their Depends: $(dpkg-deb -f "$tools" Depends)"
    declare -A packages=([runtime]=$deb [dev]=$dev [tools]=$tools)
    for kind in runtime dev tools; do
        package=${packages[$kind]}
        name=$(dpkg-deb -f "$package" Package)
        control=$(dpkg-deb --ctrl-tarfile "$package" | tar -t | sed 's|^\./||' | grep . | sort | tr '\n' ' ')
        [ "$control" = "control md5sums " ] || fail "$name: control files other than control, md5sums: $control"
        for doc in changelog.Debian.gz copyright; do
            grep -qx "usr/share/doc/$name/$doc" "$work/$kind.list" || fail "$name: $doc"
        done
    done
    check "cpack -G DEB: $(cd "$work/pkg" && echo *.deb), the tree shared between them, exact-version Depends"
    if need lintian "lintian"; then
        for package in "$deb" "$dev" "$tools"; do
            status=0
            lintian --fail-on error,warning --pedantic -I -E "$package" >"$work/lintian.log" 2>&1 \
                || status=$?
            grep -v '^running with root' "$work/lintian.log" || true
            [ "$status" -eq 0 ] || fail "lintian reports errors or warnings on $(basename "$package")"
            # The one tag left is explained: the binaries are built with
            # _FORTIFY_SOURCE, but the compiler proves their few calls safe, so no
            # checked variant is called.
            unexplained=$(grep -E '^[EWIPX]: ' "$work/lintian.log" \
                | grep -v '^I: [^ ]* hardening-no-fortify-functions ' || true)
            [ -z "$unexplained" ] || fail "lintian tags not explained: $unexplained"
        done
        check "lintian on each package: no error, no warning, no unexplained tag"
    fi
    client_prefix=$work/client-root/usr
    dpkg -x "$deb" "$work/client-root"
    dpkg -x "$dev" "$work/client-root"
fi

# --- 4. a client of the libraries' CMake package -------------------------------
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
cmake -S "$work/client" -B "$work/client/build" -G Ninja -DCMAKE_PREFIX_PATH="$client_prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_SKIP_BUILD_RPATH=ON >"$work/client.log" 2>&1 \
    && cmake --build "$work/client/build" >>"$work/client.log" 2>&1 \
    || { cat "$work/client.log"; fail "a client builds against the CMake package"; }
[ "$(env -u LD_LIBRARY_PATH "$work/client/build/client")" = "Copier" ] \
    || fail "the client runs with the installed libraries"
check "a client builds with find_package(ZunoSmileys) in $client_prefix and runs with its libraries"

# --- 5. the program's package alone, started from its desktop entry ----------
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
    # Shown: the program is up, its termination handling in place.
    zuno_x11_find_shown 30 '^Orvak Zuno Smileys$' >/dev/null || fail "no window appeared"
    # The desktop matches the window to its entry by the window's class.
    wm_class=$(sed -n 's/^StartupWMClass=//p' "$root/usr/share/applications/$id.desktop")
    xdotool search --class "^$wm_class\$" >/dev/null || fail "no window of class '$wm_class'"
    check "the installed program shows its window (Exec=$exec_line, class $wm_class)"
    kill -TERM "$pid"
    timeout 30 tail --pid="$pid" -f /dev/null || fail "the program did not end"
    status=0
    wait "$pid" || status=$?
    pid=
    [ "$status" -eq 0 ] || fail "the program ended with status $status"
    [ "$(od -An -tx1 "$data/ZunoSmileys/Smileys.smy" | tr -d ' \n')" \
        = "223c3a6f29222c22436c6f776e220d0a" ] || fail "Smileys.smy kept byte for byte"
    # A close with no change of the user's writes no list; the setting is saved.
    [ ! -e "$data/ZunoSmileys/Acronyms.acr" ] || fail "no Acronyms.acr without a change"
    settings=$home/.config/ZunoSmileys/ZunoSmileys.conf
    [ -f "$settings" ] || fail "the setting saved"
    [ "$(id -u)" -ne 0 ] || [ "$(stat -c %u "$settings")" = 65534 ] \
        || fail "the program ran as an ordinary user"
    [ -z "$(find "$root" -name '*.smy' -o -name '*.acr')" ] || fail "list files in the installed tree"
    check "after SIGTERM the lists are in \$XDG_DATA_HOME/ZunoSmileys/, left as they were"
elif [ -n "$deb" ] && [ -z "${DISPLAY:-}" ]; then
    skipped+=("start from the desktop entry (xvfb-run is not installed)")
fi

if [ ${#skipped[@]} -gt 0 ]; then
    printf 'SKIP: %s\n' "${skipped[@]}"
    exit 77
fi
echo "install test: all checks passed"
