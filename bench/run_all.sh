#!/usr/bin/env bash
# Runs every benchmark of an existing build on an X display of its own and
# prints their figures. It builds nothing (build the project first, e.g.
# ./build.sh) and never fails: the figures are the output.
#
#   bench/run_all.sh [BUILD_DIR] [RUNS]      BUILD_DIR build by default, RUNS 3
#
# bench_startup drives the program, the floor program and the bare window
# under Xvfb (it needs a real X server for its DAMAGE and XTEST requests),
# bench_warmpick a pick of the running program there under openbox and under
# a headless sway of its own;
# bench_userlist_add and bench_catalogue_load run offscreen. Every program
# runs in a temporary home, with a session bus of its own (dbus-run-session).
set -u
build=${1:-build}
runs=${2:-3}
bin=$build/bin
for program in bench_startup bench_userlist_add bench_catalogue_load; do
    [ -x "$bin/$program" ] || { echo "run_all: no $bin/$program; build the project first"; exit 0; }
done
if [ -z "${ZUNO_BENCH_DISPLAY:-}" ]; then
    command -v xvfb-run >/dev/null || { echo "run_all: xvfb-run is not installed"; exit 0; }
    # A session bus of its own too: the program looks for its running window
    # there, and must never find the user's.
    bus=()
    if command -v dbus-run-session >/dev/null; then
        bus=(env ZUNO_BENCH_PRIVATE_BUS=1 dbus-run-session --)
    fi
    exec env ZUNO_BENCH_DISPLAY=1 "${bus[@]}" \
        xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$@"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data
export XDG_CACHE_HOME=$work/home/cache XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

echo "== start-up, language switch, close, peak memory (X11 under Xvfb)"
"$bin/bench_startup" "$runs" || true
echo
echo "== a warm pick: the running program's window, hidden, brought up by --pick (X11 with openbox; headless sway)"
[ -x "$bin/bench_warmpick" ] && { "$bin/bench_warmpick" $((runs * 2 + 1)) || true; }
echo
echo "== Add at N rows (offscreen)"
QT_QPA_PLATFORM=offscreen "$bin/bench_userlist_add" "$runs" || true
echo
echo "== import of one list file at 10k, 100k, 1M entries (offscreen)"
[ -x "$bin/bench_import" ] && { QT_QPA_PLATFORM=offscreen "$bin/bench_import" || true; }
echo
echo "== list file load through the catalogue controls"
"$bin/bench_catalogue_load" "$runs" || true
echo
echo "== file-type registration at the start, first and repeated"
[ -x "$bin/bench_registration" ] && { "$bin/bench_registration" || true; }
echo
echo "== keystroke in the filter bar to the painted list (offscreen)"
[ -x "$bin/bench_filter" ] && { QT_QPA_PLATFORM=offscreen "$bin/bench_filter" || true; }
echo
echo "== the ranked filter with favourites and a usage history, the pick list, the start (offscreen)"
[ -x "$bin/bench_ranked_filter" ] && { QT_QPA_PLATFORM=offscreen "$bin/bench_ranked_filter" "$runs" || true; }
echo
echo "== ranked search per keystroke beside the unranked filter, and the empty pick list"
[ -x "$bin/bench_search" ] && { "$bin/bench_search" "$runs" || true; }
echo
echo "== ZunoSmiley --list to a pipe, beside reading the two list files alone"
[ -x "$bin/bench_menu_list" ] && { "$bin/bench_menu_list" $((runs * 2 + 1)) || true; }
echo
echo "== the desktop's search: a runner Match and an overview search warm, the cold start"
[ -x "$bin/bench_launcher" ] && { "$bin/bench_launcher" "$runs" || true; }
echo
echo "== the search service under huge calls: a probe Match idle and under attack, its memory"
[ -x "$bin/bench_service_stall" ] && { "$bin/bench_service_stall" || true; }
exit 0
