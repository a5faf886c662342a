#pragma once

#include "render/Surface.h"
#include "ui/qt/Layout.h"
#include "ui/qt/Pictures.h"

#include <QImage>

// What the game must show, built from the program's own pictures.
namespace expected {

inline void paste(render::Surface& s, const QImage& picture, int x, int y) {
  for (int py = 0; py < picture.height(); ++py)
    for (int px = 0; px < picture.width(); ++px)
      s.setpixel(x + px, y + py, render::rgb(picture.pixel(px, py)));
}

// The playfield: white, the paddle at its place and the ball drawn over it.
inline render::Surface field(int paddlex, int paddley, int ballx, int bally) {
  render::Surface s(ui::layout::kPlayfield.width(), ui::layout::kPlayfield.height(),
                    render::kWhite);
  paste(s, ui::picture(QStringLiteral("paddle")), paddlex, paddley);
  paste(s, ui::picture(QStringLiteral("ball")), ballx, bally);
  return s;
}

// The first frame: the ball resting on the paddle's centre.
inline render::Surface firstfield() { return field(200, 256, 216, 248); }

// The whole client area: the background picture with the given playfield in its well.
inline QImage window(const render::Surface& field) {
  QImage img = ui::picture(QStringLiteral("background")).convertToFormat(QImage::Format_RGB32);
  const QPoint at = ui::layout::kPlayfield.topLeft();
  for (int y = 0; y < field.height(); ++y)
    for (int x = 0; x < field.width(); ++x) img.setPixel(at.x() + x, at.y() + y, field.pixel(x, y));
  return img;
}

}  // namespace expected
