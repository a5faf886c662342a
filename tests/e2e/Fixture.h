#pragma once

#include "game/Constants.h"
#include "support/Session.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iostream>

namespace e2e {

using session::Clock;
using session::Seen;

// Where the ball rests on the paddle before a round.
constexpr int kBallRestY = game::kPaddleY - game::kBallH;
constexpr int kBallOnPaddle = (game::kPaddleW - game::kBallW) / 2;

// Empty when `file`, which the `preset` build makes, is there; else which build to make, and how.
inline std::string unbuilt(const std::string& file, const std::string& preset) {
  if (std::filesystem::exists(file)) return {};
  return file + " is not built: cmake --preset " + preset + " && cmake --build --preset " + preset;
}

// Tests that play the real program on a private desktop. Outside continuous integration a
// machine without the desktop tools skips them; in it, the same lack is a failure.
class OnDesktop : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    bool toolsmissing = false;
    desktop_ = session::Desktop::shared(kind(), &why, &toolsmissing);
    if (desktop_ != nullptr && kind() == session::Kind::Wine)
      why = unbuilt(POMURAN_WINDOWS_EXECUTABLE, "windows");
    if (desktop_ != nullptr && why.empty()) return;
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

// The same cases for the Linux program on openbox and for the Windows one under Wine there.
class OnX11 : public OnDesktop, public ::testing::WithParamInterface<session::Kind> {
 protected:
  session::Kind kind() const override { return GetParam(); }
};
inline std::string programname(const ::testing::TestParamInfo<session::Kind>& info) {
  return info.param == session::Kind::Wine ? "windows" : "linux";
}

// The Windows program under Wine alone.
class OnWine : public OnDesktop {
 protected:
  session::Kind kind() const override { return session::Kind::Wine; }
};

// The program that a desktop runs: the Windows one under Wine, the Linux one elsewhere.
inline QString program(session::Kind kind) {
  return QString::fromUtf8(kind == session::Kind::Wine ? POMURAN_WINDOWS_EXECUTABLE
                                                       : POMURAN_EXECUTABLE);
}

// Ends the game by `how` and expects it gone by itself, with status 0; prints how long it took.
inline void expectendsorderly(session::Game& g, const std::function<void()>& how,
                              const char* what) {
  const auto begin = Clock::now();
  how();
  ASSERT_TRUE(g.waitexit(int(session::kPatience * 1000)))
      << "still running " << session::kPatience << " s after " << what;
  const double took = session::seconds(begin, Clock::now());
  std::cout << "exit after " << what << ": " << took * 1000 << " ms\n";
  EXPECT_FALSE(g.crashed()) << "ended by a signal";
  EXPECT_EQ(g.exitcode(), 0) << g.errors().toStdString();
}

// The desktops are stopped once every test has run, before the application object goes.
class StopDesktops : public ::testing::Environment {
 public:
  void TearDown() override { session::Desktop::stopshared(); }
};
inline ::testing::Environment* const kStopDesktops =
    ::testing::AddGlobalTestEnvironment(new StopDesktops);

}  // namespace e2e

// Starts the program for one test and stops the test if its window does not come up.
#define E2E_START(game, ...)                                                                  \
  session::Game game(desktop());                                                              \
  do {                                                                                        \
    std::string why_;                                                                         \
    ASSERT_TRUE(game.start(e2e::program(desktop().kind()), &why_ __VA_OPT__(, ) __VA_ARGS__)) \
        << why_;                                                                              \
  } while (false)
