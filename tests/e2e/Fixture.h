#pragma once

#include <gtest/gtest.h>

#include "Desktop.h"
#include "Game.h"

namespace e2e {

// Tests that play the real program on the private desktop. Outside continuous integration a
// machine without the desktop tools skips them; in it, the same lack is a failure.
class OnDesktop : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    bool toolsmissing = false;
    desktop_ = Desktop::shared(&why, &toolsmissing);
    if (desktop_ != nullptr) return;
    if (toolsmissing && !inci()) GTEST_SKIP() << why;
    FAIL() << why;
  }

  const Desktop& desktop() const { return *desktop_; }

 private:
  Desktop* desktop_ = nullptr;
};

}  // namespace e2e

// Starts the program for one test and stops the test if its window does not come up.
#define E2E_START(game)                     \
  e2e::Game game(desktop());                \
  do {                                      \
    std::string why_;                       \
    ASSERT_TRUE(game.start(&why_)) << why_; \
  } while (false)
