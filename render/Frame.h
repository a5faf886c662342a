#pragma once

#include "game/GameState.h"
#include "render/Surface.h"

#include <cstdint>

namespace render {

// Whatever shows mainscr: the window repaints a widget, tests count the calls.
class Screen {
 public:
  virtual ~Screen() = default;
  // Must bring mainscr's image to the screen before it returns.
  virtual void repaint() = 0;
};

// The surfaces that frame composition works on.
struct Surfaces {
  Surface& mainscr;
  Surface& offscr;
  const Surface& paddle;
  const Surface& ball;
};

// Composes frames in offscr from the sprite surfaces and puts them on mainscr.
// Each sprite surface holds the shown frame in its top rows and the erase frame below it.
class Frame {
 public:
  Frame(const game::GameState& gs, Surfaces surfaces, Screen& screen)
      : gs_(gs), s_(surfaces), screen_(screen) {}

  void drawpaddle(int16_t show);
  void drawball(int16_t show);
  void drawall();
  void drawscreen();

 private:
  const game::GameState& gs_;
  Surfaces s_;
  Screen& screen_;
};

}  // namespace render
