#include "support/Expected.h"
#include "support/Session.h"
#include "support/Window.h"

#include <QProcessEnvironment>
#include <QWindow>

#include <gtest/gtest.h>

// Only a GNOME Wayland session without a GNOME-style Wayland title bar, with an X display, asks
// for X11 first; the user's own choice and every other desktop are left alone.
TEST(Desktop, GnomeOnWaylandWithoutAGnomeTitleBarAsksForX11First) {
  const std::tuple<const char*, bool, const char*> cases[] = {
      {"XDG_CURRENT_DESKTOP=GNOME WAYLAND_DISPLAY=w DISPLAY=:0", false, "xcb;wayland"},
      {"XDG_CURRENT_DESKTOP=ubuntu:GNOME WAYLAND_DISPLAY=w DISPLAY=:0", false, "xcb;wayland"},
      {"XDG_CURRENT_DESKTOP=GNOME WAYLAND_DISPLAY=w DISPLAY=:0", true, "wayland;xcb"},
      {"XDG_CURRENT_DESKTOP=GNOME WAYLAND_DISPLAY=w", false, "wayland;xcb"},
      {"XDG_CURRENT_DESKTOP=GNOME WAYLAND_DISPLAY=w DISPLAY=:0 QT_QPA_PLATFORM=wayland", false, ""},
      {"XDG_CURRENT_DESKTOP=GNOME DISPLAY=:0", false, ""},
      {"XDG_CURRENT_DESKTOP=KDE WAYLAND_DISPLAY=w DISPLAY=:0", false, ""},
      {"XDG_CURRENT_DESKTOP=GNOMEish:sway WAYLAND_DISPLAY=w DISPLAY=:0", false, ""}};
  for (auto [words, gnometitlebar, want] : cases) {
    const QProcessEnvironment env = session::environment(QString::fromLatin1(words));
    const auto getenv = [&](const char* name) {
      return env.value(QLatin1String(name)).toStdString();
    };
    int asked = 0;  // the plugin folder is read only where the answer matters
    const auto titlebar = [&, gnometitlebar] { return ++asked, gnometitlebar; };
    EXPECT_EQ(ui::platformchoice(getenv, titlebar), want) << words << " " << gnometitlebar;
    EXPECT_TRUE(*want != '\0' || asked == 0) << words;
  }
}

// Whoever maximises the window or makes it full screen, the program at once or the window system
// by an event, the next turn of the event loop puts it back where it was at its fixed size.
TEST(Desktop, MaximisedOrFullScreenTheWindowGoesBackAtOnce) {
  auto f = fixture::form();
  const QRect was = f->geometry();
  const std::function<void()> asks[] = {
      [&] { f->showMaximized(); }, [&] { f->showFullScreen(); },
      [&] { f->windowHandle()->setWindowStates(Qt::WindowMaximized); }};
  for (size_t i = 0; i < std::size(asks); ++i) {
    asks[i]();
    EXPECT_TRUE(i == 2 || f->isMaximized() || f->isFullScreen()) << i;
    EXPECT_TRUE(QTest::qWaitFor([&] { return f->windowHandle()->windowStates() == 0; },
                                session::kPatience * 1000));
    EXPECT_FALSE(f->isMaximized() || f->isFullScreen()) << i;
    EXPECT_EQ(f->geometry(), was) << i;
  }
}

// The pointer's arrival over the playfield moves the paddle as a move there would, and leaving
// moves nothing. Through the window, the enter event's exact screen position is taken.
TEST(Desktop, EnteringThePlayfieldMovesThePaddleThereAndLeavingDoesNothing) {
  auto f = fixture::form();
  for (auto [x, want] : {std::pair{123.6, 123}, {470.5, 440}, {-0.5, 0}}) {
    const int repaints = f->screen().repaintsfortests();
    fixture::enter(f->mainscr, QPointF(x, 200.5));
    EXPECT_EQ(f->module1().gs.paddlex, want) << x;
    EXPECT_EQ(f->screen().repaintsfortests(), repaints + 1) << x;
  }
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(f->mainscr, &leave);
  EXPECT_EQ(f->mainscr->surface(), expected::field(0, 256, 16, 248));
  const QPointF inwindow = QPointF(300.6, 150.0) + ui::layout::kPlayfield.topLeft();
  QEnterEvent ev(inwindow, inwindow, f->mapToGlobal(inwindow));
  QCoreApplication::sendEvent(f->windowHandle(), &ev);
  EXPECT_EQ(f->mainscr->surface(), expected::field(300, 256, 316, 248));
}

// A desktop may answer the window's new limits late, with a size that cuts the picture off,
// twice in a row: the game asks it back at once, once more a while later, and then keeps it.
// Once the desktop gives the fixed size again, a later cut, at the bottom alone as mutter's, is
// treated the same.
TEST(Desktop, ASizeThatCutsThePictureOffIsAskedBackOnceMoreLaterThenKept) {
  auto f = fixture::form();
  for (const QSize cut : {ui::layout::kClient - QSize(6, 33), ui::layout::kClient - QSize(0, 33)}) {
    for (int turn = 0; turn < 3; ++turn) {
      f->windowHandle()->resize(cut);
      QCoreApplication::processEvents();
      ASSERT_EQ(f->size(), cut) << turn;
      const int ms = turn < 2 ? int(session::kPatience * 1000) : 2500;
      EXPECT_EQ(QTest::qWaitFor([&] { return f->size() == ui::layout::kClient; }, ms), turn < 2)
          << cut.width() << "x" << cut.height() << ", turn " << turn;
    }
    f->windowHandle()->resize(ui::layout::kClient);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
  }
}
