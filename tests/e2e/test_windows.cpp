#include "Fixture.h"
#include "support/Expected.h"
#include "ui/qt/Layout.h"

#include <QCoreApplication>
#include <QFile>
#include <QFontMetrics>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

namespace {

using e2e::OnWine;

// The box around the pixels of `colour` in a picture; empty when there are none.
QRect ink(const QImage& s, QRgb colour) {
  QRect box;
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x)
      if (s.pixel(x, y) == colour) box |= QRect(x, y, 1, 1);
  return box;
}

// Sets the dots per inch of the Wine prefix, which Windows programs read as the screen's scale.
void setdpi(const session::Desktop& d, int dpi) {
  d.tool(QStringLiteral("wine"),
         {QStringLiteral("reg"), QStringLiteral("add"),
          QStringLiteral("HKCU\\Control Panel\\Desktop"), QStringLiteral("/v"),
          QStringLiteral("LogPixels"), QStringLiteral("/t"), QStringLiteral("REG_DWORD"),
          QStringLiteral("/d"), QString::number(dpi), QStringLiteral("/f")});
  d.tool(QStringLiteral("wineserver"), {QStringLiteral("-w")});
}

// A dark scheme in colours that no picture of the game holds; programs read it as they start.
constexpr std::pair<const char*, QRgb> kDark[] = {{"ButtonFace", 0xFF203040},
                                                  {"ButtonText", 0xFFF0E060},
                                                  {"Window", 0xFF101820},
                                                  {"WindowText", 0xFF60E0F0}};

