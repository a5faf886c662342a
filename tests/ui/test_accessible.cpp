#include "support/Window.h"

#include <QAccessible>

#include <gtest/gtest.h>

// What reaches the accessibility bus is checked over the real bus by the e2e tests; here, that
// the window's interfaces agree with each other, which the bus takes on trust.
TEST(Accessible, TheWindowListsItsShownControlsAndEachKnowsItsPlace) {
  auto f = fixture::form();
  QAccessibleInterface* window = QAccessible::queryAccessibleInterface(f.get());
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->role(), QAccessible::Window);
  QStringList names;
  for (int i = 0; i < window->childCount(); ++i) {
    QAccessibleInterface* a = window->child(i);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(window->indexOfChild(a), i);
    EXPECT_EQ(a->parent(), window);
    names << a->text(QAccessible::Name);
  }
  EXPECT_EQ(names.join(QLatin1Char('|')).toStdString(),
            "Speed|Start|Playfield|BALL 0|SCORE 0000|HISCORE 00000|STAGE 00|SPEED :");
  for (QWidget* hidden : {static_cast<QWidget*>(f->paddle), static_cast<QWidget*>(f->offscr)})
    EXPECT_EQ(window->indexOfChild(QAccessible::queryAccessibleInterface(hidden)), -1);
  // The speed list's text follows its chosen entry.
  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(f->Combo1);
  ASSERT_NE(list->textInterface(), nullptr);
  f->Combo1->setCurrentIndex(2);
  EXPECT_EQ(list->textInterface()->text(0, -1).toStdString(), "HIGH");
}
