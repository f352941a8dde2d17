# Start-up: the window comes up at its laid-out client size, is photographed, and closes cleanly.
source "$(dirname "$0")/lib.sh"
require_env

start_program startup
size=$(client_size "$WIN")
[ "$size" = "457x396" ] || fail "client area is $size, expected 457x396"
say "client area is 457x396"
screenshot "$GLINT_E2E_DIR/glintwork-window.png"
close_program
say "passed"
