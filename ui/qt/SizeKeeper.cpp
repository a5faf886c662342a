#include "ui/qt/SizeKeeper.h"
#include "ui/qt/Workarounds.h"

#include <QEvent>
#include <QGuiApplication>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace ui {

namespace {

// The states in which the window would no longer be its fixed size.
constexpr Qt::WindowStates kLarge = Qt::WindowMaximized | Qt::WindowFullScreen;

// A desktop that gives the same other size again this soon after the game asked for its own,
// even if it gave the fixed size in between, insists on it: a kiosk that maximises every window.
constexpr qint64 kInsistMs = 1000;

bool onwayland() { return QGuiApplication::platformName() == QLatin1String("wayland"); }

}  // namespace

SizeKeeper::SizeKeeper(QWidget& window, QSize client)
    : QObject(&window), window_(window), client_(client) {
  window_.setFixedSize(client_);
  clamped_ = clampsconfiguredsizes();
  // The client area is fixed, so the title bar offers no maximise button.
  window_.setWindowFlag(Qt::WindowMaximizeButtonHint, false);
  window_.installEventFilter(this);
}

bool SizeKeeper::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &window_) return false;
  switch (event->type()) {
    case QEvent::Resize:
      relayout();
      settlelater();
      break;
    // A change of state is judged once the event loop turns again, when the request that made it
    // has been answered and its state and size have both arrived.
    case QEvent::WindowStateChange:
      settlelater();
      break;
    case QEvent::Paint:
      if (std::exchange(clamped_, false)) QTimer::singleShot(0, this, &SizeKeeper::loosen);
      break;
    default:
      break;
  }
  return false;
}

// A size that would cut off part of the picture and the controls.
bool SizeKeeper::cutsoff(QSize size) const { return size.boundedTo(client_) != client_; }

// Where the desktop gives more room than the fixed client area, the controls keep their places
// in a client area in the middle of the window, so that the picture stays whole and exact.
void SizeKeeper::relayout() {
  const QSize room = window_.size() - client_;
  const QPoint origin(std::max(0, room.width() / 2), std::max(0, room.height() / 2));
  const QPoint by = origin - origin_;
  if (by.isNull()) return;
  origin_ = origin;
  for (QWidget* child : window_.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (!child->isWindow()) child->move(child->pos() + by);
  window_.update();
}

void SizeKeeper::settlelater() {
  if (asking_ || settling_) return;
  settling_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        settling_ = false;
        settle();
      },
      Qt::QueuedConnection);
}

// The game asks for its fixed size once for each change. A desktop that gives the same change
// again without a turn at the fixed size, or at once, insists: it is kept, and the game plays
// in the middle of it, so that no window manager and no kiosk can draw it into an endless fight.
void SizeKeeper::settle() {
  const Given now{window_.size(), window_.windowState() & kLarge};
  if (now == Given{client_, {}}) {
    backsince_ = true;
    againlater_ = false;
    return;
  }
  if (refused_ == now && (!backsince_ || asked_.elapsed() < kInsistMs)) {
    // A size that cuts the picture off may be the desktop's stale answer, given before it had
    // the window's new limits: it is asked back once more, a while later, and kept if it comes
    // again.
    if (cutsoff(now.size) && !std::exchange(againlater_, true))
      QTimer::singleShot(kInsistMs, this, [this] {
        refused_.reset();
        settle();
      });
    return;
  }
  refused_ = now;
  backsince_ = false;
  asked_.start();
  askback(now);
}

// Leaving a large state brings back the size from before it. On Wayland the compositor decides
// every size, which xdg-shell obliges a client to take, so a larger size alone is not asked back
// there. A smaller one is: it would cut off the picture and the controls.
void SizeKeeper::askback(const Given& now) {
  asking_ = true;
  if (now.states) {
    window_.setWindowState(window_.windowState() & ~kLarge);
  } else if (!onwayland() || cutsoff(now.size)) {
    window_.resize(client_);
  }
  asking_ = false;
}

// Once the first frame is on the screen the limits go, where the toolkit would otherwise clamp
// what the compositor configures (see clampsconfiguredsizes). The greatest size goes first:
// a greatest size left alone for a moment may be smaller than the framed window, and a compositor
// would shrink the window to it.
void SizeKeeper::loosen() {
  window_.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  window_.setMinimumSize(0, 0);
}

}  // namespace ui
