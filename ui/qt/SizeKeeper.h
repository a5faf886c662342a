#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QSize>
#include <QWidget>

#include <optional>

namespace ui {

// Keeps a window at its fixed size where the desktop lets it, and its picture whole where it does
// not. Some title bars, shortcuts, window managers and kiosks maximise, make full screen or resize
// any window: the keeper asks for the fixed size back once for each such change, keeps a change
// that the desktop insists on, and then lays the client area in the middle of the room it got.
// It watches the window's own events, so the window needs to do nothing for it.
class SizeKeeper final : public QObject {
 public:
  // Fixes `window` at `client` and starts watching it.
  SizeKeeper(QWidget& window, QSize client);

  // Where the client area's top-left corner lies in the window: (0, 0) at the fixed size.
  QPoint origin() const { return origin_; }

 private:
  // What the desktop gave the window.
  struct Given {
    QSize size;
    Qt::WindowStates states;
    bool operator==(const Given&) const = default;
  };

  bool eventFilter(QObject* watched, QEvent* event) override;
  void relayout();
  void settlelater();
  void settle();
  void askback(const Given& now);
  void loosen();
  bool cutsoff(QSize size) const;

  QWidget& window_;
  const QSize client_;
  QPoint origin_;
  bool clamped_ = false;  // the toolkit clamps configured sizes until the limits go
  std::optional<Given> refused_;
  bool backsince_ = false;   // the fixed size came back after the last attempt
  bool againlater_ = false;  // a cut-off size is asked back once more, late
  bool settling_ = false;
  bool asking_ = false;
  QElapsedTimer asked_;
};

}  // namespace ui
