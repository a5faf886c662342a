#include "Fixture.h"
#include "support/Expected.h"

#include <QThread>

#include <gtest/gtest.h>

#include <vector>

namespace {

using e2e::Seen;
using session::Clock;

// A point of the title bar: from the client area's top-left corner, or from its top-right one
// when x is negative.
struct Ask {
  const char* xdotool;  // what is done there, as xdotool's words
  QPoint at;
};

// How the game looks and answers on a desktop as Debian 12 ships it (Qt 6.4, mutter 43, kwin
// 5.27): where its title bar's close button is, the bar's colour beside the caption, and every
// way there is to ask for a maximise.
struct Row {
  const char* name;
  session::Kind kind;
  const char* platform;  // QT_QPA_PLATFORM for the game, or null for the game's own choice
  QPoint close;
  QPoint sample;
  std::vector<QRgb> colours;
  std::vector<Ask> maximise;
};

const Row kRows[] = {
    // The game picks X11, framed by mutter: close only, GNOME's header colour.
    {"gnome",
     session::Kind::Gnome,
     nullptr,
     {-19, -20},
     {100, -10},
     {0xFFDCD8D4},
     {{"click --repeat 2 --delay 120 1", {150, -20}},
      {"click 1", {-50, -20}},
      {"key super+Up", {}}}},
    // Qt's own Wayland title bar on GNOME, when the user asks for Wayland: its maximise button
    // is there, and works, until the window takes the state back.
    {"gnome_qt_titlebar",
     session::Kind::Gnome,
     "wayland",
     {-14, -14},
     {100, -10},
     {0xFFEFEFEF},
     {{"click 1", {-36, -14}},
      {"click --repeat 2 --delay 120 1", {150, -14}},
      {"key super+Up", {}}}},
    // kwin draws Breeze: minimise and close; a double-click on the bar asks for a maximise.
    {"kde",
     session::Kind::Kde,
     nullptr,
     {-19, -19},
     {100, -10},
     {0xFFEFF0F1},
     {{"click --repeat 2 --delay 120 1", {150, -19}}, {"key super+Prior", {}}}},
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

class OnNested : public e2e::OnDesktop, public ::testing::WithParamInterface<Row> {
 protected:
  session::Kind kind() const override { return GetParam().kind; }
};

QPoint onbar(const session::Game& g, QPoint at) {
  return at.x() < 0 ? g.client().topRight() + QPoint(at.x() + 1, at.y())
                    : g.screenpoint(at.x(), at.y());
}

TEST_P(OnNested, TheWindowIsFramedByTheDesktopCannotBeMaximisedPlaysAndCloses) {
  const Row& row = GetParam();
  QProcessEnvironment env;
  if (row.platform)
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QString::fromLatin1(row.platform));
  E2E_START(g, env);
  const QPoint away(1023, 767);
  const QImage first = expected::window(expected::firstfield());
  desktop().shot(QRect(0, 0, 1024, 768)).save(QStringLiteral("e2e-%1.png").arg(row.name));
  EXPECT_EQ(g.client().size(), ui::layout::kClient);
  const QRgb bar = desktop().shot(QRect(onbar(g, row.sample), QSize(1, 1))).pixel(0, 0);
  EXPECT_TRUE(std::find(row.colours.begin(), row.colours.end(), bar) != row.colours.end())
      << std::hex << bar;

  for (const Ask& ask : row.maximise) {
    SCOPED_TRACE(ask.xdotool);
    if (!ask.at.isNull()) desktop().pointer(onbar(g, ask.at));
    desktop().tool(QStringLiteral("xdotool"), QString::fromLatin1(ask.xdotool).split(' '));
    QThread::msleep(500);
    desktop().pointer(away);
    // The window may take a moment to come back.
    QRect at;
    const auto end = Clock::now() + std::chrono::seconds(3);
    while ((at = g.find(first)) != g.client() && Clock::now() < end) QThread::msleep(100);
    EXPECT_EQ(at, g.client());
  }

  // From outside straight onto the playfield: the entry alone moves the paddle; then moves.
  for (auto [from, x] : {std::pair{-1, 123}, {300, 100}, {300, 479}}) {
    if (from >= 0) g.movetofield(from, 150);
    g.movetofield(x, 150);
    desktop().pointer(away);
    const int want = std::min(x, 440);
    const auto seen = g.waitfield([want](const Seen& s) { return s.paddlex == want; });
    EXPECT_TRUE(seen && seen->paddlex == want) << x << ": " << session::describe(seen);
  }
  g.movetofield(200, 100);
  QThread::msleep(200);
  g.clickfield(200, 100);
  desktop().pointer(away);
  const auto climbing = g.waitfield([](const Seen& s) { return s.bally < e2e::kBallRestY - 10; });
  EXPECT_TRUE(climbing && climbing->bally < e2e::kBallRestY - 10) << session::describe(climbing);

  e2e::expectendsorderly(
      g, [&] { desktop().click(onbar(g, row.close)); }, "the title bar's close");
}

INSTANTIATE_TEST_SUITE_P(Desktops, OnNested, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
