// Runs a program on a private desktop for scripts, with the same session code as the tests.
//
//   pomuran_session firstframe PROGRAM
//       exit 0 when the program's window shows the exact first frame; 1 otherwise, saying why
//   pomuran_session screenshot PROGRAM OUT.png
//       the window with the frame that the window manager draws, once the first frame shows
//   pomuran_session round PROGRAM DIR
//       such pictures into DIR from a click on START for 3.5 s, printed with when each was taken
//   pomuran_session compare SHOT.png [SCALE]
//       exit 0 when SHOT, a picture of the client area taken elsewhere (by a browser), shows the
//       exact first frame at SCALE device pixels to a pixel (1 by default) and, at scale 1, the
//       status values in their face; 1 otherwise, saying why
// A PROGRAM whose name ends in .exe runs under Wine, in a prefix of the session's own.

#include "support/Compare.h"
#include "support/Expected.h"
#include "support/Session.h"
#include "ui/Table.h"

#include <QFontMetrics>
#include <QGuiApplication>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

namespace {

int fail(const std::string& why) {
  std::fprintf(stderr, "pomuran_session: %s\n", why.c_str());
  return 1;
}

// The window with the frame that the window manager draws, as a PNG file.
bool shoot(const session::Desktop& desktop, const session::Game& game, const QString& file) {
  const session::Output o =
      desktop.tool(QStringLiteral("import"), {QStringLiteral("-frame"), QStringLiteral("-window"),
                                              game.window(), QStringLiteral("png:-")});
  return QImage::fromData(o.out, "PNG").save(file, "PNG");
}

// Pictures follow one another as fast as the desktop gives them, each stamped with the middle of
// its taking in ms from the click. The pointer leaves START over the bare panel, as a hand does.
int round(const session::Desktop& desktop, const session::Game& game, const QString& dir) {
  using session::Clock;
  const ui::table::Place& b = ui::table::kCommand1;
  Clock::time_point start = Clock::now();
  for (int i = 0; i == 0 || session::seconds(start, Clock::now()) < 3.5; ++i) {
    const double swing = std::sin(2 * M_PI * session::seconds(start, Clock::now()) / 3.5);
    if (i > 0) game.movetofield(200 + int(std::lround(130 * swing)), 200);
    const Clock::time_point before = Clock::now();
    if (!shoot(desktop, game, dir + QStringLiteral("/%1.png").arg(i, 3, 10, QLatin1Char('0'))))
      return fail("a picture of the round was not taken");
    const Clock::time_point taken = before + (Clock::now() - before) / 2;
    if (i == 0) desktop.click(game.screenpoint(b.x + b.w / 2, b.y + b.h / 2));
    if (i == 0) desktop.pointer(game.screenpoint(b.x - 20, b.y - 8));
    if (i == 0) start = Clock::now();
    std::printf("%03d.png %.0f\n", i, 1000 * session::seconds(start, taken));
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
  if (command == QStringLiteral("round")) return round(*desktop, game, args.value(2));
  if (command == QStringLiteral("screenshot") && !shoot(*desktop, game, args.value(2)))
    return fail("no screenshot was taken");
  return 0;
}

// The box around the ink of `colour` on black in a picture: every pixel that the text covers at
// least half, as the page fits its labels; engines smooth glyph edges differently, and Firefox
// leaves fewer pixels in the full colour than Chromium does. Empty when there are none.
QRect ink(const QImage& s, QRgb colour) {
  QRect box;
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) {
      const QRgb p = s.pixel(x, y);
      if (2 * qRed(p) >= qRed(colour) && 2 * qGreen(p) >= qGreen(colour) &&
          2 * qBlue(p) >= qBlue(colour))
        box |= QRect(x, y, 1, 1);
    }
  return box;
}

// Each status value's ink, as wide and as tall as the text's in bold IPA P Gothic at 19 pixels,
// as the toolkit measures it.
bool valuesink(const QImage& shot) {
  namespace l = ui::layout;
  QFont face(QStringLiteral("IPAPGothic"));
  face.setBold(true);
  face.setPixelSize(19);
  bool ok = true;
  for (const auto& [box, value] : {std::pair{l::kLblball, ui::table::kBallValue},
                                   {l::kLblscore, ui::table::kScoreValue},
                                   {l::kLblhiscore, ui::table::kHiscoreValue},
                                   {l::kLblstage, ui::table::kStageValue}}) {
    const QSize shown = ink(shot.copy(box), l::kValueText).size();
    const QSize want = QFontMetrics(face).tightBoundingRect(l::qstring(value.text)).size();
    std::printf("ink of %s: %d x %d pixels, %d x %d in the face\n", value.word.data(),
                shown.width(), shown.height(), want.width(), want.height());
    ok &= std::abs(shown.width() - want.width()) <= 1 &&
          std::abs(shown.height() - want.height()) <= 1;
  }
  return ok;
}

int compare(const QStringList& args) {
  const QImage shot(args.value(1));
  const double scale = args.size() > 2 ? args.value(2).toDouble() : 1.0;
  if (shot.isNull() || scale < 1.0) return fail("no picture in " + args.value(1).toStdString());
  const QImage want = expected::window(expected::firstfield());
  const frames::Result r =
      frames::comparewindow(shot.convertToFormat(QImage::Format_RGB32), want, scale);
  std::printf("firstframe: %ld of %ld pixels wrong%s%s\n", r.wrong, r.checked,
              r.wrong ? "; the first: " : "", r.first.c_str());
  const bool inked = scale != 1.0 || valuesink(shot.convertToFormat(QImage::Format_RGB32));
  return r.wrong == 0 && inked ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  // Helper processes are driven through the toolkit, which needs an application object but no
  // display of its own.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  if (args.value(0) == QStringLiteral("compare") && (args.size() == 2 || args.size() == 3))
    return compare(args);
  const bool known = (args.value(0) == QStringLiteral("firstframe") && args.size() == 2) ||
                     (args.value(0) == QStringLiteral("screenshot") && args.size() == 3) ||
                     (args.value(0) == QStringLiteral("round") && args.size() == 3);
  if (!known) {
    std::fputs(
        "usage: pomuran_session firstframe PROGRAM\n"
        "       pomuran_session screenshot PROGRAM OUT.png\n"
        "       pomuran_session round PROGRAM DIR\n"
        "       pomuran_session compare SHOT.png [SCALE]\n",
        stderr);
    return 2;
  }
  const int status = play(args);
  session::Desktop::stopshared();
  return status;
}
