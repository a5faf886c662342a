#pragma once

#include "render/Surface.h"
#include "ui/qt/Startup.h"

#include <QApplication>
#include <QBackingStore>
#include <QMouseEvent>
#include <QTest>

#include <memory>

// The real window for in-process tests, and mouse events made as the window system makes them.
namespace fixture {

// The window prepared and shown as the program starts it.
inline std::unique_ptr<ui::Form1> form() {
  // The offscreen pointer starts over the playfield; it rests off the window, as on a desktop.
  QCursor::setPos(-100, -100);
  auto f = std::make_unique<ui::Form1>();
  ui::prepare(*f);
  f->show();
  (void)QTest::qWaitForWindowExposed(f.get());
  return f;
}

// Sends a mouse event at a fractional position in the widget's own pixels, carrying its window
// and screen positions as a real event does.
inline void mouse(QWidget* w, QEvent::Type type, QPointF at, Qt::MouseButton button = Qt::NoButton,
                  Qt::MouseButtons buttons = Qt::NoButton,
                  Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QMouseEvent ev(type, at, w->mapTo(w->window(), at), w->mapToGlobal(at), button, buttons, mods);
  QApplication::sendEvent(w, &ev);
}

// The pointer arriving over the widget from outside it, as the toolkit reports it.
inline void enter(QWidget* w, QPointF at) {
  QEnterEvent ev(at, w->mapTo(w->window(), at), w->mapToGlobal(at));
  QApplication::sendEvent(w, &ev);
}

inline void move(QWidget* w, double x, double y = 100.0) {
  mouse(w, QEvent::MouseMove, QPointF(x, y));
}

// The window as it went to the screen: the offscreen platform keeps the backing store that
// paintEvent drew into as an image of the window's device size.
inline QImage onscreen(const QWidget& w) {
  const auto* image = dynamic_cast<const QImage*>(w.backingStore()->paintDevice());
  return image ? image->copy() : QImage();
}

inline render::Rgb at(const QImage& img, int x, int y) { return render::rgb(img.pixel(x, y)); }

}  // namespace fixture
