#pragma once

#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QString>

#include <functional>
#include <optional>
#include <string>

#include "Desktop.h"
#include "render/Surface.h"

namespace e2e {

// The playfield well inside the client area, and the places of the sprites' rows.
constexpr QRect kField{8, 8, 480, 304};
constexpr int kPaddleY = 256;
constexpr int kBallRestY = 248;
constexpr int kBallOnPaddle = 16;  // ballx - paddlex while the ball rests on the paddle

// Where the paddle and the ball are in a picture of the playfield.
struct Seen {
  int paddlex = -1;
  int ballx = -1;
  int bally = -1;
  bool operator==(const Seen&) const = default;
};
std::string describe(const std::optional<Seen>& s);

// Reads a playfield picture: the ball by its blue pixels, the paddle by its red ones. Answers
// their places only when the picture is exactly a white field with those two sprites on it.
std::optional<Seen> readfield(const render::Surface& field);

// One run of the real program on the desktop, from start to exit.
class Game {
 public:
  explicit Game(const Desktop& desktop) : desktop_(desktop) {}
  // Ends the program if a test left it running.
  ~Game();

  // Starts the program and waits until its window shows; false with the reason otherwise.
  bool start(std::string* why);

  qint64 pid() const { return process_.processId(); }
  const QString& window() const { return window_; }
  // The client area in screen coordinates, as xwininfo gives it.
  QRect client() const { return client_; }
  bool running() const { return process_.state() == QProcess::Running; }
  // Whatever the program wrote to standard error so far.
  QByteArray errors();

  // A point of the client area, or of the playfield, in screen coordinates.
  QPoint screenpoint(int cx, int cy) const { return client_.topLeft() + QPoint(cx, cy); }
  QPoint fieldpoint(int fx, int fy) const { return screenpoint(kField.x() + fx, kField.y() + fy); }

  // Pictures of the client area, of a part of it and of the playfield alone.
  render::Surface whole() const { return desktop_.shot(client_); }
  render::Surface part(QRect r) const { return desktop_.shot(r.translated(client_.topLeft())); }
  render::Surface field() const { return part(kField); }

  // Moves the pointer to a point of the playfield and clicks there.
  void movetofield(int fx, int fy) const;
  void clickfield(int fx, int fy) const;

  // Reads the playfield until `done` holds for what it shows or `seconds` have passed; answers
  // the last reading either way.
  std::optional<Seen> waitfield(const std::function<bool(const Seen&)>& done,
                                double seconds = 5.0) const;

  // Waits for the program's end; false if it is still running after `ms`.
  bool waitexit(int ms);
  bool crashed() const { return process_.exitStatus() == QProcess::CrashExit; }
  int exitcode() const { return process_.exitCode(); }

 private:
  const Desktop& desktop_;
  QProcess process_;
  QString window_;
  QRect client_;
};

}  // namespace e2e
