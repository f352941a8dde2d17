# Pictures that crash or hang their decoder, opened through the real window: the decoding helper
# fails, the window shows the open error and stays usable; while a helper hangs, the window still
# takes its close request and the program ends at once, taking the helper with it.
source "$(dirname "$0")/lib.sh"
require_env

OPEN_TITLE="^Open a fuckin' file, if you have balls\.\$"
ERROR_TITLE='^Glintwork Error$'
WORK="$GLINT_E2E_DIR/hostile"
rm -rf "$WORK" && mkdir -p "$WORK" || fail "cannot prepare $WORK"

# A picture that crashes its decoder: a stand-in helper that dies as a crashing decoder would.
printf '#!/bin/sh\nkill -SEGV $$\n' >"$WORK/crashing-helper" && chmod +x "$WORK/crashing-helper" ||
    fail "cannot write the stand-in helper"
printf 'not really' >"$WORK/crash.webp"
# A picture that hangs its decoder: an MNG whose LOOP chunk spins the decoder for ever (90 bytes:
# signature, MHDR, LOOP with 0x7fffffff iterations, ENDL, MEND, no frames).
loop_mng="$(printf %s \
    '\212\115\116\107\015\012\032\012\000\000\000\034\115\110\104\122\000\000\000\012\000\000' \
    '\000\012\000\000\000\001\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000' \
    '\122\305\266\306\000\000\000\005\114\117\117\120\000\177\377\377\377\243\075\257\103\000' \
    '\000\000\001\105\116\104\114\000\006\245\052\077\000\000\000\000\115\105\116\104\041\040' \
    '\367\325')"
printf "$loop_mng" >"$WORK/loop.mng" || fail "cannot write the looping MNG"

open_file() {
    click_control 8 8 73 25 '"Open File"'
    local dialog
    dialog=$(find_window "$OPEN_TITLE") || fail "the open dialog did not appear"
    timeout "$STEP_TIMEOUT" xdotool windowfocus --sync "$dialog" || fail "cannot focus the dialog"
    xdotool type --delay 10 "$1" && xdotool key Return || fail "cannot type into the dialog"
    poll "$STEP_TIMEOUT" "the open dialog to close" window_gone "$OPEN_TITLE"
}

# A helper decoding picture $1: its standard input is that file. (Not any process of the
# helper's name: other tests may run helpers of their own meanwhile.)
helper_reading() {
    local p
    for p in /proc/[0-9]*; do
        [ "$(readlink "$p/fd/0" 2>/dev/null)" = "$1" ] && return 0
    done
    return 1
}

# The crash: an error box, then the window goes on.
export GLINTWORK_PICTURE_HELPER="$WORK/crashing-helper"
start_program hostile
open_file "$WORK/crash.webp"
box=$(find_window "$ERROR_TITLE") || fail "no error box after a crashing decoder"
say "error box $box is up"
timeout "$STEP_TIMEOUT" xdotool windowfocus --sync "$box" && xdotool key Return ||
    fail "cannot dismiss the error box"
poll "$STEP_TIMEOUT" "the error box to close" window_gone "$ERROR_TITLE"
close_program
unset GLINTWORK_PICTURE_HELPER

# The hang, with the real helper: the close request ends the program within seconds, long
# before the helper's time limit.
start_program hostile-hang
open_file "$WORK/loop.mng"
loop_file=$(realpath "$WORK/loop.mng")
poll "$STEP_TIMEOUT" "the picture helper to start" helper_reading "$loop_file"
say "the picture helper is decoding the looping MNG; closing the window"
started=$SECONDS
close_program
[ $((SECONDS - started)) -lt 4 ] || fail "the program took $((SECONDS - started)) s to close"
helper_reading "$loop_file" && fail "the picture helper outlived the program"
say "closed at once; no helper left"
