#include "render/Frame.h"
#include "support/World.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

using testing_world::kBallInk;
using testing_world::kPaddleInk;
using testing_world::World;

namespace {

// Every pixel of the rectangle has the colour.
bool solid(const render::Surface& s, int x, int y, int w, int h, render::Rgb c) {
  for (int j = y; j < y + h; ++j)
    for (int i = x; i < x + w; ++i)
      if (s.pixel(i, j) != c) return false;
  return true;
}

}  // namespace

TEST(Frame, TheFirstFrameIsWhiteWithThePaddleAndTheRestingBall) {
  World w;
  EXPECT_TRUE(solid(w.mainscr, 200, 256, 40, 8, kPaddleInk));
  EXPECT_TRUE(solid(w.mainscr, 216, 248, 8, 8, kBallInk));
  // Just outside the sprites: beside and below the paddle, above and beside the ball.
  for (auto [x, y] : {std::pair{199, 256}, {240, 263}, {200, 264}, {216, 247}, {215, 248}})
    EXPECT_EQ(w.mainscr.pixel(x, y), render::kWhite) << x << "," << y;
  EXPECT_EQ(w.mainscr, w.composed());
  EXPECT_EQ(w.screen.repaints, 1);
}

TEST(Frame, SpritesAreDrawnInOffscrUntilDrawScreenCopiesTheWholeField) {
  World w;
  w.ball.setpixel(0, 8, render::rgb(0x00FF00));  // mark the erase frame's first pixel
  w.m.frame.drawball(game::kFalse);
  EXPECT_EQ(w.offscr.pixel(216, 248), render::rgb(0x00FF00));
  EXPECT_TRUE(solid(w.offscr, 217, 248, 7, 8, render::kWhite));
  EXPECT_TRUE(solid(w.offscr, 216, 249, 8, 7, render::kWhite));
  w.m.frame.drawpaddle(game::kFalse);
  EXPECT_TRUE(solid(w.offscr, 200, 256, 40, 8, render::kWhite));
  // Drawing touches offscr alone; mainscr keeps the last frame until drawscreen.
  EXPECT_TRUE(solid(w.mainscr, 200, 256, 40, 8, kPaddleInk));
  w.m.frame.drawpaddle(game::kTrue);
  EXPECT_TRUE(solid(w.offscr, 200, 256, 40, 8, kPaddleInk));
  // drawscreen copies the whole field, corners included, and repaints once.
  w.offscr.setpixel(0, 0, render::kBlack);
  w.offscr.setpixel(479, 303, render::kBlack);
  w.m.frame.drawscreen();
  EXPECT_EQ(w.mainscr, w.offscr);
  EXPECT_EQ(w.screen.repaints, 2);
}

TEST(Frame, TheBallIsDrawnOverThePaddleAndAnEraseLeavesWhiteUntilTheRedraw) {
  World w;
  w.m.gs.playing = game::kTrue;
  w.m.gs.bally = 252;  // half the ball over the paddle's top rows
  w.m.frame.drawall();
  EXPECT_TRUE(solid(w.offscr, 216, 252, 8, 8, kBallInk));
  w.m.frame.drawball(game::kFalse);
  EXPECT_TRUE(solid(w.offscr, 216, 256, 8, 4, render::kWhite));
  w.m.frame.drawall();
  EXPECT_TRUE(solid(w.offscr, 216, 256, 8, 4, kBallInk));
  EXPECT_TRUE(solid(w.offscr, 200, 260, 40, 4, kPaddleInk));
}

TEST(Frame, AfterAnyMovesAndTicksOnlyWhiteAndTheSpritesRemain) {
  World w;
  uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  for (int i = 0; i < 3000; ++i) {
    const uint32_t r = next() >> 8;
    if (r % 5 == 0) w.round.startround();
    if (r % 3 == 0)
      w.m.movepaddle(static_cast<int16_t>(static_cast<int>(r % 600) - 60));
    else
      w.round.tick();
    if (i % 250 == 0) w.round.endround1();
  }
  const std::set<render::Rgb> colours(w.mainscr.data(), w.mainscr.data() + 480 * 304);
  EXPECT_EQ(colours, (std::set<render::Rgb>{render::kWhite, kPaddleInk, kBallInk}));
  EXPECT_EQ(w.mainscr, w.composed());
}
