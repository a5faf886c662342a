#pragma once

#include "ui/web/Form1.h"

namespace ui {

// The program's entry, run once by the page: creates the window, prepares and shows it, and
// returns it. From then on the page's events drive it; the page holds it while it is open.
Form1* Main();

}  // namespace ui
