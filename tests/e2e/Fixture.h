#pragma once

#include "game/Constants.h"
#include "support/Session.h"
#include "ui/qt/Layout.h"

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

// The speed list as a player uses it: a click drops it, a click on an entry takes it and closes
// the list, and nothing opens again after. The list has dropped once its column changed beyond
// the closed list; its entry under the press shows in the highlight colour, the commonest strong
// colour of what changed, and the other entries are rows of that band's height. Each choice is
// the entry below: the toolkit ignores a release on the entry under the dropping press. `away`
// is off the window, where the pointer waits. Then START begins a round.
inline void expectlisttakesachoice(const session::Game& g, const session::Desktop& d, QPoint away) {
  const QRect list = ui::layout::kCombo1.translated(g.client().topLeft());
  // Within the client area: a title bar and shadow that the toolkit draws turn inactive too.
  const QRect column = list.adjusted(0, -4 * list.height(), 0, 4 * list.height()) & g.client();
  const auto still = [&](QRect r) {
    return session::waitsettled([&] { return d.shot(r); },
                                [](const QImage& s) { return !s.isNull(); });
  };
  // Where `to` differs from `from` in the pixels that `of` picks, outside the list if `beyond`.
  const auto changes = [&](const QImage& from, const QImage& to, bool beyond, auto of) {
    QRect box;
    for (int y = 0; y < to.height() && !from.isNull(); ++y)
      for (int x = 0; x < to.width(); ++x)
        if (to.pixel(x, y) != from.pixel(x, y) && of(to.pixel(x, y)) &&
            !(beyond && list.contains(column.topLeft() + QPoint(x, y))))
          box |= QRect(x, y, 1, 1);
    return box.translated(column.topLeft());
  };
  const auto any = [](QRgb) { return true; };
  d.pointer(away);
  const QImage closed = still(column);
  QImage shown = d.shot(list);
  for (int entry : {1, 2}) {
    SCOPED_TRACE(entry);
    d.pointer(list.center());
    const QImage before = still(column);
    d.click(list.center());
    const auto dropped = [&](const QImage& s) { return !changes(before, s, true, any).isEmpty(); };
    ASSERT_TRUE(dropped(session::waituntil([&] { return d.shot(column); }, dropped)))
        << "the list did not open";
    const QImage open = still(column);
    QHash<QRgb, int> strong;
    changes(before, open, false,
            [&](QRgb p) { return QColor(p).hsvSaturation() > 64 && ++strong[p]; });
    ASSERT_FALSE(strong.isEmpty()) << "the dropped list shows no highlighted entry";
    const auto most = [](auto a, auto b) { return a.second < b.second; };
    const QRgb light = std::max_element(strong.keyValueBegin(), strong.keyValueEnd(), most)->first;
    const QRect band = changes(before, open, false, [&](QRgb p) { return p == light; });
    d.click(band.center() + QPoint(0, band.height()));
    d.pointer(away);
    const QImage shut = still(column);
    EXPECT_TRUE(changes(closed, shut, true, any).isEmpty()) << "the list did not close";
    EXPECT_FALSE(
        session::holds([&] { return d.shot(column); }, [&](auto s) { return s == shut; }, 1.0))
        << "the list opened again or changed after the choice";
    // The entry's black text; its edges blend with colours that the desktop may change
    // meanwhile, a few pixels, where another entry changes a quarter of them.
    const QImage now = d.shot(list);
    int ink = 0, apart = 0;
    for (int y = 0; y < list.height(); ++y)
      for (int x = 0; x < list.width(); ++x) {
        const bool was = qGray(shown.pixel(x, y)) < 0x60;
        ink += was;
        apart += was != (qGray(now.pixel(x, y)) < 0x60);
      }
    EXPECT_GT(4 * apart, ink) << "the entry was not taken: " << apart << " of " << ink
                              << " text pixels changed";
    shown = now;
  }
  // The first click after the last choice, on START, begins a round: no press is lost to the list.
  d.click(g.screenpoint(ui::layout::kCommand1.center().x(), ui::layout::kCommand1.center().y()));
  const auto left = g.waitfield([](const Seen& s) { return s.bally < kBallRestY - 10; });
  EXPECT_TRUE(left && left->bally < kBallRestY - 10)
      << "START after a choice began no round: " << session::describe(left);
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
