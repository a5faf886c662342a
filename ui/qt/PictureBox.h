#pragma once

#include "render/Surface.h"
#include "ui/Box.h"

#include <QImage>
#include <QWidget>

namespace ui {

// A picture box as a child widget. It shows its image through a QImage that shares its pixels,
// so painting needs neither a copy nor a format conversion.
class PictureBox final : public QWidget, public Box {
  Q_OBJECT

 public:
  PictureBox(QWidget* parent, const QString& name, table::Place place, render::Rgb background);

  // The surface as an image, sharing its pixels; valid until the surface is next resized.
  const QImage& view();

 signals:
  // A press of any mouse button, and the pointer's x in the box's pixels.
  void mousepressed();
  void mousemoved(double x);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;

 private:
  void placed() override;

  QImage view_;
};

}  // namespace ui
