#include "game/Constants.h"
#include "support/Compare.h"
#include "support/Expected.h"
#include "support/Session.h"
#include "ui/qt/Layout.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <climits>

namespace session {

std::string describe(const std::optional<Seen>& s) {
  if (!s) return "no valid playfield";
  return "paddle x " + std::to_string(s->paddlex) + ", ball at (" + std::to_string(s->ballx) +
         ", " + std::to_string(s->bally) + ")";
}

namespace {

// The value after a "Label:" in xwininfo's report, or -1.
int infofield(const QByteArray& report, const char* label) {
  for (const QByteArray& line : report.split('\n')) {
    const QByteArray l = line.trimmed();
    if (l.startsWith(label)) return l.mid(qstrlen(label)).trimmed().toInt();
  }
  return -1;
}

// The ball's box in a picture of the playfield, found by its blue pixels, which reach its left
// column and its top row; empty when there is none.
QRect ballin(const QImage& field) {
  constexpr QRgb kBlue = render::rgb(0x0000FF);
  int bx = INT_MAX;
  int by = INT_MAX;
  for (int y = 0; y < field.height(); ++y) {
    for (int x = 0; x < field.width(); ++x) {
      if (field.pixel(x, y) != kBlue) continue;
      bx = std::min(bx, x);
      by = std::min(by, y);
    }
  }
  return bx == INT_MAX ? QRect() : QRect(bx, by, game::kBallW, game::kBallH);
}

// The paddle's left edge: where its picture matches the field wherever the ball does not cover
// it; -1 when it is nowhere. Only the paddle's rows are read.
int paddlein(const QImage& field, const QRect& ball, int from = 0) {
  const QImage paddle = ui::picture(QStringLiteral("paddle"));
  for (int px = from; px <= game::kFieldWidth - game::kPaddleW; ++px) {
    bool fits = true;
    for (int y = 0; fits && y < paddle.height(); ++y)
      for (int x = 0; fits && x < paddle.width(); ++x)
        fits = ball.contains(px + x, game::kPaddleY + y) ||
               field.pixel(px + x, game::kPaddleY + y) == paddle.pixel(x, y);
    if (fits) return px;
  }
  return -1;
}

}  // namespace

std::optional<Seen> readfield(const QImage& field) {
  if (field.size() != ui::layout::kPlayfield.size()) return std::nullopt;
  const QRect ball = ballin(field);
  if (ball.isEmpty()) return std::nullopt;
  for (int px = paddlein(field, ball); px >= 0; px = paddlein(field, ball, px + 1)) {
    if (frames::image(expected::field(px, game::kPaddleY, ball.x(), ball.y())) == field)
      return Seen{px, ball.x(), ball.y()};
  }
  return std::nullopt;
}

Game::Game(const Desktop& desktop)
    : desktop_(desktop), errors_(QStringLiteral(POMURAN_BUILD_DIR "/game-XXXXXX.err")) {}

Game::~Game() {
  if (process_.state() != QProcess::NotRunning) stopgroup(process_);
}

bool Game::start(const QString& program, std::string* why, const QProcessEnvironment& extra,
                 const QStringList& args) {
  // The pointer waits off the window, so that the game sees no move before the test's own.
  desktop_.pointer(QPoint(kScreenW - 1, kScreenH - 1));
  QProcessEnvironment env = desktop_.gameenv();
  for (const QString& name : extra.keys()) env.insert(name, extra.value(name));
  process_.setProcessEnvironment(env);
  ownprocess(process_);
  if (errors_.open()) process_.setStandardErrorFile(errors_.fileName());
  if (desktop_.kind() == Kind::Wine)
    process_.start(QStringLiteral("wine"), QStringList{program} + args);
  else
    process_.start(program, args);
  if (!process_.waitForStarted(10000)) {
    *why = "the game did not start: " + process_.errorString().toStdString();
    return false;
  }
  if (desktop_.x11()) return findx11(why);
  return desktop_.kind() == Kind::Wayland ? findwayland(why) : findframe(why);
}

QRect Game::find(const QImage& want, bool anyplay) const {
  const QImage screen = desktop_.shot(QRect(0, 0, kScreenW, kScreenH));
  const QRect field = ui::layout::kPlayfield;
  // A few pixels of the panel's frame and, where the field must match, the resting ball's
  // centre rule out nearly every place cheaply.
  QList<QPoint> marks = {{0, 0}, {496, 352}, {7, 7}, {489, 313}};
  if (!anyplay) marks << QPoint(228, 260);
  for (int y = 0; y + want.height() <= screen.height(); ++y)
    for (int x = 0; x + want.width() <= screen.width(); ++x) {
      const QPoint at(x, y);
      if (!std::all_of(marks.begin(), marks.end(),
                       [&](QPoint m) { return screen.pixel(at + m) == want.pixel(m); }))
        continue;
      const QImage shown = screen.copy({at, want.size()});
      QImage expect = want;
      // Any play: whatever paddle and ball the field shows, drawn exactly.
      if (anyplay && !readfield(shown.copy(field))) continue;
      if (anyplay)
        for (int fy = field.top(); fy <= field.bottom(); ++fy)
          for (int fx = field.left(); fx <= field.right(); ++fx)
            expect.setPixel(fx, fy, shown.pixel(fx, fy));
      if (frames::comparewindow(shown, expect).wrong == 0) return {at, want.size()};
    }
  return QRect();
}

// A nested desktop's window is found where its exact first frame shows on the screen.
bool Game::findframe(std::string* why) {
  // The desktop may show it before placing or decorating it: two pictures in a row must agree.
  const QImage first = expected::window(expected::firstfield());
  client_ = waitsettled([&] { return find(first); },
                        [&](const QRect& at) { return !at.isEmpty() || !running(); });
  if (!client_.isEmpty()) return true;
  // What the screen showed instead is kept beside the tests.
  const QString seen = QStringLiteral(POMURAN_BUILD_DIR "/e2e-unfound-%1.png").arg(pid());
  desktop_.shot(QRect(0, 0, kScreenW, kScreenH)).save(seen);
  // Where a log is all there is to read, it says whether the window showed with other play.
  const QRect other = find(first, true);
  const std::string play =
      other.isEmpty() ? "nowhere"
                      : describe(readfield(desktop_.shot(other).copy(ui::layout::kPlayfield)));
  *why = "the game's first frame did not show in " + std::to_string(int(kPatience)) + " s" +
         ending() + " (its window with other play: " + play + "), the screen is in " +
         seen.toStdString() + "; it wrote: " + errors().toStdString();
  return false;
}

QJsonObject Game::node() const {
  const Output tree = desktop_.sway({QStringLiteral("-t"), QStringLiteral("get_tree")});
  std::function<QJsonObject(const QJsonObject&)> find = [&](const QJsonObject& n) {
    if (n[QStringLiteral("pid")].toInteger() == pid()) return n;
    for (const char* kids : {"nodes", "floating_nodes"})
      for (const QJsonValue& k : n[QString::fromLatin1(kids)].toArray())
        if (QJsonObject found = find(k.toObject()); !found.isEmpty()) return found;
    return QJsonObject();
  };
  return find(QJsonDocument::fromJson(tree.out).object());
}

bool Game::findwayland(std::string* why) {
  const auto shown = [&] {
    const QJsonObject n = node();
    const bool drawn = n[QStringLiteral("window_rect")].toObject()[QStringLiteral("width")].toInt();
    return drawn ? n : QJsonObject();
  };
  QJsonObject n =
      waituntil(shown, [&](const QJsonObject& n) { return !n.isEmpty() || !running(); });
  if (n.isEmpty()) {
    *why = "the game's window did not show in sway's tree in " + std::to_string(int(kPatience)) +
           " s" + ending() + "; it wrote: " + errors().toStdString();
    return false;
  }
  window_ = QString::number(n[QStringLiteral("id")].toInteger());
  // sway centres a floating window, at half a pixel for an odd width, and reports whole pixels;
  // at a whole-pixel place the pointer lands on the pixel that a test aims at. sway has moved it
  // once the command returns.
  const QJsonObject centred = n[QStringLiteral("rect")].toObject();
  desktop_.sway({QStringLiteral("[con_id=%1]").arg(window_), QStringLiteral("move"),
                 QStringLiteral("absolute"), QStringLiteral("position"),
                 QString::number(centred[QStringLiteral("x")].toInt()),
                 QString::number(centred[QStringLiteral("y")].toInt())});
  n = node();
  const QJsonObject r = n[QStringLiteral("rect")].toObject();
  const QJsonObject w = n[QStringLiteral("window_rect")].toObject();
  client_ = QRect(r[QStringLiteral("x")].toInt() + w[QStringLiteral("x")].toInt(),
                  r[QStringLiteral("y")].toInt() + w[QStringLiteral("y")].toInt(),
                  w[QStringLiteral("width")].toInt(), w[QStringLiteral("height")].toInt());
  return true;
}

bool Game::findx11(std::string* why) {
  // Debian 12's xdotool ends a search with BadWindow when any window goes while it looks, as
  // windows do while programs start on a busy machine: the search is asked again, not waited in.
  const auto search = [&] {
    return desktop_.tool(
        QStringLiteral("xdotool"),
        {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--all"),
         QStringLiteral("--pid"), QString::number(pid())});
  };
  const Output found =
      waituntil(search, [&](const Output& o) { return !o.out.trimmed().isEmpty() || !running(); });
  window_ = QString::fromLatin1(found.out.split('\n').value(0).trimmed());
  if (window_.isEmpty()) {
    *why = "the game's window did not show in " + std::to_string(int(kPatience)) + " s" + ending() +
           " (xdotool: " + found.err.trimmed().toStdString() +
           "); it wrote: " + errors().toStdString();
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

QByteArray Game::errors() const {
  QFile written(errors_.fileName());
  return written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray();
}

std::string Game::ending() const {
  if (running()) return " (the program is still running)";
  return " (the program ended with status " + std::to_string(exitcode()) +
         (crashed() ? ", by a signal)" : ")");
}

QPoint Game::fieldpoint(int fx, int fy) const {
  return screenpoint(ui::layout::kPlayfield.x() + fx, ui::layout::kPlayfield.y() + fy);
}

QImage Game::field() const { return part(ui::layout::kPlayfield); }

int Game::startround(int fx, int fy) const {
  clickfield(fx, fy);
  // The pointer stays where it pressed; a compositor may draw it over the playfield, where it
  // hides no blue pixel of the ball.
  constexpr int kRest = game::kPaddleY - game::kBallH;
  const auto left = [](const QRect& b) { return !b.isEmpty() && b.y() < kRest - 10; };
  const QRect ball = waituntil([&] { return ballin(field()); }, left);
  return left(ball) ? ball.y() : -1;
}

std::optional<Seen> Game::waitfield(const std::function<bool(const Seen&)>& done,
                                    double seconds) const {
  return waituntil([&] { return readfield(field()); },
                   [&](const std::optional<Seen>& seen) { return seen && done(*seen); }, seconds,
                   0);
}

long Game::waitwindow(const QImage& want, double scale, std::string* first, double seconds) {
  // The window may show before its first paint reaches the screen.
  const frames::Result r = waituntil(
      [&] {
        return frames::comparewindow(desktop_.shot(QRect(client_.topLeft(), client_.size())), want,
                                     scale);
      },
      [](const frames::Result& r) { return r.wrong == 0; }, seconds, 0);
  *first = r.first;
  return r.wrong;
}

bool Game::waitexit(int ms) {
  if (process_.state() == QProcess::NotRunning) return true;
  return process_.waitForFinished(ms);
}

}  // namespace session
