#include "ui/Packed.h"

#include <cstring>

namespace ui {

namespace {

constexpr size_t kHeaderBytes = 16;
constexpr uint32_t kOpaque = 1;
constexpr uint32_t kRgba = 2;
// No picture of the game comes near this; a bigger header means a damaged picture.
constexpr uint32_t kMaxSide = 4096;

}  // namespace

Packed unpack(const void* data, size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  if (bytes == nullptr || size < kHeaderBytes || std::memcmp(bytes, "PMP1", 4) != 0) return {};
  uint32_t header[3];
  std::memcpy(header, bytes + 4, sizeof header);
  const auto [w, h, flags] = header;
  if (w == 0 || h == 0 || w > kMaxSide || h > kMaxSide) return {};
  if (size != kHeaderBytes + size_t{w} * h * 4) return {};
  return {static_cast<int>(w), static_cast<int>(h), (flags & kOpaque) != 0, (flags & kRgba) != 0,
          bytes + kHeaderBytes};
}

}  // namespace ui
