#pragma once

#include <cstdint>

namespace game {

// Booleans of the game state are stored in 16 bits, as 0 and -1.
constexpr int16_t kFalse = 0;
constexpr int16_t kTrue = -1;

// The playfield, in pixels; the rules treat its edges as walls.
constexpr int16_t kFieldWidth = 480;
constexpr int16_t kFieldHeight = 304;

// The paddle rests near the bottom of the field and the ball rests on its centre.
constexpr int16_t kPaddleX = 200;
constexpr int16_t kPaddleY = 256;
constexpr int16_t kPaddleW = 40;
constexpr int16_t kPaddleH = 8;
constexpr int16_t kBallW = 8;
constexpr int16_t kBallH = 8;

// The ball starts upwards and only ever moves vertically: its speed changes only by sign.
constexpr int16_t kBallDx = 0;
constexpr int16_t kBallDy = -5;

// Hit-mask bits: which sides the ball touches.
constexpr int16_t kHitBottom = 1;
constexpr int16_t kHitTop = 2;
constexpr int16_t kHitLeft = 4;
constexpr int16_t kHitRight = 8;

// A ball step repeats its sub-step after every contact. With other sizes or speeds a ball can
// straddle the paddle's edge and bounce for ever, so one step stops after this many sub-steps.
constexpr int kMaxSubsteps = 16;

}  // namespace game
