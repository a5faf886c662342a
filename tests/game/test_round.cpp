#include "game/Constants.h"
#include "support/World.h"

#include <gtest/gtest.h>

using testing_world::World;

TEST(Round, StartLocksTheControlsOnceAndTheFirstTickMovesTheBallFiveUp) {
  World w;
  game::GameState want = w.m.gs;
  want.playing = game::kTrue;
  w.round.startround();
  // The button goes first, then the list; nothing else changes and nothing is drawn.
  EXPECT_EQ(w.controls.log, "-command1 -combo1 ");
  EXPECT_EQ(w.m.gs, want);
  EXPECT_EQ(w.screen.repaints, 1);
  w.round.tick();
  want.bally = 243;
  EXPECT_EQ(w.m.gs, want);  // the end-of-round tests answer false, so the round goes on
  EXPECT_EQ(w.screen.repaints, 2);
  EXPECT_EQ(w.offscr, w.composed());
  // A second start while running changes nothing.
  w.round.startround();
  EXPECT_EQ(w.controls.log, "-command1 -combo1 ");
  EXPECT_EQ(w.m.gs, want);
}

TEST(Round, WhileIdleTicksAndEndsChangeAndDrawNothing) {
  World w;
  const game::GameState before = w.m.gs;
  const render::Surface off = w.offscr;
  for (int i = 0; i < 10; ++i) w.round.tick();
  w.round.endround1();
  w.round.endround2();
  EXPECT_EQ(w.m.gs, before);
  EXPECT_EQ(w.offscr, off);
  EXPECT_EQ(w.screen.repaints, 1);
  EXPECT_EQ(w.controls.log, "");
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
