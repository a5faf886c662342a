#include <gtest/gtest.h>

#include <set>

#include "Started.h"

using started::move;

namespace {

const game::GameState& state(ui::Form1& f) { return f.module1().gs; }

void press(ui::Form1& f, Qt::MouseButton b, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  started::mouse(f.mainscr, QEvent::MouseButtonPress, QPointF(33.3, 44.4), b, b, mods);
  started::mouse(f.mainscr, QEvent::MouseButtonRelease, QPointF(33.3, 44.4), b, Qt::NoButton, mods);
}

}  // namespace

TEST(Play, APointerMoveTakesTheWholePixelLeftOfIt) {
  auto f = started::form();
  move(f->mainscr, 123.6);
  EXPECT_EQ(state(*f).paddlex, 123);
  EXPECT_EQ(state(*f).ballx, 139);
  move(f->mainscr, 99.999, 250.5);
  EXPECT_EQ(state(*f).paddlex, 99);
  EXPECT_EQ(f->mainscr->surface(), started::expectedfield(99, 256, 115, 248));
}

TEST(Play, MovesAreClampedAndHugePositionsSaturate) {
  auto f = started::form();
  const std::pair<double, int> cases[] = {{-25.0, 0},    {1000.0, 440}, {40000.0, 440},
                                          {-40000.0, 0}, {440.0, 440},  {439.9, 439},
                                          {-0.1, 0},     {1e12, 440},   {-1e12, 0}};
  for (auto [x, want] : cases) {
    move(f->mainscr, x);
    EXPECT_EQ(state(*f).paddlex, want) << x;
  }
}

TEST(Play, MovesOutsideThePlayfieldDoNotMoveThePaddle) {
  auto f = started::form();
  started::mouse(f.get(), QEvent::MouseMove, QPointF(300, 380));
  started::mouse(f->Command1, QEvent::MouseMove, QPointF(10, 10));
  EXPECT_EQ(state(*f).paddlex, 200);
  started::mouse(f.get(), QEvent::MouseButtonPress, QPointF(300, 380), Qt::LeftButton,
                 Qt::LeftButton);
  EXPECT_EQ(state(*f).playing, 0);
}

TEST(Play, EveryMoveEndsInARepaintOfThePlayfield) {
  auto f = started::form();
  const int before = f->screen().repaints();
  for (double x : {10.0, 10.0, 10.5, -3.0}) move(f->mainscr, x);
  EXPECT_EQ(f->screen().repaints(), before + 4);
  EXPECT_EQ(f->mainscr->surface(), started::expectedfield(0, 256, 16, 248));
}

TEST(Play, AnyButtonWithAnyModifiersStartsARound) {
  const std::pair<Qt::MouseButton, Qt::KeyboardModifiers> presses[] = {
      {Qt::LeftButton, Qt::NoModifier},
      {Qt::RightButton, Qt::ShiftModifier},
      {Qt::MiddleButton, Qt::ControlModifier | Qt::AltModifier}};
  for (auto [button, mods] : presses) {
    auto f = started::form();
    press(*f, button, mods);
    EXPECT_EQ(state(*f).playing, -1) << button;
    EXPECT_FALSE(f->Command1->isEnabled());
    EXPECT_FALSE(f->Combo1->isEnabled());
  }
}

TEST(Play, StartButtonStartsARoundAndASecondStartChangesNothing) {
  auto f = started::form();
  QTest::mouseClick(f->Command1, Qt::LeftButton);
  EXPECT_EQ(state(*f).playing, -1);
  EXPECT_FALSE(f->Command1->isEnabled());
  EXPECT_FALSE(f->Combo1->isEnabled());
  f->tick();
  const game::GameState running = state(*f);
  press(*f, Qt::LeftButton);
  f->Command1->click();  // disabled: the click is refused
  f->startround();
  EXPECT_EQ(state(*f), running);
}

TEST(Play, IdleTicksDrawNothingAndTheFirstTickMovesTheBallUp) {
  auto f = started::form();
  const int before = f->screen().repaints();
  for (int i = 0; i < 5; ++i) f->tick();
  EXPECT_EQ(f->screen().repaints(), before);
  EXPECT_EQ(state(*f).bally, 248);
  f->startround();
  f->tick();
  EXPECT_EQ(state(*f).bally, 243);
  EXPECT_EQ(f->screen().repaints(), before + 1);
  EXPECT_EQ(f->mainscr->surface(), started::expectedfield(200, 256, 216, 243));
}

TEST(Play, DuringARoundThePaddleMovesAlone) {
  auto f = started::form();
  f->startround();
  for (int i = 0; i < 4; ++i) f->tick();
  move(f->mainscr, 20.2);
  move(f->mainscr, 300.7);
  EXPECT_EQ(state(*f).paddlex, 300);
  EXPECT_EQ(state(*f).ballx, 216);
  EXPECT_EQ(state(*f).bally, 228);
  EXPECT_EQ(f->mainscr->surface(), started::expectedfield(300, 256, 216, 228));
}

TEST(Play, PickingASpeedChangesNothing) {
  auto f = started::form();
  const game::GameState before = state(*f);
  f->Combo1->setCurrentIndex(2);
  f->Combo1->setCurrentIndex(1);
  EXPECT_EQ(state(*f), before);
  f->startround();
  f->tick();
  EXPECT_EQ(state(*f).bally, 243);
}

TEST(Play, EndRoundWhileIdleAndWhileRunning) {
  auto f = started::form();
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
  auto f = started::form();
  f->startround();
  QTest::qWait(260);  // about five periods of 50 ms
  EXPECT_LT(state(*f).bally, 248);
  EXPECT_EQ((state(*f).bally - 3) % 5, 0);
}

TEST(Play, AfterManyMovesAndTicksThePlayfieldHoldsOnlyWhiteAndTheSprites) {
  auto f = started::form();
  f->startround();
  for (int i = 0; i < 400; ++i) {
    if (i % 3 == 0) move(f->mainscr, (i * 53) % 520 - 20 + 0.25);
    f->tick();
  }
  const game::GameState& g = state(*f);
  EXPECT_EQ(f->mainscr->surface(), started::expectedfield(g.paddlex, g.paddley, g.ballx, g.bally));
  const QImage shown = f->mainscr->grab().toImage().convertToFormat(QImage::Format_RGB32);
  std::set<QRgb> colours;
  for (int y = 0; y < shown.height(); ++y)
    for (int x = 0; x < shown.width(); ++x) colours.insert(shown.pixel(x, y) | 0xFF000000u);
  EXPECT_LE(colours.size(), 6u);  // white, red, grey, light grey, blue
  EXPECT_TRUE(colours.count(0xFFFFFFFFu));
}
