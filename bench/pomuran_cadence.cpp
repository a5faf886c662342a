// Runs the real window on its own event loop and reports what a player would notice: whether
// the timer keeps its 50 ms beat, how fast the ball travels, how much processor and memory the
// game takes at rest and in play, and how soon its first frame is on screen. Each measurement
// runs in a child process of its own, so that start-up times and memory peaks do not mix, and
// the same figures are taken from a plain window of the game's size for comparison.
#include "Window.h"
#include "ui/qt/Layout.h"
#include "ui/qt/Startup.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr double kTickMs = ui::layout::kTickMs;

struct Options {
  std::string child;  // empty in the parent; "game" or "bare" in a measuring child
  bool smoke = false;
  int64_t startns = -1;  // when the parent started this child, on the steady clock
  double rest = 10.0;    // seconds shown with no round running
  double play = 10.0;    // seconds of a round with the pointer moving now and then
  double idle = 1.0;     // seconds a start-up run stays open after its first frame
};

std::optional<double> number(const char* arg, const char* name) {
  const size_t n = std::strlen(name);
  if (std::strncmp(arg, name, n) != 0 || arg[n] != '=') return std::nullopt;
  return std::strtod(arg + n + 1, nullptr);
}

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "--smoke") == 0) {
      o.smoke = true;
    } else if (std::strncmp(a, "--child=", 8) == 0) {
      o.child = a + 8;
    } else if (auto v = number(a, "--start")) {
      o.startns = static_cast<int64_t>(*v);
    } else if (auto v = number(a, "--rest")) {
      o.rest = *v;
    } else if (auto v = number(a, "--play")) {
      o.play = *v;
    } else if (auto v = number(a, "--idle")) {
      o.idle = *v;
    } else {
      std::fprintf(stderr, "usage: %s [--smoke]\n", argv[0]);
      std::exit(2);
    }
  }
  if (o.smoke) o.rest = o.play = 1.0;
  return o;
}

double cpuseconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The peak resident set of this process image. ru_maxrss would also count what the parent
// held before the exec, so the kernel's per-image high-water mark is read instead.
long peakkib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

// How long ago this process started, in ns, for a child that was run by hand: the kernel keeps
// the start in clock ticks since boot, which is coarse but needs nothing from a parent.
int64_t sincestartns() {
  std::ifstream stat("/proc/self/stat");
  std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  // Fields after the command name, which is in parentheses and may hold spaces.
  std::istringstream rest(all.substr(all.rfind(')') + 2));
  std::string field;
  for (int i = 3; i <= 22 && rest >> field; ++i) {
  }
  const double startsec = std::strtod(field.c_str(), nullptr) / sysconf(_SC_CLK_TCK);
  timespec boot{};
  clock_gettime(CLOCK_BOOTTIME, &boot);
  return static_cast<int64_t>((boot.tv_sec + boot.tv_nsec / 1e9 - startsec) * 1e9);
}

double startupms(const Options& o, int64_t firstns) {
  if (o.startns >= 0) return (firstns - o.startns) / 1e6;
  return (sincestartns() - (benchwindow::nowns() - firstns)) / 1e6;
}

// Calls then() once the watched widget has painted, giving up after five seconds.
void afterfirstpaint(const benchwindow::PaintWatch& watch, std::function<void()> then,
                     int tries = 5000) {
  if (watch.paints > 0 || tries == 0) {
    then();
    return;
  }
  QTimer::singleShot(1, [&watch, then, tries] { afterfirstpaint(watch, then, tries - 1); });
}

int runbare(const Options& o, int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.resize(ui::layout::kClient);
  benchwindow::PaintWatch watch(&window);
  window.show();
  // The same 200 ms of settling as the game's runs, so that both peaks cover the same span.
  afterfirstpaint(watch, [&] {
    QTimer::singleShot(200 + static_cast<int>(o.idle * 1000), &app, &QCoreApplication::quit);
  });
  app.exec();
  std::printf("startup_ms %.3f\npeak_kib %ld\n", startupms(o, watch.firstns), peakkib());
  return watch.paints > 0 ? 0 : 1;
}

