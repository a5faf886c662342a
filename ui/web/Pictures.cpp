#include "ui/web/Pictures.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace ui {

namespace {

constexpr size_t kHeaderWords = 4;
// No picture of the game comes near this side; a bigger one means a damaged picture.
constexpr uint32_t kMaxSide = 4096;

uint32_t word(const unsigned char* at) {
  return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}

// A picture's runs unpacked into its packed form, whole words; empty if they do not fill the
// picture exactly.
std::vector<uint32_t> unrun(const Embedded& e) {
  if (e.data == nullptr || e.size < kHeaderWords * 4) return {};
  uint32_t header[kHeaderWords];
  std::memcpy(header, e.data, sizeof header);
  const uint32_t w = header[1];
  const uint32_t h = header[2];
  if (w > kMaxSide || h > kMaxSide) return {};
  std::vector<uint32_t> out(kHeaderWords + size_t{w} * h);
  std::copy(std::begin(header), std::end(header), out.begin());
  size_t filled = kHeaderWords;
  for (size_t at = kHeaderWords * 4; at + 8 <= e.size; at += 8) {
    const uint32_t count = word(e.data + at);
    if (count > out.size() - filled) return {};
    // The pixel's bytes as they lie, in the machine's order, as in the packed form.
    uint32_t pixel;
    std::memcpy(&pixel, e.data + at + 4, 4);
    std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(filled), count, pixel);
    filled += count;
  }
  if (filled != out.size() || (e.size - kHeaderWords * 4) % 8 != 0) return {};
  return out;
}

}  // namespace

Packed picture(std::string_view name) {
  static std::vector<std::vector<uint32_t>> held(embedded().size());
  const std::span<const Embedded> all = embedded();
  for (size_t i = 0; i < all.size(); ++i) {
    if (all[i].name != name) continue;
    if (held[i].empty()) held[i] = unrun(all[i]);
    return unpack(held[i].data(), held[i].size() * 4);
  }
  return {};
}

}  // namespace ui
