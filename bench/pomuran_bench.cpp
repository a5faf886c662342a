// Measures what one pointer move and one timer tick cost in the real window, next to the cost
// of a bare frame copy and of showing a new frame in a plain widget, and prints how they compare.
#include "Window.h"
#include "game/Constants.h"
#include "render/Surface.h"
#include "ui/qt/Startup.h"

#include <QApplication>
#include <QMouseEvent>

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kW = game::kFieldWidth;
constexpr int kH = game::kFieldHeight;

// Whether a run ended in an error. Google Benchmark 1.8 replaced the run's error flag with a
// skip state; Debian 12 has 1.7, Debian 13 has 1.9.
template <typename Result>
bool failed(const Result& r) {
  if constexpr (requires { r.skipped; }) {
    return static_cast<bool>(r.skipped);
  } else {
    return r.error_occurred;
  }
}

// Keeps the fastest time of each benchmark over its repetitions: on a shared machine other
// processes only ever add time, so the minimum is the figure closest to the code's own cost.
class Collector : public benchmark::ConsoleReporter {
 public:
  // Colours only on a terminal, so that a saved log holds plain text.
  Collector() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration || failed(r)) continue;
      const double ns =
          r.GetAdjustedRealTime() * 1e9 / benchmark::GetTimeUnitMultiplier(r.time_unit);
      auto [it, fresh] = best.try_emplace(r.run_name.function_name, ns);
      if (!fresh) it->second = std::min(it->second, ns);
    }
    ConsoleReporter::ReportRuns(runs);
  }

  std::map<std::string, double> best;
};

// The window as the program starts it, with a count of the playfield's paints.
struct ReadyWindow {
  ui::Form1 form;
  benchwindow::PaintWatch paints{form.mainscr};

  ReadyWindow() {
    ui::prepare(form);
    form.show();
    benchwindow::waitexposed(form);
    // Ticks come only from the benchmarks, never from the event loop between them.
    form.Timer1->stop();
  }

  void idle() {
    if (form.module1().gs.playing) form.endround1();
  }
  void playing() { form.startround(); }
};

// One pointer move over the playfield, with its place in the box, in the window and on the
// screen, as the window system would give them.
struct Pointer {
  QWidget* box;
  QPointF inwindow;  // the box's origin in its window
  QPointF onscreen;  // and on the screen

  explicit Pointer(QWidget* b)
      : box(b),
        inwindow(b->mapTo(b->window(), QPointF(0, 0))),
        onscreen(b->mapToGlobal(QPointF(0, 0))) {}

  void move(double x) const {
    const QPointF at(x, 100.0);
    QMouseEvent ev(QEvent::MouseMove, at, inwindow + at, onscreen + at, Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
    QApplication::sendEvent(box, &ev);
  }
};

void framecopy(benchmark::State& state) {
  std::vector<render::Rgb> from(static_cast<size_t>(kW) * kH, render::kWhite);
  std::vector<render::Rgb> to(from.size(), render::kBlack);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size() * sizeof(render::Rgb));
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(from.size() * 4));
}

// The bare repaint of a widget whose image did not change: what a paint costs, for reference.
void barerepaint(benchmark::State& state, benchwindow::ImageView& view) {
  benchwindow::PaintWatch paints(&view);
  for (auto _ : state) view.repaint();
  state.counters["paints"] = benchmark::Counter(paints.paints, benchmark::Counter::kAvgIterations);
  if (paints.paints == 0) state.SkipWithError("the plain window never painted");
}

// What the toolkit costs to show a new frame: copy it into a bare widget's RGB32 image, then
// repaint. The game's move does this plus the rules and three or four sprite copies.
void toolkitrepaint(benchmark::State& state, benchwindow::ImageView& view) {
  const std::vector<render::Rgb> frame(static_cast<size_t>(kW) * kH, render::kBlack);
  benchwindow::PaintWatch paints(&view);
  uchar* const shown = view.image().bits();
  for (auto _ : state) {
    std::memcpy(shown, frame.data(), frame.size() * sizeof(render::Rgb));
    view.repaint();
  }
  state.counters["paints"] = benchmark::Counter(paints.paints, benchmark::Counter::kAvgIterations);
  if (paints.paints == 0) state.SkipWithError("the plain window never painted");
}

void mousemove(benchmark::State& state, ReadyWindow& g, bool inround) {
  if (inround) {
    g.playing();
  } else {
    g.idle();
  }
  const Pointer pointer(g.form.mainscr);
  const int paintsbefore = g.paints.paints;
  const int repaintsbefore = g.form.screen().repaintsfortests();
  int step = 0;
  for (auto _ : state) {
    // Sweep the pointer across the field so that every move really moves the paddle.
    pointer.move(20.5 + (step++ % 400));
  }
  const int repaints = g.form.screen().repaintsfortests() - repaintsbefore;
  state.counters["paints"] =
      benchmark::Counter(g.paints.paints - paintsbefore, benchmark::Counter::kAvgIterations);
  if (repaints != static_cast<int>(state.iterations()))
    state.SkipWithError("a pointer move did not reach the rules");
  else if (g.form.module1().gs.paddlex != 20 + (step - 1) % 400)
    state.SkipWithError("the paddle is not where the last move put it");
}

