#include "render/Surface.h"

#include <gtest/gtest.h>

#include <climits>

using render::bitblt;
using render::rgb;
using render::Surface;

namespace {

constexpr render::Rgb kInk = rgb(0x123456);
constexpr render::Rgb kPaper = rgb(0xABCDEF);

// A source whose every pixel tells where it came from.
Surface numbered(int w, int h) {
  Surface s(w, h, kInk);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.setpixel(x, y, rgb(static_cast<uint32_t>(y * 256 + x)));
  return s;
}

// Counts the pixels of dst that are not paper.
int inked(const Surface& s) {
  int n = 0;
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) n += s.pixel(x, y) != kPaper;
  return n;
}

}  // namespace

TEST(Surface, StartsFilledAndClearsToANewBackground) {
  Surface s(5, 3, kInk);
  EXPECT_EQ(s.width(), 5);
  EXPECT_EQ(s.height(), 3);
  EXPECT_EQ(s.pixel(4, 2), kInk);
  s.setpixel(1, 1, kPaper);
  s.setbackground(kPaper);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(s.pixel(x, y), kPaper);
}

TEST(Surface, ResizeKeepsWhatFitsAndFillsTheRestWithTheBackground) {
  Surface s = numbered(4, 3);
  s.resize(6, 2);
  EXPECT_EQ(s.width(), 6);
  EXPECT_EQ(s.height(), 2);
  EXPECT_EQ(s.pixel(3, 1), rgb(256 + 3));
  EXPECT_EQ(s.pixel(4, 1), kInk);  // the background of numbered()
  s.resize(-5, INT_MAX);
  EXPECT_EQ(s.width(), 0);
  EXPECT_GT(s.height(), 0);
}

TEST(Surface, PixelAccessOutsideTheImageIsHarmless) {
  Surface s(2, 2, kInk);
  s.setpixel(-1, 0, kPaper);
  s.setpixel(2, 0, kPaper);
  s.setpixel(0, 2, kPaper);
  EXPECT_EQ(s.pixel(-1, 0), 0u);
  EXPECT_EQ(s.pixel(0, 2), 0u);
  Surface t(2, 2, kInk);
  EXPECT_EQ(s, t);
}

TEST(BitBlt, CopiesARectangleOpaquelyAndExactly) {
  const Surface src = numbered(10, 10);
  Surface dst(20, 20, kPaper);
  EXPECT_EQ(bitblt(dst, 5, 6, 3, 2, src, 4, 7), 6);
  EXPECT_EQ(dst.pixel(5, 6), rgb(7 * 256 + 4));
  EXPECT_EQ(dst.pixel(7, 7), rgb(8 * 256 + 6));
  EXPECT_EQ(dst.pixel(4, 6), kPaper);
  EXPECT_EQ(dst.pixel(8, 6), kPaper);
  EXPECT_EQ(dst.pixel(5, 5), kPaper);
  EXPECT_EQ(dst.pixel(5, 8), kPaper);
  EXPECT_EQ(inked(dst), 6);
}

TEST(BitBlt, ClipsAtEveryEdgeOfTheTarget) {
  const Surface src = numbered(10, 10);
  Surface dst(8, 6, kPaper);
  // Left: two columns fall off, the rest shift with the source.
  EXPECT_EQ(bitblt(dst, -2, 0, 4, 1, src, 0, 0), 2);
  EXPECT_EQ(dst.pixel(0, 0), rgb(2));
  EXPECT_EQ(dst.pixel(1, 0), rgb(3));
  EXPECT_EQ(dst.pixel(2, 0), kPaper);
  // Top.
  dst.setbackground(kPaper);
  EXPECT_EQ(bitblt(dst, 0, -3, 1, 4, src, 0, 0), 1);
  EXPECT_EQ(dst.pixel(0, 0), rgb(3 * 256));
  // Right.
  dst.setbackground(kPaper);
  EXPECT_EQ(bitblt(dst, 6, 0, 5, 1, src, 0, 0), 2);
  EXPECT_EQ(dst.pixel(7, 0), rgb(1));
  // Bottom.
  dst.setbackground(kPaper);
  EXPECT_EQ(bitblt(dst, 0, 5, 1, 5, src, 0, 0), 1);
  EXPECT_EQ(dst.pixel(0, 5), rgb(0));
  EXPECT_EQ(inked(dst), 1);
}

