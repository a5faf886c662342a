// Runs a program on a private desktop for scripts, with the same session code as the tests.
//
//   pomuran_session firstframe PROGRAM
//       exit 0 when the program's window shows the exact first frame; 1 otherwise, saying why
//   pomuran_session screenshot PROGRAM OUT.png
//       the window with the frame that the window manager draws, once the first frame shows
//   pomuran_session round PROGRAM DIR
//       that picture again and again, into DIR/NNN.png, from just before a click on START until
//       3.5 s after it, the pointer swinging the paddle; each file is printed with the moment
//       its picture was taken, in ms from the click: the middle of the time its taking took
// A PROGRAM whose name ends in .exe runs under Wine, in a prefix of the session's own.

#include "support/Expected.h"
#include "support/Session.h"
#include "ui/Table.h"

#include <QDir>
#include <QGuiApplication>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

int fail(const std::string& why) {
  std::fprintf(stderr, "pomuran_session: %s\n", why.c_str());
  return 1;
}

// The window with its frame, as the window manager draws it.
QImage photo(const session::Desktop& desktop, const session::Game& game) {
  return QImage::fromData(
      desktop
          .tool(QStringLiteral("import"), {QStringLiteral("-frame"), QStringLiteral("-window"),
                                           game.window(), QStringLiteral("png:-")})
          .out,
      "PNG");
}

// Pictures are taken one after another, as fast as the desktop gives them, none at a set time.
int round(const session::Desktop& desktop, const session::Game& game, const QDir& dir) {
  using session::Clock;
  const ui::table::Place& start1 = ui::table::kCommand1;
  Clock::time_point start;
  for (int i = 0; i == 0 || session::seconds(start, Clock::now()) < 3.5; ++i) {
    const double swing = std::sin(2 * M_PI * session::seconds(start, Clock::now()) / 3.5);
    if (i > 0) game.movetofield(200 + int(std::lround(130 * swing)), 200);
    const Clock::time_point before = Clock::now();
    const QImage shot = photo(desktop, game);
    const Clock::time_point taken = before + (Clock::now() - before) / 2;
    if (i == 0) {  // START, then off it over the bare panel, as a hand goes to the playfield
      desktop.click(game.screenpoint(start1.x + start1.w / 2, start1.y + start1.h / 2));
      desktop.pointer(game.screenpoint(start1.x - 20, start1.y - 8));
      start = Clock::now();
    }
    const QString name = QStringLiteral("%1.png").arg(i, 3, 10, QLatin1Char('0'));
    if (!shot.save(dir.filePath(name), "PNG")) return fail("a picture of the round was not taken");
    std::printf("%s %.0f\n", qPrintable(name), 1000 * session::seconds(start, taken));
  }
  return 0;
}

int play(const QStringList& args) {
  const QString& command = args.value(0);
  const QString& program = args.value(1);
  std::string why;
  bool toolsmissing = false;
  // A Windows program runs under Wine on the same kind of desktop.
  const session::Kind kind = program.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive)
                                 ? session::Kind::Wine
                                 : session::Kind::X11;
  session::Desktop* desktop = session::Desktop::shared(kind, &why, &toolsmissing);
  if (desktop == nullptr) return fail(why);
  session::Game game(*desktop);
  if (!game.start(program, &why)) return fail(why);
  std::string first;
  const long wrong = game.waitwindow(expected::window(expected::firstfield()), 1.0, &first);
  std::printf("firstframe: %ld pixels wrong%s%s\n", wrong, wrong ? "; the first: " : "",
              first.c_str());
  if (wrong != 0) return 1;
  if (command == QStringLiteral("round")) return round(*desktop, game, QDir(args.value(2)));
  if (command == QStringLiteral("screenshot") && !photo(*desktop, game).save(args.value(2), "PNG"))
    return fail("no screenshot was taken");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Helper processes are driven through the toolkit, which needs an application object but no
  // display of its own.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  const bool known = (args.value(0) == QStringLiteral("firstframe") && args.size() == 2) ||
                     (args.value(0) == QStringLiteral("screenshot") && args.size() == 3) ||
                     (args.value(0) == QStringLiteral("round") && args.size() == 3);
  if (!known) {
    std::fputs(
        "usage: pomuran_session firstframe PROGRAM\n"
        "       pomuran_session screenshot PROGRAM OUT.png\n"
        "       pomuran_session round PROGRAM DIR\n",
        stderr);
    return 2;
  }
  const int status = play(args);
  session::Desktop::stopshared();
  return status;
}
