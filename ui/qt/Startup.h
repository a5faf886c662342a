#pragma once

#include "ui/qt/Form1.h"

#include <functional>
#include <string>

namespace ui {

// The platforms for the toolkit to try when the user has chosen none, in QT_QPA_PLATFORM's
// form; empty keeps the toolkit's own choice. `getenv` answers a variable's value, empty when it
// is unset; `gnometitlebar` tells whether the toolkit can draw a GNOME-style Wayland title bar,
// and is asked only on GNOME's Wayland.
std::string platformchoice(const std::function<std::string(const char*)>& getenv,
                           const std::function<bool()>& gnometitlebar);

// Whether the toolkit ships a GNOME-style Wayland title bar (the `adwaita` decoration plugin).
bool hasgnometitlebar();

// The program's entry: prepares the window, draws the first frame, shows it and runs.
int Main(int argc, char** argv);

}  // namespace ui
