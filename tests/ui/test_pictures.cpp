#include <gtest/gtest.h>

#include "support/Expected.h"
#include "support/Window.h"
#include "ui/Pictures.h"

using fixture::at;
using render::rgb;

namespace {

constexpr render::Rgb kPanel = rgb(0xC6C3C6);
constexpr render::Rgb kCyan = rgb(0x00FFFF);

QImage window(ui::Form1& f) { return f.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// A sprite surface holds the sprite's picture in its top-left corner and white everywhere else,
// which makes the erase frame below the picture solid white.
void expectsprite(const render::Surface& s, const char* name, QSize box) {
  const QImage picture = ui::picture(QString::fromLatin1(name));
  ASSERT_EQ(QSize(s.width(), s.height()), box);
  for (int y = 0; y < box.height(); ++y)
    for (int x = 0; x < box.width(); ++x) {
      const bool sprite = x < picture.width() && y < picture.height();
      const render::Rgb want = sprite ? at(picture, x, y) : render::kWhite;
      ASSERT_EQ(s.pixel(x, y), want) << name << " " << x << "," << y;
    }
}

}  // namespace

TEST(Pictures, EachSpriteSurfaceHoldsItsSpriteAboveASolidWhiteEraseFrame) {
  auto f = fixture::form();
  expectsprite(f->paddle->surface(), "paddle", QSize(49, 17));
  expectsprite(f->ball->surface(), "ball", QSize(17, 17));
  // The pictures themselves are the sprites' sizes.
  EXPECT_EQ(ui::picture(QStringLiteral("paddle")).size(), QSize(40, 8));
  EXPECT_EQ(ui::picture(QStringLiteral("ball")).size(), QSize(8, 8));
}

TEST(Pictures, TheBlockSheetHasEightFramedTilesOfTheirColours) {
  auto f = fixture::form();
  const render::Surface& s = f->blocks->surface();
  const render::Rgb fills[] = {rgb(0x0000FF), rgb(0xFF0000), rgb(0x00FFFF), rgb(0xFF00FF),
                               rgb(0x00FF00), rgb(0xFFFF00), rgb(0xFF9900), rgb(0xFF99CC)};
  const render::Rgb corner = rgb(0xC0C0C0);
  for (int k = 0; k < 8; ++k) {
    SCOPED_TRACE(k);
    const int top = 16 * k;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 32; ++x) {
        const bool edgex = x == 0 || x == 31, edgey = y == 0 || y == 15;
        render::Rgb want = fills[k];
        if (edgex && edgey)
          want = corner;
        else if (y == 0 || x == 0)
          want = render::kWhite;
        else if (y == 15 || x == 31)
          want = render::kBlack;
        ASSERT_EQ(s.pixel(x, top + y), want) << x << "," << top + y;
      }
  }
  // Beyond the sheet lies the box's background.
  EXPECT_EQ(s.pixel(32, 0), s.background());
  EXPECT_EQ(s.pixel(0, 128), s.background());
  EXPECT_EQ(s.pixel(32, 144), s.background());
}

TEST(Pictures, TheFirstFrameIsExactOnMainscrAndOnTheScreen) {
  auto f = fixture::form();
  const render::Surface want = expected::field(200, 256, 216, 248);
  EXPECT_EQ(f->mainscr->surface(), want);
  EXPECT_EQ(f->offscr->surface(), want);
  const QImage shown = window(*f);
  for (int y = 0; y < 304; ++y)
    for (int x = 0; x < 480; ++x)
      ASSERT_EQ(at(shown, 8 + x, 8 + y), want.pixel(x, y)) << x << "," << y;
}

