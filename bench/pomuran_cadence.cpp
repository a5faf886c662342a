// Runs the real window on its own event loop and reports what a player would notice: whether
// the timer keeps its 50 ms beat, how fast the ball travels, how much processor and memory the
// game takes at rest and in play, and how soon its first frame is on screen. Each measurement
// runs in a child process of its own, so that start-up times and memory peaks do not mix, and
// the same figures are taken from a plain window of the game's size for comparison. Start-up
// and memory are measured on Qt's offscreen platform and on private desktops, X11 (Xvfb with
// openbox) and Wayland (headless sway), where the memory is also broken down by what holds it.
#include "Memory.h"
#include "Window.h"
#include "support/Session.h"
#include "ui/qt/Layout.h"
#include "ui/qt/Pictures.h"
#include "ui/qt/Startup.h"
#include "ui/qt/Workarounds.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QTimer>

#include <fcntl.h>
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
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr double kTickMs = ui::table::kTickMs;

struct Options {
  std::string child;  // empty in the parent; "game" or "bare" in a measuring child
  bool smoke = false;
  int runs = 9;          // start-ups of each window on each platform, alternating
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
    } else if (auto v = number(a, "--runs")) {
      o.runs = std::max(1, static_cast<int>(*v));
    } else {
      std::fprintf(stderr, "usage: %s [--smoke] [--runs=N]\n", argv[0]);
      std::exit(2);
    }
  }
  if (o.smoke) o.rest = o.play = 1.0;
  if (o.smoke) o.runs = 1;
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

// When something happened, in ms since the parent started this child.
double startupms(const Options& o, int64_t ns) {
  if (o.startns >= 0) return (ns - o.startns) / 1e6;
  return (sincestartns() - (benchwindow::nowns() - ns)) / 1e6;
}

// The steps from the exec to the first frame, each stamped when it is done.
struct Steps {
  int64_t main = 0;  // the program's entry, after the dynamic loader's work
  int64_t app = 0;   // the application object: platform plugin, display connection, theme
  int64_t window = 0;
  int64_t prepared = 0;
  int64_t shown = 0;
};

void reportsteps(const Options& o, const Steps& s, const benchwindow::PaintWatch& watch) {
  const std::pair<const char*, int64_t> steps[] = {{"main", s.main},
                                                   {"app", s.app},
                                                   {"window", s.window},
                                                   {"prepared", s.prepared},
                                                   {"shown", s.shown}};
  for (const auto& [name, ns] : steps)
    if (ns > 0) std::printf("step_%s_ms %.3f\n", name, startupms(o, ns));
  std::printf("startup_ms %.3f\npeak_kib %ld\n", startupms(o, watch.firstns), peakkib());
}

// What holds a process's memory, by the files its pages come from; the first share that takes
// a mapping counts it. The window's pixels go to the display server through shared memory
// (MIT-SHM on X11, wl_shm on Wayland).
const std::vector<benchmemory::Share> kShares = {
    {"graphics",
     {"libEGL_", "/dri/", "libLLVM", "libgbm", "libglapi", "libwayland-egl", "libwayland-server",
      "libdrm", "libQt6OpenGL", "EglClientHwIntegration", "graphics-integration", "libxcb-dri",
      "libz3", "libsensors", "libelf", "libedit", "libxml2", "libxshmfence", "libpciaccess"}},
    {"qt", {"libQt6", "/qt6/plugins/"}},
    {"text",
     {"libharfbuzz", "libfreetype", "libfontconfig", "libpng", "libbrotli", "libgraphite2",
      "libicu", "libexpat", "libbz2"}},
    {"fontfiles", {".ttf", ".otf", ".ttc", ".pcf", ".pfb"}},
    {"fontcaches", {"/fontconfig/"}},
    {"buffers", {"/SYSV", "/memfd:", "/dev/shm/"}},
    {"libraries", {".so"}},
    {"anonymous", {""}},
};

