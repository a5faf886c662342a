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

// A copy's arguments: a w x h rectangle at (x, y) in dst, taken from (sx, sy) in src.
struct Copy {
  int x, y, w, h, sx, sy;
};

// What a copy should leave, worked out one pixel at a time. The rectangles must lie inside both
// images.
Surface pasted(Surface dst, const Copy& c, const Surface& src) {
  for (int j = 0; j < c.h; ++j)
    for (int i = 0; i < c.w; ++i) dst.setpixel(c.x + i, c.y + j, src.pixel(c.sx + i, c.sy + j));
  return dst;
}

// Copies a numbered source onto paper and checks that exactly `lands` was copied: the piece of
// the copy asked for that lies inside both images.
void expectcopy(int dw, int dh, int sw, int sh, const Copy& a, const Copy& lands) {
  SCOPED_TRACE(testing::Message() << a.w << "x" << a.h << " from " << a.sx << "," << a.sy << " of "
                                  << sw << "x" << sh << " to " << a.x << "," << a.y << " of " << dw
                                  << "x" << dh);
  const Surface src = numbered(sw, sh);
  Surface dst(dw, dh, kPaper);
  EXPECT_EQ(bitblt(dst, a.x, a.y, a.w, a.h, src, a.sx, a.sy), int64_t{lands.w} * lands.h);
  EXPECT_TRUE(dst == pasted(Surface(dw, dh, kPaper), lands, src));
}

}  // namespace

TEST(Surface, StartsFilledAndClearsToANewBackground) {
  Surface s(5, 3, kInk);
  EXPECT_EQ(s.width(), 5);
  EXPECT_EQ(s.height(), 3);
  EXPECT_EQ(s.pixel(4, 2), kInk);
  s.setpixel(1, 1, kPaper);
  s.setbackground(kPaper);
  EXPECT_EQ(s, Surface(5, 3, kPaper));
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
  EXPECT_EQ(s, Surface(2, 2, kInk));
}

TEST(BitBlt, CopiesExactlyTheOverlapOfBothImagesAndNothingElse) {
  const struct {
    int dw, dh, sw, sh;  // sizes of dst and src
    Copy asked, lands;
  } cases[] = {
      {20, 20, 10, 10, {5, 6, 3, 2, 4, 7}, {5, 6, 3, 2, 4, 7}},  // wholly inside
      {7, 9, 7, 9, {0, 2, 7, 4, 0, 3}, {0, 2, 7, 4, 0, 3}},      // whole rows, in one piece
      // Clipped at each edge of dst: left, top, right, bottom.
      {8, 6, 10, 10, {-2, 0, 4, 1, 0, 0}, {0, 0, 2, 1, 2, 0}},
      {8, 6, 10, 10, {0, -3, 1, 4, 0, 0}, {0, 0, 1, 1, 0, 3}},
      {8, 6, 10, 10, {6, 0, 5, 1, 0, 0}, {6, 0, 2, 1, 0, 0}},
      {8, 6, 10, 10, {0, 5, 1, 5, 0, 0}, {0, 5, 1, 1, 0, 0}},
      // Clipped at each edge of src.
      {10, 10, 4, 4, {3, 3, 4, 1, -2, 0}, {5, 3, 2, 1, 0, 0}},
      {10, 10, 4, 4, {3, 3, 1, 4, 0, -1}, {3, 4, 1, 3, 0, 0}},
      {10, 10, 4, 4, {0, 0, 4, 1, 3, 0}, {0, 0, 1, 1, 3, 0}},
      {10, 10, 4, 4, {0, 0, 1, 4, 0, 3}, {0, 0, 1, 1, 0, 3}},
      // Huge sizes from far outside still copy exactly the overlap.
      {6, 6, 6, 6, {INT_MIN / 2, -1000, INT_MAX, INT_MAX, INT_MIN / 2, -1000}, {0, 0, 6, 6, 0, 0}},
      // Empty images copy nothing.
      {4, 4, 0, 0, {0, 0, 4, 4, 0, 0}, {}},
      {0, 0, 4, 4, {0, 0, 4, 4, 0, 0}, {}}};
  for (const auto& c : cases) expectcopy(c.dw, c.dh, c.sw, c.sh, c.asked, c.lands);
  // Neither do empty or extreme rectangles, nor ones wholly outside either image.
  const Copy none[] = {{0, 0, 0, 3, 0, 0},
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
  for (const Copy& a : none) expectcopy(6, 6, 6, 6, a, {});
}

TEST(BitBlt, CopiesWithinOneImageReadBeforeWriting) {
  // Down and right, then up and left, row by row; then down and up in one piece.
  const struct {
    int w, h;
    Copy c;
  } cases[] = {{6, 6, {1, 1, 5, 5, 0, 0}},
               {6, 6, {0, 0, 5, 5, 1, 1}},
               {7, 9, {0, 2, 7, 6, 0, 0}},
               {7, 9, {0, 0, 7, 6, 0, 3}}};
  for (const auto& [w, h, c] : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " from " << c.sx << "," << c.sy
                                    << " to " << c.x << "," << c.y);
    const Surface orig = numbered(w, h);
    Surface s = orig;
    bitblt(s, c.x, c.y, c.w, c.h, s, c.sx, c.sy);
    EXPECT_TRUE(s == pasted(orig, c, orig));
  }
}
