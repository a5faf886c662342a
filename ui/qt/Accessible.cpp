#include "ui/qt/Accessible.h"

#include "ui/qt/Form1.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimer>

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
// chosen. Here the name says what the list is, and its text is the chosen entry, which is also
// its selection: Orca 43 speaks an inserted text only when it is the selected text, and hears a
// deletion before it as "Selection deleted", so a new entry reaches the bus as an insertion alone.
class DropDownAccessible : public QObject,
                           public QAccessibleWidget,
                           public QAccessibleTextInterface {
 public:
  explicit DropDownAccessible(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox) {
    QObject::connect(list, &QComboBox::currentTextChanged, this, [this, list](const QString& now) {
      // An entry chosen in the open list was heard there already.
      if (popupclosing_) return;
      QAccessibleTextInsertEvent event(list, 0, now);
      QAccessible::updateAccessibility(&event);
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
      // Orca 48 ignores text changes of what cannot be edited, and speaks announcements.
      QAccessibleAnnouncementEvent announcement(list, now);
      QAccessible::updateAccessibility(&announcement);
#endif
    });
    // The entries drop down in a list of their own, which screen readers also meet. The toolkit
    // makes it when it first opens, which the list learns as its child is polished for showing.
    if (QAbstractItemView* view = made()) {
      watch(view);
    } else {
      list->installEventFilter(this);
    }
  }

  // The list takes the chosen entry right after its popup hides, in the same event.
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ChildPolished && watched == list()) {
      if (QAbstractItemView* view = made()) watch(view);
    } else if (event->type() == QEvent::Hide && watched != list()) {
      popupclosing_ = true;
      QTimer::singleShot(0, this, [this] { popupclosing_ = false; });
    }
    return false;
  }

  QString text(QAccessible::Text t) const override {
    return t == QAccessible::Value ? entry() : QAccessibleWidget::text(t);
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.expandable = true;
    s.expanded = opened();
    return s;
  }

  // The entries, as the list that drops down.
  int childCount() const override { return 1; }
  QAccessibleInterface* child(int index) const override {
    return index == 0 ? QAccessible::queryAccessibleInterface(entries()) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child != nullptr && child->object() == entries() ? 0 : -1;
  }

  // A greyed-out list offers nothing, so that no assistive tool opens it during a round.
  QStringList actionNames() const override {
    if (!list()->isEnabled()) return {};
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& action) override {
    if (!list()->isEnabled()) return;
    if (action != pressAction()) return QAccessibleWidget::doAction(action);
    if (opened()) {
      list()->hidePopup();
    } else {
      list()->showPopup();
    }
  }

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }

  // The chosen entry, read-only, wholly selected, with the caret at its start.
  QString text(int start, int end) const override {
    const QString all = entry();
    if (end < 0 || end > all.size()) end = static_cast<int>(all.size());
    start = std::clamp(start, 0, end);
    return all.mid(start, end - start);
  }
  int characterCount() const override { return static_cast<int>(entry().size()); }
  void selection(int, int* start, int* end) const override {
    *start = 0;
    *end = characterCount();
  }
  int selectionCount() const override { return characterCount() > 0 ? 1 : 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  // Where the list draws each character, on the screen. Screen readers place the text by these
  // rectangles when they review the window; an empty one hides the entry from them.
  QRect characterRect(int offset) const override {
    const QString all = entry();
    if (offset < 0 || offset >= all.size()) return {};
    const QFontMetrics metrics = list()->fontMetrics();
    // The style draws the entry left-aligned and centred in the edit field, one pixel in.
    const QRect field = editfield().adjusted(1, 0, -1, 0);
    const int left = field.left() + metrics.horizontalAdvance(all.left(offset));
    const int right = field.left() + metrics.horizontalAdvance(all.left(offset + 1));
    const int top = field.top() + (field.height() - metrics.height()) / 2;
    return {list()->mapToGlobal(QPoint(left, top)), QSize(right - left, metrics.height())};
  }
  int offsetAtPoint(const QPoint& point) const override {
    for (int i = 0; i < characterCount(); ++i) {
      if (characterRect(i).contains(point)) return i;
    }
    return -1;
  }
  void scrollToSubstring(int, int) override {}
  QString attributes(int offset, int* start, int* end) const override {
    *start = 0;
    *end = std::max(offset, characterCount());
    return {};
  }

 private:
  QComboBox* list() const { return static_cast<QComboBox*>(widget()); }
  // The list of entries if the toolkit has made it, without making it.
  QAbstractItemView* made() const { return list()->findChild<QAbstractItemView*>(); }
  bool opened() const {
    const QAbstractItemView* view = made();
    return view != nullptr && view->isVisible();
  }
  // The list of entries, made for a screen reader that asks for it, and named as the list.
  QAbstractItemView* entries() const {
    QAbstractItemView* view = list()->view();
    if (view->accessibleName().isEmpty()) view->setAccessibleName(list()->accessibleName());
    return view;
  }
  // Names the list of entries and learns when its popup hides; once, as it first shows.
  void watch(QAbstractItemView* view) {
    if (watched_) return;
    watched_ = true;
    list()->removeEventFilter(this);
    view->setAccessibleName(list()->accessibleName());
    view->window()->installEventFilter(this);
  }
  QString entry() const { return list()->currentText(); }
  QRect editfield() const {
    QStyleOptionComboBox option;
    option.initFrom(list());
    option.editable = false;
    option.frame = list()->hasFrame();
    option.currentText = entry();
    return list()->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                           QStyle::SC_ComboBoxEditField, list());
  }

  bool popupclosing_ = false;
  bool watched_ = false;
};

}  // namespace

QAccessibleInterface* accessiblefactory(const QString&, QObject* object) {
  if (auto* window = qobject_cast<Form1*>(object)) return new WindowAccessible(window);
  // The playfield is a surface the game draws on, not an empty filler.
  if (auto* box = qobject_cast<PictureBox*>(object)) {
    return new QAccessibleWidget(box, QAccessible::Canvas);
  }
  if (auto* list = qobject_cast<QComboBox*>(object); list != nullptr && !list->isEditable()) {
    return new DropDownAccessible(list);
  }
  return nullptr;
}

}  // namespace ui
