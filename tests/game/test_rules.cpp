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

// Puts the ball somewhere with a given speed, as a hit or a bounce would leave it.
void aim(World& w, int16_t x, int16_t y, int16_t dx, int16_t dy) {
  w.m.gs.ballx = x;
  w.m.gs.bally = y;
  w.m.gs.balldx = dx;
  w.m.gs.balldy = dy;
}

}  // namespace

TEST(InitGame, SetsEveryFieldAndRestsTheBallOnThePaddleCentre) {
  World w;
  // playing; paddle x, y, w, h; ball x, y, w, h; ball dx, dy
  const game::GameState want{0, 200, 256, 40, 8, 216, 248, 8, 8, 0, -5};
  EXPECT_EQ(w.m.gs, want);
}

TEST(MovePaddle, ClampsTheLeftEdgeToTheFieldAndRedrawsEveryTime) {
  World w;
  const std::pair<int16_t, int16_t> cases[] = {
      {-25, 0},   {-1, 0},    {0, 0},      {1, 1},         {439, 439},
      {440, 440}, {441, 440}, {1000, 440}, {INT16_MIN, 0}, {INT16_MAX, 440}};
  for (auto [x, want] : cases) {
    w.m.movepaddle(x);
    EXPECT_EQ(w.m.gs.paddlex, want) << "x = " << x;
  }
  // Every call redraws, also those that leave the paddle where it was.
  EXPECT_EQ(w.screen.repaints, 1 + 10);
  EXPECT_EQ(w.mainscr, w.offscr);
  EXPECT_EQ(w.offscr, w.composed());
  // The lower bound goes first, so a paddle wider than the field ends at the negative limit.
  w.m.gs.paddlew = 500;
  w.m.movepaddle(-10);
  EXPECT_EQ(w.m.gs.paddlex, -20);
}

TEST(MovePaddle, CarriesTheRestingBallButNotAFlyingOne) {
  World w;
  game::GameState& g = w.m.gs;
  w.m.movepaddle(100);
  EXPECT_EQ(g.paddlex, 100);
  EXPECT_EQ(g.ballx, 116);
  EXPECT_EQ(g.bally, 248);
  g.bally = 200;  // y is never touched by the paddle
  w.m.movepaddle(300);
  EXPECT_EQ(g.ballx, 316);
  EXPECT_EQ(g.bally, 200);
  g.playing = game::kTrue;
  for (int16_t x : {0, 77, 440, 12}) {
    w.m.movepaddle(x);
    EXPECT_EQ(g.paddlex, x);
    EXPECT_EQ(g.ballx, 316);
    EXPECT_EQ(g.bally, 200);
  }
  // Centring rounds half to even: (41 - 8) / 2 = 16.5 puts the ball at 216.5, then 217.5.
  g.playing = game::kFalse;
  g.paddlew = 41;
  w.m.movepaddle(200);
  EXPECT_EQ(g.ballx, 216);
  w.m.movepaddle(201);
  EXPECT_EQ(g.ballx, 218);
}

TEST(WallHit, EachEdgeReportsItsBitAtTheExactBound) {
  World w;
  // x, y, mask. The ball is 8 square: its bottom edge meets 304 at y = 296, its right edge 480
  // at x = 472.
  const int16_t cases[][3] = {{100, 100, 0}, {100, 296, 1},   {100, 295, 0},    {100, 0, 2},
                              {100, 1, 0},   {472, 1, 8},     {471, 1, 0},      {0, 1, 4},
                              {1, 1, 0},     {-3, -3, 2 | 4}, {500, 400, 1 | 8}};
  for (auto [x, y, mask] : cases) {
    aim(w, x, y, 0, -5);
    EXPECT_EQ(w.m.wallhit(), mask) << x << "," << y;
  }
}

TEST(PaddleHit, OnlyTheBallsLeftEdgeCountsAndTheTopEdgeIsMetFromTheMovingSide) {
  World w;
  // The paddle spans x 200..240 with its top at 256; the ball is 8 square. Going down, its
  // bottom edge meets the top from above; going up (or resting), from below.
  const int16_t cases[][4] = {
      // x, y, dy, mask
      {240, 248, 5, 1},  {241, 248, 5, 0},  {200, 248, 5, 1},  {199, 248, 5, 0},  // both ends count
      {216, 247, 5, 0},  {216, 248, 5, 1},  {216, 255, 5, 1},  {216, 256, 5, 0},  // going down
      {216, 248, -5, 0}, {216, 249, -5, 2}, {216, 256, -5, 2}, {216, 257, -5, 0},  // going up
      {216, 250, 0, 2}};
  for (auto [x, y, dy, mask] : cases) {
    aim(w, x, y, 0, dy);
    EXPECT_EQ(w.m.paddlehit(), mask) << x << "," << y << " dy " << dy;
  }
}

