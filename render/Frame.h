#pragma once

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

// The surfaces that frame composition works on. Each sprite surface holds the shown frame in its
// top rows and the erase frame below it.
struct Surfaces {
  Surface& mainscr;
  Surface& offscr;
  const Surface& paddle;
  const Surface& ball;
};

// Where a sprite lies on the playfield, handed over as its owner's own fields so that every draw
// reads where the sprite is now.
struct Place {
  const int16_t& x;
  const int16_t& y;
  const int16_t& w;
  const int16_t& h;
};

// The playfield's size: the part of offscr that every frame copies to mainscr.
struct Field {
  int w;
  int h;
};

// Composes frames in offscr from the sprite surfaces and puts them on mainscr.
class Frame {
 public:
  Frame(Surfaces surfaces, Field field, Place paddle, Place ball, Screen& screen)
      : s_(surfaces), field_(field), paddle_(paddle), ball_(ball), screen_(screen) {}

  // `show` is a 16-bit Boolean: the shown frame when it is not 0, the erase frame when it is.
  void drawpaddle(int16_t show) { draw(s_.paddle, paddle_, show != 0); }
  void drawball(int16_t show) { draw(s_.ball, ball_, show != 0); }
  void drawall();
  void drawscreen();

 private:
  void draw(const Surface& sprite, const Place& at, bool shown);

  Surfaces s_;
  Field field_;
  Place paddle_;
  Place ball_;
  Screen& screen_;
};

}  // namespace render
