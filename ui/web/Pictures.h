#pragma once

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

}  // namespace ui
