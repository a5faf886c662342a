// Runs a program on a private desktop for scripts, with the same session code as the tests.
//
//   pomuran_session firstframe PROGRAM
//       exit 0 when the program's window shows the exact first frame; 1 otherwise, saying why
//   pomuran_session screenshot PROGRAM OUT.png
//       the window with the frame that the window manager draws, once the first frame shows
// A PROGRAM whose name ends in .exe runs under Wine, in a prefix of the session's own.

#include "support/Expected.h"
#include "support/Session.h"

#include <QGuiApplication>

#include <cstdio>
#include <string>

namespace {

int fail(const std::string& why) {
  std::fprintf(stderr, "pomuran_session: %s\n", why.c_str());
  return 1;
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
  if (command == QStringLiteral("screenshot")) {
    const session::Output o = desktop->tool(QStringLiteral("import"),
                                            {QStringLiteral("-frame"), QStringLiteral("-window"),
                                             game.window(), QStringLiteral("png:-")});
    const QImage shot = QImage::fromData(o.out, "PNG");
    if (shot.isNull() || !shot.save(args.value(2), "PNG")) return fail("no screenshot was taken");
  }
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
                     (args.value(0) == QStringLiteral("screenshot") && args.size() == 3);
  if (!known) {
    std::fputs(
        "usage: pomuran_session firstframe PROGRAM\n"
        "       pomuran_session screenshot PROGRAM OUT.png\n",
        stderr);
    return 2;
  }
  const int status = play(args);
  session::Desktop::stopshared();
  return status;
}
