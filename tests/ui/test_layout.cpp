#include "support/Expected.h"
#include "support/Window.h"

#include <QFontInfo>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QRect place(const QWidget* w) { return w->geometry(); }

}  // namespace

TEST(Layout, TheWindowHasItsCaptionClientSizeAndIcon) {
  auto f = fixture::form();
  EXPECT_EQ(f->windowTitle(), QStringLiteral("ポムラン"));
  EXPECT_EQ(f->size(), QSize(497, 400));
  EXPECT_FALSE(f->windowIcon().isNull());
  EXPECT_TRUE(f->windowIcon().availableSizes().contains(QSize(32, 32)));
  EXPECT_TRUE(f->windowIcon().availableSizes().contains(QSize(16, 16)));
  // The icon keeps its transparent ground.
  const QImage small = f->windowIcon().pixmap(QSize(16, 16)).toImage();
  EXPECT_EQ(qAlpha(small.pixel(0, 0)), 0);
}

TEST(Layout, EveryControlHasItsPlaceAndSize) {
  auto f = fixture::form();
  EXPECT_EQ(place(f->Combo1), QRect(160, 368, 89, 20));
  EXPECT_EQ(place(f->Command1), QRect(320, 368, 81, 25));
  EXPECT_EQ(place(f->paddle), QRect(320, 104, 49, 17));
  EXPECT_EQ(place(f->ball), QRect(328, 64, 17, 17));
  EXPECT_EQ(place(f->mainscr), QRect(8, 8, 480, 304));
  EXPECT_EQ(place(f->blocks), QRect(264, 32, 33, 145));
  EXPECT_EQ(place(f->offscr), QRect(8, 8, 480, 304));
  EXPECT_EQ(place(f->lblball), QRect(456, 323, 17, 17));
  EXPECT_EQ(place(f->lblscore), QRect(336, 323, 49, 17));
  EXPECT_EQ(place(f->lblhiscore), QRect(200, 323, 65, 17));
  EXPECT_EQ(place(f->lblstage), QRect(80, 323, 33, 17));
  EXPECT_EQ(place(f->Label1), QRect(72, 368, 81, 25));
  // Each picture box's image matches its size, and only the main screen shows.
  for (ui::PictureBox* b : {f->paddle, f->ball, f->mainscr, f->blocks, f->offscr}) {
    SCOPED_TRACE(b->objectName().toStdString());
    EXPECT_EQ(QSize(b->surface().width(), b->surface().height()), b->size());
    EXPECT_EQ(b->isVisible(), b == f->mainscr);
    EXPECT_EQ(b->isEnabled(), b == f->mainscr);
  }
  EXPECT_TRUE(f->mainscr->hasMouseTracking());
}

TEST(Layout, TheValueLabelsAreLightOrangeOnBlackInTheLabelFont) {
  auto f = fixture::form();
  const std::pair<QLabel*, const char*> values[] = {
      {f->lblstage, "00"}, {f->lblhiscore, "00000"}, {f->lblscore, "0000"}, {f->lblball, "0"}};
  for (auto [l, text] : values) {
    SCOPED_TRACE(l->objectName().toStdString());
    EXPECT_EQ(l->text(), QString::fromLatin1(text));
    const QImage img = l->grab().toImage();
    int orange = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        orange += fixture::at(img, x, y) == render::rgb(0xFFC080);
    EXPECT_EQ(fixture::at(img, img.width() - 1, img.height() - 1), render::kBlack);
    EXPECT_GT(orange, 10);
    EXPECT_TRUE(l->alignment() & Qt::AlignLeft);
  }
  // "SPEED :" shares the value labels' font.
  for (QLabel* l : {f->lblstage, f->lblhiscore, f->lblscore, f->lblball, f->Label1}) {
    SCOPED_TRACE(l->objectName().toStdString());
    EXPECT_TRUE(l->font().bold());
    EXPECT_EQ(l->font().pixelSize(), 19);
    EXPECT_EQ(QFontInfo(l->font()).family(), QStringLiteral("IPAPGothic"));
  }
}

TEST(Layout, SpeedLabelListStartButtonAndTimer) {
  auto f = fixture::form();
  EXPECT_EQ(f->Label1->text(), QStringLiteral("SPEED :"));
  EXPECT_EQ(f->Label1->backgroundRole(), QPalette::Button);
  EXPECT_EQ(f->Label1->foregroundRole(), QPalette::ButtonText);
  ASSERT_EQ(f->Combo1->count(), 3);
  EXPECT_EQ(f->Combo1->itemText(0), QStringLiteral("LOW"));
  EXPECT_EQ(f->Combo1->itemText(1), QStringLiteral("MID"));
  EXPECT_EQ(f->Combo1->itemText(2), QStringLiteral("HIGH"));
  EXPECT_EQ(f->Combo1->currentIndex(), 0);
  EXPECT_EQ(f->Combo1->currentText(), QStringLiteral("LOW"));
  EXPECT_FALSE(f->Combo1->isEditable());
  EXPECT_TRUE(f->Combo1->isEnabled());
  EXPECT_EQ(f->Command1->text(), QStringLiteral("START"));
  EXPECT_TRUE(f->Command1->isEnabled());
  // The timer beats precisely every 50 ms from the start.
  EXPECT_EQ(f->Timer1->interval(), 50);
  EXPECT_EQ(f->Timer1->timerType(), Qt::PreciseTimer);
  EXPECT_TRUE(f->Timer1->isActive());
  EXPECT_FALSE(f->Timer1->isSingleShot());
}

TEST(Layout, TabPassesOverHiddenBoxesAndLabels) {
  auto f = fixture::form();
  f->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(f.get()));
  f->mainscr->setFocus(Qt::OtherFocusReason);
  ASSERT_TRUE(f->mainscr->hasFocus());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), f->Command1);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), f->Combo1);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), f->mainscr);
}

// Whatever faces are installed and whatever the desktop's dots per inch, the text of every label
// lies inside its box: drawn in a box of room enough, no ink falls outside the label's own size.
// The suite also runs under a font configuration that offers DejaVu alone.
TEST(Fonts, EveryLabelsTextFitsItsBox) {
  auto f = fixture::form();
  for (QLabel* l : {f->lblstage, f->lblhiscore, f->lblscore, f->lblball, f->Label1}) {
    SCOPED_TRACE(l->objectName().toStdString() + " in " +
                 QFontInfo(l->font()).family().toStdString());
    QLabel roomy(l->text());
    roomy.setFont(l->font());
    roomy.setPalette(l->palette());
    roomy.setAlignment(l->alignment());
    roomy.setAutoFillBackground(true);
    roomy.setBackgroundRole(l->backgroundRole());
    roomy.setForegroundRole(l->foregroundRole());
    roomy.resize(l->size() * 3);
    const QImage img = roomy.grab().toImage();
    const QRect box(QPoint(0, 0), l->size() * img.devicePixelRatio());
    const QRgb back = img.pixel(img.width() - 1, img.height() - 1);
    int inside = 0, outside = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        if (img.pixel(x, y) != back) ++(box.contains(x, y) ? inside : outside);
    EXPECT_GT(inside, 10);
    EXPECT_EQ(outside, 0);
  }
  // Where the intended face is installed, the labels keep their full size.
  if (QFontInfo(f->lblscore->font()).family() == QStringLiteral("IPAPGothic")) {
    EXPECT_EQ(f->lblscore->font().pixelSize(), 19);
  }
}
