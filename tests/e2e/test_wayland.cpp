#include "Fixture.h"
#include "support/Expected.h"

#include <QFile>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

using e2e::OnWayland;
using e2e::Seen;

// A Wayland session runs the game natively: a tiling compositor floats the fixed-size window,
// and the game looks and plays as it does on X11 until the compositor closes it.
TEST_F(OnWayland, TheGameFloatsAtItsSizeShowsItsFirstFramePlaysAndCloses) {
  E2E_START(g);
  const QJsonObject node = g.node();
  EXPECT_EQ(node[QStringLiteral("type")].toString(), QStringLiteral("floating_con"));
  EXPECT_EQ(node[QStringLiteral("app_id")].toString(), QStringLiteral(POMURAN_APP_ID));
  EXPECT_EQ(node[QStringLiteral("name")].toString(), QStringLiteral("ポムラン"));
  EXPECT_EQ(g.client().size(), ui::layout::kClient);
  // The window is drawn in memory and shown through shared memory: no EGL driver is loaded.
  QFile maps(QStringLiteral("/proc/%1/maps").arg(g.pid()));
  ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
  QByteArrayList egl = maps.readAll().split('\n');
  egl.removeIf([](const QByteArray& l) { return !l.contains("libEGL_") && !l.contains("-egl"); });
  EXPECT_TRUE(egl.isEmpty()) << "EGL is loaded: " << egl.join('\n').toStdString();
  std::string first;
  EXPECT_EQ(g.waitwindow(expected::window(expected::firstfield()), 1.0, &first), 0) << first;
  // The size the game has drawn its window at, as sway last took it from the game.
  const auto size = [&] {
    const QJsonObject w = g.node()[QStringLiteral("window_rect")].toObject();
    return QSize(w[QStringLiteral("width")].toInt(), w[QStringLiteral("height")].toInt());
  };
  // Full screen, which sway offers any window, is taken back at once. The game centres its
  // picture just where the window was, so the picture alone cannot tell that it is back.
  desktop().sway({QStringLiteral("[pid=%1]").arg(g.pid()), QStringLiteral("fullscreen"),
                  QStringLiteral("enable")});
  const auto mode = [&] { return g.node()[QStringLiteral("fullscreen_mode")].toInt(); };
  EXPECT_EQ(session::waituntil(mode, [](int m) { return m == 0; }), 0);
  const QSize floated = session::waituntil(size, [](QSize s) { return s == ui::layout::kClient; });
  EXPECT_TRUE(floated == ui::layout::kClient) << floated.width() << "x" << floated.height();
  EXPECT_EQ(g.waitwindow(expected::window(expected::firstfield()), 1.0, &first), 0) << first;

  // The pointer's first position in the window only enters it; the moves after it count. sway
  // draws the pointer into its pictures, so it leaves the window before each one.
  const QPoint away(1023, 767);
  for (int x : {100, 0, 479, 123}) {
    g.movetofield(300, 150);
    g.movetofield(x, 150);
    desktop().pointer(away);
    const int want = std::min(x, 440);
    const auto seen = g.waitfield([want](const Seen& s) { return s.paddlex == want; });
    EXPECT_TRUE(seen && seen->paddlex == want && seen->ballx == want + e2e::kBallOnPaddle)
        << "pointer at " << x << ": " << session::describe(seen);
  }
  e2e::expectlisttakesachoice(g, desktop(), away);
  // A size that cuts the picture off, at the bottom alone as mutter's under Qt 6.4, is asked back.
  desktop().sway({QStringLiteral("[pid=%1]").arg(g.pid()), QStringLiteral("resize"),
                  QStringLiteral("set"), QStringLiteral("497"), QStringLiteral("367")});
  const QSize back = session::waitsettled(size, [](QSize s) { return s == ui::layout::kClient; });
  EXPECT_TRUE(back == ui::layout::kClient) << "kept: " << back.width() << "x" << back.height();

  const auto close = [&] {
    desktop().sway({QStringLiteral("[pid=%1]").arg(g.pid()), QStringLiteral("kill")});
  };
  e2e::expectendsorderly(g, close, "the compositor's close");
}

}  // namespace
