#pragma once

#include "render/Surface.h"

#include <QImage>
#include <QPointF>
#include <QWidget>

namespace ui {

// A child area with its own persistent pixel image. The widget shows the surface through a
// QImage that shares its pixels, so painting needs neither a copy nor a format conversion.
class PictureBox : public QWidget {
  Q_OBJECT

 public:
  PictureBox(QWidget* parent, const QString& name, QRect place, render::Rgb background);

  render::Surface& surface() { return surface_; }
  const render::Surface& surface() const { return surface_; }

  // Setting the background colour clears the whole image to it.
  void setbackcolor(render::Rgb colour);
  // Paints a picture at (0, 0) of the image, over the background.
  void setpicture(const QImage& picture);

  // Moving and sizing the box; a new size resizes the image, keeping what fits.
  void setleft(int x);
  void settop(int y);
  void setwidth(int w);
  void setheight(int h);

  // The surface as an image, sharing its pixels; valid until the surface is next resized.
  const QImage& view();

 signals:
  void mousepressed(QPointF at, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
  void mousemoved(QPointF at, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;

 private:
  void fitsurface();

  render::Surface surface_;
  QImage view_;
};

}  // namespace ui
