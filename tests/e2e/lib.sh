# Shared steps of the end-to-end scripts. Sourced; expects GLINT_APP, GLINT_TOOL, GLINT_E2E_DIR
# and a DISPLAY (xvfb-run provides it).
set -u

APP_PID=""
WIN=""
WIN_X=0
WIN_Y=0
STEP_TIMEOUT=${GLINT_E2E_STEP_TIMEOUT:-20}

say() { echo "e2e: $*"; }

fail() {
    echo "e2e: FAILED: $*" >&2
    # What the screen showed at that moment, for the record.
    if [ -n "$WIN" ] && [ -n "$APP_PID" ]; then
        local shot="$GLINT_E2E_DIR/glintwork-failure.png"
        QT_QPA_PLATFORM=xcb timeout 10 "$GLINT_TOOL" screenshot "$WIN" "$shot" >/dev/null 2>&1 &&
            echo "e2e: the window at the failure: $shot" >&2
    fi
    exit 1
}

# Whatever happens, the program does not outlive the script (xvfb-run stops the X server).
cleanup() {
    if [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; then
        say "stopping the program (pid $APP_PID)"
        kill "$APP_PID" 2>/dev/null
        for _ in 1 2 3 4 5 6 7 8 9 10; do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.2; done
        kill -9 "$APP_PID" 2>/dev/null
    fi
}
trap cleanup EXIT
trap 'fail "interrupted"' INT TERM

require_env() {
    [ -n "${DISPLAY:-}" ] || fail "no DISPLAY: run under xvfb-run"
    [ -x "$GLINT_APP" ] || fail "program not built: $GLINT_APP"
    [ -x "$GLINT_TOOL" ] || fail "tool not built: $GLINT_TOOL"
    mkdir -p "$GLINT_E2E_DIR"
}

# poll SECONDS DESCRIPTION COMMAND...: runs COMMAND every 0.1 s until it succeeds.
poll() {
    local seconds=$1 what=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || fail "timed out after ${seconds}s waiting for $what"
        sleep 0.1
    done
}

# Prints the id of the visible top-level window whose name is exactly $1, waiting for it.
find_window() {
    local pattern=$1 id
    id=$(timeout "$STEP_TIMEOUT" xdotool search --sync --onlyvisible --name "$pattern" 2>/dev/null |
        head -n 1)
    [ -n "$id" ] || return 1
    echo "$id"
}

window_gone() { ! xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }

# Client size of a window as WIDTHxHEIGHT (no window manager: no frame around it).
client_size() {
    xwininfo -id "$1" | awk '/^ *Width:/ {w=$2} /^ *Height:/ {h=$2} END {print w "x" h}'
}

start_program() {
    local log="$GLINT_E2E_DIR/glintwork-$1.log"
    say "starting $GLINT_APP (output in $log)"
    (
        unset QT_QPA_PLATFORMTHEME
        export QT_QPA_PLATFORM=xcb
        # The program alone runs at the scale factor asked for; the tool photographs unscaled.
        [ -n "${GLINT_E2E_SCALE:-}" ] && export QT_SCALE_FACTOR=$GLINT_E2E_SCALE
        cd "$GLINT_E2E_DIR" && exec "$GLINT_APP"
    ) >"$log" 2>&1 &
    APP_PID=$!
    WIN=$(find_window '^Glintwork$') || fail "no window named Glintwork within ${STEP_TIMEOUT}s"
    local geometry
    geometry=$(xwininfo -id "$WIN") || fail "cannot read the window's geometry"
    WIN_X=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$geometry")
    WIN_Y=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$geometry")
    say "window $WIN at $WIN_X,$WIN_Y, client $(client_size "$WIN")"
    focus_window
}

focus_window() {
    timeout "$STEP_TIMEOUT" xdotool windowfocus --sync "$WIN" || fail "cannot focus the window"
}

# click_at X Y: a real left click at client coordinates of the main window.
click_at() {
    xdotool mousemove --sync $((WIN_X + $1)) $((WIN_Y + $2)) click 1 ||
        fail "cannot click at $1,$2"
}

# click_control LEFT TOP WIDTH HEIGHT NAME: clicks the middle of a control.
click_control() {
    say "clicking $5"
    click_at $(($1 + $3 / 2)) $(($2 + $4 / 2))
}

# screenshot PATH: photographs the window and checks the picture is the client size and not
# a blank area. Prints the path.
screenshot() {
    local shot=$1 size facts
    size=$(client_size "$WIN")
    facts=$(QT_QPA_PLATFORM=xcb "$GLINT_TOOL" screenshot "$WIN" "$shot") ||
        fail "cannot photograph the window"
    [ -s "$shot" ] || fail "screenshot $shot is empty"
    [ "${facts%% *}" = "$size" ] || fail "screenshot is ${facts%% *}, the window $size"
    [ "${facts##* }" -gt 1 ] || fail "screenshot shows a single colour"
    say "screenshot ($size, ${facts##* } colours): $shot"
}

shows() { QT_QPA_PLATFORM=xcb timeout 10 "$GLINT_TOOL" shows "$WIN" "$@" 2>/dev/null; }

# wait_until_shown X Y PICTURE WHAT: waits until the client area shows PICTURE at X,Y. The
# window paints only after the event procedure that changed it has returned, so this also
# tells that the procedure is over.
wait_until_shown() {
    local deadline=$((SECONDS + STEP_TIMEOUT))
    until shows "$1" "$2" "$3"; do
        if [ "$SECONDS" -ge "$deadline" ]; then
            QT_QPA_PLATFORM=xcb "$GLINT_TOOL" shows "$WIN" "$1" "$2" "$3"
            fail "the window does not show $4 at $1,$2 after ${STEP_TIMEOUT}s"
        fi
        sleep 0.1
    done
    say "the window shows $4"
}

# Asks the window to close as a window manager would and expects exit status 0.
close_program() {
    say "asking the window to close"
    "$GLINT_TOOL" close "$WIN" || fail "cannot send the close request"
    local deadline=$((SECONDS + 10))
    while kill -0 "$APP_PID" 2>/dev/null; do
        [ "$SECONDS" -lt "$deadline" ] ||
            fail "the program is still running 10s after the close request"
        sleep 0.1
    done
    local status=0
    wait "$APP_PID" || status=$?
    APP_PID=""
    [ "$status" -eq 0 ] || fail "the program exited with status $status"
    say "the program exited with status 0"
}
