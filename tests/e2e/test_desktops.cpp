#include "Fixture.h"
#include "support/Expected.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <csignal>

#include <gtest/gtest.h>

namespace {

// The game on a desktop as Debian ships it. Points of the title bar are from the client area's
// top-left corner, or top-right one when x is negative: its close button, and where each way to
// ask for a maximise is done ("X Y" and xdotool's words, "double" for a double-click). `bar` is
// the title bar's colour at (100, -10), beside the caption.
struct Row {
  const char *name, *maximise;
  session::Kind kind;
  QPoint close;
  QRgb bar;
  const char* env = "";  // the game's environment, as NAME=VALUE words
};

using enum session::Kind;
// kwin draws Breeze with minimise and close, 5.27 and 6.3 alike.
const Row kKde = {"kde", "150 -19 double|150 -19 key super+Prior", Kde, {-19, -19}, 0xFFEFF0F1};
// Qt's plain title bar, if asked for: its maximise works until the window undoes it. Its
// double-click only begins a move; mutter 43, slow, ends that late as a maximise at a later click.
constexpr const char* kPlain = "-36 -14 click 1|150 -14 double";
constexpr const char* kPlain43 = "-36 -14 click 1";
constexpr const char* kBradient = "QT_QPA_PLATFORM=wayland QT_WAYLAND_DECORATION=bradient";
// Debian 12, Qt 6.4 and mutter 43: the game picks X11, framed by mutter, with close only.
const Row kDebian12[] = {
    {"gnome", "150 -20 double|-50 -20 click 1|150 -20 key super+Up", Gnome, {-19, -20}, 0xFFDCD8D4},
    {"gnome_qt", kPlain43, Gnome, {-14, -14}, 0xFFEFEFEF, "QT_QPA_PLATFORM=wayland"},
    kKde};
// Debian 13, Qt 6.8 and mutter 48: Qt's GNOME-style bar, natively, with the portal's layout
// (close only); a double-click on it asks for a maximise.
const Row kDebian13[] = {
    {"gnome", "150 -19 double|-60 -19 click 1|150 -19 key super+Up", Gnome, {-23, -19}, 0xFFFFFFFF},
    {"gnome_qt", kPlain, Gnome, {-14, -14}, 0xFFEFEFEF, kBradient},
    kKde};
constexpr bool kQt68 = QT_VERSION >= QT_VERSION_CHECK(6, 8, 0);

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

class OnNested : public e2e::OnDesktop, public ::testing::WithParamInterface<Row> {
 protected:
  session::Kind kind() const override { return GetParam().kind; }
};

QPoint onbar(const session::Game& g, QPoint at) {
  return at.x() < 0 ? g.client().topRight() + QPoint(at.x() + 1, at.y())
                    : g.screenpoint(at.x(), at.y());
}

TEST_P(OnNested, TheWindowIsFramedByTheDesktopCannotBeMaximisedPlaysAndCloses) {
  const Row& row = GetParam();
  E2E_START(g, session::environment(QString::fromLatin1(row.env)));
  const QPoint away(1023, 767);
  const QImage first = expected::window(expected::firstfield());
  const QString dir = QCoreApplication::applicationDirPath();
  desktop().shot({0, 0, 1024, 768}).save(QStringLiteral("%1/e2e-%2.png").arg(dir, row.name));
  EXPECT_EQ(g.client().size(), ui::layout::kClient);
  EXPECT_EQ(desktop().shot(QRect(onbar(g, {100, -10}), QSize(1, 1))).pixel(0, 0), row.bar);

  for (const QString& ask : QString::fromLatin1(row.maximise).split(QLatin1Char('|'))) {
    SCOPED_TRACE(ask.toStdString());
    const QStringList w = ask.split(QLatin1Char(' '));
    desktop().pointer(onbar(g, {w[0].toInt(), w[1].toInt()}));
    const QStringList twice = {QStringLiteral("click"), QStringLiteral("--repeat"),
                               QStringLiteral("2"), QStringLiteral("1")};
    desktop().tool(QStringLiteral("xdotool"), w[2] == QLatin1String("double") ? twice : w.mid(2));
    desktop().taken(onbar(g, {w[0].toInt(), w[1].toInt()}));
    desktop().pointer(away);
    // The desktop may grant the ask at first; the window then comes back where it was. Its
    // playfield may have had the pointer meanwhile.
    const QRect at = session::waitsettled([&] { return g.find(first, true); },
                                          [&](const QRect& r) { return r == g.client(); });
    EXPECT_EQ(at, g.client());
  }

  // From outside straight onto the playfield: the entry alone moves the paddle; then moves.
  for (auto [from, x] : {std::pair{-1, 123}, {300, 100}, {300, 479}}) {
    if (from >= 0) g.movetofield(from, 150);
    g.movetofield(x, 150);
    desktop().pointer(away);
    const int want = std::min(x, 440);
    const auto seen = g.waitfield([want](const auto& s) { return s.paddlex == want; });
    EXPECT_TRUE(seen && seen->paddlex == want) << x << ": " << session::describe(seen);
  }
  e2e::expectlisttakesachoice(g, desktop(), away);

  const auto close = [&] { desktop().click(onbar(g, row.close)); };
  e2e::expectendsorderly(g, close, "the title bar's close");
}

INSTANTIATE_TEST_SUITE_P(Desktops, OnNested,
                         kQt68 ? ::testing::ValuesIn(kDebian13) : ::testing::ValuesIn(kDebian12),
                         [](const auto& info) { return std::string(info.param.name); });

// Desktops that give the window another size: weston maximises it, the kiosk cage does so by
// itself, i3 honours an outside resize and full-screen requests. `asks` are commands run on the
// desktop once the game has the focus; the game is closed by `close`, or else by SIGTERM.
struct Given {
  const char *name, *asks, *close;
  session::Kind kind;
};
constexpr const char* kI3Asks =
    "wmctrl -r ポムラン -b add,fullscreen|wmctrl -r ポムラン -b add,fullscreen|wmctrl -r ポムラン "
    "-e 0,-1,-1,800,600";
const Given kGiven[] = {{"weston", "xdotool key super+shift+m", nullptr, Weston},
                        {"cage", "", nullptr, Cage},
                        {"i3", kI3Asks, "wmctrl -c ポムラン", I3}};

void PrintTo(const Given& row, std::ostream* os) { *os << row.name; }

class OnGiven : public e2e::OnDesktop, public ::testing::WithParamInterface<Given> {
 protected:
  session::Kind kind() const override { return GetParam().kind; }
};

long cputicks(qint64 pid) {
  QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
  const QList<QByteArray> w = stat.open(QIODevice::ReadOnly)
                                  ? stat.readAll().split(')').last().split(' ')
                                  : QList<QByteArray>();
  return w.size() > 13 ? w[12].toLong() + w[13].toLong() : -1;  // utime and stime
}

TEST_P(OnGiven, AnotherSizeIsAskedBackOnceOrTheGamePlaysCentredInItAtRest) {
  E2E_START(g);
  const auto run = [&](const QString& words) {
    desktop().tool(words.section(u' ', 0, 0), words.section(u' ', 1).split(u' '));
  };
  const QImage first = expected::window(expected::firstfield());
  // Compositors nested in X draw the pointer themselves: it waits beside the client area while
  // the window is looked for, whole and still, after each ask.
  const QPoint aside(1, 40);
  const auto shown = [&] {
    desktop().pointer(aside);
    return session::waitsettled([&] { return g.find(first, true); },
                                [](const QRect& r) { return !r.isEmpty(); });
  };
  desktop().click(g.screenpoint(20, 380));  // the panel, for the focus
  desktop().pointer(aside);
  for (const QString& ask : QString::fromUtf8(GetParam().asks).split(u'|', Qt::SkipEmptyParts)) {
    run(ask);
    shown();
  }
  const QRect at = shown();
  desktop()
      .shot({0, 0, 1024, 768})
      .save(QCoreApplication::applicationDirPath() + "/e2e-" + GetParam().name + ".png");
  ASSERT_FALSE(at.isEmpty()) << "the client area shows nowhere whole and exact";
  g.moved(at);
  // Centred: the same colour left and right, and the panel grey above and below or neither.
  const auto px = [&](int x, int y) { return desktop().shot({x, y, 1, 1}).pixel(0, 0); };
  EXPECT_EQ(px(at.left() - 1, at.top()), px(at.right() + 1, at.top()));
  EXPECT_EQ(px(at.left(), at.top() - 1) == 0xFFC6C3C6,
            px(at.left(), at.bottom() + 1) == 0xFFC6C3C6);
  const long before = cputicks(g.pid());
  QThread::sleep(2);
  const double share = (cputicks(g.pid()) - before) / 2.0 / double(sysconf(_SC_CLK_TCK));
  std::cout << GetParam().name << ": " << at.width() << "x" << at.height() << " at " << at.x()
            << "," << at.y() << "; processor at rest " << share * 100 << " % of a core\n";
  EXPECT_LT(share, 0.2);
  g.movetofield(300, 150);
  desktop().pointer(aside);
  const auto seen = g.waitfield([](const auto& s) { return s.paddlex == 300; });
  EXPECT_TRUE(seen && seen->paddlex == 300) << session::describe(seen);
  e2e::expectlisttakesachoice(g, desktop(), aside);
  const char* close = GetParam().close;
  e2e::expectendsorderly(
      g, [&] { close ? run(QString::fromUtf8(close)) : void(::kill(pid_t(g.pid()), SIGTERM)); },
      "closing");
}

INSTANTIATE_TEST_SUITE_P(Desktops, OnGiven, ::testing::ValuesIn(kGiven),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
