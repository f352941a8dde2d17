# The window as a person sees it, at the scale factor GLINT_E2E_SCALE (1 or 2): photographed at
# start-up, during a render and after it. The pictures stay in look-<scale>x/ for a person to
# look at; the script checks the client size and that the render was caught while it ran: the
# colour dialog, opened from "Set Back Color" in the render's first yield, holds the render.
source "$(dirname "$0")/lib.sh"
require_env

S=${GLINT_E2E_SCALE:-1}
OPEN_TITLE="^Open a fuckin' file, if you have balls\.\$"
COLOR_TITLE='^Select Color$'
SHOTS="$GLINT_E2E_DIR/look-${S}x"
SOURCE="$SHOTS/source picture.bmp"
SOURCE_SIZE=(300 200)
# Laid out: left, top, width, height.
BREAK=(248 8 57 25)
RASTER=(168 8 73 25)
BACK_COLOR=(8 56 89 25)

rm -rf "$SHOTS" && mkdir -p "$SHOTS" || fail "cannot prepare $SHOTS"
"$GLINT_TOOL" make-picture "$SOURCE" "${SOURCE_SIZE[@]}" || fail "cannot write the source picture"

# at N: a laid-out coordinate in the window's pixels.
at() { echo $(($1 * S)); }
# middle LEFT TOP WIDTH HEIGHT: the middle of a laid-out control on the screen.
middle() { echo $((WIN_X + $(at $(($1 + $3 / 2))))) $((WIN_Y + $(at $(($2 + $4 / 2))))); }

# photograph PATH LEFT TOP WIDTH HEIGHT: a laid-out part of the window into PATH.
photograph() {
    QT_QPA_PLATFORM=xcb "$GLINT_TOOL" screenshot "$WIN" "$1" "$(at "$2")" "$(at "$3")" \
        "$(at "$4")" "$(at "$5")" >/dev/null
}
# looks_as_at_start NAME LEFT TOP WIDTH HEIGHT: the part shows what it showed at start-up.
looks_as_at_start() {
    local name=$1
    shift
    photograph "$SHOTS/$name-now.png" "$@" &&
        "$GLINT_TOOL" compare "$SHOTS/$name-at-start.png" "$SHOTS/$name-now.png" >/dev/null 2>&1
}
break_hidden() { looks_as_at_start break "${BREAK[@]}"; }
break_shown() { ! break_hidden; }
raster_enabled() { ! looks_as_at_start raster "${RASTER[@]}"; }

start_program "look-${S}x"
size=$(client_size "$WIN")
[ "$size" = "$(at 457)x$(at 396)" ] || fail "client area is $size at scale $S"
screenshot "$SHOTS/1-start-up.png"
photograph "$SHOTS/break-at-start.png" "${BREAK[@]}" || fail "cannot photograph where Break goes"
photograph "$SHOTS/raster-at-start.png" "${RASTER[@]}" || fail "cannot photograph Make Raster"

click_control "$(at 8)" "$(at 8)" "$(at 73)" "$(at 25)" '"Open File"'
dialog=$(find_window "$OPEN_TITLE") || fail "the open dialog did not appear"
timeout "$STEP_TIMEOUT" xdotool windowfocus --sync "$dialog" || fail "cannot focus the dialog"
xdotool type --delay 10 "$SOURCE" && xdotool key Return || fail "cannot answer the dialog"
poll "$STEP_TIMEOUT" "the open dialog to close" window_gone "$OPEN_TITLE"
poll "$STEP_TIMEOUT" "Make Raster to be enabled (the picture to load)" raster_enabled
say "opened $SOURCE"

say 'clicking "Make Raster" and at once "Set Back Color"'
# Both clicks wait in the queue while the program is stopped, so the second one arrives in the
# render's first yield however fast the render is.
kill -STOP "$APP_PID" || fail "cannot stop the program"
xdotool mousemove $(middle "${RASTER[@]}") click 1 mousemove $(middle "${BACK_COLOR[@]}") \
    click 1 || fail "cannot click"
kill -CONT "$APP_PID" || fail "cannot continue the program"
dialog=$(find_window "$COLOR_TITLE") || fail "the colour dialog did not appear"
# Off the window, so that the window shows whole.
xdotool windowmove --sync "$dialog" "$(at 480)" 0 || fail "cannot move the colour dialog"
poll "$STEP_TIMEOUT" "Break to show (a render running)" break_shown
sleep 0.5  # the window repaints where the dialog lay
screenshot "$SHOTS/2-rendering.png"
break_shown || fail "the render ended while the colour dialog was up"
timeout "$STEP_TIMEOUT" xdotool windowfocus --sync "$dialog" && xdotool key Escape ||
    fail "cannot cancel the colour dialog"
poll "$STEP_TIMEOUT" "the colour dialog to close" window_gone "$COLOR_TITLE"
poll 120 "Break to go (the render to end)" break_hidden
screenshot "$SHOTS/3-rendered.png"
rm -f "$SHOTS"/*-now.png "$SHOTS"/*-at-start.png
close_program
say "passed; the pictures are in $SHOTS"