// Everything the game run records; the vectors are sized up front so that recording a tick
// allocates nothing while the timer is being measured.
struct Play {
  std::vector<int64_t> tickns;
  std::vector<int16_t> bally;
  bool recording = false;
  int moves = 0;
  int paddlemoves = 0;  // ticks that found the paddle somewhere new
  int16_t paddlex = 0;
  double restcpu = 0, restwall = 0, playcpu = 0, playwall = 0;
};

void report(const Options& o, const benchwindow::PaintWatch& watch, const Play& p) {
  std::printf("startup_ms %.3f\npeak_kib %ld\n", startupms(o, watch.firstns), peakkib());
  std::printf("rest_cpu_pct %.4f\n", p.restwall > 0 ? 100.0 * p.restcpu / p.restwall : 0.0);
  if (p.playwall <= 0) return;
  std::printf("play_cpu_pct %.4f\nmoves %d\npaddle_moves %d\nticks %zu\n",
              100.0 * p.playcpu / p.playwall, p.moves, p.paddlemoves, p.tickns.size());
  const size_t n = p.tickns.size();
  if (n < 3) return;
  const double spanms = (p.tickns.back() - p.tickns.front()) / 1e6;
  std::printf("mean_interval_ms %.4f\n", spanms / static_cast<double>(n - 1));
  // Lateness is measured against a 50 ms grid laid through the earliest tick, so that a tick
  // which comes late is not excused by the one before it having been late too.
  double anchor = 1e300;
  for (size_t k = 0; k < n; ++k) anchor = std::min(anchor, p.tickns[k] / 1e6 - k * kTickMs);
  std::vector<double> late(n);
  for (size_t k = 0; k < n; ++k) late[k] = p.tickns[k] / 1e6 - k * kTickMs - anchor;
  std::sort(late.begin(), late.end());
  const size_t at99 = std::min(n - 1, static_cast<size_t>(std::ceil(0.99 * n)) - 1);
  std::printf("late_p99_ms %.4f\nlate_max_ms %.4f\n", late[at99], late.back());
  // Distance, not displacement: every tick's vertical move counts, whichever way it went.
  long distance = 0;
  int16_t lo = p.bally.front(), hi = lo;
  for (size_t k = 1; k < n; ++k) {
    distance += std::abs(p.bally[k] - p.bally[k - 1]);
    lo = std::min(lo, p.bally[k]);
    hi = std::max(hi, p.bally[k]);
  }
  std::printf("ball_px %ld\nball_span_s %.4f\nball_lo %d\nball_hi %d\n", distance, spanms / 1e3, lo,
              hi);
}

