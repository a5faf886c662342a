#include "Fixture.h"
#include "support/Compare.h"
#include "support/Expected.h"

#include <QFile>

#include <gtest/gtest.h>

#include <iostream>
#include <utility>

namespace {

using e2e::OnDesktop;
using e2e::OnX11;

TEST_F(OnDesktop, TheWindowHasItsCaptionAndAClientAreaOf497By400) {
  E2E_START(g);
  // The desktop entry's StartupWMClass names the window's class, "pomuran".
  const session::Output name = desktop().tool(
      QStringLiteral("xprop"), {QStringLiteral("-id"), g.window(), QStringLiteral("_NET_WM_NAME"),
                                QStringLiteral("WM_CLASS")});
  EXPECT_EQ(QString::fromUtf8(name.out.trimmed()),
            QStringLiteral("_NET_WM_NAME(UTF8_STRING) = \"ポムラン\"\n"
                           "WM_CLASS(STRING) = \"pomuran\", \"pomuran\""));
  EXPECT_EQ(g.client().size(), ui::layout::kClient);
  // The whole client area is on the screen, so that every picture of it is complete.
  EXPECT_TRUE(QRect(0, 0, 1024, 768).contains(g.client()))
      << g.client().x() << "," << g.client().y();
  e2e::expectlisttakesachoice(g, desktop(), {1023, 767});
}

// Window managers offer no maximise or resize for a window whose least and greatest sizes are
// one, and what they are asked to do anyway leaves its client area as it was.
TEST_P(OnX11, TheWindowKeepsItsFixedSizeWhateverTheWindowManagerIsAsked) {
  E2E_START(g);
  const session::Output hints =
      desktop().tool(QStringLiteral("xprop"),
                     {QStringLiteral("-id"), g.window(), QStringLiteral("WM_NORMAL_HINTS")});
  EXPECT_TRUE(hints.out.contains("minimum size: 497 by 400")) << hints.out.toStdString();
  EXPECT_TRUE(hints.out.contains("maximum size: 497 by 400")) << hints.out.toStdString();
  const session::Output allowed = desktop().tool(
      QStringLiteral("xprop"),
      {QStringLiteral("-id"), g.window(), QStringLiteral("_NET_WM_ALLOWED_ACTIONS")});
  EXPECT_TRUE(allowed.out.contains("_NET_WM_ACTION_CLOSE")) << allowed.out.toStdString();
  EXPECT_FALSE(allowed.out.contains("MAXIMIZE") || allowed.out.contains("RESIZE"))
      << allowed.out.toStdString();
  const char* asks[] = {"xdotool windowsize %1 900 700",
                        "wmctrl -i -r %1 -b add,maximized_vert,maximized_horz",
                        "wmctrl -i -r %1 -b add,fullscreen", "xdotool windowsize %1 200 100"};
  for (const char* const& words : asks) {
    const QStringList ask = QString::fromLatin1(words).arg(g.window()).split(' ');
    SCOPED_TRACE(ask.join(' ').toStdString());
    const session::Output o = desktop().tool(ask.front(), ask.mid(1));
    EXPECT_EQ(o.code, 0) << o.err.toStdString();
    // Wine tells a Windows program nothing of a full-screen state that another client asks the
    // window manager for, so the mark stays from then on; the size holds all the same.
    const bool unseen = GetParam() == session::Kind::Wine && &words >= &asks[2];
    const auto look = [&] {
      return std::pair(g.geometry().size(),
                       desktop()
                           .tool(QStringLiteral("xprop"), {QStringLiteral("-id"), g.window(),
                                                           QStringLiteral("_NET_WM_STATE")})
                           .out);
    };
    // The window manager may grant the ask at first; the window then asks its size back.
    const auto kept = [&](const std::pair<QSize, QByteArray>& seen) {
      return seen.first == ui::layout::kClient && !seen.second.contains("STATE_MAXIMIZED") &&
             (!seen.second.contains("STATE_FULLSCREEN") || unseen);
    };
    const auto seen = session::waitsettled(look, kept);
    EXPECT_TRUE(kept(seen)) << seen.first.width() << "x" << seen.first.height() << ", "
                            << seen.second.toStdString();
  }
  // The window may have been moved, but it shows the whole of its first frame.
  const frames::Result r =
      frames::comparewindow(desktop().shot(g.geometry()), expected::window(expected::firstfield()));
  EXPECT_EQ(r.wrong, 0) << r.first;
}

// Every pixel of the client area but the text of the controls: the background picture's panel
// and wells, and the playfield with the ball resting on the paddle.
TEST_F(OnDesktop, TheFirstFrameIsExactAtScaleOneAndCrispAtScaleOneAndAHalf) {
  const QImage want = expected::window(expected::firstfield());
  for (double scale : {1.0, 1.5}) {
    SCOPED_TRACE(scale);
    QProcessEnvironment env;
    if (scale != 1.0) env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale));
    E2E_START(g, env);
    EXPECT_EQ(g.client().size(), ui::layout::kClient * scale);
    std::string first;
    EXPECT_EQ(g.waitwindow(want, scale, &first), 0) << first;
  }
}

}  // namespace

namespace {

// What a screen reader finds, over a real accessibility bus: the game asks the desktop's session
// bus for it, which starts the bus launcher as a desktop does, and atspi_check.py reads it.
TEST_F(OnDesktop, AScreenReaderFindsTheWindowTheSpeedAndTheStatusValues) {
  const QString launcher = QStringLiteral("/usr/libexec/at-spi-bus-launcher");
  const QString python = QStringLiteral("/usr/bin/python3");  // the system's, with pyatspi
  const session::Output pyatspi =
      desktop().tool(python, {QStringLiteral("-c"), QStringLiteral("import pyatspi")});
  if (!QFile::exists(launcher) || pyatspi.code != 0) {
    const char* why =
        "needs at-spi-bus-launcher and pyatspi (Debian: at-spi2-core python3-pyatspi)";
    if (!session::inci()) GTEST_SKIP() << why;
    FAIL() << why;
  }
  QProcessEnvironment on;
  on.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
  E2E_START(g, on);
  const session::Output o = desktop().tool(
      python, {QStringLiteral(POMURAN_TESTS_DIR "/e2e/atspi_check.py"), QString::number(g.pid())},
      {}, 60000);
  std::cout << o.out.toStdString();
  EXPECT_EQ(o.code, 0) << o.err.toStdString();
}

}  // namespace