TEST(BitBlt, ClipsAtEveryEdgeOfTheSource) {
  const Surface src = numbered(4, 4);
  Surface dst(10, 10, kPaper);
  EXPECT_EQ(bitblt(dst, 3, 3, 4, 1, src, -2, 0), 2);  // left
  EXPECT_EQ(dst.pixel(5, 3), rgb(0));
  EXPECT_EQ(dst.pixel(4, 3), kPaper);
  dst.setbackground(kPaper);
  EXPECT_EQ(bitblt(dst, 3, 3, 1, 4, src, 0, -1), 3);  // top
  EXPECT_EQ(dst.pixel(3, 4), rgb(0));
  EXPECT_EQ(dst.pixel(3, 3), kPaper);
  dst.setbackground(kPaper);
  EXPECT_EQ(bitblt(dst, 0, 0, 4, 1, src, 3, 0), 1);  // right
  EXPECT_EQ(dst.pixel(0, 0), rgb(3));
  EXPECT_EQ(dst.pixel(1, 0), kPaper);
  dst.setbackground(kPaper);
  EXPECT_EQ(bitblt(dst, 0, 0, 1, 4, src, 0, 3), 1);  // bottom
  EXPECT_EQ(dst.pixel(0, 0), rgb(3 * 256));
  EXPECT_EQ(inked(dst), 1);
}

TEST(BitBlt, ExtremeOrEmptyRectanglesTouchNothingOutside) {
  const Surface src = numbered(6, 6);
  Surface dst(6, 6, kPaper);
  const int none[][6] = {{0, 0, 0, 3, 0, 0},
                         {0, 0, 3, 0, 0, 0},
                         {0, 0, -1, 3, 0, 0},
                         {0, 0, 3, -1, 0, 0},
                         {INT_MIN, INT_MIN, 3, 3, 0, 0},
                         {INT_MAX, INT_MAX, 3, 3, 0, 0},
                         {0, 0, 3, 3, INT_MIN, 0},
                         {0, 0, 3, 3, 0, INT_MAX},
                         {6, 0, 3, 3, 0, 0},
                         {0, 6, 3, 3, 0, 0},
                         {0, 0, 3, 3, 6, 0},
                         {0, 0, 3, 3, 0, 6},
                         {-3, 0, 3, 3, 0, 0},
                         {0, 0, 3, 3, -3, 0},
                         {0, 0, INT_MIN, INT_MIN, 0, 0}};
  for (const auto& a : none) {
    EXPECT_EQ(bitblt(dst, a[0], a[1], a[2], a[3], src, a[4], a[5]), 0)
        << a[0] << "," << a[1] << " " << a[2] << "x" << a[3] << " from " << a[4] << "," << a[5];
  }
  EXPECT_EQ(inked(dst), 0);
  // Huge sizes from far outside still copy exactly the overlap.
  EXPECT_EQ(bitblt(dst, INT_MIN / 2, -1000, INT_MAX, INT_MAX, src, INT_MIN / 2, -1000), 36);
  EXPECT_EQ(dst, src);
}

TEST(BitBlt, EmptyImagesAreSafe) {
  Surface empty;
  Surface dst(4, 4, kPaper);
  EXPECT_EQ(bitblt(dst, 0, 0, 4, 4, empty, 0, 0), 0);
  EXPECT_EQ(bitblt(empty, 0, 0, 4, 4, dst, 0, 0), 0);
  EXPECT_EQ(inked(dst), 0);
}

TEST(BitBlt, OverlappingCopiesWithinOneImageReadBeforeWriting) {
  Surface s = numbered(6, 6);
  const Surface orig = s;
  bitblt(s, 1, 1, 5, 5, s, 0, 0);  // down and right
  for (int y = 1; y < 6; ++y)
    for (int x = 1; x < 6; ++x) EXPECT_EQ(s.pixel(x, y), orig.pixel(x - 1, y - 1));
  s = orig;
  bitblt(s, 0, 0, 5, 5, s, 1, 1);  // up and left
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(s.pixel(x, y), orig.pixel(x + 1, y + 1));
}

TEST(BitBlt, WholeRowsCopyInOnePieceAndStillReadBeforeWriting) {
  const Surface src = numbered(7, 9);
  Surface dst(7, 9, kPaper);
  EXPECT_EQ(bitblt(dst, 0, 2, 7, 4, src, 0, 3), 28);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 7; ++x)
      EXPECT_EQ(dst.pixel(x, y), y >= 2 && y < 6 ? src.pixel(x, y + 1) : kPaper) << x << "," << y;
  Surface s = src;
  bitblt(s, 0, 2, 7, 6, s, 0, 0);  // down
  for (int y = 2; y < 8; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(s.pixel(x, y), src.pixel(x, y - 2));
  s = src;
  bitblt(s, 0, 0, 7, 6, s, 0, 3);  // up
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(s.pixel(x, y), src.pixel(x, y + 3));
  EXPECT_EQ(s.pixel(0, 8), src.pixel(0, 8));
}
