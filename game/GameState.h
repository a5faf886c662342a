#pragma once

#include <cstdint>

namespace game {

// The one record that every rule reads and writes. All fields are signed 16-bit integers.
struct GameState {
  int16_t playing = 0;  // a round is in progress: 0 or -1
  int16_t paddlex = 0;  // paddle's left edge
  int16_t paddley = 0;  // paddle's top edge
  int16_t paddlew = 0;
  int16_t paddleh = 0;
  int16_t ballx = 0;  // ball's left edge
  int16_t bally = 0;  // ball's top edge
  int16_t ballw = 0;
  int16_t ballh = 0;
  int16_t balldx = 0;  // ball's movement per sub-step
  int16_t balldy = 0;  // negative is upwards

  bool operator==(const GameState&) const = default;
};

}  // namespace game
