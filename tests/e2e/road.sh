# The road of one picture through the real window, with real input events: open a picture,
# set the scale and both sliders from the keyboard, render, save as .bmp, copy with Ctrl+C.
# The saved file must be the engine's render of the picture with those values, the clipboard
# picture must be the saved one.
source "$(dirname "$0")/lib.sh"
require_env

OPEN_TITLE="^Open a fuckin' file, if you have balls\.\$"
SAVE_TITLE='^Why did they treat us this respectless\?!$'
SCALE=3
RED=53     # Home, 3 x Page Up, 5 x Right
BLUE=237   # End, Page Down, 2 x Left
WORK="$GLINT_E2E_DIR/road"
SOURCE="$WORK/source picture.bmp"
TYPED_NAME="$WORK/result.jpg"   # the program writes it with .bmp in place of .jpg
RESULT="$WORK/result.bmp"
CLIP="$WORK/clipboard.png"

rm -rf "$WORK" && mkdir -p "$WORK" || fail "cannot prepare $WORK"
"$GLINT_TOOL" make-picture "$SOURCE" 37 23 || fail "cannot write the source picture"
say "source picture $SOURCE (37x23)"

clipboard_targets() { timeout 5 xclip -selection clipboard -t TARGETS -o 2>/dev/null; }
clipboard_has_png() { clipboard_targets | grep -qx 'image/png'; }

# type_into_dialog ID TEXT: types a file name into the focused dialog's name field and confirms.
type_into_dialog() {
    timeout "$STEP_TIMEOUT" xdotool windowfocus --sync "$1" || fail "cannot focus the dialog"
    xdotool type --delay 10 "$2" || fail "cannot type into the dialog"
    xdotool key Return || fail "cannot confirm the dialog"
}

# Keys go to the X focus: make sure it is on the window (a closing dialog may have had it).
keys() {
    focus_window
    xdotool key --delay 20 "$@" || fail "cannot press $*"
}

start_program road
clipboard_has_png && fail "the clipboard holds a picture before Ctrl+C"

# Open File -> open dialog -> full path, Enter.
click_control 8 8 73 25 '"Open File"'
dialog=$(find_window "$OPEN_TITLE") || fail "the open dialog did not appear"
say "open dialog $dialog is up; typing $SOURCE"
type_into_dialog "$dialog" "$SOURCE"
poll "$STEP_TIMEOUT" "the open dialog to close" window_gone "$OPEN_TITLE"
say "open dialog closed"
# The picture box's drawing area starts inside its 2-pixel border.
wait_until_shown 2 106 "$SOURCE" "the source picture in PicSrc"

# Scale: the scale box's list, one entry down from "Scale 2x".
click_control 144 56 50 21 "the scale box's edit field"
keys Down
# Sliders from the keyboard; Home/End first, so wherever the click put them does not matter.
click_control 240 48 153 17 "SldRed"
keys Home Page_Up Page_Up Page_Up Right Right Right Right Right
click_control 240 72 153 17 "SldBlue"
keys End Page_Down Left Left
say "scale $SCALE, red $RED, blue $BLUE chosen"

# Make Raster; the render is over when Save As... answers with its dialog.
click_control 168 8 73 25 '"Make Raster"'
# A dialog already up is never clicked through: it may lie over the button.
save_dialog_up() {
    window_gone "$SAVE_TITLE" && click_at $((312 + 36)) $((8 + 12))
    dialog=$(STEP_TIMEOUT=3 find_window "$SAVE_TITLE")
}
say "waiting for the render to end (clicking \"Save As...\" until its dialog appears)"
poll 60 "the save dialog (render not finished?)" save_dialog_up
say "save dialog $dialog is up; typing $TYPED_NAME"
type_into_dialog "$dialog" "$TYPED_NAME"
poll "$STEP_TIMEOUT" "the save dialog to close" window_gone "$SAVE_TITLE"
poll "$STEP_TIMEOUT" "$RESULT to be written" test -s "$RESULT"
[ -e "$TYPED_NAME" ] && fail "a file was written under the typed name $TYPED_NAME"
say "saved $RESULT"

say "checking the saved picture against the engine"
"$GLINT_TOOL" expect-render "$SOURCE" "$SCALE" "$RED" "$BLUE" 0 "$RESULT" ||
    fail "the saved picture is not the render of the source with these values"
# The check must tell the slider value apart: one step less is another picture.
"$GLINT_TOOL" expect-render "$SOURCE" "$SCALE" $((RED - 1)) "$BLUE" 0 "$RESULT" 2>/dev/null &&
    fail "the check does not see a red value off by one"

wait_until_shown 234 106 "$RESULT" "the result in PicDst"

# Ctrl+C anywhere in the window puts the result on the clipboard.
say "pressing Ctrl+C"
keys ctrl+c
poll "$STEP_TIMEOUT" "a picture on the clipboard" clipboard_has_png
say "clipboard offers: $(clipboard_targets | tr '\n' ' ')"
timeout 10 xclip -selection clipboard -t image/png -o >"$CLIP" || fail "cannot read the clipboard"
"$GLINT_TOOL" compare "$RESULT" "$CLIP" || fail "the clipboard picture is not the saved one"

screenshot "$GLINT_E2E_DIR/glintwork-window.png"
close_program
say "passed"
