#include "render/Surface.h"

#include <algorithm>
#include <cstring>

namespace render {

namespace {

// Image sizes are kept within this bound so that width * height never overflows.
constexpr int kMaxSide = 1 << 14;

int side(int v) { return std::clamp(v, 0, kMaxSide); }

}  // namespace

Surface::Surface(int width, int height, Rgb fill)
    : width_(side(width)),
      height_(side(height)),
      background_(fill),
      pixels_(static_cast<size_t>(width_) * height_, fill) {}

void Surface::setbackground(Rgb colour) {
  background_ = colour;
  std::fill(pixels_.begin(), pixels_.end(), colour);
}

void Surface::resize(int width, int height) {
  width = side(width);
  height = side(height);
  if (width == width_ && height == height_) return;
  Surface grown(width, height, background_);
  bitblt(grown, 0, 0, width_, height_, *this, 0, 0);
  *this = std::move(grown);
}

Rgb Surface::pixel(int x, int y) const {
  return contains(x, y) ? pixels_[static_cast<size_t>(y) * width_ + x] : 0;
}

void Surface::setpixel(int x, int y, Rgb colour) {
  if (contains(x, y)) pixels_[static_cast<size_t>(y) * width_ + x] = colour;
}

int64_t bitblt(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy) {
  // Work in 64 bits so that no combination of arguments can overflow while clipping.
  int64_t dx0 = x, dy0 = y, sx0 = sx, sy0 = sy, cw = w, ch = h;
  if (cw <= 0 || ch <= 0) return 0;
  // Clip the left and top edges of both rectangles, moving the other one along.
  int64_t cut = std::max({int64_t{0}, -dx0, -sx0});
  dx0 += cut, sx0 += cut, cw -= cut;
  cut = std::max({int64_t{0}, -dy0, -sy0});
  dy0 += cut, sy0 += cut, ch -= cut;
  // Clip the right and bottom edges.
  cw = std::min({cw, dst.width() - dx0, src.width() - sx0});
  ch = std::min({ch, dst.height() - dy0, src.height() - sy0});
  if (cw <= 0 || ch <= 0) return 0;

  const auto n = static_cast<size_t>(cw) * sizeof(Rgb);
  // Whole rows of two images of one width lie end to end in both, so they go in a single copy:
  // every frame copies the whole playfield, and one long copy is measurably faster than one per
  // row. A single memmove also handles any overlap within one image.
  if (cw == dst.width() && cw == src.width()) {
    std::memmove(dst.row(static_cast<int>(dy0)), src.row(static_cast<int>(sy0)),
                 n * static_cast<size_t>(ch));
    return cw * ch;
  }
  // Copying within one image may overlap; walk the rows so that no source row is overwritten
  // before it is read.
  const bool upwards = &dst == &src && dy0 > sy0;
  for (int64_t i = 0; i < ch; ++i) {
    const int64_t r = upwards ? ch - 1 - i : i;
    std::memmove(dst.row(static_cast<int>(dy0 + r)) + dx0, src.row(static_cast<int>(sy0 + r)) + sx0,
                 n);
  }
  return cw * ch;
}

}  // namespace render
