#pragma once

#include <cstdint>

namespace game {

// All arithmetic on the game state goes through these helpers. A result that does not fit
// in 16 bits saturates at the nearest limit instead of wrapping, and the helper remembers that
// it happened, so an overflow is never silent and never undefined behaviour.
class Int16 {
 public:
  static constexpr int32_t kMin = INT16_MIN;
  static constexpr int32_t kMax = INT16_MAX;

  // Saturates a wide value into the 16-bit range.
  static int16_t clamp(int64_t v) {
    if (v < kMin) return note(kMin);
    if (v > kMax) return note(kMax);
    return static_cast<int16_t>(v);
  }
  static int16_t add(int16_t a, int16_t b) { return clamp(int64_t{a} + b); }
  static int16_t sub(int16_t a, int16_t b) { return clamp(int64_t{a} - b); }
  static int16_t neg(int16_t a) { return clamp(-int64_t{a}); }

  // Rounds to nearest, ties to even, and saturates; NaN becomes 0.
  static int16_t round(double v);
  // Rounds down to a whole number and saturates; NaN becomes 0.
  static int16_t floor(double v);

  // How many results have saturated since the program started (or since reset). The game carries
  // on with the saturated value and never reads the count; the tests and the fuzzer do, to prove
  // that a result was cut short instead of wrapping.
  static uint64_t overflowsfortests() { return count_; }
  static void resetoverflowsfortests() { count_ = 0; }

 private:
  static int16_t note(int32_t limit) {
    ++count_;
    return static_cast<int16_t>(limit);
  }
  static inline uint64_t count_ = 0;
};

}  // namespace game
