#include <gtest/gtest.h>

#include <sstream>

#include "Fixture.h"
#include "ui/Started.h"

namespace {

using e2e::Clock;
using e2e::OnDesktop;
using render::Rgb;

constexpr Rgb kBlack = render::rgb(0x000000);
constexpr Rgb kWhite = render::rgb(0xFFFFFF);
constexpr Rgb kPanel = render::rgb(0xC6C3C6);

// How many pixels of `got` differ from `want`, with the first one spelt out in `first`.
int mismatches(const render::Surface& got, const render::Surface& want, std::string* first) {
  if (got.width() != want.width() || got.height() != want.height()) {
    *first = "the picture has the wrong size";
    return want.width() * want.height();
  }
  int n = 0;
  for (int y = 0; y < want.height(); ++y) {
    for (int x = 0; x < want.width(); ++x) {
      if (got.pixel(x, y) == want.pixel(x, y)) continue;
      if (n++ == 0) {
        std::ostringstream o;
        o << std::hex << "(" << std::dec << x << ", " << y << ") is " << std::hex << got.pixel(x, y)
          << " instead of " << want.pixel(x, y);
        *first = o.str();
      }
    }
  }
  return n;
}

// Counts the pixels of a straight line, from (x0, y0) to (x1, y1) inclusive, that are not `c`.
int notcolour(const render::Surface& s, int x0, int y0, int x1, int y1, Rgb c) {
  int n = 0;
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) n += s.pixel(x, y) != c;
  }
  return n;
}

TEST_F(OnDesktop, TheWindowHasItsCaptionAndAClientAreaOf497By400) {
  E2E_START(g);
  const e2e::Output name = desktop().tool(
      QStringLiteral("xprop"), {QStringLiteral("-id"), g.window(), QStringLiteral("_NET_WM_NAME")});
  EXPECT_EQ(QString::fromUtf8(name.out.trimmed()),
            QStringLiteral("_NET_WM_NAME(UTF8_STRING) = \"ポムラン\""));
  const e2e::Output title =
      desktop().tool(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), g.window()});
  EXPECT_EQ(QString::fromUtf8(title.out.trimmed()), QStringLiteral("ポムラン"));
  EXPECT_EQ(g.client().width(), 497);
  EXPECT_EQ(g.client().height(), 400);
  // The whole client area is on the screen, so that every picture of it is complete.
  EXPECT_TRUE(QRect(0, 0, 1024, 768).contains(g.client()))
      << g.client().x() << "," << g.client().y();
}

TEST_F(OnDesktop, TheFirstFrameShowsTheBallRestingOnThePaddleInTheWell) {
  E2E_START(g);
  const render::Surface want = started::expectedfield(200, 256, 216, 248);
  // The window may show before its first paint reaches the screen.
  render::Surface field;
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  do {
    field = g.field();
  } while (!(field == want) && Clock::now() < deadline);
  std::string first;
  EXPECT_EQ(mismatches(field, want, &first), 0) << first;

  // The background picture around the playfield: a sunken well with a black upper and left
  // edge, a white lower and right one, a grey line between them and the panel's grey outside.
  const render::Surface w = g.whole();
  ASSERT_EQ(w.width(), 497);
  EXPECT_EQ(notcolour(w, 7, 7, 488, 7, kBlack), 0);
  EXPECT_EQ(notcolour(w, 7, 7, 7, 312, kBlack), 0);
  EXPECT_EQ(notcolour(w, 7, 313, 489, 313, kWhite), 0);
  EXPECT_EQ(notcolour(w, 489, 7, 489, 313, kWhite), 0);
  EXPECT_EQ(notcolour(w, 8, 312, 488, 312, kPanel), 0);
  EXPECT_EQ(notcolour(w, 488, 8, 488, 312, kPanel), 0);
  EXPECT_EQ(notcolour(w, 6, 6, 490, 6, kPanel), 0);
  EXPECT_EQ(w.pixel(10, 322), kBlack);
  EXPECT_EQ(w.pixel(3, 3), kPanel);
}

}  // namespace
