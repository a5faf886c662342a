#include <QBackingStore>

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "support/Compare.h"
#include "support/Expected.h"
#include "support/Window.h"
#include "ui/Pictures.h"

namespace {

// The scale this run was started with; the suite runs once per scale.
double scale() {
  bool ok = false;
  const double s = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&ok);
  return ok ? s : 0.0;
}

bool wholescale() { return scale() == std::floor(scale()); }

// The window as it went to the screen: the offscreen platform keeps the backing store that
// paintEvent drew into as an image of the window's device size.
QImage onscreen(ui::Form1& f) {
  QCoreApplication::processEvents();
  const auto* image = dynamic_cast<const QImage*>(f.backingStore()->paintDevice());
  return image ? image->copy() : QImage();
}

// The window rendered afresh into a pixmap of its device size.
QImage rendered(ui::Form1& f) { return f.grab().toImage(); }

// A pointer move as the platform delivers it: in device pixels at the window, mapped back to
// logical ones by Qt's scaling before any widget sees it.
void platformmove(ui::Form1& f, QPointF local) {
  static int timestamp = 1000;
  timestamp += 100;
  qt_handleMouseEvent(f.windowHandle(), local, f.mapToGlobal(local), Qt::NoButton, Qt::NoButton,
                      QEvent::MouseMove, Qt::NoModifier, timestamp);
  QCoreApplication::processEvents();
}

const QRect kWhole(QPoint(0, 0), ui::layout::kClient);

void expectshows(const QImage& device, const QImage& want, QRect area) {
  const frames::Result r = frames::compare(device, want, scale(), area);
  const double total = area.width() * scale() * area.height() * scale();
  // Only the text controls are left out, a few percent of the window at most.
  EXPECT_GT(r.checked, 0.9 * total);
  EXPECT_EQ(r.wrong, 0) << r.first;
}

}  // namespace

TEST(HiDpi, TheRunIsScaledAsAsked) {
  ASSERT_GT(scale(), 1.0) << "run with QT_SCALE_FACTOR set above 1";
  auto f = fixture::form();
  EXPECT_DOUBLE_EQ(f->devicePixelRatio(), scale());
  EXPECT_DOUBLE_EQ(f->windowHandle()->devicePixelRatio(), scale());
}

TEST(HiDpi, TheWindowKeepsItsLogicalSizeAndCoversItInDevicePixels) {
  auto f = fixture::form();
  EXPECT_EQ(f->size(), QSize(497, 400));
  EXPECT_EQ(f->mainscr->geometry(), QRect(8, 8, 480, 304));
  const QSize device(qRound(497 * scale()), qRound(400 * scale()));
  if (scale() == 2.0) {
    EXPECT_EQ(device, QSize(994, 800));
  }
  const QPixmap grabbed = f->grab();
  EXPECT_DOUBLE_EQ(grabbed.devicePixelRatio(), scale());
  EXPECT_EQ(grabbed.size(), device);
  EXPECT_EQ(onscreen(*f).size(), device);
}

TEST(HiDpi, EveryDevicePixelShowsTheColourOfALogicalPixelItCovers) {
  auto f = fixture::form();
  const QImage want = expected::window(expected::firstfield());
  {
    SCOPED_TRACE("on screen");
    expectshows(onscreen(*f), want, kWhole);
  }
  {
    SCOPED_TRACE("rendered");
    expectshows(rendered(*f), want, kWhole);
  }
}

TEST(HiDpi, AtWholeScalesEachPlayfieldPixelIsASolidBlockOfItsColour) {
  if (!wholescale()) GTEST_SKIP() << "only whole scales give square blocks";
  const int k = static_cast<int>(scale());
  auto f = fixture::form();
  const render::Surface field = expected::field(200, 256, 216, 248);
  const QImage shot = onscreen(*f).convertToFormat(QImage::Format_RGB32);
  const QPoint well = ui::layout::kPlayfield.topLeft() * k;
  for (int y = 0; y < 304; ++y)
    for (int x = 0; x < 480; ++x)
      for (int j = 0; j < k; ++j)
        for (int i = 0; i < k; ++i)
          ASSERT_EQ(shot.pixel(well.x() + k * x + i, well.y() + k * y + j), field.pixel(x, y))
              << x << "," << y << " +" << i << "," << j;
  // The sprites are there at all: the paddle's red and the ball's blue, each a whole block.
  const render::Rgb red = render::rgb(0xFF0000), blue = render::rgb(0x0000FF);
  EXPECT_EQ(shot.pixel(well.x() + k * 201, well.y() + k * 256), red);
  EXPECT_EQ(shot.pixel(well.x() + k * 216 + k - 1, well.y() + k * 251 + k - 1), blue);
}

TEST(HiDpi, ThePlayfieldShowsNoColourThatItsPicturesDoNotHave) {
  auto f = fixture::form();
  const render::Surface field = expected::field(200, 256, 216, 248);
  std::set<QRgb> allowed;
  for (int y = 0; y < 304; ++y)
    for (int x = 0; x < 480; ++x) allowed.insert(field.pixel(x, y));
  const QImage shot = onscreen(*f).convertToFormat(QImage::Format_RGB32);
  const QRect well(ui::layout::kPlayfield.topLeft() * scale(),
                   ui::layout::kPlayfield.size() * scale());
  std::set<QRgb> seen;
  for (int y = well.top(); y <= well.bottom(); ++y)
    for (int x = well.left(); x <= well.right(); ++x) seen.insert(shot.pixel(x, y));
  for (QRgb c : seen) EXPECT_TRUE(allowed.count(c)) << std::hex << (c & 0xFFFFFF);
  // White, red, blue and the two greys of the sprites' bevels.
  EXPECT_EQ(seen.size(), allowed.size());
}

TEST(HiDpi, APointerMoveStillTakesTheWholePlayfieldPixelLeftOfIt) {
  auto f = fixture::form();
  fixture::move(f->mainscr, 123.6);
  EXPECT_EQ(f->module1().gs.paddlex, 123);
  const std::pair<double, int> cases[] = {
      {8 + 77.5, 77}, {8 + 439.9, 439}, {8 + 0.25, 0}, {8 + 300.0, 300}, {8 + 299.75, 299}};
  for (auto [x, want] : cases) {
    platformmove(*f, QPointF(x, 108.25));
    EXPECT_EQ(f->module1().gs.paddlex, want) << x;
  }
  // The new frame is what shows, still crisp.
  const QImage want = expected::window(expected::field(299, 256, 315, 248));
  expectshows(onscreen(*f), want, ui::layout::kPlayfield);
}
