#pragma once

#include "render/Surface.h"
#include "support/Wait.h"

#include <QByteArray>
#include <QImage>
#include <QJsonObject>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

// A private desktop for the real program: a display server with a window manager, a session
// bus of its own, the game started in it, its window found and photographed. Everything that a
// session starts carries kMarker in its environment and is stopped with the session, so that a
// test can prove that nothing outlived it. Each class has a file of its own (Desktop.cpp,
// Game.cpp, ScreenReader.cpp); Session.cpp holds how they start and stop programs.
namespace session {

// Every process of a session carries this variable, set to the build folder of the tests and
// the session's private folder.
constexpr const char* kMarker = "POMURAN_TEST_SESSION";

double seconds(Clock::time_point from, Clock::time_point to);

// Variables written as NAME=VALUE words, separated by spaces.
inline QProcessEnvironment environment(const QString& words) {
  QProcessEnvironment env;
  for (const QString& w : words.split(QLatin1Char(' '), Qt::SkipEmptyParts))
    env.insert(w.section(QLatin1Char('='), 0, 0), w.section(QLatin1Char('='), 1));
  return env;
}

// Continuous integration (CI=true), where a missing tool fails a test instead of skipping it.
bool inci();

// What a helper program did.
struct Output {
  bool finished = false;  // false when it ran past its time limit and was killed
  bool crashed = false;   // ended by a signal
  int code = -1;
  QByteArray out;
  QByteArray err;
};

// Collects how a started program ended; one that has not finished is killed first.
Output finish(QProcess& p, bool finished);

// Makes a process started later die with the test program, even when that is killed, and lead
// a process group of its own, which is stopped whole.
void ownprocess(QProcess& p);

// Stops a process and everything in its process group: politely first, then for good.
void stopgroup(QProcess& p);

// Starts a process of the session: its own process group, its output kept only if asked for.
void launch(QProcess& p, const QProcessEnvironment& env, const QStringList& command,
            bool output = false, const QString& log = QProcess::nullDevice());

// The programs of `tools` that cannot be found.
QStringList missing(const QStringList& tools);

// Every desktop's screen, in pixels.
constexpr int kScreenW = 1024;
constexpr int kScreenH = 768;

// Xvfb (1024x768x24) with openbox or i3, headless sway, or GNOME's mutter, KDE's kwin, weston or
// the kiosk cage nested in Xvfb; or Xvfb with openbox and a Wine prefix of its own, for the
// Windows program.
enum class Kind { X11, Wayland, Gnome, Kde, Weston, Cage, I3, Wine };
inline void PrintTo(Kind kind, std::ostream* os) {
  constexpr const char* kNames[] = {"x11",    "wayland", "gnome", "kde",
                                    "weston", "cage",    "i3",    "wine"};
  *os << kNames[static_cast<int>(kind)];
}

class Desktop {
 public:
  // The running desktop of that kind, started once for the whole test program; null with the
  // reason in `why` otherwise. `toolsmissing` tells whether the only reason is a missing program.
  static Desktop* shared(Kind kind, std::string* why, bool* toolsmissing);
  static void stopshared();
  ~Desktop();

  Kind kind() const { return kind_; }
  bool x11() const { return kind_ == Kind::X11 || kind_ == Kind::I3 || kind_ == Kind::Wine; }
  // This machine's environment aimed at the private display and bus, and nothing else.
  QProcessEnvironment env() const { return env_; }
  // What the game gets: a nested desktop's Wayland and X displays instead of the Xvfb.
  QProcessEnvironment gameenv() const { return gameenv_.isEmpty() ? env_ : gameenv_; }

  // Runs a program on this desktop.
  Output tool(const QString& program, const QStringList& args, const QByteArray& input = {},
              int timeoutms = 15000) const;
  // Moves the pointer to a point of the screen; presses and releases the first button there.
  void pointer(QPoint at) const;
  void click(QPoint at) const;
  // Waits until the desktop has taken the input sent so far, with the pointer at `at` or a
  // pixel beside it, so that a later move cannot take it elsewhere.
  void taken(QPoint at) const;
  // The screen's pixels inside `area`, read back from the server; null when that failed.
  QImage shot(QRect area) const;
  Output sway(const QStringList& args) const;  // a command to the Wayland compositor

 private:
  explicit Desktop(Kind kind) : kind_(kind) {}
  bool start(std::string* why);
  bool startbus(std::string* why);
  bool startxvfb(std::string* why);
  bool startx11(std::string* why);
  bool startwayland(std::string* why);
  bool startnested(std::string* why);
  bool startwine(std::string* why);
  void stopwine();
  QStringList unprivileged(const QStringList& command) const;
  bool handover(std::string* why);  // the session's folder to the unprivileged user

