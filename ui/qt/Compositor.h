#pragma once

#include <string>
#include <vector>

namespace ui {

// The interfaces that the Wayland compositor the program is connected to offers (its globals),
// asked over a short connection of their own through the Wayland client library that the
// toolkit's Wayland plugin has loaded. Empty when that library is not loaded, as on X11, or the
// compositor does not answer.
std::vector<std::string> compositorglobals();

}  // namespace ui