// Prints the process's resident memory by share. `own` and `ownfile` are the design's pixels:
// the surfaces, in anonymous memory, and the background picture, read in place from the program.
void reportmemory(const std::vector<std::pair<const void*, size_t>>& own,
                  std::pair<const void*, size_t> ownfile) {
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  std::vector<benchmemory::Share> rules = {{"program", {self}}};
  rules.insert(rules.end(), kShares.begin(), kShares.end());
  std::map<std::string, long> kib =
      benchmemory::shares(benchmemory::mappings("self"), rules, "files");
  long anonymous = 0;
  for (const auto& [p, bytes] : own) anonymous += benchmemory::residentkib(p, bytes);
  const long file = ownfile.first ? benchmemory::residentkib(ownfile.first, ownfile.second) : 0;
  kib["anonymous"] -= anonymous;
  kib["program"] -= file;
  kib["design"] = anonymous + file;
  for (const auto& [share, k] : kib) std::printf("mem_%s_kib %ld\n", share.c_str(), k);
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

// The plain window; with `text`, the same window with the game's three text controls in their
// places, in the desktop's font: what any window that draws text pays, and the game does too.
int runbare(const Options& o, Steps& steps, bool text, int argc, char** argv) {
  QApplication app(argc, argv);
  steps.app = benchwindow::nowns();
  QWidget window;
  window.resize(ui::layout::kClient);
  if (text) {
    namespace table = ui::table;
    (new QLabel(ui::layout::qstring(table::kSpeedLabel), &window))
        ->setGeometry(ui::layout::kLabel1);
    auto* list = new QComboBox(&window);
    list->setGeometry(ui::layout::kCombo1);
    for (std::string_view speed : table::kSpeeds) list->addItem(ui::layout::qstring(speed));
    (new QPushButton(ui::layout::qstring(table::kStart), &window))
        ->setGeometry(ui::layout::kCommand1);
  }
  benchwindow::PaintWatch watch(&window);
  window.show();
  steps.shown = benchwindow::nowns();
  // The same 200 ms of settling as the game's runs, so that both peaks cover the same span.
  afterfirstpaint(watch, [&] {
    QTimer::singleShot(200 + static_cast<int>(o.idle * 1000), &app, &QCoreApplication::quit);
  });
  app.exec();
  reportsteps(o, steps, watch);
  reportmemory({}, {});
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

void report(const Options& o, const Steps& steps, const benchwindow::PaintWatch& watch,
            const Play& p) {
  reportsteps(o, steps, watch);
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

int rungame(const Options& o, Steps& steps, int argc, char** argv) {
  QApplication app(argc, argv);
  steps.app = benchwindow::nowns();
  ui::keepopenglaway();
  ui::Form1 form;
  steps.window = benchwindow::nowns();
  benchwindow::PaintWatch watch(form.mainscr);
  ui::prepare(form);
  steps.prepared = benchwindow::nowns();
  form.show();
  steps.shown = benchwindow::nowns();

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
  report(o, steps, watch, p);
  std::vector<std::pair<const void*, size_t>> surfaces;
  for (const ui::PictureBox* box : {form.mainscr, form.offscr, form.paddle, form.ball, form.blocks})
    surfaces.emplace_back(box->surface().data(),
                          sizeof(render::Rgb) * box->surface().width() * box->surface().height());
  const QImage background = ui::picture(QStringLiteral("background"));
  reportmemory(surfaces, {background.constBits(), static_cast<size_t>(background.sizeInBytes())});
  return watch.paints > 0 ? 0 : 1;
}

using Figures = std::map<std::string, double>;

// Runs this program again as a measuring child with the given environment and reads the
// figures that it prints.
std::optional<Figures> runchild(const std::vector<std::string>& args,
                                const std::vector<std::string>& env) {
  int out[2];
  if (pipe(out) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, out[1]);
  // What the toolkit says of a private desktop's runtime folder is no figure.
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

  std::vector<std::string> all = {"pomuran_cadence"};
  all.insert(all.end(), args.begin(), args.end());
  // The clock is read last, so that the child's start-up time covers the exec and all of it.
  all.push_back("--start=" + std::to_string(benchwindow::nowns()));
  std::vector<char*> argv, envp;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_t pid = 0;
  const int failed =
      posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv.data(), envp.data());
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

// Where the start-up runs happen: Qt's offscreen platform, which needs no desktop, and the two
// display servers that players have, each a private desktop of the test suite's.
struct Platform {
  const char* name;
  const char* qpa;
  std::optional<session::Kind> desktop;
};
const Platform kPlatforms[] = {{"offscreen", "offscreen", std::nullopt},
                               {"X11 (Xvfb, openbox)", "xcb", session::Kind::X11},
                               {"Wayland (headless sway)", "wayland", session::Kind::Wayland}};

// Every figure of every start-up run of the two windows on one platform.
struct Startups {
  const Platform* platform = nullptr;
  std::vector<Figures> game, bare, text;
  std::string skipped;  // why the platform was not measured

  double game_median(const std::string& key) const { return of(game, key); }
  double bare_median(const std::string& key) const { return of(bare, key); }
  double text_median(const std::string& key) const { return of(text, key); }
  static double of(const std::vector<Figures>& runs, const std::string& key) {
    std::vector<double> v;
    for (const Figures& f : runs) v.push_back(f.count(key) ? f.at(key) : 0.0);
    return median(v);
  }
};

std::vector<std::string> environmentof(const Platform& p, std::string* why) {
  std::vector<std::string> env;
  if (!p.desktop) {
    for (char** e = environ; *e; ++e)
      if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0) env.emplace_back(*e);
  } else {
    bool toolsmissing = false;
    const session::Desktop* d = session::Desktop::shared(*p.desktop, why, &toolsmissing);
    if (d == nullptr) return {};
    const QProcessEnvironment game = d->gameenv();
    for (const QString& e : game.toStringList()) env.push_back(e.toStdString());
  }
  env.push_back(std::string("QT_QPA_PLATFORM=") + p.qpa);
  return env;
}

// Start-up runs alternate between the two windows, so that a busy moment on the machine does
// not fall on one of them only.
Startups startups(const Options& o, const Platform& p) {
  Startups s;
  s.platform = &p;
  const std::vector<std::string> env = environmentof(p, &s.skipped);
  if (env.empty()) return s;
  const std::string idle = "--idle=" + std::to_string(o.smoke ? 0.2 : o.idle);
  for (int i = 0; i < o.runs; ++i) {
    const auto bare = runchild({"--child=bare", idle}, env);
    const auto game = runchild({"--child=game", idle, "--play=0"}, env);
    const auto text = runchild({"--child=text", idle}, env);
    if (!bare || !game || !text) {
      s.skipped = "a start-up run failed";
      return s;
    }
    s.bare.push_back(*bare);
    s.game.push_back(*game);
    s.text.push_back(*text);
  }
  return s;
}

constexpr const char* kStepNames[][2] = {{"step_main_ms", "  program's entry (libraries loaded)"},
                                         {"step_app_ms", "  application object made"},
                                         {"step_window_ms", "  window and its controls made"},
                                         {"step_prepared_ms", "  first frame composed (prepare)"},
                                         {"step_shown_ms", "  window shown (show returns)"},
                                         {"startup_ms", "  first paint of the playfield"}};

// What each share of the memory is, in the order of the breakdown.
constexpr const char* kShareNames[][2] = {
    {"design", "the design's own: surfaces, background in place"},
    {"program", "the program's code and data"},
    {"qt", "Qt's libraries and plugins"},
    {"text", "text: HarfBuzz, FreeType, fontconfig, ICU"},
    {"fontfiles", "font files"},
    {"fontcaches", "fontconfig's caches"},
    {"buffers", "window buffers shared with the server"},
    {"graphics", "EGL, Mesa, LLVM and what they load"},
    {"libraries", "other system libraries"},
    {"anonymous", "heap, stacks, other anonymous memory"},
    {"files", "other files (locales, ...)"}};

std::string cell(const char* format, double value) {
  char text[48];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// One row of the start-up table: a figure of each platform.
void row(const std::vector<Startups>& all, const char* what,
         const std::function<std::string(const Startups&)>& figure) {
  std::printf("%-46s", what);
  for (const Startups& s : all) std::printf(" %26s", s.game.empty() ? "-" : figure(s).c_str());
  std::printf("\n");
}

double mib(double kib) { return kib / 1024.0; }

void printstartups(const std::vector<Startups>& all, int runs) {
  std::printf("\nStart-up and memory, medians of %d start-up(s) of each window, alternating\n",
              runs);
  std::printf("%-46s", "");
  for (const Startups& s : all) std::printf(" %26s", s.platform->name);
  std::printf("\nexec to the game's first frame, step by step\n");
  for (const auto& [key, what] : kStepNames)
    row(all, what, [key = key](const Startups& s) { return cell("%.1f ms", s.game_median(key)); });
  row(all, "plain window's first paint",
      [](const Startups& s) { return cell("%.1f ms", s.bare_median("startup_ms")); });
  row(all, "  game / plain window", [](const Startups& s) {
    return cell("%.2f", s.game_median("startup_ms") / s.bare_median("startup_ms"));
  });
  row(all, "plain window with the three text controls",
      [](const Startups& s) { return cell("%.1f ms", s.text_median("startup_ms")); });
  row(all, "  game / that window", [](const Startups& s) {
    return cell("%.2f", s.game_median("startup_ms") / s.text_median("startup_ms"));
  });
  row(all, "peak resident (VmHWM), game",
      [](const Startups& s) { return cell("%.2f MiB", mib(s.game_median("peak_kib"))); });
  row(all, "peak resident (VmHWM), plain window",
      [](const Startups& s) { return cell("%.2f MiB", mib(s.bare_median("peak_kib"))); });
  row(all, "  game above plain window", [](const Startups& s) {
    return cell("%.2f MiB", mib(s.game_median("peak_kib") - s.bare_median("peak_kib")));
  });
  row(all, "  game above the window with text controls", [](const Startups& s) {
    return cell("%.2f MiB", mib(s.game_median("peak_kib") - s.text_median("peak_kib")));
  });
  std::printf("resident at the end, MiB: plain / game / difference\n");
  for (const auto& [key, what] : kShareNames) {
    const std::string k = std::string("mem_") + key + "_kib";
    row(all, what, [&k](const Startups& s) {
      const double bare = mib(s.bare_median(k)), game = mib(s.game_median(k));
      return cell("%.2f", bare) + " / " + cell("%.2f", game) + " / " + cell("%+.2f", game - bare);
    });
  }
  for (const Startups& s : all)
    if (!s.skipped.empty())
      std::printf("%s: not measured: %s\n", s.platform->name, s.skipped.c_str());
}

// The targets for start-up and memory on the two display servers.
void judgestartups(const std::vector<Startups>& all) {
  const Startups& x11 = all[1];
  const Startups& wayland = all[2];
  std::printf("\n%-54s %12s   %-26s %s\n", "start-up and memory target", "value", "target",
              "result");
  if (!x11.game.empty()) {
    const double over = mib(x11.game_median("peak_kib") - x11.bare_median("peak_kib"));
    const double ratio = x11.game_median("startup_ms") / x11.bare_median("startup_ms");
    std::printf("%-54s %8.2f MiB   %-26s %s\n", "X11: game above plain window", over, "<= 7.1 MiB",
                verdict(over <= 7.1));
    std::printf("%-54s %12.2f   %-26s %s\n", "X11: first frame, game / plain window", ratio,
                "<= 1.5", verdict(ratio <= 1.5));
  }
  if (!x11.game.empty() && !wayland.game.empty()) {
    const double over = mib(wayland.game_median("peak_kib") - x11.game_median("peak_kib"));
    const double later = wayland.game_median("startup_ms") - x11.game_median("startup_ms");
    std::printf("%-54s %8.2f MiB   %-26s %s\n", "Wayland: game's peak above the game's on X11",
                over, "<= 3 MiB", verdict(over <= 3.0));
    std::printf("%-54s %9.1f ms   %-26s %s\n",
                "Wayland: game's first frame after the game's on X11", later, "<= 0 ms",
                verdict(later <= 0));
  }
}

int runparent(const Options& o, int argc, char** argv) {
  // The desktops are driven through the toolkit's processes, which want an application object.
  QCoreApplication app(argc, argv);
  std::vector<Startups> all;
  for (const Platform& p : kPlatforms) all.push_back(startups(o, p));
  session::Desktop::stopshared();
  const Startups& offscreen = all.front();
  if (offscreen.game.empty()) {
    std::fprintf(stderr, "the start-up runs failed: %s\n", offscreen.skipped.c_str());
    return 1;
  }
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  const auto play = runchild(
      {"--child=game", "--rest=" + std::to_string(o.rest), "--play=" + std::to_string(o.play)},
      env);
  if (!play || !play->count("ball_px")) {
    std::fprintf(stderr, "the play run failed\n");
    return 1;
  }
  const Figures& f = *play;
  const double gamepeak = offscreen.game_median("peak_kib");
  const double barepeak = offscreen.bare_median("peak_kib");

  const double beat = f.at("mean_interval_ms") / kTickMs;
  const double speed = f.at("ball_px") / f.at("ball_span_s");
  const double ticks = f.at("ticks");
  // What the same positions give at an exact 50 ms beat: the difference is the timer's alone.
  const double exact = f.at("ball_px") / ((ticks - 1) * kTickMs / 1e3);
  const double overmib = (gamepeak - barepeak) / 1024.0;
  const double startratio =
      offscreen.game_median("startup_ms") / offscreen.bare_median("startup_ms");

  std::printf("Pomuran cadence: %.0f s at rest, %.0f s in play, %d start-up run(s) each\n\n",
              o.rest, o.play, o.runs);
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
  std::printf("%-34s %8.1f MiB\n", "peak resident, game (offscreen)", gamepeak / 1024.0);
  std::printf("%-34s %8.1f MiB\n", "peak resident, plain window", barepeak / 1024.0);
  std::printf("%-34s %8.1f MiB   %-16s %s\n", "  game above plain window", overmib, "<= 8 MiB",
              verdict(overmib <= 8.0));
  std::printf("%-34s %9.1f ms\n", "first frame, game (median)",
              offscreen.game_median("startup_ms"));
  std::printf("%-34s %9.1f ms\n", "first frame, plain window (median)",
              offscreen.bare_median("startup_ms"));
  std::printf("%-34s %12.2f   %-16s %s\n", "  game / plain window", startratio, "<= 1.5",
              verdict(startratio <= 1.5));
  std::printf("%-34s %12.0f   (the paddle moved %.0f times)\n", "pointer moves in play",
              f.at("moves"), f.at("paddle_moves"));
  printstartups(all, o.runs);
  judgestartups(all);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Steps steps;
  steps.main = benchwindow::nowns();
  const Options o = parse(argc, argv);
  if (o.child.empty()) return runparent(o, argc, argv);
  benchwindow::useoffscreen();
  // The toolkit sees only the program's name.
  int qtargc = 1;
  if (o.child == "bare" || o.child == "text")
    return runbare(o, steps, o.child == "text", qtargc, argv);
  if (o.child == "game") return rungame(o, steps, qtargc, argv);
  std::fprintf(stderr, "unknown child: %s\n", o.child.c_str());
  return 2;
}
