#include "game/Constants.h"
#include "game/Int16.h"
#include "support/World.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using testing_world::World;

namespace {

// Runs ball steps and records the top edge where each step ends.
std::vector<int> steps(World& w, int n) {
  std::vector<int> ys;
  for (int i = 0; i < n; ++i) {
    w.m.moveball();
    ys.push_back(w.m.gs.bally);
  }
  return ys;
}

}  // namespace

TEST(InitGame, SetsEveryFieldAndRestsTheBallOnThePaddleCentre) {
  World w;
  const game::GameState& g = w.m.gs;
  EXPECT_EQ(g.playing, 0);
  EXPECT_EQ(g.paddlex, 200);
  EXPECT_EQ(g.paddley, 256);
  EXPECT_EQ(g.paddlew, 40);
  EXPECT_EQ(g.paddleh, 8);
  EXPECT_EQ(g.ballx, 216);
  EXPECT_EQ(g.bally, 248);
  EXPECT_EQ(g.ballw, 8);
  EXPECT_EQ(g.ballh, 8);
  EXPECT_EQ(g.balldx, 0);
  EXPECT_EQ(g.balldy, -5);
  EXPECT_EQ(g.bally + g.ballh, g.paddley);
  EXPECT_EQ(g.ballx - g.paddlex, (g.paddlew - g.ballw) / 2);
}

TEST(MovePaddle, ClampsTheLeftEdgeToTheField) {
  World w;
  const std::pair<int16_t, int16_t> cases[] = {
      {-25, 0},   {-1, 0},    {0, 0},      {1, 1},         {439, 439},
      {440, 440}, {441, 440}, {1000, 440}, {INT16_MIN, 0}, {INT16_MAX, 440}};
  for (auto [x, want] : cases) {
    w.m.movepaddle(x);
    EXPECT_EQ(w.m.gs.paddlex, want) << "x = " << x;
  }
}

TEST(MovePaddle, TheLowerBoundGoesFirstForAPaddleWiderThanTheField) {
  World w;
  w.m.gs.paddlew = 500;
  w.m.movepaddle(-10);
  EXPECT_EQ(w.m.gs.paddlex, -20);
}

TEST(MovePaddle, CarriesTheRestingBallButNotAFlyingOne) {
  World w;
  w.m.movepaddle(100);
  EXPECT_EQ(w.m.gs.paddlex, 100);
  EXPECT_EQ(w.m.gs.ballx, 116);
  EXPECT_EQ(w.m.gs.bally, 248);

  w.m.gs.bally = 200;  // y is never touched by the paddle
  w.m.movepaddle(300);
  EXPECT_EQ(w.m.gs.ballx, 316);
  EXPECT_EQ(w.m.gs.bally, 200);

  w.m.gs.playing = game::kTrue;
  for (int16_t x : {0, 77, 440, 12}) {
    w.m.movepaddle(x);
    EXPECT_EQ(w.m.gs.paddlex, x);
    EXPECT_EQ(w.m.gs.ballx, 316);
    EXPECT_EQ(w.m.gs.bally, 200);
  }
}

TEST(MovePaddle, CentresTheBallWithTiesToEven) {
  World w;
  w.m.gs.paddlew = 41;  // (41 - 8) / 2 = 16.5
  w.m.movepaddle(200);
  EXPECT_EQ(w.m.gs.ballx, 216);  // 216.5 goes to the even 216
  w.m.movepaddle(201);
  EXPECT_EQ(w.m.gs.ballx, 218);  // 217.5 goes to the even 218
}

TEST(MovePaddle, EveryCallRedrawsEvenWithoutAChange) {
  World w;
  const int before = w.screen.repaints;
  w.m.movepaddle(200);
  w.m.movepaddle(200);
  w.m.movepaddle(-5);
  EXPECT_EQ(w.screen.repaints, before + 3);
  EXPECT_EQ(w.mainscr, w.offscr);
  EXPECT_EQ(w.offscr, w.composed());
}

