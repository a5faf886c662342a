#pragma once

#include "game/Constants.h"
#include "support/Session.h"
#include "ui/qt/Layout.h"

#include <gtest/gtest.h>

#include <functional>
#include <iostream>

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

// The speed list as a player uses it: a click drops it, a click on an entry takes that entry and
// closes it, and nothing opens again or changes by itself after. The entries are rows of the
// area that changed when the list opened, wherever the style drops it. The first entry is taken,
// then the second, then the first again, which shows the same text as the first time. `away` is
// a point off the window, where the pointer waits while a picture is taken.
inline void expectlisttakesachoice(const session::Game& g, const session::Desktop& d, QPoint away) {
  const QRect list = ui::layout::kCombo1.translated(g.client().topLeft());
  const int row = list.height();
  const QRect around = list.adjusted(-row, -4 * row, row, 4 * row) & QRect(0, 0, 1024, 768);
  const auto still = [&](QRect r) {
    return session::waitsettled([&] { return d.shot(r); },
                                [](const QImage& s) { return !s.isNull(); });
  };
  QList<QImage> chosen;
  for (int entry : {0, 1, 0}) {
    SCOPED_TRACE(entry);
    d.pointer(list.center());
    const QImage before = still(around);
    d.click(list.center());
    const auto opened = [&](const QImage& s) { return !s.isNull() && s != before; };
    ASSERT_TRUE(opened(session::waituntil([&] { return d.shot(around); }, opened)))
        << "the list did not open";
    const QImage open = still(around);
    QRect dropped;
    for (int y = 0; y < open.height(); ++y)
      for (int x = 0; x < open.width(); ++x)
        if (open.pixel(x, y) != before.pixel(x, y)) dropped |= QRect(x, y, 1, 1);
    dropped.translate(around.topLeft());
    d.click({dropped.center().x(), dropped.top() + dropped.height() * (2 * entry + 1) / 6});
    d.pointer(away);
    const QImage shut = still(around);
    const auto changed = session::holds([&] { return d.shot(around); },
                                        [&](const QImage& s) { return s == shut; }, 1.0);
    EXPECT_FALSE(changed) << "the list opened again or changed after the choice";
    // The entry's text, black whichever colours the desktop gives an active or inactive window.
    QImage text = d.shot(list);
    for (int y = 0; y < text.height(); ++y)
      for (int x = 0; x < text.width(); ++x)
        text.setPixel(x, y, qGray(text.pixel(x, y)) < 0x60 ? 0xFF000000 : 0xFFFFFFFF);
    chosen << text;
  }
  EXPECT_NE(chosen[1], chosen[0]) << "the second entry was not taken";
  EXPECT_EQ(chosen[2], chosen[0]) << "the first entry was not taken again";
  // Under a compositor the first press in the window after a list has closed reaches no
  // control (the same with the list made at start-up); it goes to the panel here.
  d.click(g.screenpoint(20, 380));
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
