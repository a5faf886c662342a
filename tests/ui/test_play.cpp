#include "game/Constants.h"
#include "support/Compare.h"
#include "support/Expected.h"
#include "support/Wait.h"
#include "support/Window.h"

#include <gtest/gtest.h>

#include <set>

using fixture::move;

namespace {

const game::GameState& state(ui::Form1& f) { return f.module1().gs; }

void press(ui::Form1& f, Qt::MouseButton b, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  fixture::mouse(f.mainscr, QEvent::MouseButtonPress, QPointF(33.3, 44.4), b, b, mods);
  fixture::mouse(f.mainscr, QEvent::MouseButtonRelease, QPointF(33.3, 44.4), b, Qt::NoButton, mods);
}

}  // namespace

// Each move takes the whole pixel at or left of the pointer, clamped to the field, saturating
// far outside it, carries the resting ball and ends in one repaint, even when nothing moves.
TEST(Play, APointerMoveTakesTheWholePixelLeftOfItClampedAndRepaints) {
  auto f = fixture::form();
  const std::pair<double, int> cases[] = {
      {123.6, 123},  {99.999, 99}, {-25.0, 0},   {1000.0, 440}, {40000.0, 440},
      {-40000.0, 0}, {440.0, 440}, {439.9, 439}, {-0.1, 0},     {1e12, 440},
      {-1e12, 0},    {10.0, 10},   {10.0, 10},   {10.5, 10},    {-3.0, 0}};
  int repaints = f->screen().repaintsfortests();
  for (auto [x, want] : cases) {
    move(f->mainscr, x, 250.5);
    EXPECT_EQ(state(*f).paddlex, want) << x;
    EXPECT_EQ(state(*f).ballx, want + 16) << x;
    EXPECT_EQ(f->screen().repaintsfortests(), ++repaints) << x;
  }
  EXPECT_EQ(f->mainscr->surface(), expected::field(0, 256, 16, 248));
}

TEST(Play, MovesOutsideThePlayfieldDoNotMoveThePaddle) {
  auto f = fixture::form();
  fixture::mouse(f.get(), QEvent::MouseMove, QPointF(300, 380));
  fixture::mouse(f->Command1, QEvent::MouseMove, QPointF(10, 10));
  EXPECT_EQ(state(*f).paddlex, 200);
  fixture::mouse(f.get(), QEvent::MouseButtonPress, QPointF(300, 380), Qt::LeftButton,
                 Qt::LeftButton);
  EXPECT_EQ(state(*f).playing, 0);
}

// The new frame is in the window's backing store, on its way to the screen, when the move's
// handler returns: no event has been processed since.
TEST(Play, AMoveReachesTheScreenBeforeItsHandlerReturns) {
  auto f = fixture::form();
  QCoreApplication::processEvents();
  move(f->mainscr, 60.0);
  EXPECT_EQ(
      fixture::onscreen(*f).copy(ui::layout::kPlayfield).convertToFormat(QImage::Format_RGB32),
      frames::image(expected::field(60, 256, 76, 248)));
}

TEST(Play, APressOfAnyButtonWithAnyModifiersStartsARound) {
  const std::pair<Qt::MouseButton, Qt::KeyboardModifiers> presses[] = {
      {Qt::LeftButton, Qt::NoModifier},
      {Qt::RightButton, Qt::ShiftModifier},
      {Qt::MiddleButton, Qt::ControlModifier | Qt::AltModifier}};
  for (auto [button, mods] : presses) {
    auto f = fixture::form();
    // The press alone starts it; the release is not needed.
    fixture::mouse(f->mainscr, QEvent::MouseButtonPress, QPointF(33.3, 44.4), button, button, mods);
    EXPECT_EQ(state(*f).playing, -1) << button;
    EXPECT_FALSE(f->Command1->isEnabled());
    EXPECT_FALSE(f->Combo1->isEnabled());
  }
}

