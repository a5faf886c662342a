// An hour of play at the timer's 20 Hz, as fast as the machine allows: the real window, the
// pointer moved at random moments by real mouse events, and ticks fired directly so the run does
// not wait for the clock. Afterwards the state must still obey the rules, the picture must be
// exactly what the state says, and the process must not have grown.

#include "game/Constants.h"
#include "support/Expected.h"
#include "support/Window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <tuple>

namespace {

constexpr int kTicks = 72000;      // 3600 s at 20 ticks a second
constexpr int kWarmUp = 2000;      // ticks before the memory baseline is taken
constexpr int kPictureEvery = 97;  // a prime, so the check does not lock onto the ball's period
constexpr long kRssSlackKib = 256;

// The process's resident memory in KiB, from the kernel's own account.
long residentkib() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long value = -1;
  while (status >> key) {
    if (key == "VmRSS:") {
      status >> value;
      break;
    }
    status.ignore(4096, '\n');
  }
  return value;
}

// Sanitised builds keep freed memory in quarantine on purpose, so their size says nothing
// about leaks; those builds print the figures without judging them.
#ifdef __SANITIZE_ADDRESS__
constexpr bool kSanitised = true;
#else
constexpr bool kSanitised = false;
#endif

// The ball can reach the paddle within this tick: its left edge is over the paddle as the rule
// counts it and its box comes within one step of the paddle's box.
bool near(const game::GameState& g) {
  const bool over = g.ballx >= g.paddlex && g.ballx <= g.paddlex + g.paddlew;
  const int reach = std::abs(g.balldy);
  const bool level =
      g.bally + g.ballh + reach >= g.paddley && g.bally - reach <= g.paddley + g.paddleh;
  return over && level;
}

TEST(Soak, AnHourOfPlayKeepsTheRulesThePictureAndTheMemory) {
  auto f = fixture::form();
  // Ticks come from this loop alone, exactly one per step.
  f->Timer1->stop();
  const game::GameState& g = f->module1().gs;
  const game::GameState start = g;

  std::mt19937 rng(1996);
  std::uniform_int_distribution<int> percent(0, 99);
  std::uniform_real_distribution<double> anywhere(-60.0, 540.0), height(0.0, 303.99);

  fixture::mouse(f->mainscr, QEvent::MouseButtonPress, QPointF(240.5, 150.5), Qt::LeftButton,
                 Qt::LeftButton);
  fixture::mouse(f->mainscr, QEvent::MouseButtonRelease, QPointF(240.5, 150.5), Qt::LeftButton,
                 Qt::NoButton);
  ASSERT_EQ(g.playing, game::kTrue);

  long rssbefore = 0;
  int moves = 0, neart = 0, below = 0, pictures = 0, capped = 0;
  const auto began = std::chrono::steady_clock::now();
  for (int t = 1; t <= kTicks; ++t) {
    // Now and then a few moves; half of them aim at the ball so that the paddle meets it from
    // above and from below, and traps it, as often as a player would.
    if (percent(rng) < 30) {
      for (int n = 1 + percent(rng) % 3; n > 0; --n, ++moves) {
        const double x = percent(rng) < 50 ? g.ballx - 36 + percent(rng) * 0.44 : anywhere(rng);
        fixture::move(f->mainscr, x, height(rng));
      }
    }
    const game::GameState before = g;
    const bool wasnear = near(before);
    f->tick();

    ASSERT_EQ(g.playing, game::kTrue) << "tick " << t;
    ASSERT_EQ(std::tie(g.paddley, g.paddlew, g.paddleh, g.ballw, g.ballh),
              std::tie(start.paddley, start.paddlew, start.paddleh, start.ballw, start.ballh));
    ASSERT_GE(g.paddlex, 0) << "tick " << t;
    ASSERT_LE(g.paddlex, game::kFieldWidth - g.paddlew) << "tick " << t;
    ASSERT_EQ(g.paddlex, before.paddlex) << "a tick moved the paddle at " << t;
    ASSERT_EQ(g.balldx, 0);
    ASSERT_EQ(std::abs(g.balldy), 5) << "tick " << t;
    ASSERT_EQ(g.ballx, before.ballx) << "the ball left its column at " << t;
    ASSERT_GE(g.bally, 1) << "tick " << t;
    ASSERT_LE(g.bally + g.ballh, game::kFieldHeight - 1) << "tick " << t;
    if (f->module1().lastsubsteps() == game::kMaxSubsteps) ++capped;
    // Every sub-step moves the ball 5 pixels, so away from the paddle it stays on the lattice
    // that it started on. Next to the paddle it does too, as long as the paddle never makes a
    // step run into the cap; both are counted and checked.
    if (wasnear || near(g)) {
      ++neart;
    } else {
      ASSERT_EQ(g.bally % 5, 3) << "off the lattice away from the paddle at tick " << t;
    }
    ASSERT_EQ(g.bally % 5, 3) << "off the lattice next to the paddle at tick " << t;
    if (g.bally > g.paddley) ++below;

    if (t % kPictureEvery == 0 || t == kTicks) {
      ++pictures;
      ASSERT_EQ(f->mainscr->surface(), expected::field(g.paddlex, g.paddley, g.ballx, g.bally))
          << "tick " << t;
    }
    // Let the toolkit handle whatever it posted, as the running program's loop would.
    if (t % 20 == 0) QApplication::processEvents();
    if (t == kWarmUp) rssbefore = residentkib();
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  const long rssafter = residentkib();

  std::printf(
      "soak: %d ticks (%.0f s of play) in %.1f s; %d pointer moves; %d ticks near the "
      "paddle, %d with the ball below its top, %d capped steps; %d pictures checked\n",
      kTicks, kTicks / 20.0, seconds, moves, neart, below, capped, pictures);
  std::printf("soak: resident memory after %d ticks %ld KiB, after %d ticks %ld KiB (%+ld KiB)%s\n",
              kWarmUp, rssbefore, kTicks, rssafter, rssafter - rssbefore,
              kSanitised ? ", not judged in a sanitised build" : "");

  // The run must have met the paddle in every way the rules know, or it proved little.
  EXPECT_GT(neart, kTicks / 100);
  EXPECT_GT(below, kTicks / 100);
  EXPECT_EQ(capped, 0);
  EXPECT_FALSE(f->Command1->isEnabled());
  EXPECT_FALSE(f->Combo1->isEnabled());
  ASSERT_GT(rssbefore, 0);
  if (!kSanitised) {
    EXPECT_LE(rssafter - rssbefore, kRssSlackKib);
  }
}

}  // namespace
