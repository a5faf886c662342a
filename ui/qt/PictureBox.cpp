#include "ui/qt/PictureBox.h"

#include <QMouseEvent>
#include <QPainter>

namespace ui {

namespace {

// Where the pointer is in the box, to a fraction of a pixel. On a scaled screen the toolkit
// rounds a child widget's event position to a whole pixel, which would move the paddle one pixel
// too far for half of each pixel; the window position is exact, so the box maps that instead.
// The move that the toolkit hands on to the widget under the pointer when another one greys
// out, as "START" does when it is clicked, carries no window position: then the box's own is
// taken, which is right to the pixel.
QPointF exactposition(const QWidget& box, const QMouseEvent& event) {
  const QPointF exact = box.mapFrom(box.window(), event.scenePosition());
  return (exact - event.position()).manhattanLength() < 2 ? exact : event.position();
}

}  // namespace

PictureBox::PictureBox(QWidget* parent, const QString& name, table::Place place,
                       render::Rgb background)
    : QWidget(parent), Box(place, background) {
  setObjectName(name);
  placed();
  // The image is opaque and covers the whole box, so Qt need not paint anything beneath it.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
}

void PictureBox::placed() {
  const table::Place p = place();
  setGeometry(p.x, p.y, p.w, p.h);
}

const QImage& PictureBox::view() {
  const auto* bits = reinterpret_cast<const uchar*>(surface().data());
  if (view_.constBits() != bits || view_.width() != surface().width() ||
      view_.height() != surface().height()) {
    view_ = QImage(bits, surface().width(), surface().height(),
                   static_cast<qsizetype>(surface().width()) * 4, QImage::Format_RGB32);
  }
  return view_;
}

void PictureBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // Scaled screens get whole blocks of one colour per pixel, never a blend.
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(QRect(0, 0, surface().width(), surface().height()), view());
}

void PictureBox::mousePressEvent(QMouseEvent*) { emit mousepressed(); }

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
  emit mousemoved(exactposition(*this, *event).x());
}

// A pointer that arrives from outside (another window, the title bar, a warp) got here by a move
// that the box did not see, so its arrival counts as that move. The toolkit rounds an enter
// event's window position to a whole pixel; its screen position is exact, so the box maps that.
void PictureBox::enterEvent(QEnterEvent* event) {
  emit mousemoved(mapFromGlobal(event->globalPosition()).x());
}

}  // namespace ui
