#include "support/Session.h"
#include "support/Compare.h"
#include "support/Expected.h"
#include "ui/Layout.h"

#include <QStandardPaths>
#include <QThread>

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <sstream>

namespace session {

namespace {

// The programs that each kind of desktop needs, and the Debian packages that bring them.
const QStringList kX11Tools = {QStringLiteral("Xvfb"),       QStringLiteral("openbox"),
                               QStringLiteral("xdotool"),    QStringLiteral("xwininfo"),
                               QStringLiteral("xprop"),      QStringLiteral("import"),
                               QStringLiteral("dbus-daemon")};
constexpr const char* kX11Packages = "xvfb openbox xdotool x11-utils imagemagick dbus-daemon";

constexpr int kScreenW = 1024;
constexpr int kScreenH = 768;

std::map<Kind, std::unique_ptr<Desktop>>& shareddesktops() {
  static std::map<Kind, std::unique_ptr<Desktop>> desktops;
  return desktops;
}

QStringList missing(const QStringList& tools) {
  QStringList absent;
  for (const QString& t : tools) {
    if (QStandardPaths::findExecutable(t).isEmpty()) absent << t;
  }
  return absent;
}

// Reads the first line that a starting server writes, such as its display number or its bus
// address; empty when none came in time.
QByteArray firstline(QProcess& p, int ms) {
  QByteArray got;
  const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
  while (!got.contains('\n') && Clock::now() < deadline && p.state() != QProcess::NotRunning) {
    p.waitForReadyRead(100);
    got += p.readAllStandardOutput();
  }
  return got.contains('\n') ? got.left(got.indexOf('\n')).trimmed() : QByteArray();
}

// The value after a "Label:" in xwininfo's report, or -1.
int infofield(const QByteArray& report, const char* label) {
  for (const QByteArray& line : report.split('\n')) {
    const QByteArray l = line.trimmed();
    if (l.startsWith(label)) return l.mid(qstrlen(label)).trimmed().toInt();
  }
  return -1;
}

}  // namespace

double seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

bool inci() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::strcmp(ci, "true") == 0;
}

Output run(const QString& program, const QStringList& args, const QProcessEnvironment& env,
           const QByteArray& input, int timeoutms) {
  Output o;
  QProcess p;
  p.setProcessEnvironment(env);
  ownprocess(p);
  p.start(program, args);
  if (!p.waitForStarted(timeoutms)) {
    o.err = QByteArrayLiteral("could not start ") + program.toUtf8();
    return o;
  }
  if (!input.isEmpty()) p.write(input);
  p.closeWriteChannel();
  return finish(p, p.waitForFinished(timeoutms));
}

Output finish(QProcess& p, bool finished) {
  Output o;
  o.finished = finished;
  if (!o.finished) stopgroup(p);
  o.crashed = p.exitStatus() == QProcess::CrashExit;
  o.code = p.exitCode();
  o.out = p.readAllStandardOutput();
  o.err = p.readAllStandardError();
  return o;
}

void ownprocess(QProcess& p) {
  p.setChildProcessModifier([] {
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
  });
}

void stopgroup(QProcess& p) {
  const auto pid = static_cast<pid_t>(p.processId());
  if (pid <= 0) return;
  if (p.state() != QProcess::NotRunning) {
    ::kill(-pid, SIGTERM);
    if (!p.waitForFinished(3000)) {
      ::kill(-pid, SIGKILL);
      p.waitForFinished(3000);
    }
  }
  // Whatever the leader left behind in its group goes too.
  ::kill(-pid, SIGKILL);
}

Desktop* Desktop::shared(Kind kind, std::string* why, bool* toolsmissing) {
  *toolsmissing = false;
  auto& slot = shareddesktops()[kind];
  if (slot) return slot.get();
  if (const QStringList absent = missing(kX11Tools); !absent.isEmpty()) {
    *toolsmissing = true;
    *why = "the desktop tests need these programs, which are not installed: " +
           absent.join(QStringLiteral(", ")).toStdString() + " (Debian: " + kX11Packages + ")";
    return nullptr;
  }
  std::unique_ptr<Desktop> d(new Desktop(kind));
  if (!d->start(why)) return nullptr;
  slot = std::move(d);
  return slot.get();
}

void Desktop::stopshared() { shareddesktops().clear(); }

Desktop::~Desktop() {
  stopgroup(wm_);
  stopgroup(server_);
  stopgroup(bus_);
}