  Kind kind_;
  // In the build folder, where the leftovers test looks for anything a session did not remove.
  static QString folder();
  QTemporaryDir home_{folder()};
  QProcess bus_;
  QProcess server_;
  QProcess wm_;
  mutable QPoint pointed_{-1, -1};       // where the pointer was last moved to
  int vnc_ = -1;                         // a viewer's connection to wayvnc, which keeps its pointer
  std::unique_ptr<QTemporaryDir> wine_;  // the Wine prefix and its home, in the build folder
  QProcessEnvironment env_;
  QProcessEnvironment gameenv_;
};

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
std::optional<Seen> readfield(const QImage& field);

// Orca on a desktop, speaking through speech-dispatcher and espeak-ng into libao's null driver;
// what it says is read from its debug log. The speech servers it starts are stopped with it.
class ScreenReader {
 public:
  explicit ScreenReader(const Desktop& desktop) : desktop_(desktop) {}
  ~ScreenReader();
  // Starts Orca and waits until it has spoken; `toolsmissing` as for Desktop::shared.
  bool start(std::string* why, bool* toolsmissing);
  // Everything said so far, one utterance an entry.
  QStringList spoken() const;
  // Waits until what was said after the first `from` utterances, joined by " | ", matches
  // `heard`; answers the index of the utterance where the match begins, or -1.
  int waitfor(const QRegularExpression& heard, qsizetype from, double seconds = kPatience) const;
  int waitfor(const QString& text, qsizetype from) const {
    return waitfor(QRegularExpression(QRegularExpression::escape(text)), from);
  }
  // Waits until Orca has said nothing new for a while; answers how many utterances there are.
  int quiet() const;

 private:
  const Desktop& desktop_;
  QProcess orca_;
  QString log_;
};

// One run of a program on a desktop, from start to exit.
class Game {
 public:
  explicit Game(const Desktop& desktop);
  ~Game();  // ends the program if it is still running

  // Starts the program with extra environment variables and waits until its window shows;
  // false with the reason otherwise.
  bool start(const QString& program, std::string* why,
             const QProcessEnvironment& extra = QProcessEnvironment(),
             const QStringList& args = {});

  qint64 pid() const { return process_.processId(); }
  const QString& window() const { return window_; }
  // The client area in screen coordinates, as it was when the window showed and as it is now.
  QRect client() const { return client_; }
  void moved(QRect to) { client_ = to; }  // where a test found the client area since
  QRect geometry() const;
  bool running() const { return process_.state() == QProcess::Running; }
  // Whatever the program wrote to standard error so far.
  QByteArray errors() const;

  // A point of the client area, or of the playfield, in screen coordinates.
  QPoint screenpoint(int cx, int cy) const { return client_.topLeft() + QPoint(cx, cy); }
  QPoint fieldpoint(int fx, int fy) const;

  // Pictures of a part of the client area and of the playfield.
  QImage part(QRect r) const { return desktop_.shot(r.translated(client_.topLeft())); }
  QImage field() const;

  void movetofield(int fx, int fy) const { desktop_.pointer(fieldpoint(fx, fy)); }
  void clickfield(int fx, int fy) const { desktop_.click(fieldpoint(fx, fy)); }
  // Clicks the playfield and waits until the ball has climbed a few steps; answers its top
  // edge, or -1.
  int startround(int fx, int fy) const;

  // Reads the playfield until `done` holds for what it shows or `seconds` have passed; answers
  // the last reading either way.
  std::optional<Seen> waitfield(const std::function<bool(const Seen&)>& done,
                                double seconds = kPatience) const;
  // Waits until the whole client area is `want` wherever `want` fixes it (as the frame
  // comparer sees it); answers how many pixels still differ, and the first of them.
  long waitwindow(const QImage& want, double scale, std::string* first, double seconds = kPatience);

  // The window's node in the Wayland compositor's tree; empty on X11 or when there is none.
  QJsonObject node() const;
  // Where `want` shows on the screen, to the pixel; empty when it shows nowhere.
  // With `anyplay`, the playfield may show the paddle and the ball anywhere.
  QRect find(const QImage& want, bool anyplay = false) const;

  // Waits for the program's end; false if it is still running after `ms`.
  bool waitexit(int ms);
  bool crashed() const { return process_.exitStatus() == QProcess::CrashExit; }
  int exitcode() const { return process_.exitCode(); }

 private:
  bool findx11(std::string* why);
  bool findwayland(std::string* why);
  bool findframe(std::string* why);
  std::string ending() const;  // whether the program still runs, or how it ended

  const Desktop& desktop_;
  QProcess process_;
  // The program's standard error, in a file: a pipe that no event loop empties would stop a
  // program that writes much.
  QTemporaryFile errors_;
  QString window_;
  QRect client_;
};

}  // namespace session
