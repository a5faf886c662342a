#pragma once

#include "ui/Packed.h"

#include <windows.h>

namespace ui {

// One of the pictures built into the program ("background", "paddle", "ball", "blocks"). Its
// pixels stay in the program's own image, where Windows mapped them: nothing is decoded or
// copied. A picture that is missing or damaged gives an invalid one.
Packed picture(const wchar_t* name);

// Puts width x height 32-bit pixels (0xFFRRGGBB, top row first, no padding) on dc over the
// rectangle `to`: each pixel is copied as it is, or, on a scaled screen, becomes a block of
// whole device pixels of one colour, never a blend.
void putpixels(HDC dc, const RECT& to, int width, int height, const void* pixels);

}  // namespace ui
