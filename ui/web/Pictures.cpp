#include "ui/web/Pictures.h"

namespace ui {

Packed picture(std::string_view name) {
  for (const Embedded& e : embedded()) {
    if (e.name == name) return unpack(e.data, e.size);
  }
  return {};
}

void showpixels(page::Element canvas, const render::Rgb* pixels, int width, int height,
                std::vector<uint32_t>& rgba) {
  const size_t n = static_cast<size_t>(width) * height;
  rgba.resize(n);
  uint32_t* to = rgba.data();
  // 0xAARRGGBB becomes 0xAABBGGRR, which a little-endian memory holds as R, G, B, A: red and blue
  // change places. A loop of plain shifts and masks, which the compiler turns into vector code.
  for (size_t i = 0; i < n; ++i) {
    const uint32_t p = pixels[i];
    to[i] = (p & 0xFF00FF00u) | ((p >> 16) & 0xFFu) | ((p & 0xFFu) << 16);
  }
  page::show(canvas, to, width, height);
}

}  // namespace ui
