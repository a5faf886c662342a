#include "render/Frame.h"
#include "game/Constants.h"

namespace render {

void Frame::drawpaddle(int16_t show) {
  const int sy = show ? 0 : gs_.paddleh;
  bitblt(s_.offscr, gs_.paddlex, gs_.paddley, gs_.paddlew, gs_.paddleh, s_.paddle, 0, sy);
}

void Frame::drawball(int16_t show) {
  const int sy = show ? 0 : gs_.ballh;
  bitblt(s_.offscr, gs_.ballx, gs_.bally, gs_.ballw, gs_.ballh, s_.ball, 0, sy);
}

void Frame::drawall() {
  drawpaddle(game::kTrue);
  // The ball comes second so that it covers the paddle where they overlap.
  drawball(game::kTrue);
  drawscreen();
}

void Frame::drawscreen() {
  bitblt(s_.mainscr, 0, 0, game::kFieldWidth, game::kFieldHeight, s_.offscr, 0, 0);
  screen_.repaint();
}

}  // namespace render