// Idle ticks and a picked speed change nothing; "START" begins a round whose first tick moves
// the ball up, and a second start of any kind changes nothing.
TEST(Play, StartButtonStartsARoundAfterIdleTicksAndPickedSpeedsChangedNothing) {
  auto f = fixture::form();
  const game::GameState idle = state(*f);
  const int before = f->screen().repaintsfortests();
  for (int i = 0; i < 5; ++i) f->tick();
  f->Combo1->setCurrentIndex(2);
  f->Combo1->setCurrentIndex(1);
  EXPECT_EQ(state(*f), idle);
  EXPECT_EQ(f->screen().repaintsfortests(), before);
  QTest::mouseClick(f->Command1, Qt::LeftButton);
  EXPECT_EQ(state(*f).playing, -1);
  EXPECT_FALSE(f->Command1->isEnabled());
  EXPECT_FALSE(f->Combo1->isEnabled());
  f->tick();
  EXPECT_EQ(state(*f).bally, 243);
  EXPECT_EQ(f->screen().repaintsfortests(), before + 1);
  EXPECT_EQ(f->mainscr->surface(), expected::field(200, 256, 216, 243));
  const game::GameState running = state(*f);
  press(*f, Qt::LeftButton);
  f->Command1->click();  // disabled: the click is refused
  f->startround();
  EXPECT_EQ(state(*f), running);
}

TEST(Play, DuringARoundThePaddleMovesAlone) {
  auto f = fixture::form();
  f->startround();
  for (int i = 0; i < 4; ++i) f->tick();
  move(f->mainscr, 20.2);
  move(f->mainscr, 300.7);
  EXPECT_EQ(state(*f).paddlex, 300);
  EXPECT_EQ(state(*f).ballx, 216);
  EXPECT_EQ(state(*f).bally, 228);
  EXPECT_EQ(f->mainscr->surface(), expected::field(300, 256, 216, 228));
}

TEST(Play, EndRoundWhileIdleAndWhileRunning) {
  auto f = fixture::form();
  f->endround1();
  EXPECT_TRUE(f->Command1->isEnabled());
  EXPECT_EQ(state(*f).playing, 0);
  f->startround();
  f->tick();
  f->endround2();
  EXPECT_TRUE(f->Command1->isEnabled());
  EXPECT_TRUE(f->Combo1->isEnabled());
  EXPECT_EQ(state(*f).playing, 0);
  EXPECT_EQ(state(*f).bally, 243);
  f->startround();
  f->endround1();
  EXPECT_EQ(state(*f).playing, 0);
}

TEST(Play, TheTimerDrivesTheBallOnceTheEventLoopRuns) {
  auto f = fixture::form();
  f->startround();
  EXPECT_TRUE(QTest::qWaitFor([&] { return state(*f).bally < 248; }, session::kPatience * 1000));
  EXPECT_EQ((state(*f).bally - 3) % 5, 0);
}

TEST(Play, AfterManyMovesAndTicksThePlayfieldHoldsOnlyWhiteAndTheSprites) {
  auto f = fixture::form();
  f->startround();
  for (int i = 0; i < 400; ++i) {
    if (i % 3 == 0) move(f->mainscr, (i * 53) % 520 - 20 + 0.25);
    f->tick();
  }
  const game::GameState& g = state(*f);
  EXPECT_EQ(f->mainscr->surface(), expected::field(g.paddlex, g.paddley, g.ballx, g.bally));
  const QImage shown = f->mainscr->grab().toImage().convertToFormat(QImage::Format_RGB32);
  std::set<QRgb> colours;
  for (int y = 0; y < shown.height(); ++y)
    for (int x = 0; x < shown.width(); ++x) colours.insert(shown.pixel(x, y) | 0xFF000000u);
  // White, the paddle's red, grey and light grey, the ball's blue.
  EXPECT_EQ(colours, (std::set<QRgb>{0xFFFFFFFF, 0xFFFF0000, 0xFF808080, 0xFFC0C0C0, 0xFF0000FF}));
}

// A click on "START" greys it out under the pointer; the toolkit then hands the playfield the
// next move without its window position. Through the window, as the window system sends them.
TEST(Play, AMoveFromTheStartButtonStraightOntoThePlayfieldPutsThePaddleUnderThePointer) {
  auto f = fixture::form();
  QWindow* w = f->windowHandle();
  QTest::mouseClick(w, Qt::LeftButton, {}, ui::layout::kCommand1.center());
  ASSERT_EQ(state(*f).playing, game::kTrue);
  QTest::mouseMove(w, ui::layout::kPlayfield.topLeft() + QPoint(300, 150));
  EXPECT_EQ(state(*f).paddlex, 300);
}
