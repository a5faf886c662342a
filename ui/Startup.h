#pragma once

#include "ui/Form1.h"

namespace ui {

// Steps of start-up between creating the window and showing it: lays out the playfield, fills
// the speed list, sets the game state and draws the first frame.
void prepare(Form1& form);

// The program's entry: prepares the window, draws the first frame, shows it and runs.
int Main(int argc, char** argv);

}  // namespace ui
