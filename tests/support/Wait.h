#pragma once

#include <QThread>

#include <chrono>
#include <optional>
#include <utility>

// Every wait of the tests: read something again and again until it is what a check wants, within
// a bound, and answer the last reading, so that a failure can say what was seen. A busy machine
// makes a wait longer, never wrong: the bounds lie far above what an idle machine needs.
namespace session {

using Clock = std::chrono::steady_clock;

// The bound for what an idle machine does in well under a second: a frame, a window, a word.
constexpr double kPatience = 30.0;

// Reads `probe` until `done` holds for its reading or `seconds` have passed; answers the last
// reading either way.
template <typename Probe, typename Done>
auto waituntil(Probe&& probe, Done&& done, double seconds = kPatience, int pausems = 50) {
  const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    auto seen = probe();
    if (done(seen) || Clock::now() >= deadline) return seen;
    QThread::msleep(pausems);
  }
}

// Reads `probe` until two readings `pausems` apart are equal and `done` holds for them: for what
// settles, such as a window that a desktop places and then decorates, or a voice that goes quiet.
template <typename Probe, typename Done>
auto waitsettled(Probe&& probe, Done&& done, double seconds = kPatience, int pausems = 100) {
  auto before = probe();
  return waituntil(
             [&] {
               QThread::msleep(pausems);
               auto now = probe();
               std::pair two(std::move(before), now);
               before = std::move(now);
               return two;
             },
             [&](const auto& two) { return two.first == two.second && done(two.second); }, seconds,
             0)
      .second;
}

// Reads `probe` for `seconds` while `ok` holds; answers the first reading for which it does not,
// or nothing: for what must not happen, which no event announces.
template <typename Probe, typename Ok>
auto holds(Probe&& probe, Ok&& ok, double seconds, int pausems = 50)
    -> std::optional<decltype(probe())> {
  const auto broken = [&](const auto& s) { return !ok(s); };
  auto seen = waituntil(probe, broken, seconds, pausems);
  if (ok(seen)) return std::nullopt;
  return seen;
}

}  // namespace session
