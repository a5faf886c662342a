#include "support/Expected.h"
#include "support/Window.h"

#include <QWindow>

#include <gtest/gtest.h>

#include <map>

namespace {

const game::GameState& state(ui::Form1& f) { return f.module1().gs; }

using Env = std::map<std::string, std::string>;

std::string choice(const Env& env, bool gnometitlebar) {
  return ui::platformchoice(
      [&](const char* name) { return env.count(name) ? env.at(name) : std::string(); },
      gnometitlebar);
}

}  // namespace

// Only a GNOME Wayland session without a GNOME-style Wayland title bar, with an X display, asks
// for X11 first; the user's own choice and every other desktop are left alone.
TEST(Desktop, GnomeOnWaylandWithoutAGnomeTitleBarAsksForX11First) {
  const Env gnome = {
      {"XDG_CURRENT_DESKTOP", "GNOME"}, {"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}};
  EXPECT_EQ(choice(gnome, false), "xcb;wayland");
  EXPECT_EQ(choice(gnome, true), "wayland;xcb");
  Env ubuntu = gnome;
  ubuntu["XDG_CURRENT_DESKTOP"] = "ubuntu:GNOME";
  EXPECT_EQ(choice(ubuntu, false), "xcb;wayland");
  Env nox = gnome;
  nox.erase("DISPLAY");
  EXPECT_EQ(choice(nox, false), "wayland;xcb");
  Env chosen = gnome;
  chosen["QT_QPA_PLATFORM"] = "wayland";
  EXPECT_EQ(choice(chosen, false), "");
  Env x11 = gnome;
  x11.erase("WAYLAND_DISPLAY");
  EXPECT_EQ(choice(x11, false), "");
  for (const char* other : {"KDE", "sway", "", "GNOMEish", "XFCE:Unity"}) {
    Env e = gnome;
    e["XDG_CURRENT_DESKTOP"] = other;
    EXPECT_EQ(choice(e, false), "") << other;
  }
}

// Whoever maximises the window or makes it full screen, the program or the window system, the
// next turn of the event loop puts it back where it was at its fixed size.
TEST(Desktop, MaximisedOrFullScreenTheWindowGoesBackAtOnce) {
  constexpr Qt::WindowStates kLarge = Qt::WindowMaximized | Qt::WindowFullScreen;
  auto f = fixture::form();
  const QRect was = f->geometry();
  Qt::WindowStates seen;
  QObject::connect(f->windowHandle(), &QWindow::windowStateChanged,
                   [&](Qt::WindowState s) { seen |= s; });
  const std::function<void()> asks[] = {
      [&] { f->showMaximized(); }, [&] { f->showFullScreen(); },
      [&] { f->windowHandle()->setWindowStates(Qt::WindowMaximized); },
      [&] { f->setWindowState(Qt::WindowFullScreen | Qt::WindowMaximized); }};
  for (size_t i = 0; i < std::size(asks); ++i) {
    seen = {};
    asks[i]();
    const auto back = [&] {
      return seen & kLarge && !(f->windowState() & kLarge) &&
             f->windowHandle()->windowStates() == Qt::WindowNoState;
    };
    EXPECT_TRUE(QTest::qWaitFor(back, 1000)) << i;
    EXPECT_EQ(f->geometry(), was) << i;
  }
  // A minimised window stays minimised.
  f->showMinimized();
  QCoreApplication::processEvents();
  EXPECT_TRUE(f->windowState() & Qt::WindowMinimized);
}

// The pointer's arrival over the playfield moves the paddle as a move there would, to the whole
// pixel left of it and clamped; leaving moves nothing.
TEST(Desktop, EnteringThePlayfieldMovesThePaddleThereAndLeavingDoesNothing) {
  auto f = fixture::form();
  for (auto [x, want] : {std::pair{123.6, 123}, {99.999, 99}, {470.5, 440}, {-0.5, 0}}) {
    const int repaints = f->screen().repaints();
    fixture::enter(f->mainscr, QPointF(x, 200.5));
    EXPECT_EQ(state(*f).paddlex, want) << x;
    EXPECT_EQ(f->screen().repaints(), repaints + 1) << x;
  }
  EXPECT_EQ(f->mainscr->surface(), expected::field(0, 256, 16, 248));
  const game::GameState before = state(*f);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(f->mainscr, &leave);
  EXPECT_EQ(state(*f), before);
  EXPECT_EQ(f->mainscr->surface(), expected::field(0, 256, 16, 248));
}

// Entering the window from outside straight onto the playfield reaches it through the toolkit's
// own enter handling, which rounds the window position; the screen position keeps the fraction.
TEST(Desktop, EnteringTheWindowOntoThePlayfieldMovesThePaddleToTheExactPixel) {
  auto f = fixture::form();
  const QPointF local(300.6, 150.0);
  const QPointF inwindow = local + ui::layout::kPlayfield.topLeft();
  QEnterEvent ev(inwindow, inwindow, f->mapToGlobal(inwindow));
  QCoreApplication::sendEvent(f->windowHandle(), &ev);
  EXPECT_EQ(state(*f).paddlex, 300);
  EXPECT_EQ(f->mainscr->surface(), expected::field(300, 256, 316, 248));
}
