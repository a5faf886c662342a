#pragma once

#include "ui/win32/Form1.h"

namespace ui {

// The program's entry: answers the command line, prepares the window, shows it and runs until
// it is closed. Returns the program's exit status.
int Main(int show);

}  // namespace ui
