#pragma once

#include "render/Surface.h"
#include "ui/qt/Layout.h"

#include <QImage>
#include <QRect>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>

// Compares what a window shows with what it must show, at any screen scale: one logical pixel
// covers a square of device pixels, and every device pixel must show a colour of a logical
// pixel it covers. At scale 1 that is an exact comparison.
namespace frames {

// A surface seen as an image, sharing its pixels.
inline QImage image(const render::Surface& s) {
  return QImage(reinterpret_cast<const uchar*>(s.data()), s.width(), s.height(),
                static_cast<qsizetype>(s.width()) * 4, QImage::Format_RGB32);
}

// The controls that draw text in the desktop's fonts, whose pixels no picture fixes.
inline bool drawstext(QPoint p) {
  namespace l = ui::layout;
  for (const QRect& r : {l::kLblball, l::kLblscore, l::kLblhiscore, l::kLblstage, l::kLabel1,
                         l::kCombo1, l::kCommand1})
    if (r.contains(p)) return true;
  return false;
}

// The logical pixels that device pixel d covers along one axis, as a closed range.
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

// Compares the device pixels that show the logical `area` of `logical` (whose origin is the
// device picture's origin), leaving out the text controls.
inline Result compare(const QImage& device, const QImage& logical, double scale, QRect area) {
  Result r;
  const QImage d = device.convertToFormat(QImage::Format_RGB32);
  const QImage l = logical.convertToFormat(QImage::Format_RGB32);
  const int x0 = static_cast<int>(std::floor(area.left() * scale));
  const int y0 = static_cast<int>(std::floor(area.top() * scale));
  const int x1 = std::min(d.width(), static_cast<int>(std::ceil((area.right() + 1) * scale)));
  const int y1 = std::min(d.height(), static_cast<int>(std::ceil((area.bottom() + 1) * scale)));
  if (d.isNull() || x1 - x0 < area.width() || y1 - y0 < area.height()) {
    r.wrong = 1;
    r.first = "the picture is smaller than the area";
    return r;
  }
  for (int dy = y0; dy < y1; ++dy) {
    const auto [ly0, ly1] = covered(dy, scale, l.height());
    for (int dx = x0; dx < x1; ++dx) {
      const auto [lx0, lx1] = covered(dx, scale, l.width());
      bool text = false, match = false;
      for (int ly = ly0; ly <= ly1; ++ly)
        for (int lx = lx0; lx <= lx1; ++lx) {
          text |= drawstext(QPoint(lx, ly));
          match |= d.pixel(dx, dy) == l.pixel(lx, ly);
        }
      if (text) continue;
      ++r.checked;
      if (match) continue;
      if (r.wrong++ == 0) {
        std::ostringstream s;
        s << "device pixel " << dx << "," << dy << " shows " << std::hex
          << (d.pixel(dx, dy) & 0xFFFFFF) << " but logical pixel " << std::dec << lx0 << "," << ly0
          << " is " << std::hex << (l.pixel(lx0, ly0) & 0xFFFFFF);
        r.first = s.str();
      }
    }
  }
  return r;
}

// Compares a picture of the whole client area with the window as it must look.
inline Result comparewindow(const QImage& device, const QImage& logical, double scale = 1.0) {
  return compare(device, logical, scale, QRect(QPoint(0, 0), ui::layout::kClient));
}

}  // namespace frames
