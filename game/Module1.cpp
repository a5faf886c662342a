#include "game/Module1.h"
#include "game/Constants.h"
#include "game/Int16.h"

#include <algorithm>

namespace game {

namespace {

// Centres a sprite of width inner over one of width outer at left edge x, rounding half to even.
int16_t centre(int16_t outer, int16_t inner, int16_t x) {
  return Int16::round(Int16::sub(outer, inner) / 2.0 + x);
}

}  // namespace

int16_t pointerx(double x) { return Int16::floor(x); }

void Module1::initgame() {
  gs.playing = kFalse;
  gs.paddlew = kPaddleW;
  gs.paddleh = kPaddleH;
  gs.ballw = kBallW;
  gs.ballh = kBallH;
  gs.paddlex = kPaddleX;
  gs.paddley = kPaddleY;
  gs.ballx = centre(gs.paddlew, gs.ballw, gs.paddlex);
  gs.balldx = kBallDx;
  gs.balldy = kBallDy;
  gs.bally = Int16::sub(gs.paddley, gs.ballh);
}

void Module1::movepaddle(int16_t x) {
  const int16_t limit = Int16::sub(kFieldWidth, gs.paddlew);
  // The lower bound goes first, so a paddle wider than the field ends at the limit.
  if (x < 0) x = 0;
  if (x > limit) x = limit;
  frame.drawpaddle(kFalse);
  if (!gs.playing) frame.drawball(kFalse);
  gs.paddlex = x;
  if (!gs.playing) gs.ballx = centre(gs.paddlew, gs.ballw, gs.paddlex);
  frame.drawall();
}

void Module1::moveball() {
  frame.drawball(kFalse);
  bool moved = true;
  for (substeps_ = 0; moved && substeps_ < kMaxSubsteps; ++substeps_) {
    moved = false;
    gs.ballx = Int16::add(gs.ballx, gs.balldx);
    gs.bally = Int16::add(gs.bally, gs.balldy);
    if (const int16_t m = wallhit(); m > 0) {
      bounce(m);
      moved = true;
    }
    // The paddle test sees the velocity that a wall contact may just have reversed.
    if (const int16_t p = paddlehit(); p > 0) {
      bounce(p);
      moved = true;
    }
  }
  if (moved) keepballinside();
  frame.drawall();
}

// A step cut short by the cap may leave the ball past an edge or touching one. It goes back one
// pixel clear of every wall, so that the state stays valid and the next step starts from a
// place where no wall contact is pending.
void Module1::keepballinside() {
  const int hi_x = std::max(1, kFieldWidth - gs.ballw - 1);
  const int hi_y = std::max(1, kFieldHeight - gs.ballh - 1);
  gs.ballx = static_cast<int16_t>(std::clamp<int>(gs.ballx, 1, hi_x));
  gs.bally = static_cast<int16_t>(std::clamp<int>(gs.bally, 1, hi_y));
}

// Sums in the tests below are taken in int, which holds any sum of two 16-bit values exactly.
int16_t Module1::wallhit() const {
  int16_t m = 0;
  if (gs.bally + gs.ballh >= kFieldHeight) m |= kHitBottom;
  if (gs.bally <= 0) m |= kHitTop;
  if (gs.ballx + gs.ballw >= kFieldWidth) m |= kHitRight;
  if (gs.ballx <= 0) m |= kHitLeft;
  return m;
}

int16_t Module1::paddlehit() const {
  // Only the ball's left edge is compared, and both ends count as over the paddle.
  if (gs.ballx > gs.paddlex + gs.paddlew || gs.ballx < gs.paddlex) return 0;
  const int bottom = gs.bally + gs.ballh;
  if (gs.balldy > 0) return bottom >= gs.paddley && gs.bally < gs.paddley ? kHitBottom : 0;
  return bottom > gs.paddley && gs.bally <= gs.paddley ? kHitTop : 0;
}

void Module1::bounce(int16_t mask) {
  if (mask & (kHitBottom | kHitTop)) gs.balldy = Int16::neg(gs.balldy);
  if (mask & (kHitLeft | kHitRight)) gs.balldx = Int16::neg(gs.balldx);
}

}  // namespace game