bool Desktop::start(std::string* why) {
  if (!home_.isValid()) {
    *why = "no temporary folder for the desktop session";
    return false;
  }
  env_ = QProcessEnvironment::systemEnvironment();
  // The game must find this desktop only: the test runner may ask for the offscreen platform.
  for (const char* name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY", "QT_SCALE_FACTOR"})
    env_.remove(QString::fromLatin1(name));
  env_.insert(QString::fromLatin1(kMarker), home_.path());
  // Nothing reads or writes the user's own settings.
  env_.insert(QStringLiteral("HOME"), home_.path());
  env_.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.filePath(QStringLiteral("config")));
  env_.insert(QStringLiteral("XDG_CACHE_HOME"), home_.filePath(QStringLiteral("cache")));
  env_.insert(QStringLiteral("XDG_RUNTIME_DIR"), home_.path());
  return startbus(why) && startx11(why);
}

// Without a session bus the toolkit has libdbus launch one of its own, which outlives the game.
bool Desktop::startbus(std::string* why) {
  bus_.setProcessEnvironment(env_);
  ownprocess(bus_);
  bus_.start(
      QStringLiteral("dbus-daemon"),
      {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
       QStringLiteral("--address=unix:dir=") + home_.path()});
  const QByteArray address = firstline(bus_, 10000);
  if (address.isEmpty()) {
    *why = "dbus-daemon did not start: " + bus_.readAllStandardError().toStdString();
    return false;
  }
  env_.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromLatin1(address));
  return true;
}

