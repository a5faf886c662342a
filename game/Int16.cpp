#include "game/Int16.h"

#include <cmath>

namespace game {

namespace {

// Converts a whole-numbered double into the 16-bit range without ever casting an
// out-of-range value, which would be undefined behaviour.
int16_t saturate(double whole) {
  if (std::isnan(whole)) return 0;
  if (whole < Int16::kMin) return Int16::clamp(int64_t{Int16::kMin} - 1);
  if (whole > Int16::kMax) return Int16::clamp(int64_t{Int16::kMax} + 1);
  return static_cast<int16_t>(whole);
}

}  // namespace

int16_t Int16::round(double v) {
  // nearbyint uses the current rounding mode, which is round-half-even by default.
  return saturate(std::nearbyint(v));
}

int16_t Int16::floor(double v) { return saturate(std::floor(v)); }

}  // namespace game
