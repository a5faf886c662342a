#include "Game.h"

#include <climits>
#include <set>
#include <sstream>

#include "ui/Started.h"

namespace e2e {

namespace {

constexpr render::Rgb kBlue = render::rgb(0x0000FF);
constexpr render::Rgb kRed = render::rgb(0xFF0000);
constexpr int kPaddleMax = 480 - 40;

// The value after a "Label:" in xwininfo's report, or -1.
int infofield(const QByteArray& report, const char* label) {
  for (const QByteArray& line : report.split('\n')) {
    const QByteArray l = line.trimmed();
    if (l.startsWith(label)) return l.mid(qstrlen(label)).trimmed().toInt();
  }
  return -1;
}

}  // namespace

std::string describe(const std::optional<Seen>& s) {
  if (!s) return "no valid playfield";
  std::ostringstream o;
  o << "paddle x " << s->paddlex << ", ball at (" << s->ballx << ", " << s->bally << ")";
  return o.str();
}

std::optional<Seen> readfield(const render::Surface& field) {
  if (field.width() != kField.width() || field.height() != kField.height()) return std::nullopt;
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
  // Each of the paddle's top rows gives two guesses at its left edge, from its first and from
  // its last red pixel; the ball may hide some of them, never all.
  std::set<int> guesses;
  for (int r = 0; r < 4; ++r) {
    const std::string row = started::kPaddleRows[r];
    const int first = static_cast<int>(row.find('R'));
    const int last = static_cast<int>(row.rfind('R'));
    int left = INT_MAX;
    int right = INT_MIN;
    for (int x = 0; x < field.width(); ++x) {
      if (field.pixel(x, kPaddleY + r) != kRed) continue;
      left = std::min(left, x);
      right = std::max(right, x);
    }
    if (left == INT_MAX) continue;
    guesses.insert(left - first);
    guesses.insert(right - last);
  }
  for (int px : guesses) {
    if (px < 0 || px > kPaddleMax) continue;
    if (started::expectedfield(px, kPaddleY, bx, by) == field) return Seen{px, bx, by};
  }
  return std::nullopt;
}

Game::~Game() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.kill();
  process_.waitForFinished(3000);
}

bool Game::start(std::string* why) {
  // The pointer waits off the window, so that the game sees no move before the test's own.
  desktop_.xdotool("mousemove 1023 767\n");
  process_.setProcessEnvironment(desktop_.env());
  diewithparent(process_);
  process_.start(QStringLiteral(POMURAN_EXECUTABLE), {});
  if (!process_.waitForStarted(10000)) {
    *why = "the game did not start: " + process_.errorString().toStdString();
    return false;
  }
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
  const Output info = desktop_.tool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window_});
  client_ = QRect(infofield(info.out, "Absolute upper-left X:"),
                  infofield(info.out, "Absolute upper-left Y:"), infofield(info.out, "Width:"),
                  infofield(info.out, "Height:"));
  if (info.code != 0 || client_.width() <= 0 || client_.height() <= 0) {
    *why = "xwininfo could not read the window: " + info.err.toStdString();
    return false;
  }
  return true;
}

QByteArray Game::errors() { return process_.readAllStandardError(); }

void Game::movetofield(int fx, int fy) const {
  const QPoint p = fieldpoint(fx, fy);
  desktop_.xdotool(QStringLiteral("mousemove %1 %2\n").arg(p.x()).arg(p.y()).toLatin1());
}

void Game::clickfield(int fx, int fy) const {
  const QPoint p = fieldpoint(fx, fy);
  desktop_.xdotool(
      QStringLiteral("mousemove %1 %2\nclick --delay 0 1\n").arg(p.x()).arg(p.y()).toLatin1());
}

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

bool Game::waitexit(int ms) {
  if (process_.state() == QProcess::NotRunning) return true;
  return process_.waitForFinished(ms);
}

}  // namespace e2e
