#pragma once

#include "game/Constants.h"
#include "game/GameState.h"
#include "render/Frame.h"

#include <cstdint>

namespace game {

// The game state with the rules that move it and the frame that draws it, which reads the
// sprites' places from the state. The rules call the drawing procedures by name at fixed points:
// erase before a move, redraw everything after.
class Module1 {
 public:
  Module1(render::Surfaces surfaces, render::Screen& screen)
      : frame(surfaces, {kFieldWidth, kFieldHeight},
              {gs.paddlex, gs.paddley, gs.paddlew, gs.paddleh},
              {gs.ballx, gs.bally, gs.ballw, gs.ballh}, screen) {}
  Module1(const Module1&) = delete;
  Module1& operator=(const Module1&) = delete;

  void initgame();
  void movepaddle(int16_t x);
  void moveball();
  int16_t wallhit() const;
  int16_t paddlehit() const;
  void bounce(int16_t mask);
  // There are no blocks to clear and no ball to lose in this version, so no round ever ends.
  bool endtest1() const { return false; }
  bool endtest2() const { return false; }

  // How many sub-steps the last moveball took; never more than kMaxSubsteps.
  int lastsubsteps() const { return substeps_; }

  GameState gs;
  render::Frame frame;

 private:
  void keepballinside();
  int substeps_ = 0;
};

// The mouse reports fractional positions; the paddle takes the whole pixel at or left of them.
int16_t pointerx(double x);

}  // namespace game
