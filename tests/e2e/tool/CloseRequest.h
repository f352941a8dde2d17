#pragma once
// Asks a top-level X window to close, the way a window manager's close button does.
#include <cstdint>
#include <string>

namespace glint::e2e {

// Sends WM_PROTOCOLS / WM_DELETE_WINDOW to `window` on the display named by $DISPLAY.
// Returns an empty text when the message went out, otherwise why not.
std::string requestClose(std::uint32_t window);

}  // namespace glint::e2e
