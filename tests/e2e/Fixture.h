#pragma once

#include "game/Constants.h"
#include "support/Session.h"

#include <gtest/gtest.h>

namespace e2e {

using session::Clock;
using session::Seen;

// Where the ball rests on the paddle before a round.
constexpr int kBallRestY = game::kPaddleY - game::kBallH;
constexpr int kBallOnPaddle = (game::kPaddleW - game::kBallW) / 2;

// Tests that play the real program on a private desktop. Outside continuous integration a
// machine without the desktop tools skips them; in it, the same lack is a failure.
class OnDesktop : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    bool toolsmissing = false;
    desktop_ = session::Desktop::shared(kind(), &why, &toolsmissing);
    if (desktop_ != nullptr) return;
    if (toolsmissing && !session::inci()) GTEST_SKIP() << why;
    FAIL() << why;
  }

  virtual session::Kind kind() const { return session::Kind::X11; }
  const session::Desktop& desktop() const { return *desktop_; }

 private:
  session::Desktop* desktop_ = nullptr;
};

// The same on a headless Wayland compositor, where the game runs natively.
class OnWayland : public OnDesktop {
 protected:
  session::Kind kind() const override { return session::Kind::Wayland; }
};

// The desktops are stopped once every test has run, before the application object goes.
class StopDesktops : public ::testing::Environment {
 public:
  void TearDown() override { session::Desktop::stopshared(); }
};
inline ::testing::Environment* const kStopDesktops =
    ::testing::AddGlobalTestEnvironment(new StopDesktops);

}  // namespace e2e

// Starts the program for one test and stops the test if its window does not come up.
#define E2E_START(game, ...)                                                                      \
  session::Game game(desktop());                                                                  \
  do {                                                                                            \
    std::string why_;                                                                             \
    ASSERT_TRUE(game.start(QStringLiteral(POMURAN_EXECUTABLE), &why_ __VA_OPT__(, ) __VA_ARGS__)) \
        << why_;                                                                                  \
  } while (false)