int rungame(const Options& o, int argc, char** argv) {
  QApplication app(argc, argv);
  ui::Form1 form;
  benchwindow::PaintWatch watch(form.mainscr);
  ui::prepare(form);
  form.show();

  Play p;
  const size_t expected = static_cast<size_t>(o.play * 1000 / kTickMs) + 100;
  p.tickns.reserve(expected);
  p.bally.reserve(expected);
  // Connected after the window's own handler, so the ball has already moved when this runs.
  QObject::connect(form.Timer1, &QTimer::timeout, [&] {
    if (!p.recording || p.tickns.size() == p.tickns.capacity()) return;
    p.tickns.push_back(benchwindow::nowns());
    p.bally.push_back(form.module1().gs.bally);
    p.paddlemoves += form.module1().gs.paddlex != p.paddlex;
    p.paddlex = form.module1().gs.paddlex;
  });

  // The pointer wanders now and then, always keeping the paddle under the falling ball.
  QTimer pointer;
  pointer.setInterval(400);
  QObject::connect(&pointer, &QTimer::timeout, [&] {
    const double x = form.module1().gs.ballx - 5 - (p.moves % 6) * 5 + 0.5;
    const QPointF at(x, 150.0);
    // Posted, so that the event loop delivers it between ticks as it would a real one.
    QCoreApplication::postEvent(
        form.mainscr,
        new QMouseEvent(QEvent::MouseMove, at, form.mainscr->mapTo(&form, at),
                        form.mainscr->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier));
    ++p.moves;
  });

  double cpu0 = 0;
  int64_t wall0 = 0;
  const auto finish = [&] {
    p.playcpu = cpuseconds() - cpu0;
    p.playwall = (benchwindow::nowns() - wall0) / 1e9;
    p.recording = false;
    pointer.stop();
    app.quit();
  };
  const auto startplay = [&] {
    p.restcpu = cpuseconds() - cpu0;
    p.restwall = (benchwindow::nowns() - wall0) / 1e9;
    if (o.play <= 0) {
      app.quit();
      return;
    }
    cpu0 = cpuseconds();
    wall0 = benchwindow::nowns();
    form.startround();
    p.paddlex = form.module1().gs.paddlex;
    p.recording = true;
    pointer.start();
    QTimer::singleShot(static_cast<int>(o.play * 1000), finish);
  };
  afterfirstpaint(watch, [&] {
    // A moment for start-up work that the toolkit leaves to the event loop, then the rest.
    QTimer::singleShot(200, [&] {
      cpu0 = cpuseconds();
      wall0 = benchwindow::nowns();
      QTimer::singleShot(static_cast<int>((o.play > 0 ? o.rest : o.idle) * 1000), startplay);
    });
  });
  app.exec();
  report(o, watch, p);
  return watch.paints > 0 ? 0 : 1;
}

using Figures = std::map<std::string, double>;

