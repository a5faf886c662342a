#pragma once

#include "render/Surface.h"
#include "ui/Packed.h"
#include "ui/web/Page.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace ui {

// A picture as the build embeds it in the program (gen/webgen.cpp writes the table).
struct Embedded {
  std::string_view name;
  const unsigned char* data;
  size_t size;
};
std::span<const Embedded> embedded();

// One of the pictures built into the program ("background", "paddle", "ball", "blocks"). Its
// pixels stay where the program holds them. A picture that is missing or damaged gives an
// invalid one.
Packed picture(std::string_view name);

// Shows width x height 32-bit pixels (0xFFRRGGBB, top row first, no padding) on a canvas of the
// page. The canvas takes bytes in the order R, G, B, A, so each pixel is converted into `rgba`
// first, here where the pixels are.
void showpixels(page::Element canvas, const render::Rgb* pixels, int width, int height,
                std::vector<uint32_t>& rgba);

}  // namespace ui