TEST(Pictures, TheWellsFramesShowAroundThePlayfieldAndTheStatusStrip) {
  auto f = fixture::form();
  const QImage img = window(*f);
  ASSERT_EQ(img.size(), QSize(497, 400));
  // The panel is lit from the upper left.
  EXPECT_EQ(at(img, 100, 0), render::kWhite);
  EXPECT_EQ(at(img, 0, 100), render::kWhite);
  EXPECT_EQ(at(img, 496, 100), render::kBlack);
  EXPECT_EQ(at(img, 100, 352), render::kBlack);
  EXPECT_EQ(at(img, 3, 3), kPanel);
  EXPECT_EQ(at(img, 3, 380), kPanel);
  // The playfield well: black top and left, grey inside and white outside the bottom and right.
  for (int x = 8; x <= 487; x += 17) {
    EXPECT_EQ(at(img, x, 7), render::kBlack) << x;
    EXPECT_EQ(at(img, x, 312), kPanel) << x;
    EXPECT_EQ(at(img, x, 313), render::kWhite) << x;
  }
  for (int y = 8; y <= 311; y += 13) {
    EXPECT_EQ(at(img, 7, y), render::kBlack) << y;
    EXPECT_EQ(at(img, 488, y), kPanel) << y;
    EXPECT_EQ(at(img, 489, y), render::kWhite) << y;
  }
  // The status well: the same frame around a black interior with cyan words.
  EXPECT_EQ(at(img, 50, 319), render::kBlack);
  EXPECT_EQ(at(img, 7, 330), render::kBlack);
  EXPECT_EQ(at(img, 50, 345), render::kWhite);
  EXPECT_EQ(at(img, 489, 330), render::kWhite);
  EXPECT_EQ(at(img, 10, 322), render::kBlack);
  EXPECT_EQ(at(img, 480, 341), render::kBlack);
  for (int start : {21, 117, 273, 405}) {
    bool ink = false;
    for (int y = 326; y <= 336; ++y) ink |= at(img, start, y) == kCyan;
    EXPECT_TRUE(ink) << start;
    for (int y = 320; y <= 343; ++y) EXPECT_NE(at(img, start - 1, y), kCyan) << start;
  }
}

TEST(Pictures, SpriteErasesStayWhiteUnderADarkTheme) {
  const QPalette saved = QApplication::palette();
  QPalette dark = saved;
  dark.setColor(QPalette::Window, QColor(30, 30, 30));
  dark.setColor(QPalette::Base, QColor(20, 20, 20));
  dark.setColor(QPalette::Button, QColor(50, 50, 60));
  dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
  QApplication::setPalette(dark);
  {
    auto f = fixture::form();
    EXPECT_EQ(f->paddle->surface().pixel(0, 8), render::kWhite);
    EXPECT_EQ(f->ball->surface().pixel(0, 8), render::kWhite);
    fixture::move(f->mainscr, 60.0);
    EXPECT_EQ(f->mainscr->surface(), expected::field(60, 256, 76, 248));
    // "SPEED :" follows the theme's button colours.
    const QImage label = f->Label1->grab().toImage();
    EXPECT_EQ(label.pixelColor(label.width() - 1, label.height() - 1), QColor(50, 50, 60));
  }
  QApplication::setPalette(saved);
}

TEST(Pictures, BuiltInPicturesComeUndecodedInTheirFormatsAndUnknownNamesGiveNothing) {
  const QImage bg = ui::picture(QStringLiteral("background"));
  EXPECT_EQ(bg.size(), QSize(497, 400));
  EXPECT_EQ(bg.format(), QImage::Format_RGB32);
  EXPECT_EQ(at(bg, 3, 3), kPanel);
  // Shown straight from the program's own copy: asking twice gives the same pixels, not a copy.
  EXPECT_EQ(bg.constBits(), ui::picture(QStringLiteral("background")).constBits());
  const QImage icon = ui::picture(QStringLiteral("icon32"));
  EXPECT_EQ(icon.size(), QSize(32, 32));
  EXPECT_EQ(icon.format(), QImage::Format_ARGB32);
  EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
  EXPECT_EQ(ui::picture(QStringLiteral("icon16")).size(), QSize(16, 16));
  EXPECT_EQ(ui::picture(QStringLiteral("blocks")).size(), QSize(32, 128));
  EXPECT_TRUE(ui::picture(QStringLiteral("nosuch")).isNull());
  EXPECT_TRUE(ui::picture(QString()).isNull());
}
