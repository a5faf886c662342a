#pragma once

#include "ui/Packed.h"

#include <cstddef>
#include <span>
#include <string_view>

namespace ui {

// A picture as the build embeds it in the program (gen/webgen.cpp writes the table): its packed
// header, then its pixels as runs of one colour, each a little-endian 32-bit length and the
// pixel's four bytes.
struct Embedded {
  std::string_view name;
  const unsigned char* data;
  size_t size;
};
std::span<const Embedded> embedded();

// One of the pictures built into the program ("background", "paddle", "ball", "blocks"),
// unpacked the first time it is asked for into memory that the program holds from then on. A
// picture that is missing or damaged gives an invalid one.
Packed picture(std::string_view name);

}  // namespace ui
