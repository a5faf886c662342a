#pragma once

// What the game does differently for particular versions of the toolkit, each section with the
// versions it serves, so that a version dropped one day is a section deleted here and its callers.
namespace ui {

// Qt before 6.8, on Wayland: whether the toolkit clamps every size that the compositor configures
// to the window's limits, so that a fixed-size window must lose its limits once it shows.
bool clampsconfiguredsizes();

// Qt before 6.8, on Wayland: keeps the toolkit from loading a graphics driver where the game does
// not need one; called once the toolkit has started and before the window first shows.
void keepopenglaway();

// Qt 6.4 (and so every version), on Wayland: ends the program with `status` before the toolkit is
// torn down, where the teardown may never end; returns where it is safe to tear down.
void exitbeforeteardown(int status);

}  // namespace ui
