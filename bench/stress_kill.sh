#!/usr/bin/env bash
# Kills a catalogue window with SIGKILL one second after an Add, an Edit or a
# Remove, and checks that the next start shows the change. Prints how many
# of each were lost; exits 1 when any was.
#
#   bench/stress_kill.sh BIN_DIR [TRIALS]     BIN_DIR holds window_driver; 50 trials by default
#
# Everything runs offscreen in a temporary home; nothing of the user's is touched.
set -u
driver=${1:?usage: stress_kill.sh BIN_DIR [TRIALS]}/window_driver
trials=${2:-50}
[ -x "$driver" ] || { echo "no window_driver in $1" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data
export XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
lists=$work/lists
tab=$'\t'

# The user entries the next start shows, one "text<tab>description" a line.
rows_at_start() {
    coproc CHECK { exec "$driver" "$lists"; }
    local line
    read -r line <&"${CHECK[0]}"
    echo "rows${tab}0" >&"${CHECK[1]}"
    while read -r line <&"${CHECK[0]}" && [ "$line" != end ]; do
        printf '%s\n' "$line"
    done
    kill -9 "$CHECK_PID" 2>/dev/null
    wait "$CHECK_PID" 2>/dev/null
}

declare -A lost=([add]=0 [edit]=0 [remove]=0)
for ((trial = 1; trial <= trials; ++trial)); do
    for op in add edit remove; do
        rm -rf "$lists" && mkdir -p "$lists"
        printf '"(base)","before"\r\n"(gone)","to remove"\r\n' >"$lists/Smileys.smy"
        case $op in
        add) command="add${tab}0${tab}(new$trial)${tab}added"; want="(new$trial)${tab}added" ;;
        edit) command="edit${tab}0${tab}(base)${tab}(base)${tab}edited $trial"; want="(base)${tab}edited $trial" ;;
        remove) command="remove${tab}0${tab}(gone)"; want="" ;;
        esac
        coproc WINDOW { exec "$driver" "$lists"; }
        read -r line <&"${WINDOW[0]}"           # ready
        echo "$command" >&"${WINDOW[1]}"
        read -r line <&"${WINDOW[0]}"           # done 1
        sleep 1
        kill -9 "$WINDOW_PID"
        wait "$WINDOW_PID" 2>/dev/null
        shown=$(rows_at_start)
        if [ -n "$want" ]; then
            grep -qxF "$want" <<<"$shown" || lost[$op]=$((lost[$op] + 1))
        else
            ! grep -q '^(gone)' <<<"$shown" || lost[$op]=$((lost[$op] + 1))
        fi
    done
done
echo "trials: $trials of each; lost: add ${lost[add]}, edit ${lost[edit]}, remove ${lost[remove]}"
[ $((lost[add] + lost[edit] + lost[remove])) -eq 0 ]
