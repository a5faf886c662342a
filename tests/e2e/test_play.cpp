#include "Fixture.h"
#include "ui/qt/Layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <random>
#include <vector>

namespace {

using e2e::Clock;
using e2e::kBallOnPaddle;
using e2e::kBallRestY;
using e2e::OnX11;
using e2e::Seen;

using ui::layout::kCombo1;
using ui::layout::kCommand1;

// Sends xdotool commands, one a line, in a single run.
session::Output xdotool(const session::Desktop& d, const QByteArray& script) {
  return d.tool(QStringLiteral("xdotool"), {QStringLiteral("-")}, script, 60000);
}

// The darkest grey level inside a control, a few pixels in from its frame: its text.
int darkest(const QImage& s) {
  int level = 255;
  for (int y = 4; y < s.height() - 4; ++y) {
    for (int x = 4; x < s.width() - 4; ++x) {
      const QRgb p = s.pixel(x, y);
      const int grey = (qRed(p) + qGreen(p) + qBlue(p)) / 3;
      level = std::min(level, grey);
    }
  }
  return level;
}

bool resting(const Seen& s, int paddlex) {
  return s.paddlex == paddlex && s.ballx == paddlex + kBallOnPaddle && s.bally == kBallRestY;
}

// The first frame shows the ball resting on the paddle at its starting place.
bool startsresting(const session::Game& g) {
  const auto seen = g.waitfield([](const Seen& s) { return resting(s, 200); });
  return seen && resting(*seen, 200);
}

TEST_P(OnX11, ThePaddleFollowsThePointerAndStopsAtTheWalls) {
  E2E_START(g);
  ASSERT_TRUE(startsresting(g));
  // Playfield x of the pointer, then where the paddle's left edge must end up.
  // Each move puts it somewhere else than the one before, so that every step shows.
  const std::pair<int, int> moves[] = {{100, 100}, {0, 0},     {479, 440}, {1, 1},    {441, 440},
                                       {2, 2},     {440, 440}, {439, 439}, {300, 300}};
  for (auto [x, want] : moves) {
    g.movetofield(x, 150);
    const auto seen = g.waitfield([want](const Seen& s) { return resting(s, want); });
    EXPECT_TRUE(seen && resting(*seen, want))
        << "pointer at " << x << ": " << session::describe(seen) << ", wanted paddle x " << want;
  }
  // Over the rest of the window the pointer leaves the paddle where it is.
  desktop().pointer(g.screenpoint(100, 340));
  desktop().pointer(g.screenpoint(3, 150));
  const auto moved = session::holds([&] { return session::readfield(g.field()); },
                                    [](const auto& s) { return s && resting(*s, 300); }, 1.0);
  EXPECT_FALSE(moved) << session::describe(*moved);
}

// A click on the playfield starts a round: "START" and the speed list turn from black text to
// light grey, and the ball climbs at 100 pixels a second.
TEST_P(OnX11, AClickStartsARoundGreysOutTheControlsAndTheBallClimbsAt100PxASecond) {
  E2E_START(g);
  ASSERT_TRUE(startsresting(g));
  EXPECT_LT(darkest(g.part(kCommand1)), 0x30);
  EXPECT_LT(darkest(g.part(kCombo1)), 0x30);
  g.clickfield(120, 100);
  // The pointer's move to the click reaches the playfield first: the round starts from there.
  const auto moved = g.waitfield([](const Seen& s) { return s.paddlex == 120; });
  ASSERT_TRUE(moved && moved->paddlex == 120) << session::describe(moved);
  // Each picture is dated at the middle of the time it took; the climb from 248 to the top
  // wall takes 2.45 s, and only pictures strictly inside it count.
  std::vector<std::pair<double, int>> samples;
  const auto begin = Clock::now();
  int lowest = kBallRestY;
  while (session::seconds(begin, Clock::now()) < session::kPatience) {
    const auto before = Clock::now();
    const auto seen = session::readfield(g.field());
    const auto after = Clock::now();
    if (!seen) continue;
    EXPECT_EQ(seen->paddlex, 120);
    EXPECT_EQ(seen->ballx, 120 + kBallOnPaddle);
    EXPECT_EQ((seen->bally - 3) % 5, 0) << seen->bally;
    if (seen->bally > lowest) break;  // it has bounced off the top wall
    lowest = seen->bally;
    if (seen->bally >= kBallRestY || seen->bally <= 3) continue;
    samples.emplace_back((session::seconds(begin, before) + session::seconds(begin, after)) / 2,
                         seen->bally);
    if (seen->bally <= 23) break;
  }
  EXPECT_GT(darkest(g.part(kCommand1)), 0x60);
  EXPECT_GT(darkest(g.part(kCombo1)), 0x60);
  ASSERT_GE(samples.size(), 6u) << "too few pictures of the climb";
  // Least-squares slope of height against time.
  double st = 0, sy = 0, stt = 0, sty = 0;
  for (auto [t, y] : samples) {
    st += t;
    sy += y;
    stt += t * t;
    sty += t * y;
  }
  const double n = static_cast<double>(samples.size());
  const double speed = -(n * sty - st * sy) / (n * stt - st * st);
  std::cout << "climb: " << speed << " px/s from " << samples.size() << " pictures, y "
            << samples.front().second << " to " << samples.back().second << "\n";
  RecordProperty("climb_px_per_s", std::to_string(speed));
  // The ball cannot be faster than its timer lets it, and a busy machine only makes it slower;
  // a timer of twice the period, or steps of twice the size, fail one bound or the other.
  EXPECT_LT(speed, 120.0);
  EXPECT_GT(speed, 60.0);
}

TEST_P(OnX11, AStormOfMovesAndClicksLeavesTheGameAnswering) {
  E2E_START(g);
  ASSERT_TRUE(startsresting(g));
  // Random moves over the playfield; every 25th move a click, and every fifth click instead a
  // press, a drag far outside the window and a release there.
  std::mt19937 rng(20240607);
  std::uniform_int_distribution<int> fx(0, 479);
  std::uniform_int_distribution<int> fy(0, 303);
  QByteArray script;
  int moves = 0;
  int clicks = 0;
  int firstclick = -1;  // the paddle's place when the round starts
  auto moveto = [&](QPoint p) {
    script += QStringLiteral("mousemove %1 %2\n").arg(p.x()).arg(p.y()).toLatin1();
    ++moves;
  };
  const QPoint outside[] = {{0, 0}, {1023, 0}, {1023, 767}, {0, 767}, {0, 400}, {1023, 300}};
  while (moves < 5000 || clicks < 200) {
    const int x = fx(rng);
    moveto(g.fieldpoint(x, fy(rng)));
    if (moves % 25 != 0 || clicks >= 200) continue;
    if (firstclick < 0) firstclick = std::min(x, 440);
    if (++clicks % 5 != 0) {
      script += "click --delay 0 1\n";
      continue;
    }
    script += "mousedown 1\n";
    for (int i = 0; i < 4; ++i) moveto(outside[(clicks + i) % std::size(outside)]);
    script += "mouseup 1\n";
  }
  // The last move, over the playfield. A move off the window right after a click may still
  // reach the playfield while the window manager handles the click, so none follows it.
  moveto(g.fieldpoint(317, 150));

  const auto begin = Clock::now();
  const session::Output sent = xdotool(desktop(), script);
  const auto done = Clock::now();
  ASSERT_TRUE(sent.finished && sent.code == 0) << sent.err.toStdString();
  const auto seen = g.waitfield([](const Seen& s) { return s.paddlex == 317; }, 60.0);
  const auto drawn = Clock::now();
  ASSERT_TRUE(g.running()) << g.errors().toStdString();
  ASSERT_TRUE(seen.has_value());
  EXPECT_EQ(seen->paddlex, 317) << session::describe(seen);
  // The first click started a round; the ball has kept the column it had then.
  EXPECT_EQ(seen->ballx, firstclick + kBallOnPaddle);

  const int events = moves + 2 * clicks;
  const double sending = session::seconds(begin, done);
  const double total = session::seconds(begin, drawn);
  std::cout << "storm: " << moves << " moves and " << clicks << " clicks (" << events
            << " events) sent in " << sending << " s = " << events / sending
            << " events/s; last move on screen after " << total << " s = " << events / total
            << " events/s\n";
  RecordProperty("storm_events_per_s", std::to_string(events / total));

  // The window still answers.
  g.movetofield(42, 200);
  const auto after = g.waitfield([](const Seen& s) { return s.paddlex == 42; });
  EXPECT_TRUE(after && after->paddlex == 42) << session::describe(after);
  EXPECT_TRUE(g.running());
}

INSTANTIATE_TEST_SUITE_P(Programs, OnX11,
                         ::testing::Values(session::Kind::X11, session::Kind::Wine),
                         e2e::programname);

}  // namespace