TEST(Bounce, ReversesEachAxisOnceWhateverBitsAreSet) {
  World w;
  aim(w, 100, 100, 3, -5);
  // Each mask applies to the speed that the one before it left.
  const int16_t cases[][3] = {{0, 3, -5}, {3, 3, 5}, {12, -3, 5}, {1, -3, -5},
                              {2, -3, 5}, {4, 3, 5}, {8, -3, 5},  {15, 3, -5}};
  for (auto [mask, dx, dy] : cases) {
    w.m.bounce(mask);
    EXPECT_EQ(w.m.gs.balldx, dx) << "mask " << mask;
    EXPECT_EQ(w.m.gs.balldy, dy) << "mask " << mask;
  }
}

TEST(MoveBall, ClimbsOnTheLatticeAndIsDrawnTwiceAtTheTop) {
  World w;
  std::vector<int> want;
  for (int y = 243; y >= 3; y -= 5) want.push_back(y);  // 49 steps up
  want.insert(want.end(), {3, 8});                      // -2 turns back to 3
  EXPECT_EQ(steps(w, 51), want);
  EXPECT_EQ(w.m.gs.balldy, 5);
  EXPECT_EQ(w.m.gs.ballx, 216);
}

TEST(MoveBall, ReboundsFromThePaddleTopOrPassesAMissingOneAndTurnsAt293) {
  World w;
  aim(w, 216, 243, 0, 5);
  w.m.moveball();
  EXPECT_EQ(w.m.gs.bally, 243);
  EXPECT_EQ(w.m.gs.balldy, -5);
  EXPECT_EQ(w.m.lastsubsteps(), 2);

  aim(w, 216, 243, 0, 5);
  w.m.gs.paddlex = 300;  // the ball at 216 is left of the paddle
  const std::vector<int> want = {248, 253, 258, 263, 268, 273, 278, 283, 288, 293, 293, 288};
  EXPECT_EQ(steps(w, 12), want);
  EXPECT_EQ(w.m.gs.balldy, -5);
}

TEST(MoveBall, StaysTrappedUnderThePaddleWhileItIsOverTheBall) {
  World w;
  aim(w, 216, 258, 0, -5);
  w.m.moveball();
  EXPECT_EQ(w.m.gs.bally, 258);
  EXPECT_EQ(w.m.gs.balldy, 5);
  // Down to the floor and back: the paddle sends it down again each time.
  for (int y : steps(w, 40)) EXPECT_TRUE(y >= 258 && y <= 293 && (y - 3) % 5 == 0) << y;
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
  aim(w, 216, 240, 0, 5);
  w.m.moveball();
  EXPECT_EQ(w.m.lastsubsteps(), game::kMaxSubsteps);
  EXPECT_GE(g.bally, 1);
  EXPECT_LE(g.bally + g.ballh, 303);
  EXPECT_EQ(std::abs(g.balldy), 5);
  EXPECT_EQ(g.ballh, 20);

  // A fast ball far outside is put back inside as well.
  g.ballh = 8;
  aim(w, 32000, 100, 30000, 0);
  w.m.moveball();
  EXPECT_EQ(w.m.lastsubsteps(), game::kMaxSubsteps);
  EXPECT_GE(g.ballx, 1);
  EXPECT_LE(g.ballx + g.ballw, 479);
  EXPECT_EQ(std::abs(g.balldx), 30000);
}

TEST(MoveBall, SumsPastSixteenBitsSaturateInsteadOfWrapping) {
  World w;
  game::GameState& g = w.m.gs;
  game::Int16::resetoverflowsfortests();
  g.paddlex = 0;
  aim(w, 32767 - 3, 100, 10, 0);
  w.m.moveball();
  EXPECT_GT(game::Int16::overflowsfortests(), 0u);
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
