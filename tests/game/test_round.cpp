#include "game/Constants.h"
#include "support/World.h"

#include <gtest/gtest.h>

using testing_world::World;

TEST(Round, StartDisablesTheButtonThenTheListThenSetsPlaying) {
  World w;
  const game::GameState before = w.m.gs;
  const int repaints = w.screen.repaints;
  w.round.startround();
  EXPECT_EQ(w.controls.log, "-command1 -combo1 ");
  EXPECT_EQ(w.m.gs.playing, -1);
  // Nothing else changes and nothing is drawn.
  game::GameState want = before;
  want.playing = game::kTrue;
  EXPECT_EQ(w.m.gs, want);
  EXPECT_EQ(w.screen.repaints, repaints);
}

TEST(Round, ASecondStartWhileRunningChangesNothing) {
  World w;
  w.round.startround();
  w.round.tick();
  const game::GameState running = w.m.gs;
  w.controls.log.clear();
  w.round.startround();
  EXPECT_EQ(w.controls.log, "");
  EXPECT_EQ(w.m.gs, running);
}

TEST(Round, IdleTicksChangeAndDrawNothing) {
  World w;
  const game::GameState before = w.m.gs;
  const render::Surface off = w.offscr;
  const int repaints = w.screen.repaints;
  for (int i = 0; i < 10; ++i) w.round.tick();
  EXPECT_EQ(w.m.gs, before);
  EXPECT_EQ(w.offscr, off);
  EXPECT_EQ(w.screen.repaints, repaints);
}

TEST(Round, TheFirstTickAfterAStartMovesTheBallFiveUp) {
  World w;
  w.round.startround();
  const int repaints = w.screen.repaints;
  w.round.tick();
  EXPECT_EQ(w.m.gs.bally, 243);
  EXPECT_EQ(w.m.gs.ballx, 216);
  EXPECT_EQ(w.screen.repaints, repaints + 1);
  EXPECT_EQ(w.offscr, w.composed());
  // The end-of-round tests answer false, so the round goes on.
  EXPECT_EQ(w.m.gs.playing, -1);
}

TEST(Round, EndRoundWhileIdleChangesNothing) {
  World w;
  w.round.endround1();
  w.round.endround2();
  EXPECT_EQ(w.controls.log, "");
  EXPECT_EQ(w.m.gs.playing, 0);
}

TEST(Round, EndRoundWhileRunningEnablesBothAndLeavesTheBall) {
  for (int which : {1, 2}) {
    World w;
    w.round.startround();
    for (int i = 0; i < 3; ++i) w.round.tick();
    const game::GameState flying = w.m.gs;
    w.controls.log.clear();
    which == 1 ? w.round.endround1() : w.round.endround2();
    EXPECT_EQ(w.controls.log, "+command1 +combo1 ") << "endround" << which;
    EXPECT_EQ(w.m.gs.playing, 0);
    EXPECT_EQ(w.m.gs.bally, flying.bally);
    EXPECT_EQ(w.m.gs.balldy, flying.balldy);
    // Back to idle: ticks stop and the paddle carries the ball again.
    w.round.tick();
    EXPECT_EQ(w.m.gs.bally, flying.bally);
    w.m.movepaddle(50);
    EXPECT_EQ(w.m.gs.ballx, 66);
  }
}
