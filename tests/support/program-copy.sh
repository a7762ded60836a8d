# Sourced by the end-to-end tests that start the real program.
#
# zuno_copy_program BIN_DIR WORK: a copy of the program of its own in
# WORK/prog, with its libraries and its clipboard keeper, so that its list
# files land there and the test's processes are told apart by path; a fresh
# home in WORK/home; and never the user's session bus, where the program
# would hand itself to the user's own running window.
zuno_copy_program() {
    mkdir -p "$2/prog" "$2/home"
    cp "$1/ZunoSmiley" "$1/zuno-clipboard-keeper" "$1"/lib*.so* "$2/prog/"
    export HOME=$2/home XDG_CONFIG_HOME=$2/home/config XDG_DATA_HOME=$2/home/data \
           XDG_CACHE_HOME=$2/home/cache
    unset DBUS_SESSION_BUS_ADDRESS
}

# zuno_private_bus WORK: a session bus of the test's own; its daemon's pid is
# in WORK/bus.pid. It starts no service on request: the desktop portal, which
# Qt asks for its settings, would start the document portal, which mounts its
# folder in the test's home (the cache folder, with no XDG_RUNTIME_DIR) and
# outlives the bus, so the home could not be removed.
zuno_private_bus() {
    printf '%s' '<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>' \
        '<auth>EXTERNAL</auth><policy context="default">' \
        '<allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/>' \
        '<allow own="*"/></policy></busconfig>' >"$1/bus.conf"
    dbus-daemon --config-file="$1/bus.conf" --fork --print-address=3 --print-pid=4 \
        3>"$1/address" 4>"$1/bus.pid"
    DBUS_SESSION_BUS_ADDRESS=$(cat "$1/address")
    export DBUS_SESSION_BUS_ADDRESS
}
