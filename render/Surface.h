#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace render {

// A pixel colour as 0xFFRRGGBB, the layout of a 32-bit RGB image with an opaque alpha byte.
using Rgb = uint32_t;

constexpr Rgb rgb(uint32_t rrggbb) { return 0xFF000000u | (rrggbb & 0x00FFFFFFu); }

constexpr Rgb kWhite = rgb(0xFFFFFF);
constexpr Rgb kBlack = rgb(0x000000);

// A persistent 32-bit pixel image: it keeps its pixels until they are drawn over, whether or
// not anything shows it. Rows are stored top to bottom without padding.
class Surface {
 public:
  Surface() = default;
  Surface(int width, int height, Rgb fill);

  int width() const { return width_; }
  int height() const { return height_; }
  Rgb background() const { return background_; }

  // Fills the whole image with a new background colour.
  void setbackground(Rgb colour);
  // Changes the size; pixels inside both sizes are kept and new ones take the background colour.
  void resize(int width, int height);

  // Pixel access; reads outside the image answer 0 and writes outside it do nothing.
  Rgb pixel(int x, int y) const;
  void setpixel(int x, int y, Rgb colour);

  Rgb* row(int y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
  const Rgb* row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }
  Rgb* data() { return pixels_.data(); }
  const Rgb* data() const { return pixels_.data(); }

  // Two surfaces are equal when they hold the same pixels, whatever their background colours.
  bool operator==(const Surface& o) const {
    return width_ == o.width_ && height_ == o.height_ && pixels_ == o.pixels_;
  }

 private:
  bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

  int width_ = 0;
  int height_ = 0;
  Rgb background_ = kWhite;
  std::vector<Rgb> pixels_;
};

// Copies a w x h rectangle of pixels opaquely from src at (sx, sy) to dst at (x, y).
// The copy is clipped to both images: whatever the arguments, it never reads or writes
// outside either one, and the part of the rectangle that falls outside is simply not copied.
// Returns the number of pixels written.
int64_t bitblt(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy);

}  // namespace render
