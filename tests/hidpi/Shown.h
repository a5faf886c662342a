#pragma once

#include <QImage>
#include <QRect>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>

#include "render/Surface.h"
#include "ui/Layout.h"

// What the window must show, compared at any screen scale: one logical pixel covers a square of
// device pixels, and every device pixel must show a colour of a logical pixel it covers.
namespace shown {

// The window with the given playfield laid into the well of the background picture.
inline QImage window(const QImage& background, const render::Surface& field) {
  QImage img = background.convertToFormat(QImage::Format_RGB32);
  const QPoint at = ui::layout::kPlayfield.topLeft();
  for (int y = 0; y < field.height(); ++y)
    for (int x = 0; x < field.width(); ++x) img.setPixel(at.x() + x, at.y() + y, field.pixel(x, y));
  return img;
}

// The controls that draw text in the desktop's font, whose pixels no picture fixes.
inline bool drawstext(QPoint p) {
  namespace l = ui::layout;
  for (const QRect& r : {l::kLblball, l::kLblscore, l::kLblhiscore, l::kLblstage, l::kLabel1,
                         l::kCombo1, l::kCommand1})
    if (r.contains(p)) return true;
  return false;
}

// The logical pixels that device pixel d covers along one axis at the given scale, as a closed
// range. A whole-number scale gives a single pixel, so the check is then an exact one.
inline std::pair<int, int> covered(int d, double scale, int size) {
  const int first = static_cast<int>(std::floor(d / scale));
  const int last = static_cast<int>(std::ceil((d + 1) / scale)) - 1;
  return {std::clamp(first, 0, size - 1), std::clamp(std::max(first, last), 0, size - 1)};
}

struct Result {
  long checked = 0;
  long wrong = 0;
  std::string first;  // where the first wrong pixel is, and what it shows
};

// Compares the device pixels that show the logical area with the logical picture, leaving out
// every device pixel that touches a control drawing text. A device pixel on the area's edge may
// take the colour of its neighbour outside, which it also covers.
inline Result compare(const QImage& device, const QImage& logical, double scale, QRect area) {
  Result r;
  const QImage d = device.convertToFormat(QImage::Format_RGB32);
  const int x0 = static_cast<int>(std::floor(area.left() * scale));
  const int y0 = static_cast<int>(std::floor(area.top() * scale));
  const int x1 = std::min(d.width(), static_cast<int>(std::ceil((area.right() + 1) * scale)));
  const int y1 = std::min(d.height(), static_cast<int>(std::ceil((area.bottom() + 1) * scale)));
  for (int dy = y0; dy < y1; ++dy) {
    const auto [ly0, ly1] = covered(dy, scale, logical.height());
    for (int dx = x0; dx < x1; ++dx) {
      const auto [lx0, lx1] = covered(dx, scale, logical.width());
      bool text = false, match = false;
      for (int ly = ly0; ly <= ly1; ++ly)
        for (int lx = lx0; lx <= lx1; ++lx) {
          text |= drawstext(QPoint(lx, ly));
          match |= d.pixel(dx, dy) == logical.pixel(lx, ly);
        }
      if (text) continue;
      ++r.checked;
      if (match) continue;
      if (r.wrong++ == 0) {
        std::ostringstream s;
        s << "device pixel " << dx << "," << dy << " shows " << std::hex
          << (d.pixel(dx, dy) & 0xFFFFFF) << " but logical pixel " << std::dec << lx0 << "," << ly0
          << " is " << std::hex << (logical.pixel(lx0, ly0) & 0xFFFFFF);
        r.first = s.str();
      }
    }
  }
  return r;
}

}  // namespace shown
