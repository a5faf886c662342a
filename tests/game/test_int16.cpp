#include "game/Int16.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using game::Int16;

TEST(Int16, SumsInsideTheRangeAreExactAndNotCounted) {
  Int16::resetoverflows();
  EXPECT_EQ(Int16::add(32766, 1), 32767);
  EXPECT_EQ(Int16::add(-32767, -1), -32768);
  EXPECT_EQ(Int16::sub(-32767, 1), -32768);
  EXPECT_EQ(Int16::neg(-32767), 32767);
  EXPECT_EQ(Int16::overflows(), 0u);
}

TEST(Int16, SumsPastTheLimitsSaturateAndAreCounted) {
  Int16::resetoverflows();
  EXPECT_EQ(Int16::add(32767, 1), 32767);
  EXPECT_EQ(Int16::add(-32768, -1), -32768);
  EXPECT_EQ(Int16::sub(32767, -32768), 32767);
  EXPECT_EQ(Int16::neg(-32768), 32767);
  EXPECT_EQ(Int16::overflows(), 4u);
}

TEST(Int16, RoundingIsToNearestWithTiesToEven) {
  EXPECT_EQ(Int16::round(216.5), 216);
  EXPECT_EQ(Int16::round(217.5), 218);
  EXPECT_EQ(Int16::round(-0.5), 0);
  EXPECT_EQ(Int16::round(-1.5), -2);
  EXPECT_EQ(Int16::round(2.49), 2);
}

TEST(Int16, FloorTakesTheWholePixelAtOrLeftOfThePoint) {
  EXPECT_EQ(Int16::floor(123.6), 123);
  EXPECT_EQ(Int16::floor(123.0), 123);
  EXPECT_EQ(Int16::floor(-0.25), -1);
  EXPECT_EQ(Int16::floor(-25.0), -25);
}

TEST(Int16, ConversionsSaturateWhateverTheDouble) {
  Int16::resetoverflows();
  EXPECT_EQ(Int16::floor(32767.9), 32767);
  EXPECT_EQ(Int16::overflows(), 0u);
  EXPECT_EQ(Int16::floor(32768.0), 32767);
  EXPECT_EQ(Int16::floor(-32768.0), -32768);
  EXPECT_EQ(Int16::floor(-32768.5), -32768);
  EXPECT_EQ(Int16::floor(1e12), 32767);
  EXPECT_EQ(Int16::floor(-1e12), -32768);
  EXPECT_EQ(Int16::floor(std::numeric_limits<double>::infinity()), 32767);
  EXPECT_EQ(Int16::floor(-std::numeric_limits<double>::infinity()), -32768);
  EXPECT_EQ(Int16::round(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(Int16::floor(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(Int16::overflows(), 6u);
}
