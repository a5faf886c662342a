#include "Fixture.h"

#include <QThread>

#include <gtest/gtest.h>

#include <iostream>

namespace {

using e2e::OnDesktop;

// What Orca says differs between releases in these words only.
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
const QString kButton = QStringLiteral("Start button");  // Orca 48
#else
const QString kButton = QStringLiteral("Start push button");  // Orca 43
#endif

// A blind player at the keyboard, with Orca itself: what it says is read from its log.
TEST_F(OnDesktop, OrcaSpeaksTheWindowTheChosenSpeedAndTheStartOfARound) {
  session::ScreenReader orca(desktop());
  std::string why;
  bool toolsmissing = false;
  if (!orca.start(&why, &toolsmissing)) {
    if (toolsmissing && !session::inci()) GTEST_SKIP() << why;
    FAIL() << why;
  }
  QProcessEnvironment on;
  on.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
  E2E_START(g, on);
  const auto key = [&](const char* name) {
    desktop().tool(QStringLiteral("xdotool"), {QStringLiteral("key"), QString::fromLatin1(name)});
  };
  // Each step waits for what it must hear after what the step before heard.
  int at = orca.waitfor(QStringLiteral("Pomuran (ポムラン) frame"), 0);
  EXPECT_GE(at, 0) << "the window is announced with its reading";
  at = orca.waitfor(kButton, at + 1);
  EXPECT_GE(at, 0) << "START has the focus";
  key("Tab");
  at = orca.waitfor(QStringLiteral("SPEED : combo box"), at + 1);
  EXPECT_GE(at, 0) << "Tab reaches the speed list";
  EXPECT_EQ(orca.waitfor(QStringLiteral("LOW"), at + 1), at + 1) << "it is heard at LOW";
  at = static_cast<int>(orca.spoken().size());
  key("Down");
  EXPECT_GE(orca.waitfor(QStringLiteral("MID"), at), 0) << "Down on the closed list is heard";
  QThread::msleep(1000);
  // Heard once, and nothing else: no "Selection deleted." before it.
  EXPECT_EQ(orca.spoken().mid(at), QStringList{QStringLiteral("MID")});
  at = static_cast<int>(orca.spoken().size());
  key("KP_Up");  // flat review: the current line
  at = orca.waitfor(QStringLiteral("SPEED :"), at);
  EXPECT_TRUE(at >= 0 && orca.spoken()[at].contains(QStringLiteral("MID")))
      << "flat review reads the chosen speed: " << orca.spoken().value(at).toStdString();
  key("shift+Tab");
  at = orca.waitfor(kButton, at + 1);
  EXPECT_GE(at, 0) << "Shift+Tab goes back to START";
  key("Return");
  at = orca.waitfor(QStringLiteral("Playfield canvas"), at + 1);
  EXPECT_GE(at, 0) << "Return on START moves to the playfield";
  EXPECT_GE(orca.waitfor(QStringLiteral("Round running: move the mouse"), at + 1), 0)
      << "the round's start is announced";
  std::cout << "Orca said:\n  " << orca.spoken().join(QStringLiteral("\n  ")).toStdString() << "\n";
}

}  // namespace