TEST_F(OnWine, StartAndReturnBeginARoundValuesShowInTheirFaceControlsTakeTheSchemeAt192DpiBlocks) {
  const QImage want = expected::window(expected::firstfield());
  {
    // Wine keeps no name that a program gives its accessibility service, and says what it was
    // given: that is what a screen reader on Windows would hear.
    E2E_START(g, session::environment(QStringLiteral("WINEDEBUG=-all,fixme+oleacc")));
    std::string first;
    EXPECT_EQ(g.waitwindow(want, 1.0, &first), 0) << first;
    g.part({0, 0, 497, 400}).save(QCoreApplication::applicationDirPath() + "/e2e-wine.png");
    // What Wine gives a screen reader: the names of the window and of the controls that show,
    // from their texts; the boxes that the game keeps hidden are not there. The game sets up
    // the accessibility service only once a screen reader asks.
    const auto accessibility = [&] {
      QFile maps(QStringLiteral("/proc/%1/maps").arg(g.pid()));
      return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/oleacc.dll");
    };
    EXPECT_FALSE(accessibility()) << "oleacc is loaded before a screen reader asks";
    const session::Output names =
        desktop().tool(QStringLiteral("wine"), {QStringLiteral(POMURAN_READNAMES)});
    EXPECT_TRUE(accessibility()) << "a screen reader's request did not start the service";
    EXPECT_EQ(QString::fromUtf8(names.out).remove(u'\r').split(u'\n', Qt::SkipEmptyParts),
              QStringList(
                  {"ポムラン", "Playfield", "START", "LOW", "SPEED :", "00", "00000", "0000", "0"}))
        << names.err.toStdString();
    // The window's name goes to both of its objects: a reader meets its frame before its client.
    const QRegularExpression given(QStringLiteral(
        R"(SetHwndPropStr \(\w+ (\d+) 0 \{608d3df8-8128-4aa7-a428-f55e49267291\} L"Pomuran \()"));
    const auto named = [&] {
      QStringList objects;  // as Wine prints them: OBJID_WINDOW is 0, OBJID_CLIENT 4294967292
      for (auto m = given.globalMatch(QString::fromUtf8(g.errors())); m.hasNext();)
        objects << m.next().captured(1);
      objects.sort();
      return objects;
    };
    const QStringList both{"0", "4294967292"};
    const QStringList objects = session::waituntil(named, [&](auto o) { return o == both; });
    EXPECT_TRUE(objects == both) << "the window's name went to objects "
                                 << objects.join(' ').toStdString();
    // "00000" in bold IPA P Gothic at 19 pixels, in light orange, as Qt measures its ink.
    QFont face(QStringLiteral("IPAPGothic"));
    face.setBold(true);
    face.setPixelSize(19);
    const QRect shown = ink(g.part(ui::layout::kLblhiscore), ui::table::kValueText);
    EXPECT_NEAR(shown.width(),
                QFontMetrics(face).tightBoundingRect(QStringLiteral("00000")).width(), 1);
    // As a player's: onto the button, a press, and away only once the button has had it, which
    // Wine would otherwise take as a press that slid off.
    const QPoint start = ui::layout::kCommand1.center();
    desktop().click(g.screenpoint(start.x(), start.y()));
    const auto climbing = g.waitfield([](const auto& s) { return s.bally < e2e::kBallRestY - 10; });
    EXPECT_TRUE(climbing && climbing->bally < e2e::kBallRestY - 10) << session::describe(climbing);
    desktop().pointer({1023, 767});
  }
  {
    // Under a dark scheme the pictures keep their colours, "SPEED :" takes the button colours and
    // the list's field the window colours; START and the list's arrow follow Wine's theme.
    const QString key = QStringLiteral("HKCU\\Control Panel\\Colors");
    const QString saved = desktop().env().value(QStringLiteral("WINEPREFIX")) + "/colours.reg";
    const auto reg = [this](const QStringList& a) {
      desktop().tool("wine", QStringList{"reg"} + a);
    };
    reg({"export", key, saved, "/y"});
    const auto restore = [&](void*) { reg({"import", saved}); };
    const std::unique_ptr<void, decltype(restore)> scheme(this, restore);
    for (const auto& [name, c] : kDark)
      reg({"add", key, "/v", name, "/d",
           QString::asprintf("%d %d %d", qRed(c), qGreen(c), qBlue(c)), "/f"});
    E2E_START(g);
    std::string first;
    EXPECT_EQ(g.waitwindow(want, 1.0, &first), 0) << first;
    const auto colours = [&](QRect control) {  // the scheme's that it shows, by name
      const QImage shown = g.part(control);
      QStringList names;
      for (const auto& [name, rgb] : kDark)
        if (!ink(shown, rgb).isEmpty()) names << QLatin1String(name);
      return names.join(u' ').toStdString();
    };
    for (const auto& [what, control, wanted] :
         {std::tuple{"\"SPEED :\"", ui::layout::kLabel1, "ButtonFace ButtonText"},
          {"the speed list", ui::layout::kCombo1, "Window WindowText"}}) {
      const auto taken = [&](const std::string& seen) { return seen == wanted; };
      EXPECT_EQ(session::waituntil([&] { return colours(control); }, taken), wanted) << what;
    }
  }
  // The prefix is the desktop's, shared with the other cases: its scale goes back, pass or fail.
  setdpi(desktop(), 192);
  const std::unique_ptr<void, std::function<void(void*)>> back(
      this, [this](void*) { setdpi(desktop(), 96); });
  {
    E2E_START(g);
    EXPECT_EQ(g.client().size(), ui::layout::kClient * 2);
    std::string first;
    EXPECT_EQ(g.waitwindow(want, 2.0, &first), 0) << first;
    // START has the focus, and Return presses it: the ball leaves the spot where it rested.
    desktop().tool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Return")});
    const QRect rested(g.client().topLeft() + QPoint(228, 260) * 2, QSize(1, 1));
    const QRgb left = session::waituntil([&] { return desktop().shot(rested).pixel(0, 0); },
                                         [](QRgb p) { return p == 0xFFFFFFFF; });
    EXPECT_EQ(left, 0xFFFFFFFFu) << "Return started no round";
  }
}

// The console that started the program gets the answers; Windows' C library ends lines with CR LF.
TEST_F(OnWine, TheCommandLineIsAnsweredOnTheConsoleThatStartedTheProgram) {
  const auto run = [this](const QString& arg) {
    session::Output o = desktop().tool(QStringLiteral("wine"), {e2e::program(kind()), arg});
    o.out.replace("\r\n", "\n");
    o.err.replace("\r\n", "\n");
    return o;
  };
  const session::Output version = run(QStringLiteral("--version"));
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, QByteArray("pomuran " POMURAN_VERSION "\n"));
  const session::Output help = run(QStringLiteral("--help"));
  EXPECT_EQ(help.code, 0);
  EXPECT_TRUE(help.out.startsWith("Usage: pomuran")) << help.out.toStdString();
  const session::Output wrong = run(QStringLiteral("--bogus"));
  EXPECT_EQ(wrong.code, 2);
  EXPECT_TRUE(wrong.out.isEmpty());
  EXPECT_EQ(wrong.err.count('\n'), 1) << wrong.err.toStdString();
  EXPECT_TRUE(wrong.err.contains("unknown argument")) << wrong.err.toStdString();
}

}  // namespace