bool Desktop::startx11(std::string* why) {
  // The server picks a free display itself and writes its number to standard output, so
  // several test programs and other sessions on this machine never collide.
  server_.setProcessEnvironment(env_);
  ownprocess(server_);
  server_.start(QStringLiteral("Xvfb"),
                {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                 QStringLiteral("0"), QStringLiteral("%1x%2x24").arg(kScreenW).arg(kScreenH),
                 QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-noreset")});
  const QByteArray number = firstline(server_, 15000);
  if (number.isEmpty()) {
    *why = "Xvfb did not start: " + server_.readAllStandardError().toStdString();
    return false;
  }
  env_.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + QString::fromLatin1(number));

  wm_.setProcessEnvironment(env_);
  ownprocess(wm_);
  wm_.setStandardOutputFile(QProcess::nullDevice());
  wm_.setStandardErrorFile(QProcess::nullDevice());
  wm_.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
  // A window manager announces itself with this root property once it manages the screen.
  const auto deadline = Clock::now() + std::chrono::seconds(15);
  while (wm_.waitForStarted(10000) && Clock::now() < deadline) {
    const Output o = tool(QStringLiteral("xprop"),
                          {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
    if (o.code == 0 && o.out.contains("window id")) {
      // The pointer waits in a corner, away from where windows are placed.
      pointer(QPoint(kScreenW - 1, kScreenH - 1));
      return true;
    }
    if (wm_.state() == QProcess::NotRunning) break;
    QThread::msleep(50);
  }
  *why = "openbox did not take over the display";
  return false;
}

Output Desktop::tool(const QString& program, const QStringList& args, const QByteArray& input,
                     int timeoutms) const {
  return run(program, args, env_, input, timeoutms);
}

void Desktop::pointer(QPoint at) const {
  tool(QStringLiteral("xdotool"),
       {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y())});
}

void Desktop::click(QPoint at) const {
  tool(QStringLiteral("xdotool"),
       {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
        QStringLiteral("click"), QStringLiteral("--delay"), QStringLiteral("0"),
        QStringLiteral("1")});
}

QImage Desktop::shot(QRect area) const {
  const QString crop = QStringLiteral("%1x%2+%3+%4")
                           .arg(area.width())
                           .arg(area.height())
                           .arg(area.x())
                           .arg(area.y());
  const Output o = tool(QStringLiteral("import"),
                        {QStringLiteral("-silent"), QStringLiteral("-window"),
                         QStringLiteral("root"), QStringLiteral("-crop"), crop,
                         QStringLiteral("-depth"), QStringLiteral("8"), QStringLiteral("ppm:-")});
  QImage s = QImage::fromData(o.out, "PPM").convertToFormat(QImage::Format_RGB32);
  if (s.size() != area.size()) return {};
  return s;
}

std::string describe(const std::optional<Seen>& s) {
  if (!s) return "no valid playfield";
  std::ostringstream o;
  o << "paddle x " << s->paddlex << ", ball at (" << s->ballx << ", " << s->bally << ")";
  return o.str();
}

std::optional<Seen> readfield(const QImage& field) {
  constexpr QRgb kBlue = render::rgb(0x0000FF);
  constexpr QRgb kRed = render::rgb(0xFF0000);
  constexpr int kPaddleY = 256;
  constexpr int kPaddleMax = 480 - 40;
  if (field.size() != ui::layout::kPlayfield.size()) return std::nullopt;
  // The ball's blue pixels reach its left column and its top row.
  int bx = INT_MAX;
  int by = INT_MAX;
  for (int y = 0; y < field.height(); ++y) {
    for (int x = 0; x < field.width(); ++x) {
      if (field.pixel(x, y) != kBlue) continue;
      bx = std::min(bx, x);
      by = std::min(by, y);
    }
  }
  if (bx == INT_MAX) return std::nullopt;
  // Each row of the paddle gives two guesses at its left edge, from its first and from its last
  // red pixel; the ball may hide some of them, never all.
  const QImage paddle = ui::picture(QStringLiteral("paddle"));
  std::set<int> guesses;
  for (int r = 0; r < paddle.height(); ++r) {
    int first = INT_MAX, last = INT_MIN, left = INT_MAX, right = INT_MIN;
    for (int x = 0; x < paddle.width(); ++x) {
      if (paddle.pixel(x, r) != kRed) continue;
      first = std::min(first, x);
      last = std::max(last, x);
    }
    for (int x = 0; x < field.width(); ++x) {
      if (field.pixel(x, kPaddleY + r) != kRed) continue;
      left = std::min(left, x);
      right = std::max(right, x);
    }
    if (first == INT_MAX || left == INT_MAX) continue;
    guesses.insert(left - first);
    guesses.insert(right - last);
  }
  for (int px : guesses) {
    if (px < 0 || px > kPaddleMax) continue;
    const render::Surface want = expected::field(px, kPaddleY, bx, by);
    if (frames::image(want) == field) return Seen{px, bx, by};
  }
  return std::nullopt;
}

Game::~Game() {
  if (process_.state() != QProcess::NotRunning) stopgroup(process_);
}

bool Game::start(const QString& program, std::string* why, const QProcessEnvironment& extra) {
  // The pointer waits off the window, so that the game sees no move before the test's own.
  desktop_.pointer(QPoint(kScreenW - 1, kScreenH - 1));
  QProcessEnvironment env = desktop_.env();
  for (const QString& name : extra.keys()) env.insert(name, extra.value(name));
  process_.setProcessEnvironment(env);
  ownprocess(process_);
  process_.start(program, {});
  if (!process_.waitForStarted(10000)) {
    *why = "the game did not start: " + process_.errorString().toStdString();
    return false;
  }
  return findx11(why);
}

bool Game::findx11(std::string* why) {
  const Output found = desktop_.tool(
      QStringLiteral("xdotool"),
      {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
       QStringLiteral("--all"), QStringLiteral("--pid"), QString::number(pid())},
      {}, 15000);
  window_ = QString::fromLatin1(found.out.split('\n').value(0).trimmed());
  if (!found.finished || window_.isEmpty()) {
    *why = "the game's window did not show; it wrote: " + errors().toStdString();
    return false;
  }
  client_ = geometry();
  if (client_.width() <= 0 || client_.height() <= 0) {
    *why = "xwininfo could not read the window";
    return false;
  }
  return true;
}

QRect Game::geometry() const {
  const Output info = desktop_.tool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window_});
  return QRect(infofield(info.out, "Absolute upper-left X:"),
               infofield(info.out, "Absolute upper-left Y:"), infofield(info.out, "Width:"),
               infofield(info.out, "Height:"));
}

QByteArray Game::errors() { return process_.readAllStandardError(); }

QPoint Game::fieldpoint(int fx, int fy) const {
  return screenpoint(ui::layout::kPlayfield.x() + fx, ui::layout::kPlayfield.y() + fy);
}

QImage Game::field() const { return part(ui::layout::kPlayfield); }

std::optional<Seen> Game::waitfield(const std::function<bool(const Seen&)>& done,
                                    double seconds) const {
  const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  std::optional<Seen> seen;
  do {
    seen = readfield(field());
    if (seen && done(*seen)) return seen;
  } while (Clock::now() < deadline);
  return seen;
}

long Game::waitwindow(const QImage& want, double scale, std::string* first, double seconds) {
  const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  const QRect device(client_.topLeft(), client_.size());
  frames::Result r;
  // The window may show before its first paint reaches the screen.
  do {
    r = frames::comparewindow(desktop_.shot(device), want, scale);
  } while (r.wrong != 0 && Clock::now() < deadline);
  *first = r.first;
  return r.wrong;
}

bool Game::waitexit(int ms) {
  if (process_.state() == QProcess::NotRunning) return true;
  return process_.waitForFinished(ms);
}

}  // namespace session