// Runs this program again as a measuring child and reads the figures that it prints.
std::optional<Figures> runchild(const std::vector<std::string>& args) {
  int out[2];
  if (pipe(out) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, out[1]);

  std::vector<std::string> all = {"pomuran_cadence"};
  all.insert(all.end(), args.begin(), args.end());
  // The clock is read last, so that the child's start-up time covers the exec and all of it.
  all.push_back("--start=" + std::to_string(benchwindow::nowns()));
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  std::string text;
  char buf[4096];
  for (ssize_t n; !failed && (n = read(out[0], buf, sizeof buf)) > 0;) text.append(buf, n);
  close(out[0]);
  int status = 0;
  if (failed || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return std::nullopt;
  Figures f;
  std::istringstream lines(text);
  std::string key;
  double value = 0;
  while (lines >> key >> value) f[key] = value;
  return f;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

const char* verdict(bool met) { return met ? "met" : "missed"; }

int runparent(const Options& o) {
  const int runs = o.smoke ? 1 : 5;
  const std::string idle = "--idle=" + std::to_string(o.smoke ? 0.2 : o.idle);
  std::vector<double> gamestart, barestart;
  double gamepeak = 0, barepeak = 0;
  // Start-up runs alternate between the two windows, so that a busy moment on the machine
  // does not fall on one of them only.
  for (int i = 0; i < runs; ++i) {
    const auto bare = runchild({"--child=bare", idle});
    const auto game = runchild({"--child=game", idle, "--play=0"});
    if (!bare || !game) {
      std::fprintf(stderr, "a start-up run failed\n");
      return 1;
    }
    barestart.push_back(bare->at("startup_ms"));
    gamestart.push_back(game->at("startup_ms"));
    barepeak = std::max(barepeak, bare->at("peak_kib"));
    gamepeak = std::max(gamepeak, game->at("peak_kib"));
  }
  const auto play = runchild(
      {"--child=game", "--rest=" + std::to_string(o.rest), "--play=" + std::to_string(o.play)});
  if (!play || !play->count("ball_px")) {
    std::fprintf(stderr, "the play run failed\n");
    return 1;
  }
  const Figures& f = *play;
  gamepeak = std::max(gamepeak, f.at("peak_kib"));

  const double beat = f.at("mean_interval_ms") / kTickMs;
  const double speed = f.at("ball_px") / f.at("ball_span_s");
  const double ticks = f.at("ticks");
  // What the same positions give at an exact 50 ms beat: the difference is the timer's alone.
  const double exact = f.at("ball_px") / ((ticks - 1) * kTickMs / 1e3);
  const double overmib = (gamepeak - barepeak) / 1024.0;
  const double startratio = median(gamestart) / median(barestart);

  std::printf("Pomuran cadence: %.0f s at rest, %.0f s in play, %d start-up run(s) each\n\n",
              o.rest, o.play, runs);
  std::printf("%-34s %12s   %-16s %s\n", "figure", "value", "target", "result");
  std::printf("%-34s %12.4f   %-16s %s\n", "mean tick interval / 50 ms", beat, "1.00 +- 0.01",
              verdict(std::abs(beat - 1.0) <= 0.01));
  std::printf("%-34s %9.3f ms\n", "tick lateness, 99th percentile", f.at("late_p99_ms"));
  std::printf("%-34s %9.3f ms\n", "tick lateness, worst", f.at("late_max_ms"));
  // Each tick of a round is one ball step of 5 px, so the steps' rate is the ball's speed. The
  // positions drawn fall short of it: a step that meets a wall or the paddle turns within the
  // step and is drawn where the ball was, so that step shows no travel.
  const double stepspeed = 5.0 * 1000.0 / f.at("mean_interval_ms");
  std::printf("%-34s %7.2f px/s   %-16s %s\n", "ball speed, 5 px a step", stepspeed, "100 +- 1",
              verdict(std::abs(stepspeed - 100.0) <= 1.0));
  std::printf("%-34s %7.2f px/s\n", "ball speed, from positions drawn", speed);
  std::printf("%-34s %7.2f px/s   (%.0f ticks, %.0f px, y %.0f..%.0f)\n",
              "  same positions at an exact beat", exact, ticks, f.at("ball_px"), f.at("ball_lo"),
              f.at("ball_hi"));
  std::printf("%-34s %10.3f %%   %-16s %s\n", "CPU of one core at rest", f.at("rest_cpu_pct"),
              "<= 0.5 %", verdict(f.at("rest_cpu_pct") <= 0.5));
  std::printf("%-34s %10.3f %%   %-16s %s\n", "CPU of one core in play", f.at("play_cpu_pct"),
              "<= 2 %", verdict(f.at("play_cpu_pct") <= 2.0));
  std::printf("%-34s %8.1f MiB\n", "peak resident, game", gamepeak / 1024.0);
  std::printf("%-34s %8.1f MiB\n", "peak resident, plain window", barepeak / 1024.0);
  std::printf("%-34s %8.1f MiB   %-16s %s\n", "  game above plain window", overmib, "<= 8 MiB",
              verdict(overmib <= 8.0));
  std::printf("%-34s %9.1f ms\n", "first frame, game (median)", median(gamestart));
  std::printf("%-34s %9.1f ms\n", "first frame, plain window (median)", median(barestart));
  std::printf("%-34s %12.2f   %-16s %s\n", "  game / plain window", startratio, "<= 1.5",
              verdict(startratio <= 1.5));
  std::printf("%-34s %12.0f   (the paddle moved %.0f times)\n", "pointer moves in play",
              f.at("moves"), f.at("paddle_moves"));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = parse(argc, argv);
  if (o.child.empty()) return runparent(o);
  benchwindow::useoffscreen();
  // The toolkit sees only the program's name.
  int qtargc = 1;
  if (o.child == "bare") return runbare(o, qtargc, argv);
  if (o.child == "game") return rungame(o, qtargc, argv);
  std::fprintf(stderr, "unknown child: %s\n", o.child.c_str());
  return 2;
}
