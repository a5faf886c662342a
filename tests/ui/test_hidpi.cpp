#include "support/Compare.h"
#include "support/Expected.h"
#include "support/Window.h"
#include "ui/qt/Pictures.h"

#include <gtest/gtest.h>

namespace {

// The scale this run was started with; the suite runs once per scale.
double scale() {
  bool ok = false;
  const double s = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&ok);
  return ok ? s : 0.0;
}

// The window as it went to the screen, once everything posted has been painted.
QImage onscreen(ui::Form1& f) {
  QCoreApplication::processEvents();
  return fixture::onscreen(f);
}

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

// The window keeps its logical size and covers it in device pixels. At a whole scale each
// logical pixel becomes a solid block of its colour; at any scale no device pixel shows a blend
// that no logical pixel has, on the screen and rendered afresh.
TEST(HiDpi, EveryDevicePixelShowsTheColourOfALogicalPixelItCovers) {
  ASSERT_GT(scale(), 1.0) << "run with QT_SCALE_FACTOR set above 1";
  auto f = fixture::form();
  EXPECT_DOUBLE_EQ(f->windowHandle()->devicePixelRatio(), scale());
  EXPECT_EQ(f->size(), QSize(497, 400));
  EXPECT_EQ(f->mainscr->geometry(), QRect(8, 8, 480, 304));
  const QSize device(qRound(497 * scale()), qRound(400 * scale()));
  const QImage want = expected::window(expected::firstfield());
  for (const QImage& shown : {onscreen(*f), f->grab().toImage()}) {
    EXPECT_EQ(shown.size(), device);
    EXPECT_DOUBLE_EQ(shown.devicePixelRatio(), scale());
    expectshows(shown, want, kWhole);
  }
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
