#pragma once

#include "render/Surface.h"
#include "ui/Packed.h"

#include <cstddef>
#include <span>
#include <string_view>

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

// A colour in the canvas's byte order: 0xAARRGGBB becomes 0xAABBGGRR, which a little-endian
// memory holds as R, G, B, A. The page's images keep their pixels in this order, so that a canvas
// takes them as they lie: the game only ever copies pixels between images, whatever their order.
constexpr render::Rgb canvasorder(render::Rgb c) {
  return (c & 0xFF00FF00u) | ((c >> 16) & 0xFFu) | ((c & 0xFFu) << 16);
}

}  // namespace ui
