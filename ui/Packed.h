#pragma once

#include <cstddef>
#include <cstdint>

namespace ui {

// A picture as the build packs it into the program: "PMP1", then width, height and flags as
// 32-bit words in the machine's byte order (flag 1: every pixel is opaque; flag 2: the pixels are
// in a web canvas's order), then the rows of 32-bit pixels, top to bottom: 0xAARRGGBB words, or
// with flag 2 the bytes R, G, B, A. The pixels stay where the program holds them.
struct Packed {
  int width = 0;
  int height = 0;
  bool opaque = false;
  bool rgba = false;
  // Rows of width 32-bit words; the data need not be aligned, so it is read as bytes.
  const unsigned char* pixels = nullptr;

  bool valid() const { return pixels != nullptr; }
};

// Reads a packed picture's header; a picture that is damaged or cut short gives an invalid one.
Packed unpack(const void* data, size_t size);

}  // namespace ui
