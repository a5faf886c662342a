#include "support/Compare.h"
#include "support/Expected.h"
#include "support/Window.h"
#include "ui/qt/Pictures.h"

#include <gtest/gtest.h>

using fixture::at;
using render::rgb;

namespace {

constexpr render::Rgb kPanel = rgb(0xC6C3C6);

// A sprite surface holds the sprite's picture in its top-left corner and white everywhere else,
// which makes the erase frame below the picture solid white.
void expectsprite(const render::Surface& s, const char* name, QSize sprite, QSize box) {
  const QImage picture = ui::picture(QString::fromLatin1(name));
  ASSERT_EQ(picture.size(), sprite);
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
  expectsprite(f->paddle->surface(), "paddle", QSize(40, 8), QSize(49, 17));
  expectsprite(f->ball->surface(), "ball", QSize(8, 8), QSize(17, 17));
}

// Eight 32 x 16 tiles, each framed light on its upper left and dark on its lower right, with
// grey corners; the rest of the box is its background.
TEST(Pictures, TheBlockSheetHasEightFramedTilesOfTheirColours) {
  auto f = fixture::form();
  const render::Surface& s = f->blocks->surface();
  const uint32_t fills[] = {0x0000FF, 0xFF0000, 0x00FFFF, 0xFF00FF,
                            0x00FF00, 0xFFFF00, 0xFF9900, 0xFF99CC};
  ASSERT_EQ(QSize(s.width(), s.height()), QSize(33, 145));
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) {
      const int ty = y % 16;
      const bool edgex = x == 0 || x == 31, edgey = ty == 0 || ty == 15;
      const render::Rgb want = x > 31 || y > 127     ? s.background()
                               : edgex && edgey      ? rgb(0xC0C0C0)
                               : ty == 0 || x == 0   ? render::kWhite
                               : ty == 15 || x == 31 ? render::kBlack
                                                     : rgb(fills[y / 16]);
      ASSERT_EQ(s.pixel(x, y), want) << x << "," << y;
    }
}

// On the screen, every pixel of the window but the text of the controls: the background
// picture's panel, the playfield well and the status strip around the first frame.
TEST(Pictures, TheFirstFrameIsExactOnMainscrAndInTheWholeWindow) {
  auto f = fixture::form();
  const render::Surface want = expected::firstfield();
  EXPECT_EQ(f->mainscr->surface(), want);
  EXPECT_EQ(f->offscr->surface(), want);
  const frames::Result r = frames::comparewindow(f->grab().toImage(), expected::window(want));
  EXPECT_EQ(r.wrong, 0) << r.first;
  EXPECT_GT(r.checked, 497 * 400 * 95 / 100);
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
