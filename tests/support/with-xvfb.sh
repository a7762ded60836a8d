#!/bin/sh
# Runs a command on a virtual X display of its own (a free display number is
# picked), for tests that need a real X server: a 1024x768 screen with the
# default keymap and no window manager. Skips (77) where Xvfb is missing.
command -v xvfb-run >/dev/null 2>&1 || { echo "SKIP: xvfb-run is not installed"; exit 77; }
exec xvfb-run -a -s "-screen 0 1024x768x24" "$@"
