#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <memory>

#include "render/Surface.h"
#include "ui/Form1.h"

namespace started {

// The real window, prepared and shown as the program starts it.
inline std::unique_ptr<ui::Form1> form() {
  auto f = std::make_unique<ui::Form1>();
  ui::prepare(*f);
  f->show();
  (void)QTest::qWaitForWindowExposed(f.get());
  return f;
}

// Sends a real mouse event with a fractional position in the widget's own pixels.
inline void mouse(QWidget* w, QEvent::Type type, QPointF at, Qt::MouseButton button = Qt::NoButton,
                  Qt::MouseButtons buttons = Qt::NoButton,
                  Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QMouseEvent ev(type, at, w->mapToGlobal(at), button, buttons, mods);
  QApplication::sendEvent(w, &ev);
}

inline void move(QWidget* w, double x, double y = 100.0) {
  mouse(w, QEvent::MouseMove, QPointF(x, y));
}

inline render::Rgb at(const QImage& img, int x, int y) { return render::rgb(img.pixel(x, y)); }

// The sprites as their pictures give them, one letter a pixel.
constexpr const char* kPaddleRows[] = {
    "WRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRGWWW", "RRRLRRRLRRRRRRRRRRRRRRRRRRRRRRRRRRRRRGWW",
    "GRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRRLW", "WGRGRGRGRGRGRGRGRGRGRGRGRGRGRGRGRGRGRLLW",
    "WWLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLWW", "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW",
    "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"};
constexpr const char* kBallRows[] = {"WWBBGWWW", "WBBWBGWW", "GBWBBBGW", "BBBBBGBL",
                                     "GBGBGBGL", "WGBGBGLL", "WWGBGLLW", "WWWLWLWW"};

inline render::Rgb letter(char c) {
  switch (c) {
    case 'R':
      return render::rgb(0xFF0000);
    case 'G':
      return render::rgb(0x808080);
    case 'L':
      return render::rgb(0xC0C0C0);
    case 'B':
      return render::rgb(0x0000FF);
    default:
      return render::kWhite;
  }
}

// The playfield as it must look: white, the paddle at its place, the ball over it.
inline render::Surface expectedfield(int paddlex, int paddley, int ballx, int bally) {
  render::Surface s(480, 304, render::kWhite);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 40; ++x) s.setpixel(paddlex + x, paddley + y, letter(kPaddleRows[y][x]));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) s.setpixel(ballx + x, bally + y, letter(kBallRows[y][x]));
  return s;
}

}  // namespace started
