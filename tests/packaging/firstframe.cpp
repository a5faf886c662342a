// Checks a screenshot of the window's client area against the first frame the game must show:
// the background picture with the white playfield, the paddle at 200, 256 and the ball resting
// on it at 216, 248. Every pixel counts except those of the controls that draw text.
//
//   firstframe <screenshot.png>

#include <QImage>

#include <cstdio>

#include "hidpi/Shown.h"
#include "ui/Pictures.h"
#include "ui/Started.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <screenshot.png>\n", argv[0]);
    return 2;
  }
  const QImage shot(QString::fromLocal8Bit(argv[1]));
  if (shot.isNull()) {
    std::fprintf(stderr, "firstframe: cannot read %s\n", argv[1]);
    return 1;
  }
  if (shot.size() != ui::layout::kClient) {
    std::fprintf(stderr, "firstframe: the screenshot is %dx%d, not the window's 497x400\n",
                 shot.width(), shot.height());
    return 1;
  }
  const QImage background = ui::picture(QStringLiteral("background"));
  const QImage want = shown::window(background, started::expectedfield(200, 256, 216, 248));
  const shown::Result r = shown::compare(shot, want, 1.0, QRect(QPoint(0, 0), ui::layout::kClient));
  std::printf("firstframe: %ld pixels checked, %ld wrong\n", r.checked, r.wrong);
  if (r.wrong != 0) {
    std::printf("firstframe: the first wrong one: %s\n", r.first.c_str());
    return 1;
  }
  // Everything but the text controls, which cover less than a twentieth of the window.
  if (r.checked < 497L * 400 * 95 / 100) {
    std::printf("firstframe: too few pixels were checked\n");
    return 1;
  }
  return 0;
}
