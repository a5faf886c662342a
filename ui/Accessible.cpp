#include "ui/Accessible.h"

#include "ui/Form1.h"

#include <QAccessibleWidget>

namespace ui {

namespace {

// Without its own interface the window reaches screen readers as a plain pane, and every child
// widget is listed, even the picture boxes that only hold sprite images and never show.
class WindowAccessible : public QAccessibleWidget {
 public:
  explicit WindowAccessible(QWidget* window) : QAccessibleWidget(window, QAccessible::Window) {}

  int childCount() const override { return static_cast<int>(shown().size()); }

  QAccessibleInterface* child(int index) const override {
    const QList<QWidget*> children = shown();
    if (index < 0 || index >= children.size()) return nullptr;
    return QAccessible::queryAccessibleInterface(children[index]);
  }

  int indexOfChild(const QAccessibleInterface* child) const override {
    if (child == nullptr) return -1;
    return static_cast<int>(shown().indexOf(qobject_cast<QWidget*>(child->object())));
  }

 private:
  // The child widgets that are not kept hidden, in creation order.
  QList<QWidget*> shown() const {
    QList<QWidget*> children;
    for (QObject* o : widget()->children()) {
      auto* w = qobject_cast<QWidget*>(o);
      if (w != nullptr && !w->isWindow() && !w->isHidden()) children << w;
    }
    return children;
  }
};

}  // namespace

QAccessibleInterface* accessiblefactory(const QString&, QObject* object) {
  if (auto* window = qobject_cast<Form1*>(object)) return new WindowAccessible(window);
  return nullptr;
}

}  // namespace ui
