#include "ui/PictureBox.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace ui {

namespace {

// Where the pointer is in the box, to a fraction of a pixel. An event that comes through the
// window carries its position rounded to the nearest whole pixel, which on a scaled screen moves
// the paddle one pixel too far for half of each pixel; its window position is exact, so the box
// maps that instead. An event made for the box alone has its own position as window position,
// which then lies a whole offset away, and keeps it.
QPointF exactposition(const QWidget& box, const QMouseEvent& event) {
  const QPointF exact = box.mapFrom(box.window(), event.scenePosition());
  const QPointF rounded = event.position();
  if (std::abs(exact.x() - rounded.x()) <= 0.5 && std::abs(exact.y() - rounded.y()) <= 0.5) {
    return exact;
  }
  return rounded;
}

}  // namespace

PictureBox::PictureBox(QWidget* parent, const QString& name, QRect place, render::Rgb background)
    : QWidget(parent), surface_(place.width(), place.height(), background) {
  setObjectName(name);
  setGeometry(place);
  // The image is opaque and covers the whole box, so Qt need not paint anything beneath it.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
}

void PictureBox::setbackcolor(render::Rgb colour) { surface_.setbackground(colour); }

void PictureBox::setpicture(const QImage& picture) {
  const render::Surface pic = tosurface(picture, surface_.background());
  render::bitblt(surface_, 0, 0, pic.width(), pic.height(), pic, 0, 0);
}

void PictureBox::setleft(int x) { move(x, y()); }
void PictureBox::settop(int y) { move(x(), y); }

void PictureBox::setwidth(int w) {
  resize(w, height());
  fitsurface();
}

void PictureBox::setheight(int h) {
  resize(width(), h);
  fitsurface();
}

void PictureBox::fitsurface() { surface_.resize(width(), height()); }

const QImage& PictureBox::view() {
  const auto* bits = reinterpret_cast<const uchar*>(surface_.data());
  if (view_.constBits() != bits || view_.width() != surface_.width() ||
      view_.height() != surface_.height()) {
    view_ = QImage(bits, surface_.width(), surface_.height(),
                   static_cast<qsizetype>(surface_.width()) * 4, QImage::Format_RGB32);
  }
  return view_;
}

void PictureBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // Scaled screens get whole blocks of one colour per pixel, never a blend.
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(QRect(0, 0, surface_.width(), surface_.height()), view());
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
  emit mousepressed(event->button(), event->modifiers(), exactposition(*this, *event));
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
  emit mousemoved(exactposition(*this, *event), event->buttons(), event->modifiers());
}

render::Surface tosurface(const QImage& picture, render::Rgb background) {
  const QImage img = picture.convertToFormat(QImage::Format_RGB32);
  render::Surface s(img.width(), img.height(), background);
  for (int y = 0; y < s.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = 0; x < s.width(); ++x) s.setpixel(x, y, render::rgb(line[x]));
  }
  return s;
}

}  // namespace ui