void tick(benchmark::State& state, ReadyWindow& g) {
  g.playing();
  const int paintsbefore = g.paints.paints;
  const int repaintsbefore = g.form.screen().repaintsfortests();
  for (auto _ : state) g.form.tick();
  state.counters["paints"] =
      benchmark::Counter(g.paints.paints - paintsbefore, benchmark::Counter::kAvgIterations);
  if (g.form.screen().repaintsfortests() - repaintsbefore != static_cast<int>(state.iterations()))
    state.SkipWithError("a tick did not reach the rules");
}

void rectcopy(benchmark::State& state, int w, int h) {
  render::Surface field(kW, kH, render::kWhite);
  const render::Surface sprite(49, 17, render::kBlack);
  int x = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(render::bitblt(field, x, 200, w, h, sprite, 0, 0));
    x = (x + 7) % (kW - w);
  }
}

struct Ratio {
  const char* top;
  const char* bottom;
  double target;  // 0 for a ratio shown for reference only
};

// The benchmarks in the order that the summary lists them.
// One benchmark: its name, what it runs and the unit its times print in.
struct Entry {
  const char* name;
  std::function<void(benchmark::State&)> run;
  benchmark::TimeUnit unit = benchmark::kMicrosecond;
};

void summary(const std::vector<Entry>& entries, const std::map<std::string, double>& best) {
  const Ratio ratios[] = {{"mouse_move/idle", "frame_copy", 3.0},
                          {"mouse_move/round", "frame_copy", 3.0},
                          {"tick", "frame_copy", 3.0},
                          {"mouse_move/idle", "toolkit_repaint", 1.15},
                          {"mouse_move/round", "toolkit_repaint", 1.15},
                          {"tick", "toolkit_repaint", 0},
                          {"toolkit_repaint", "bare_repaint", 0}};
  std::printf("\nFastest time per operation over the repetitions:\n");
  for (const Entry& e : entries) {
    if (const auto it = best.find(e.name); it != best.end())
      std::printf("  %-20s %10.3f us\n", e.name, it->second / 1e3);
  }
  std::printf("\n%-36s %8s %10s  %s\n", "ratio", "value", "target", "result");
  for (const Ratio& r : ratios) {
    const auto top = best.find(r.top);
    const auto bottom = best.find(r.bottom);
    const std::string name = std::string(r.top) + " / " + r.bottom;
    char target[16] = "reference";
    if (r.target > 0) std::snprintf(target, sizeof target, "<= %.2f", r.target);
    if (top == best.end() || bottom == best.end() || bottom->second <= 0) {
      std::printf("%-36s %8s %10s  %s\n", name.c_str(), "-", target, "not run");
      continue;
    }
    const double value = top->second / bottom->second;
    if (r.target <= 0) {
      std::printf("%-36s %8.2f %10s\n", name.c_str(), value, target);
    } else {
      std::printf("%-36s %8.2f %10s  %s\n", name.c_str(), value, target,
                  value <= r.target ? "met" : "missed");
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchwindow::useoffscreen();
  // Other programs on the machine come and go, so by default every benchmark runs nine times,
  // interleaved at random with the others, and the summary takes the fastest run of each: a
  // busy moment then slows one run of a benchmark rather than all runs of one benchmark. Flags
  // given on the command line come later and take precedence.
  std::vector<char*> args = {argv[0]};
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  char repetitions[] = "--benchmark_repetitions=9";
  char mintime[] = "--benchmark_min_time=0.1";
  args.insert(args.end(), {interleave, repetitions, mintime});
  args.insert(args.end(), argv + 1, argv + argc);
  int benchargc = static_cast<int>(args.size());
  benchmark::Initialize(&benchargc, args.data());
  if (benchmark::ReportUnrecognizedArguments(benchargc, args.data())) return 1;
  // The toolkit sees only the program's name; the measuring flags are not its business.
  int qtargc = 1;
  QApplication app(qtargc, argv);

  ReadyWindow game;
  benchwindow::ImageView view(QSize(kW, kH));
  view.show();
  benchwindow::waitexposed(view);

  // A sprite copy takes nanoseconds; microseconds would print it as zero.
  const std::vector<Entry> entries = {
      {"frame_copy", framecopy},
      {"bare_repaint", [&](benchmark::State& s) { barerepaint(s, view); }},
      {"toolkit_repaint", [&](benchmark::State& s) { toolkitrepaint(s, view); }},
      {"mouse_move/idle", [&](benchmark::State& s) { mousemove(s, game, false); }},
      {"mouse_move/round", [&](benchmark::State& s) { mousemove(s, game, true); }},
      {"tick", [&](benchmark::State& s) { tick(s, game); }},
      {"rect_copy/40x8", [](benchmark::State& s) { rectcopy(s, 40, 8); }, benchmark::kNanosecond},
      {"rect_copy/8x8", [](benchmark::State& s) { rectcopy(s, 8, 8); }, benchmark::kNanosecond}};
  for (const Entry& e : entries) benchmark::RegisterBenchmark(e.name, e.run)->Unit(e.unit);

  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  summary(entries, collector.best);
  benchmark::Shutdown();
  return 0;
}
