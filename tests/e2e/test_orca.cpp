#include "Fixture.h"

#include <QRegularExpression>

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
  // Presses a key once Orca is quiet; answers where what the key makes it say begins.
  const auto key = [&](const char* name) {
    const int from = orca.quiet();
    desktop().tool(QStringLiteral("xdotool"), {QStringLiteral("key"), QString::fromLatin1(name)});
    return from;
  };
  int at = orca.waitfor(QStringLiteral("Pomuran (ポムラン) frame"), 0);
  EXPECT_GE(at, 0) << "the window is announced with its reading";
  EXPECT_GE(at = orca.waitfor(start, at + 1), 0) << "START has the focus";
  // Orca 43 says the entry after the list, Orca 48 in the same breath.
  EXPECT_GE(orca.waitfor(QRegularExpression(QStringLiteral("SPEED : combo box\\.? (\\| )?LOW\\.")),
                         key("Tab")),
            0)
      << "the list is heard at LOW";
  at = key("Down");
  EXPECT_GE(orca.waitfor(QStringLiteral("MID"), at), 0) << "Down on the closed list is heard";
  orca.quiet();
  // Once, and nothing else: no "Selection deleted." before it.
  EXPECT_EQ(orca.spoken().mid(at).join(QLatin1Char('|')).toStdString(), "MID");
  // Flat review reads the current line.
  EXPECT_GE(orca.waitfor(QStringLiteral("SPEED : MID"), key("KP_Up")), 0)
      << "flat review reads the chosen speed";
  at = key("h");  // typing picks the entry it begins, with no detour through the hidden list
  EXPECT_GE(orca.waitfor(QStringLiteral("HIGH"), at), 0) << "typing on the list is heard";
  orca.quiet();
  EXPECT_EQ(orca.spoken().mid(at).filter(QStringLiteral("List")).join(' ').toStdString(), "");
  EXPECT_GE(at = orca.waitfor(start, key("shift+Tab")), 0) << "Shift+Tab goes back to START";
  EXPECT_GE(
      orca.waitfor(QRegularExpression(QStringLiteral("Playfield canvas.*Round running: move")),
                   key("Return")),
      0)
      << "Return on START starts a round on the playfield";
  std::cout << "Orca said:\n  " << orca.spoken().join(QStringLiteral("\n  ")).toStdString() << "\n";
}

}  // namespace
