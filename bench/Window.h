#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QImage>
#include <QObject>
#include <QPainter>
#include <QWidget>
#include <QWindow>

#include <chrono>
#include <cstdint>

// Pieces shared by the two measuring programs: the platform they run on, a wait for a window to
// reach the screen, a paint counter and the plain windows that the game is compared with.
namespace benchwindow {

// Figures must not depend on a desktop being there, so the programs choose the offscreen
// platform unless the caller asked for another one.
inline void useoffscreen() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Runs the event loop until the window is exposed, so that repaints reach its backing store.
inline bool waitexposed(QWidget& w, int ms = 5000) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) {
    if (w.windowHandle() && w.windowHandle()->isExposed()) return true;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return false;
}

inline int64_t nowns() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Counts the paint events that a widget receives and remembers when the first one came.
class PaintWatch : public QObject {
 public:
  explicit PaintWatch(QWidget* target) { target->installEventFilter(this); }

  int paints = 0;
  int64_t firstns = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      if (paints++ == 0) firstns = nowns();
    }
    return false;
  }
};

// The least a toolkit program can do to show a 32-bit image: draw it 1:1 over an opaque widget.
class ImageView : public QWidget {
 public:
  explicit ImageView(QSize size) : image_(size, QImage::Format_RGB32) {
    image_.fill(Qt::white);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(size);
  }

  QImage& image() { return image_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), image_);
  }

 private:
  QImage image_;
};

}  // namespace benchwindow
