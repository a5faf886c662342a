#include "Desktop.h"

#include <QStandardPaths>
#include <QThread>

#include <sys/prctl.h>

#include <cctype>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace e2e {

namespace {

// The programs a desktop session needs: the server, its window manager, the input driver and
// the tools that read windows and the screen back.
const QStringList kTools = {QStringLiteral("Xvfb"),    QStringLiteral("openbox"),
                            QStringLiteral("xdotool"), QStringLiteral("xwininfo"),
                            QStringLiteral("xprop"),   QStringLiteral("import")};

std::unique_ptr<Desktop>& sharedslot() {
  static std::unique_ptr<Desktop> desktop;
  return desktop;
}

void stop(QProcess& p) {
  if (p.state() == QProcess::NotRunning) return;
  p.terminate();
  if (!p.waitForFinished(3000)) {
    p.kill();
    p.waitForFinished(3000);
  }
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
  if (!o.finished) {
    p.kill();
    p.waitForFinished(3000);
  }
  o.crashed = p.exitStatus() == QProcess::CrashExit;
  o.code = p.exitCode();
  o.out = p.readAllStandardOutput();
  o.err = p.readAllStandardError();
  return o;
}

void diewithparent(QProcess& p) {
  p.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

QStringList missing(const QStringList& tools) {
  QStringList absent;
  for (const QString& t : tools) {
    if (QStandardPaths::findExecutable(t).isEmpty()) absent << t;
  }
  return absent;
}

render::Surface readppm(const QByteArray& data) {
  // The header is four whitespace-separated fields: magic, width, height and maximum value.
  qsizetype pos = 0;
  auto field = [&]() -> QByteArray {
    while (pos < data.size()) {
      if (data[pos] == '#') {
        while (pos < data.size() && data[pos] != '\n') ++pos;
      } else if (std::isspace(static_cast<unsigned char>(data[pos]))) {
        ++pos;
      } else {
        break;
      }
    }
    const qsizetype begin = pos;
    while (pos < data.size() && !std::isspace(static_cast<unsigned char>(data[pos]))) ++pos;
    return data.mid(begin, pos - begin);
  };
  if (field() != "P6") return {};
  const int w = field().toInt();
  const int h = field().toInt();
  const int maxval = field().toInt();
  ++pos;  // the single whitespace byte before the pixels
  if (w <= 0 || h <= 0 || maxval != 255 || data.size() - pos < qsizetype{3} * w * h) return {};
  render::Surface s(w, h, render::kBlack);
  const auto* p = reinterpret_cast<const unsigned char*>(data.constData() + pos);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x, p += 3)
      s.setpixel(x, y, render::rgb(p[0] << 16 | p[1] << 8 | p[2]));
  }
  return s;
}

Desktop* Desktop::shared(std::string* why, bool* toolsmissing) {
  *toolsmissing = false;
  auto& slot = sharedslot();
  if (slot) return slot.get();
  if (const QStringList absent = missing(kTools); !absent.isEmpty()) {
    *toolsmissing = true;
    *why = "the desktop tests need these programs, which are not installed: " +
           absent.join(QStringLiteral(", ")).toStdString() +
           " (Debian: xvfb openbox xdotool x11-utils imagemagick)";
    return nullptr;
  }
  std::unique_ptr<Desktop> d(new Desktop);
  if (!d->start(why)) return nullptr;
  slot = std::move(d);
  return slot.get();
}

void Desktop::stopshared() { sharedslot().reset(); }

Desktop::~Desktop() {
  stop(wm_);
  stop(xvfb_);
}

bool Desktop::start(std::string* why) {
  if (!home_.isValid()) {
    *why = "no temporary folder for the desktop session";
    return false;
  }
  // The server picks a free display itself and writes its number to standard output, so
  // several test programs and other sessions on this machine never collide.
  xvfb_.setProcessChannelMode(QProcess::SeparateChannels);
  diewithparent(xvfb_);
  xvfb_.start(QStringLiteral("Xvfb"),
              {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
               QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
               QStringLiteral("tcp"), QStringLiteral("-noreset")});
  QByteArray number;
  const auto deadline = Clock::now() + std::chrono::seconds(15);
  while (!number.contains('\n') && Clock::now() < deadline &&
         xvfb_.state() != QProcess::NotRunning) {
    xvfb_.waitForReadyRead(100);
    number += xvfb_.readAllStandardOutput();
  }
  if (!number.contains('\n')) {
    *why = "Xvfb did not start: " + xvfb_.readAllStandardError().toStdString();
    return false;
  }
  display_ = QLatin1Char(':') + QString::fromLatin1(number.trimmed());

  env_ = QProcessEnvironment::systemEnvironment();
  // The game must find the X display only: the test runner may ask for the offscreen platform.
  env_.remove(QStringLiteral("QT_QPA_PLATFORM"));
  env_.remove(QStringLiteral("WAYLAND_DISPLAY"));
  env_.insert(QStringLiteral("DISPLAY"), display_);
  // The window manager reads its own defaults, never a configuration in the user's home.
  env_.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.filePath(QStringLiteral("config")));
  env_.insert(QStringLiteral("XDG_CACHE_HOME"), home_.filePath(QStringLiteral("cache")));
  env_.insert(QStringLiteral("XDG_RUNTIME_DIR"), home_.path());

  wm_.setProcessEnvironment(env_);
  diewithparent(wm_);
  wm_.setStandardOutputFile(QProcess::nullDevice());
  wm_.setStandardErrorFile(QProcess::nullDevice());
  wm_.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
  if (!wm_.waitForStarted(10000)) {
    *why = "openbox did not start";
    return false;
  }
  // A window manager announces itself with this root property once it manages the screen.
  while (Clock::now() < deadline) {
    const Output o = tool(QStringLiteral("xprop"),
                          {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
    if (o.code == 0 && o.out.contains("window id")) {
      // The pointer waits in a corner, away from where windows are placed.
      xdotool("mousemove 1023 767\n");
      return true;
    }
    if (wm_.state() == QProcess::NotRunning) break;
    QThread::msleep(50);
  }
  *why = "openbox did not take over display " + display_.toStdString();
  return false;
}

Output Desktop::tool(const QString& program, const QStringList& args, const QByteArray& input,
                     int timeoutms) const {
  return run(program, args, env_, input, timeoutms);
}

Output Desktop::xdotool(const QByteArray& script) const {
  return tool(QStringLiteral("xdotool"), {QStringLiteral("-")}, script, 60000);
}

render::Surface Desktop::shot(QRect area) const {
  const QString crop = QStringLiteral("%1x%2+%3+%4")
                           .arg(area.width())
                           .arg(area.height())
                           .arg(area.x())
                           .arg(area.y());
  const Output o = tool(QStringLiteral("import"),
                        {QStringLiteral("-silent"), QStringLiteral("-window"),
                         QStringLiteral("root"), QStringLiteral("-crop"), crop,
                         QStringLiteral("-depth"), QStringLiteral("8"), QStringLiteral("ppm:-")});
  render::Surface s = readppm(o.out);
  if (s.width() != area.width() || s.height() != area.height()) return {};
  return s;
}

}  // namespace e2e
