#include "game/Int16.h"

#include <gtest/gtest.h>

#include <limits>
#include <utility>

using game::Int16;

TEST(Int16, SumsSaturateAtTheLimitsAndOnlyThenAreCounted) {
  Int16::resetoverflowsfortests();
  EXPECT_EQ(Int16::add(32766, 1), 32767);
  EXPECT_EQ(Int16::add(-32767, -1), -32768);
  EXPECT_EQ(Int16::sub(-32767, 1), -32768);
  EXPECT_EQ(Int16::neg(-32767), 32767);
  EXPECT_EQ(Int16::overflowsfortests(), 0u);
  EXPECT_EQ(Int16::add(32767, 1), 32767);
  EXPECT_EQ(Int16::add(-32768, -1), -32768);
  EXPECT_EQ(Int16::sub(32767, -32768), 32767);
  EXPECT_EQ(Int16::neg(-32768), 32767);
  EXPECT_EQ(Int16::overflowsfortests(), 4u);
}

TEST(Int16, ConversionsRoundOrFloorAndSaturateWhateverTheDouble) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  // Rounding is to nearest with ties to even; floor takes the whole pixel at or left of the point.
  const std::pair<double, int16_t> rounded[] = {{216.5, 216}, {217.5, 218}, {-0.5, 0},
                                                {-1.5, -2},   {2.49, 2},    {kNaN, 0}};
  const std::pair<double, int16_t> floored[] = {
      {123.6, 123},     {123.0, 123},       {-0.25, -1},        {-25.0, -25},  {32767.9, 32767},
      {32768.0, 32767}, {-32768.0, -32768}, {-32768.5, -32768}, {1e12, 32767}, {-1e12, -32768},
      {kInf, 32767},    {-kInf, -32768},    {kNaN, 0}};
  Int16::resetoverflowsfortests();
  for (auto [v, want] : rounded) EXPECT_EQ(Int16::round(v), want) << v;
  for (auto [v, want] : floored) EXPECT_EQ(Int16::floor(v), want) << v;
  // Exactly the six values past the range count; 32767.9, -32768.0 and NaN do not.
  EXPECT_EQ(Int16::overflowsfortests(), 6u);
}
