#pragma once

#include "ui/web/Form1.h"

namespace ui {

// Steps of start-up between creating the window and showing it: lays out the playfield, fills
// the speed list, sets the game state and draws the first frame.
void prepare(Form1& form);

// The program's entry, run once by the page: creates the window, prepares and shows it, and
// returns it. From then on the page's events drive it; the page holds it while it is open.
Form1* Main();

}  // namespace ui
