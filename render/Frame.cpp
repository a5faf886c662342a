#include "render/Frame.h"

namespace render {

void Frame::draw(const Surface& sprite, const Place& at, bool shown) {
  const int sy = shown ? 0 : at.h;
  bitblt(s_.offscr, at.x, at.y, at.w, at.h, sprite, 0, sy);
}

void Frame::drawall() {
  draw(s_.paddle, paddle_, true);
  // The ball comes second so that it covers the paddle where they overlap.
  draw(s_.ball, ball_, true);
  drawscreen();
}

void Frame::drawscreen() {
  bitblt(s_.mainscr, 0, 0, field_.w, field_.h, s_.offscr, 0, 0);
  screen_.repaint();
}

}  // namespace render
