#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "render/Surface.h"

namespace e2e {

using Clock = std::chrono::steady_clock;

// Seconds between two moments, for figures and deadlines.
double seconds(Clock::time_point from, Clock::time_point to);

// Continuous integration sets CI=true; there a missing tool fails the test instead of skipping.
bool inci();

// What a helper program did.
struct Output {
  bool finished = false;  // false when it ran past its time limit and was killed
  bool crashed = false;   // ended by a signal
  int code = -1;
  QByteArray out;
  QByteArray err;
};

// Runs a program to its end with the given environment and standard input.
Output run(const QString& program, const QStringList& args, const QProcessEnvironment& env,
           const QByteArray& input = {}, int timeoutms = 15000);

// Collects how a started program ended; one that has not finished is killed first.
Output finish(QProcess& p, bool finished);

// Makes a process started later end with the test program, even when that is killed, so that
// no server or game outlives a run.
void diewithparent(QProcess& p);

// The names among `tools` that are not on the PATH.
QStringList missing(const QStringList& tools);

// Reads a binary PPM image (P6, 8 bits a channel) into a surface; empty when it is not one.
render::Surface readppm(const QByteArray& data);

// A private X display of 1024x768x24 on Xvfb with openbox managing its windows, started once
// for the whole test program and stopped when it ends.
class Desktop {
 public:
  // The running desktop, or null with the reason in `why`. `toolsmissing` tells whether the
  // reason is only that some program is not installed.
  static Desktop* shared(std::string* why, bool* toolsmissing);
  // Stops the shared desktop, if it was started.
  static void stopshared();

  ~Desktop();

  // This machine's environment aimed at the private display and nothing else.
  QProcessEnvironment env() const { return env_; }
  const QString& display() const { return display_; }

  // Runs one of the X tools on this display.
  Output tool(const QString& program, const QStringList& args, const QByteArray& input = {},
              int timeoutms = 15000) const;
  // Sends an xdotool command line, one command a line, in a single run.
  Output xdotool(const QByteArray& script) const;
  // The screen's pixels inside `area`, read back from the X server.
  render::Surface shot(QRect area) const;

 private:
  Desktop() = default;
  bool start(std::string* why);

  QTemporaryDir home_;
  QProcess xvfb_;
  QProcess wm_;
  QString display_;
  QProcessEnvironment env_;
};

}  // namespace e2e