TEST(WallHit, EachEdgeReportsItsBitAtTheExactBound) {
  World w;
  game::GameState& g = w.m.gs;
  g.ballx = 100;
  g.bally = 100;
  EXPECT_EQ(w.m.wallhit(), 0);
  g.bally = 296;  // bottom edge at 304
  EXPECT_EQ(w.m.wallhit(), 1);
  g.bally = 295;
  EXPECT_EQ(w.m.wallhit(), 0);
  g.bally = 0;
  EXPECT_EQ(w.m.wallhit(), 2);
  g.bally = 1;
  EXPECT_EQ(w.m.wallhit(), 0);
  g.ballx = 472;  // right edge at 480
  EXPECT_EQ(w.m.wallhit(), 8);
  g.ballx = 471;
  EXPECT_EQ(w.m.wallhit(), 0);
  g.ballx = 0;
  EXPECT_EQ(w.m.wallhit(), 4);
  g.ballx = 1;
  EXPECT_EQ(w.m.wallhit(), 0);
  g.ballx = -3;
  g.bally = -3;
  EXPECT_EQ(w.m.wallhit(), 2 | 4);
  g.ballx = 500;
  g.bally = 400;
  EXPECT_EQ(w.m.wallhit(), 1 | 8);
}

TEST(PaddleHit, OnlyTheBallsLeftEdgeCountsAndBothEndsAreInclusive) {
  World w;
  game::GameState& g = w.m.gs;
  g.balldy = 5;
  g.bally = 248;  // bottom edge on the paddle's top
  g.ballx = g.paddlex + g.paddlew;
  EXPECT_EQ(w.m.paddlehit(), 1);
  g.ballx = g.paddlex + g.paddlew + 1;
  EXPECT_EQ(w.m.paddlehit(), 0);
  g.ballx = g.paddlex;
  EXPECT_EQ(w.m.paddlehit(), 1);
  g.ballx = g.paddlex - 1;  // most of the ball is over the paddle, yet it misses
  EXPECT_EQ(w.m.paddlehit(), 0);
}

TEST(PaddleHit, GoingDownTheTopEdgeIsMetFromAbove) {
  World w;
  game::GameState& g = w.m.gs;
  g.ballx = 216;
  g.balldy = 5;
  g.bally = 247;  // bottom 255 < 256
  EXPECT_EQ(w.m.paddlehit(), 0);
  g.bally = 248;
  EXPECT_EQ(w.m.paddlehit(), 1);
  g.bally = 255;
  EXPECT_EQ(w.m.paddlehit(), 1);
  g.bally = 256;  // top no longer above the paddle's top
  EXPECT_EQ(w.m.paddlehit(), 0);
}

TEST(PaddleHit, GoingUpTheTopEdgeIsMetFromBelow) {
  World w;
  game::GameState& g = w.m.gs;
  g.ballx = 216;
  g.balldy = -5;
  g.bally = 248;  // bottom 256 is not > 256
  EXPECT_EQ(w.m.paddlehit(), 0);
  g.bally = 249;
  EXPECT_EQ(w.m.paddlehit(), 2);
  g.bally = 256;
  EXPECT_EQ(w.m.paddlehit(), 2);
  g.bally = 257;
  EXPECT_EQ(w.m.paddlehit(), 0);
  g.balldy = 0;  // a resting velocity counts as upwards
  g.bally = 250;
  EXPECT_EQ(w.m.paddlehit(), 2);
}

TEST(Bounce, ReversesEachAxisOnceWhateverBitsAreSet) {
  World w;
  game::GameState& g = w.m.gs;
  g.balldx = 3;
  g.balldy = -5;
  w.m.bounce(0);
  EXPECT_EQ(g.balldx, 3);
  EXPECT_EQ(g.balldy, -5);
  w.m.bounce(3);
  EXPECT_EQ(g.balldy, 5);
  EXPECT_EQ(g.balldx, 3);
  w.m.bounce(12);
  EXPECT_EQ(g.balldx, -3);
  EXPECT_EQ(g.balldy, 5);
  w.m.bounce(1);
  EXPECT_EQ(g.balldy, -5);
  w.m.bounce(2);
  EXPECT_EQ(g.balldy, 5);
  w.m.bounce(4);
  EXPECT_EQ(g.balldx, 3);
  w.m.bounce(8);
  EXPECT_EQ(g.balldx, -3);
  w.m.bounce(15);
  EXPECT_EQ(g.balldx, 3);
  EXPECT_EQ(g.balldy, -5);
}

TEST(MoveBall, ClimbsOnTheLatticeAndIsDrawnTwiceAtTheTop) {
  World w;
  const std::vector<int> ys = steps(w, 51);
  std::vector<int> want;
  for (int y = 243; y >= 3; y -= 5) want.push_back(y);  // 49 steps up
  want.push_back(3);                                    // -2 turns back to 3
  want.push_back(8);
  EXPECT_EQ(ys, want);
  EXPECT_EQ(w.m.gs.balldy, 5);
  EXPECT_EQ(w.m.gs.ballx, 216);
}

