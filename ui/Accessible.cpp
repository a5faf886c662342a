#include "ui/Accessible.h"

#include "ui/Form1.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>

#include <algorithm>

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

// Qt's own drop-down list interface on Linux has the chosen entry as its name and offers no way
// to read it as a value, so screen readers could say neither what the list is nor what is
// chosen. Here the name says what the list is, and its text is the chosen entry; entries reach
// the bus as text changes.
class DropDownAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit DropDownAccessible(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox) {
    QObject::connect(list, &QComboBox::currentTextChanged, list,
                     [list, was = list->currentText()](const QString& now) mutable {
                       QAccessibleTextUpdateEvent event(list, 0, was, now);
                       was = now;
                       QAccessible::updateAccessibility(&event);
                     });
  }

  QString text(QAccessible::Text t) const override {
    return t == QAccessible::Value ? entry() : QAccessibleWidget::text(t);
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.expandable = true;
    s.expanded = list()->view()->isVisible();
    return s;
  }

  // The entries, as the list that drops down.
  int childCount() const override { return 1; }
  QAccessibleInterface* child(int index) const override {
    return index == 0 ? QAccessible::queryAccessibleInterface(list()->view()) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child != nullptr && child->object() == list()->view() ? 0 : -1;
  }

  QStringList actionNames() const override {
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& action) override {
    if (action != pressAction()) return QAccessibleWidget::doAction(action);
    if (list()->view()->isVisible()) {
      list()->hidePopup();
    } else {
      list()->showPopup();
    }
  }

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }

  // The chosen entry, read-only, with no selection and the caret at its start.
  QString text(int start, int end) const override {
    const QString all = entry();
    if (end < 0 || end > all.size()) end = static_cast<int>(all.size());
    start = std::clamp(start, 0, end);
    return all.mid(start, end - start);
  }
  int characterCount() const override { return static_cast<int>(entry().size()); }
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QRect characterRect(int) const override { return {}; }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int offset, int* start, int* end) const override {
    *start = 0;
    *end = std::max(offset, characterCount());
    return {};
  }

 private:
  QComboBox* list() const { return static_cast<QComboBox*>(widget()); }
  QString entry() const { return list()->currentText(); }
};

}  // namespace

QAccessibleInterface* accessiblefactory(const QString&, QObject* object) {
  if (auto* window = qobject_cast<Form1*>(object)) return new WindowAccessible(window);
  if (auto* list = qobject_cast<QComboBox*>(object); list != nullptr && !list->isEditable()) {
    return new DropDownAccessible(list);
  }
  return nullptr;
}

}  // namespace ui
