#include "Fixture.h"
#include "support/Expected.h"

#include <gtest/gtest.h>

namespace {

using e2e::OnDesktop;

TEST_F(OnDesktop, TheWindowHasItsCaptionAndAClientAreaOf497By400) {
  E2E_START(g);
  const session::Output name = desktop().tool(
      QStringLiteral("xprop"), {QStringLiteral("-id"), g.window(), QStringLiteral("_NET_WM_NAME")});
  EXPECT_EQ(QString::fromUtf8(name.out.trimmed()),
            QStringLiteral("_NET_WM_NAME(UTF8_STRING) = \"ポムラン\""));
  EXPECT_EQ(g.client().size(), ui::layout::kClient);
  // The whole client area is on the screen, so that every picture of it is complete.
  EXPECT_TRUE(QRect(0, 0, 1024, 768).contains(g.client()))
      << g.client().x() << "," << g.client().y();
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
