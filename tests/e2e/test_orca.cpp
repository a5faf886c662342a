#include "Fixture.h"

#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <iostream>

namespace {

using e2e::OnDesktop;

// A blind player at the keyboard, with Orca itself. Each step waits for what it must hear after
// what the step before heard.
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
  // What Orca says differs between its releases in this word only. Orca 43 gives its version
  // as "43.1", Orca 48 as "Orca version 48.1, ...".
  const QString version = QString::fromLatin1(
      desktop().tool(QStringLiteral("orca"), {QStringLiteral("--version")}).out);
  const bool orca43 =
      QRegularExpression(QStringLiteral("(\\d+)\\.")).match(version).captured(1).toInt() < 48;
  const QString start =
      orca43 ? QStringLiteral("Start push button") : QStringLiteral("Start button");
  // Waits until Orca has said all it will for a while; answers how much it has said.
  const auto quiet = [&] {
    qsizetype n = -1;
    for (; n != orca.spoken().size(); QThread::msleep(700)) n = orca.spoken().size();
    return static_cast<int>(n);
  };
  // Presses a key once Orca is quiet; answers where what the key makes it say begins.
  const auto key = [&](const char* name) {
    const int from = quiet();
    desktop().tool(QStringLiteral("xdotool"), {QStringLiteral("key"), QString::fromLatin1(name)});
    return from;
  };
  int at = orca.waitfor(QStringLiteral("Pomuran (ポムラン) frame"), 0);
  EXPECT_GE(at, 0) << "the window is announced with its reading";
  EXPECT_GE(at = orca.waitfor(start, at + 1), 0) << "START has the focus";
  EXPECT_GE(at = orca.waitfor(QStringLiteral("SPEED : combo box"), key("Tab")), 0);
  // Orca 43 says the entry after the list, Orca 48 in the same breath.
  EXPECT_TRUE(orca.spoken()
                  .mid(at, 2)
                  .join(QLatin1Char(' '))
                  .contains(QRegularExpression(QStringLiteral("combo box\\.? LOW\\."))))
      << "the list is heard at LOW";
  at = key("Down");
  EXPECT_GE(orca.waitfor(QStringLiteral("MID"), at), 0) << "Down on the closed list is heard";
  quiet();
  // Once, and nothing else: no "Selection deleted." before it.
  EXPECT_EQ(orca.spoken().mid(at).join(QLatin1Char('|')).toStdString(), "MID");
  at = orca.waitfor(QStringLiteral("SPEED :"), key("KP_Up"));  // flat review: the current line
  EXPECT_TRUE(orca.spoken().value(at).contains(QStringLiteral("SPEED : MID")))
      << "flat review reads the chosen speed: " << orca.spoken().value(at).toStdString();
  at = key("h");  // typing picks the entry it begins, with no detour through the hidden list
  EXPECT_GE(orca.waitfor(QStringLiteral("HIGH"), at), 0) << "typing on the list is heard";
  EXPECT_EQ(orca.spoken().mid(at).filter(QStringLiteral("List")).join(' ').toStdString(), "");
  EXPECT_GE(at = orca.waitfor(start, key("shift+Tab")), 0) << "Shift+Tab goes back to START";
  EXPECT_GE(at = orca.waitfor(QStringLiteral("Playfield canvas"), key("Return")), 0)
      << "Return on START starts a round on the playfield";
  EXPECT_GE(orca.waitfor(QStringLiteral("Round running: move the mouse"), at + 1), 0);
  std::cout << "Orca said:\n  " << orca.spoken().join(QStringLiteral("\n  ")).toStdString() << "\n";
}

}  // namespace
