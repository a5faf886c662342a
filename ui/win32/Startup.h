#pragma once

#include "ui/win32/Form1.h"

namespace ui {

// Steps of start-up between creating the window and showing it: lays out the playfield, fills
// the speed list, sets the game state and draws the first frame.
void prepare(Form1& form);

// The program's entry: answers the command line, prepares the window, shows it and runs until
// it is closed. Returns the program's exit status.
int Main(int show);

}  // namespace ui
