#pragma once

#include "ui/win32/Gdi.h"

#include <windows.h>

#include <span>
#include <string>

namespace ui {

// The first of the labels' faces that is installed; empty when none is, and then Windows picks
// a Japanese gothic face by the character set.
std::wstring labelface();

// The labels' font on a screen of `dpi` dots per inch: bold, at the largest size up to 19
// pixels (at 96 dpi) at which every label's text keeps its ink inside its box.
gdi::Font labelfont(const std::wstring& face, UINT dpi, std::span<const HWND> labels);

// The desktop's font for dialogs and controls at `dpi`, for the button and the list.
gdi::Font guifont(UINT dpi);

}  // namespace ui