TEST(MoveBall, ReboundsFromThePaddleTopFrom243) {
  World w;
  w.m.gs.bally = 243;
  w.m.gs.balldy = 5;
  w.m.moveball();
  EXPECT_EQ(w.m.gs.bally, 243);
  EXPECT_EQ(w.m.gs.balldy, -5);
  EXPECT_EQ(w.m.lastsubsteps(), 2);
}

TEST(MoveBall, PassesAMissingPaddleAndTurnsAt293) {
  World w;
  w.m.gs.bally = 243;
  w.m.gs.balldy = 5;
  w.m.gs.paddlex = 300;  // the ball at 216 is left of the paddle
  std::vector<int> ys = steps(w, 12);
  const std::vector<int> want = {248, 253, 258, 263, 268, 273, 278, 283, 288, 293, 293, 288};
  EXPECT_EQ(ys, want);
  EXPECT_EQ(w.m.gs.balldy, -5);
}

TEST(MoveBall, StaysTrappedUnderThePaddleWhileItIsOverTheBall) {
  World w;
  w.m.gs.bally = 258;
  w.m.gs.balldy = -5;
  w.m.moveball();
  EXPECT_EQ(w.m.gs.bally, 258);
  EXPECT_EQ(w.m.gs.balldy, 5);
  // Down to the floor and back: the paddle sends it down again each time.
  for (int i = 0; i < 40; ++i) {
    w.m.moveball();
    EXPECT_GE(w.m.gs.bally, 258);
    EXPECT_LE(w.m.gs.bally, 293);
    EXPECT_EQ((w.m.gs.bally - 3) % 5, 0);
  }
}

TEST(MoveBall, ErasesTheOldBallAndDrawsTheNewOneWithoutATrail) {
  World w;
  w.m.gs.playing = game::kTrue;
  for (int i = 0; i < 120; ++i) {
    w.m.moveball();
    if (i % 7 == 0) w.m.movepaddle(static_cast<int16_t>(i * 37 % 500 - 20));
    ASSERT_EQ(w.offscr, w.composed()) << "after step " << i;
    ASSERT_EQ(w.mainscr, w.offscr);
  }
}

TEST(MoveBall, StopsAtTheSubstepCapWithTheBallInsideTheField) {
  World w;
  game::GameState& g = w.m.gs;
  // A tall ball straddling the paddle's top: the paddle reports 1 and 2 in turn for ever.
  g.ballh = 20;
  g.bally = 240;
  g.balldy = 5;
  w.m.moveball();
  EXPECT_EQ(w.m.lastsubsteps(), game::kMaxSubsteps);
  EXPECT_GE(g.bally, 1);
  EXPECT_LE(g.bally + g.ballh, 303);
  EXPECT_EQ(std::abs(g.balldy), 5);
  EXPECT_EQ(g.ballh, 20);

  // A fast ball far outside is put back inside as well.
  g.ballh = 8;
  g.ballx = 32000;
  g.bally = 100;
  g.balldx = 30000;
  g.balldy = 0;
  w.m.moveball();
  EXPECT_LE(w.m.lastsubsteps(), game::kMaxSubsteps);
  EXPECT_GE(g.ballx, 1);
  EXPECT_LE(g.ballx + g.ballw, 479);
  EXPECT_EQ(std::abs(g.balldx), 30000);
}

TEST(MoveBall, SumsPastSixteenBitsSaturateInsteadOfWrapping) {
  World w;
  game::GameState& g = w.m.gs;
  game::Int16::resetoverflows();
  g.paddlex = 0;
  g.ballx = 32767 - 3;
  g.bally = 100;
  g.balldx = 10;
  g.balldy = 0;
  w.m.moveball();
  EXPECT_GT(game::Int16::overflows(), 0u);
  // Saturated at 32767 it keeps touching the right wall, so the cap ends the step and puts the
  // ball back one pixel clear of the wall; it never wraps to a negative place.
  EXPECT_EQ(w.m.lastsubsteps(), game::kMaxSubsteps);
  EXPECT_EQ(g.ballx, 471);
  EXPECT_EQ(std::abs(g.balldx), 10);
  w.m.moveball();
  w.m.moveball();
  EXPECT_EQ(g.ballx, 461);
  EXPECT_EQ(g.balldx, -10);
}
