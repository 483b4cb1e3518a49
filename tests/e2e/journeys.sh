#!/usr/bin/env bash
# Operator journeys through the built program at a real X display (Xvfb with
# openbox), typed with xdotool; the results are read back from the log files
# with sqlite3.
#
#   journeys.sh PROGRAM_FOLDER JOURNEY
#
# Each run has its own display, program folder copy and settings folder, so
# journeys may run side by side.
set -euo pipefail

program_src=$1
journey=$2

work=$(mktemp -d)
pids=()
cleanup() {
    local rc=$?
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    if [ $rc -ne 0 ]; then
        echo "--- journey '$journey' failed; program output:" >&2
        cat "$work/zox.log" >&2 2>/dev/null || true
        [ -n "${DISPLAY:-}" ] && import -window root "$work/failure.png" 2>/dev/null && cp "$work/failure.png" "/tmp/zox-e2e-$journey.png" \
            && echo "--- screenshot: /tmp/zox-e2e-$journey.png" >&2
    fi
    rm -rf "$work"
    exit $rc
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# Waits until `cmd` succeeds, at most $1 seconds.
wait_for() {
    local limit=$1; shift
    local end=$((SECONDS + limit))
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -lt $end ] || fail "timed out waiting for: $*"
        sleep 0.1
    done
}

cp -r "$program_src" "$work/prog"
rm -f "$work/prog/Data/"*.DAT
mkdir -p "$work/config" "$work/home" "$work/data"
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data HOME=$work/home
unset QT_QPA_PLATFORM
export QT_QPA_PLATFORM=xcb

# A display of our own: Xvfb tells the number it took.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
wait_for 20 test -s "$work/display"
export DISPLAY=:$(head -n1 "$work/display")
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
sleep 1  # the window manager takes over the display

app=0
start_program() {
    "$work/prog/zox" >>"$work/zox.log" 2>&1 &
    app=$!
    pids+=($app)
    main=$(timeout 30 xdotool search --sync --onlyvisible --name '^Zox prvenstvo' | head -n1) || fail "no main window"
    activate "$main"
}

activate() {
    xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowactivate "$1"
    wait_for 10 test "$(xdotool getactivewindow)" = "$1"
}

active_is_not() { [ "$(xdotool getactivewindow 2>/dev/null)" != "$1" ]; }

type_text() { xdotool type --delay 40 -- "$1"; }
key() { xdotool key --delay 60 "$@"; sleep 0.15; }

# "Datoteka" > "Nova" or "Odpri" with the path typed into the real file dialog.
log_dialog() {
    local item=$1 path=$2
    key alt+d "$item"
    wait_for 10 active_is_not "$main"
    sleep 0.3
    type_text "$path"
    key Return
    wait_for 10 test "$(xdotool getactivewindow)" = "$main"
    sleep 0.3
}

# A contact typed as the operator does: call, Tab to the year number (filled
# from the list when known), the year typed over when given, Enter.
contact() {
    local call=$1 year=${2:-}
    type_text "$call"
    key Tab
    if [ -n "$year" ]; then
        key ctrl+a
        type_text "$year"
    fi
}

quit_program() {
    key alt+d k
    wait_for 20 bash -c "! kill -0 $app 2>/dev/null"
}

table_of() { basename "$1" .DAT; }
rows() { sqlite3 -separator '|' "$1" "SELECT Call, Mode, MultiR, Point, ifnull(MultiP, '') FROM \"$(table_of "$1")\" ORDER BY Vexa"; }

expect_rows() {
    local log=$1 want=$2 got
    got=$(rows "$log")
    [ "$got" = "$want" ] || fail "$log holds
$got
expected
$want"
}

# ---------------------------------------------------------------- journeys

# A year number typed by hand stays when the operator leaves the window and
# comes back, and when a real dialog opens and closes over it.
year_kept() {
    local log=$work/prog/Data/year.DAT
    start_program
    log_dialog n "$log"
    contact Q53NES 47          # the list knows Q53NES as 47
    key ctrl+a
    type_text 12
    local ura
    ura=$(xdotool search --onlyvisible --name '^Ura$' | head -n1) || fail "no clock window"
    activate "$ura"
    activate "$main"
    key alt+p p                # "Pomoč" > "Program": the about box
    wait_for 10 active_is_not "$main"
    key Escape
    wait_for 10 test "$(xdotool getactivewindow)" = "$main"
    key Return
    contact Q9ZZZ 33           # not in the list
    activate "$ura"
    activate "$main"
    key Return
    quit_program
    expect_rows "$log" "Q53NES|CW|12|2|12
Q9ZZZ|CW|33|2|33"
}

# The mode changed between typing and Enter: the contact is scored in the mode
# it is saved in, both ways.
mode_change() {
    local log=$work/prog/Data/mode.DAT
    start_program
    log_dialog n "$log"
    contact Q1ABC 47; key Return
    contact Q1DEF 48; key Return
    contact Q1ABC 47           # "Dupe !" in CW
    key alt+v Down             # "Vrsta oddaje": SSB
    key Return
    contact Q1DEF 49           # new in SSB
    key alt+v Up               # CW, where Q1DEF is a duplicate
    key Return
    quit_program
    expect_rows "$log" "Q1ABC|CW|47|2|47
Q1DEF|CW|48|2|48
Q1ABC|SSB|47|1|47
Q1DEF|CW|49|0|49"
}

# A correction loaded in one log never lands in another; a switch starts the
# line afresh, and a contact is scored against the log it is saved in.
log_switch() {
    local a=$work/prog/Data/a.DAT b=$work/prog/Data/b.DAT c=$work/prog/Data/c.DAT
    start_program
    log_dialog n "$a"
    contact Q1ABC 47; key Return
    key alt+q u                # "Qso" > "Uredi zvezo": the line holds Q1ABC
    log_dialog n "$b"
    contact Q1GHI 50; key Return
    log_dialog o "$a"
    type_text Q1ABC            # "Dupe !" in a
    log_dialog n "$c"          # the switch starts the line afresh
    contact Q1ABC 47; key Return
    quit_program
    expect_rows "$a" "Q1ABC|CW|47|2|47"
    expect_rows "$b" "Q1GHI|CW|50|2|50"
    expect_rows "$c" "Q1ABC|CW|47|2|47"
}

# Killed right after the last Enter: every contact is in the log, whole.
sigkill() {
    local log=$work/prog/Data/kill.DAT
    start_program
    log_dialog n "$log"
    local want=""
    for i in 1 2 3 4 5; do
        contact "Q1K$i" "6$i"; key Return
        want+="Q1K$i|CW|6$i|2|6$i"$'\n'
    done
    sleep 0.5
    kill -KILL "$app"
    wait "$app" 2>/dev/null || true
    [ "$(sqlite3 "$log" 'PRAGMA integrity_check')" = ok ] || fail "the log is damaged"
    expect_rows "$log" "${want%$'\n'}"
}

case "$journey" in
    year_kept|mode_change|log_switch|sigkill) "$journey" ;;
    *) fail "no journey '$journey'" ;;
esac
echo "journey '$journey' passed"
